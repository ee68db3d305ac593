#pragma once
// File names as the program's texts carry them: UTF-8. On POSIX a path is its
// bytes already; on Windows a path is UTF-16, and std::filesystem would read a
// narrow string in the ANSI code page, so every name given as text (command
// line, INI, JSON) goes through here to reach the file it names.
// Neither direction throws: bytes that are not UTF-8 (or, on Windows, UTF-16
// that is not whole) become U+FFFD, so such a name reaches no file and the
// caller reports that file as missing instead of the program ending.
#include <filesystem>
#include <string>
#include <string_view>

namespace aulira {

std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

} // namespace aulira
