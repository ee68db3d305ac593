#include "shell/AppDir.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace aulira {

namespace fs = std::filesystem;

fs::path executableDirectory()
{
#ifdef _WIN32
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buf, DWORD(std::size(buf)));
    return fs::path(std::wstring(buf, n)).parent_path();
#else
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
#endif
}

fs::path userDataDirectory()
{
#ifdef _WIN32
    if (const wchar_t* appData = _wgetenv(L"APPDATA"))
        return fs::path(appData) / "Aulira";
    return executableDirectory();
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return fs::path(xdg) / "aulira";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "aulira";
    return fs::current_path();
#endif
}

fs::path applicationDirectory(const std::optional<fs::path>& overrideDir)
{
    fs::path dir;
    if (overrideDir) {
        dir = *overrideDir;
    } else {
        fs::path exeDir = executableDirectory();
        std::error_code ec;
        dir = fs::is_regular_file(exeDir / kIniFileName, ec) ? exeDir : userDataDirectory();
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

} // namespace aulira
