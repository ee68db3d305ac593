#pragma once
// File names between Qt and the core. On Windows a name reaches the core as
// UTF-16, as the system keeps it (a narrow string would go through the ANSI
// code page and lose every character it lacks); elsewhere as the UTF-8 bytes
// of the name.
#include <QString>
#include <filesystem>

namespace aulira::app {

inline std::filesystem::path toPath(const QString& name)
{
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(name.toStdString());
#endif
}

inline QString fromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QString::fromStdString(path.string());
#endif
}

} // namespace aulira::app
