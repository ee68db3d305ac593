#include "shell/TextCodec.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace aulira {

namespace {
std::atomic<int> g_codePage{0};

#ifndef _WIN32
std::string iconvName(int cp)
{
    if (cp == 65001)
        return "UTF-8";
    if (cp == 20127)
        return "ASCII";
    if (cp == 28591)
        return "ISO-8859-1";
    return "CP" + std::to_string(cp);
}

// Converts with iconv; replacement, when set, stands for input that does not convert.
std::optional<std::string> convert(const std::string& to, const std::string& from, std::string_view in,
                                   const char* replacement)
{
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    std::vector<char> buf(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buf.data();
        std::size_t outLeft = buf.size();
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf.data(), static_cast<std::size_t>(outPtr - buf.data()));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            if (!replacement) {
                ok = false;
                break;
            }
            out += replacement;
            ++inPtr; // skip one byte of the offending sequence
            --inLeft;
        }
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}
#endif
} // namespace

int defaultCodePage()
{
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    const char* vars[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::string locale;
    for (const char* v : vars) {
        const char* s = std::getenv(v);
        if (s && *s) {
            locale = s;
            break;
        }
    }
    auto starts = [&](const char* p) { return locale.rfind(p, 0) == 0; };
    if (starts("zh_CN") || starts("zh_SG"))
        return 936;
    if (starts("zh_TW") || starts("zh_HK"))
        return 950;
    if (starts("ja"))
        return 932;
    if (starts("ko"))
        return 949;
    if (starts("ru") || starts("uk") || starts("bg") || starts("be") || starts("sr"))
        return 1251;
    if (starts("pl") || starts("cs") || starts("sk") || starts("hu") || starts("hr") || starts("sl") || starts("ro"))
        return 1250;
    if (starts("el"))
        return 1253;
    if (starts("tr"))
        return 1254;
    if (starts("he"))
        return 1255;
    if (starts("ar"))
        return 1256;
    if (starts("lt") || starts("lv") || starts("et"))
        return 1257;
    if (starts("vi"))
        return 1258;
    if (starts("th"))
        return 874;
    return 1252;
#endif
}

int codePage()
{
    int cp = g_codePage.load();
    if (cp == 0) {
        cp = defaultCodePage();
        g_codePage.store(cp);
    }
    return cp;
}

void setCodePage(int cp) { g_codePage.store(cp); }

std::string ansiToUtf8(std::string_view ansi)
{
    if (ansi.empty())
        return {};
#ifdef _WIN32
    int cp = codePage();
    int n = MultiByteToWideChar(cp, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(cp, 0, ansi.data(), int(ansi.size()), w.data(), n);
    int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
    return out;
#else
    auto r = convert("UTF-8", iconvName(codePage()), ansi, "\xEF\xBF\xBD");
    return r ? *r : std::string(ansi);
#endif
}

std::optional<std::string> utf8ToAnsi(std::string_view utf8)
{
    if (utf8.empty())
        return std::string{};
#ifdef _WIN32
    int cp = codePage();
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), w.data(), n);
    BOOL lossy = FALSE;
    int m = WideCharToMultiByte(cp, 0, w.data(), n, nullptr, 0, nullptr, cp == CP_UTF8 ? nullptr : &lossy);
    std::string out(m, '\0');
    WideCharToMultiByte(cp, 0, w.data(), n, out.data(), m, nullptr, cp == CP_UTF8 ? nullptr : &lossy);
    if (lossy)
        return std::nullopt;
    return out;
#else
    return convert(iconvName(codePage()), "UTF-8", utf8, nullptr);
#endif
}

} // namespace aulira
