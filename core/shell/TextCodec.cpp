#include "shell/TextCodec.h"

#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace aulira {

namespace {
std::atomic<int> currentCodePage{0};

#ifndef _WIN32
std::string iconvName(int cp)
{
    if (cp == 65001)
        return "UTF-8";
    if (cp == 20127)
        return "ASCII";
    if (cp == 28591)
        return "ISO-8859-1";
    if (cp == 54936)
        return "GB18030";
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
    int cp = currentCodePage.load();
    if (cp == 0) {
        cp = defaultCodePage();
        currentCodePage.store(cp);
    }
    return cp;
}

void setCodePage(int cp) { currentCodePage.store(cp); }

bool codePageKnown(int cp)
{
    if (cp <= 0 || cp > 65535)
        return false;
#ifdef _WIN32
    return IsValidCodePage(static_cast<UINT>(cp)) != 0;
#else
    for (const auto& [to, from] : {std::pair{std::string("UTF-8"), iconvName(cp)}, {iconvName(cp), "UTF-8"}}) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv_close(cd);
    }
    return true;
#endif
}

std::string validUtf8(std::string_view in)
{
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const auto b = static_cast<unsigned char>(in[i]);
        std::size_t len = 0;
        std::uint32_t cp = 0, min = 0;
        if (b < 0x80) {
            out += in[i++];
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07, min = 0x10000;
        }
        std::size_t n = 1;
        while (len && n < len && i + n < in.size() && (static_cast<unsigned char>(in[i + n]) & 0xC0) == 0x80)
            cp = (cp << 6) | (static_cast<unsigned char>(in[i + n++]) & 0x3F);
        // Overlong forms, surrogates and values past U+10FFFF are invalid too.
        if (len == 0 || n != len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += kReplacement;
            i += len == 0 ? 1 : n; // a stray lead or continuation byte, or a cut sequence
            continue;
        }
        out.append(in.substr(i, len));
        i += len;
    }
    return out;
}

std::string escapeControls(std::string_view in)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(in.size());
    auto hex = [&](unsigned v) {
        out += "\\x";
        out += kHex[v >> 4];
        out += kHex[v & 0xF];
    };
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b < 0x20 || b == 0x7F) {
            hex(b);
        } else if (b == 0xC2 && i + 1 < in.size() && static_cast<unsigned char>(in[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(in[i + 1]) <= 0x9F) {
            hex(static_cast<unsigned char>(in[++i])); // C1 controls, U+0080 to U+009F
        } else {
            out += in[i];
        }
    }
    return out;
}

std::string displayText(std::string_view ansi) { return escapeControls(ansiToUtf8(ansi)); }

std::string ansiToUtf8(std::string_view ansi)
{
    if (ansi.empty())
        return {};
#ifdef _WIN32
    int cp = codePage();
    int n = MultiByteToWideChar(cp, 0, ansi.data(), int(ansi.size()), nullptr, 0);
    if (n <= 0) {
        // A code page this system cannot convert: ASCII stays, everything
        // else is U+FFFD, as on POSIX; the name is never lost as a whole.
        std::string out;
        for (const char c : ansi)
            out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string("\xEF\xBF\xBD");
        return out;
    }
    std::wstring w(n, L'\0');
    MultiByteToWideChar(cp, 0, ansi.data(), int(ansi.size()), w.data(), n);
    int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(m, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
    return validUtf8(out);
#else
    auto r = convert("UTF-8", iconvName(codePage()), ansi, "\xEF\xBF\xBD");
    // A code page iconv does not know (start-up refuses those, but a test or a
    // later setCodePage may set one): ASCII stays, everything else is U+FFFD.
    return validUtf8(r ? *r : std::string(ansi));
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
