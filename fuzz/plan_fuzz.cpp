// Fuzz target for the site plan reader. The input is a plan file's text.
// Reading never crashes; every error points into the text (a line that
// exists, or 0 for the file as a whole); a plan read without errors names
// only fields a plan may set; and any table the CSV reader accepts is read
// back unchanged from what the CSV writer makes of it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "params/SysParaFields.h"
#include "rollout/SitePlan.h"
#include "util/Csv.h"

using namespace aulira;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n') +
                                       std::count(text.begin(), text.end(), '\r')) + 1;
    const PlanRead read = parsePlan(text);
    for (const auto& e : read.errors) {
        FUZZ_CHECK(e.line >= 0 && e.line <= lines);
        FUZZ_CHECK(e.column >= 0);
        FUZZ_CHECK(!e.text.empty());
    }
    if (read.ok()) {
        FUZZ_CHECK(read.complete);
        for (const auto& row : read.plan.rows)
            for (const auto& v : row.values)
                FUZZ_CHECK(plannableField(v.field) && !v.text.empty());
    }
    const CsvParse csv = parseCsv(text);
    if (csv.error.empty() && !csv.rows.empty()) {
        std::vector<CsvRow> rows;
        for (const auto& r : csv.rows)
            rows.push_back(r.cells);
        // The writer keeps formula-like cells as text; compare through csvField only.
        std::string again;
        for (const auto& r : rows) {
            for (std::size_t i = 0; i < r.size(); ++i)
                again += (i ? "," : "") + csvField(r[i]);
            again += "\r\n";
        }
        const CsvParse back = parseCsv(again);
        FUZZ_CHECK(back.error.empty() && back.rows.size() == rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            FUZZ_CHECK(back.rows[i].cells == rows[i]);
    }
    return 0;
}
