#include "util/PathText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace aulira {

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
#ifdef _WIN32
    // Without MB_ERR_INVALID_CHARS, invalid bytes become U+FFFD.
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(n > 0 ? std::size_t(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return std::filesystem::path(std::move(wide));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

std::string pathToUtf8(const std::filesystem::path& path)
{
#ifdef _WIN32
    // A lone surrogate in a Windows file name becomes U+FFFD.
    const std::wstring& wide = path.native();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? std::size_t(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
#else
    return path.string();
#endif
}

} // namespace aulira
