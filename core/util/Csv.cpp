#include "util/Csv.h"

#include "util/AtomicFile.h"

namespace aulira {

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string q = "\"";
    for (char c : text) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

std::string csvTextField(std::string_view text)
{
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' || text[0] == '\t' ||
                          text[0] == '\r'))
        return csvField("'" + std::string(text));
    return csvField(text);
}

std::string csvTable(const CsvRow& header, const std::vector<CsvRow>& rows, bool bom)
{
    std::string out = bom ? "\xEF\xBB\xBF" : "";
    auto add = [&out](const CsvRow& row) {
        for (std::size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + csvTextField(row[i]);
        out += "\r\n";
    };
    add(header);
    for (const auto& r : rows)
        add(r);
    return out;
}

bool writeCsvFile(const std::filesystem::path& path, const CsvRow& header, const std::vector<CsvRow>& rows,
                  std::string* error)
{
    const std::string text = csvTable(header, rows, true);
    return writeFileAtomically(path, ConstBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                               error);
}

} // namespace aulira
