#include "shell/CommandLine.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace aulira {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string text(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
            if (n > 1)
                WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), n, nullptr, nullptr);
            args.push_back(std::move(text));
        }
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

} // namespace aulira
