#pragma once
// Where the program keeps its files (device list, groups, address books, INI):
// the executable's directory when it holds "AuliraServer.ini" (a portable
// installation), else the per-user data directory ($XDG_DATA_HOME/aulira or
// %APPDATA%\Aulira). An explicit directory (--data-dir) overrides both.
#include <filesystem>
#include <optional>

namespace aulira {

inline constexpr const char* kIniFileName = "AuliraServer.ini";
inline constexpr const char* kDeviceListFileName = "devices";

std::filesystem::path executableDirectory();
std::filesystem::path userDataDirectory();

// Resolves the directory and creates it when missing.
std::filesystem::path applicationDirectory(const std::optional<std::filesystem::path>& overrideDir = std::nullopt);

} // namespace aulira
