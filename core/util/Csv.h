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

} // namespace aulira
