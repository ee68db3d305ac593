#pragma once
// Comma-separated tables as spreadsheets read them: fields quoted when they
// hold a comma, a quote or a line break, quotes doubled, rows ended by CRLF.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace aulira {

using CsvRow = std::vector<std::string>;

// One field as it stands in a row.
std::string csvField(std::string_view text);

// One field of a table whose cells come from devices: a text that a
// spreadsheet would take for a formula (=, +, -, @ first) is kept as text by
// a leading apostrophe, so a device name cannot run anything on the reader.
std::string csvTextField(std::string_view text);

// The header and the rows, every field through csvTextField, each row ended
// by CRLF; UTF-8, with the byte-order mark spreadsheets need to see it when
// `bom` is true.
std::string csvTable(const CsvRow& header, const std::vector<CsvRow>& rows, bool bom);

// The table written to `path` as a whole (beside it first, then renamed over
// it), with the byte-order mark. False with the reason when it could not be.
bool writeCsvFile(const std::filesystem::path& path, const CsvRow& header, const std::vector<CsvRow>& rows,
                  std::string* error = nullptr);

// A table read back: each row with the line it starts on (counted from 1;
// a quoted field may hold line breaks, so rows and lines can differ).
struct CsvRecord {
    int line = 0;
    CsvRow cells;
};
struct CsvParse {
    std::vector<CsvRecord> rows; // rows that hold nothing at all are left out
    std::string error;           // empty when the whole text was read
    int errorLine = 0;
    int errorColumn = 0;         // the field, counted from 1
};

// Reads a table as RFC 4180 writes it (rows ended by CRLF, LF or CR; fields
// quoted with doubled quotes inside), after a UTF-8 byte-order mark if there
// is one. Stops at the first malformed field: a quote that is never closed,
// or text after a closing quote.
CsvParse parseCsv(std::string_view text);

} // namespace aulira
