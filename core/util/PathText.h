#pragma once
// File names as the program's texts carry them: UTF-8. On POSIX a path is its
// bytes already; on Windows a path is UTF-16, and std::filesystem would read a
// narrow string in the ANSI code page, so every name given as text (command
// line, INI, JSON) goes through here to reach the file it names.
#include <filesystem>
#include <string>
#include <string_view>

namespace aulira {

inline std::filesystem::path pathFromUtf8(std::string_view utf8)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

inline std::string pathToUtf8(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
#else
    return path.string();
#endif
}

} // namespace aulira
