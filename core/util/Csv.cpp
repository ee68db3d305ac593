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

CsvParse parseCsv(std::string_view text)
{
    CsvParse out;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    int line = 1;
    CsvRecord row{1, {}};
    std::string field;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the field began with a quote
    int quoteLine = 0;
    auto endRow = [&] {
        row.cells.push_back(std::move(field));
        field.clear();
        wasQuoted = false;
        const bool empty = row.cells.size() == 1 && row.cells[0].empty();
        if (!empty)
            out.rows.push_back(std::move(row));
        row = CsvRecord{line, {}};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
            quoteLine = line;
        } else if (c == ',') {
            row.cells.push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++line;
            endRow();
        } else if (wasQuoted) {
            out.error = "text after the closing quote of a field";
            out.errorLine = line;
            out.errorColumn = static_cast<int>(row.cells.size()) + 1;
            return out;
        } else {
            field += c;
        }
    }
    if (quoted) {
        out.error = "a quoted field is never closed";
        out.errorLine = quoteLine;
        out.errorColumn = static_cast<int>(row.cells.size()) + 1;
        return out;
    }
    if (!field.empty() || wasQuoted || !row.cells.empty())
        endRow();
    return out;
}

} // namespace aulira
