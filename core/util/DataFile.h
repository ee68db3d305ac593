#pragma once
// What loading one of the data folder's files came to. A missing file is an
// empty list; a damaged one (another kind of file, cut short, counts beyond
// its bytes, bytes behind its end) is moved aside as
// "<name>.damaged-<date>-<time>" and reported, so no save writes over it.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace aulira {

enum class LoadStatus {
    Missing,    // no such file, or a folder of that name: nothing to load
    Loaded,     // read whole
    Damaged,    // moved aside (keptAs), or left in place when that failed
    Unreadable, // there, but could not be read; left in place
};

struct FileLoadReport {
    LoadStatus status = LoadStatus::Missing;
    std::filesystem::path keptAs; // where a damaged file now is
    std::string message;          // one line for the operator when failed()
    bool failed() const { return status == LoadStatus::Damaged || status == LoadStatus::Unreadable; }
};

// Reads the whole file. Missing for a missing path or a folder; Unreadable
// (with error) when it cannot be opened or read.
LoadStatus readDataFile(const std::filesystem::path& file, std::vector<std::uint8_t>& out, std::string* error = nullptr);

// Renames the file to "<name>.damaged-YYYYMMDD-HHMMSS" (local time; "-2",
// "-3" … appended when that name is taken). Returns the new path, or an
// empty path with error set.
std::filesystem::path keepDamagedFile(const std::filesystem::path& file, std::string* error = nullptr);

// Moves a damaged file aside and words the report: what kind of file it is
// ("device list file"), why it is damaged, and how many entries ("saved
// devices") were read completely from it and are kept.
FileLoadReport damagedFileReport(const std::filesystem::path& file, std::string_view kind, std::string_view why,
                                 std::size_t kept, std::string_view entries);

// Why a decoded file is damaged; empty when it holds exactly what it announces.
std::string_view damageReason(bool magicOk, bool complete, std::size_t extraBytes);

// The report for a file that could not be read.
FileLoadReport unreadableFileReport(const std::filesystem::path& file, std::string_view kind,
                                    const std::string& error);

} // namespace aulira
