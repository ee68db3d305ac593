#include "util/Ipv4.h"

#include <cstdio>

#include "shell/TextCodec.h"

namespace aulira {

std::string formatIp(std::uint32_t ip)
{
    char buf[20];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ip & 0xFF, (ip >> 8) & 0xFF, (ip >> 16) & 0xFF, ip >> 24);
    return buf;
}

std::string deviceTag(std::string_view name, std::uint32_t ip)
{
    // Tags go to the terminal and the log: a name's control characters are shown escaped.
    std::string out = escapeControls(name);
    out += '(';
    out += formatIp(ip);
    out += ')';
    return out;
}

std::optional<std::uint32_t> parseIp(std::string_view text)
{
    std::uint32_t result = 0;
    int part = 0;
    std::size_t i = 0;
    while (part < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return std::nullopt;
        unsigned value = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
            if (++digits > 3 || value > 255)
                return std::nullopt;
            ++i;
        }
        result |= value << (8 * part);
        ++part;
        if (part < 4) {
            if (i >= text.size() || text[i] != '.')
                return std::nullopt;
            ++i;
        }
    }
    if (i != text.size())
        return std::nullopt;
    return result;
}

std::uint32_t ipToHostOrder(std::uint32_t s)
{
    return ((s & 0xFF) << 24) | ((s & 0xFF00) << 8) | ((s >> 8) & 0xFF00) | (s >> 24);
}

std::uint32_t ipFromHostOrder(std::uint32_t h) { return ipToHostOrder(h); }

bool isContiguousMask(std::uint32_t storedMask)
{
    const std::uint32_t m = ipToHostOrder(storedMask);
    // Ones then zeros: the inverse plus one is a power of two.
    return m != 0 && ((~m + 1) & ~m) == 0;
}

bool isGroupAddress(std::uint32_t storedIp) { return (ipToHostOrder(storedIp) >> 28) >= 0xE; }

bool isHostAddress(std::uint32_t storedIp, std::uint32_t storedMask)
{
    const std::uint32_t a = ipToHostOrder(storedIp);
    if ((a >> 24) == 0 || isGroupAddress(storedIp))
        return false;
    const std::uint32_t m = ipToHostOrder(storedMask);
    if (isContiguousMask(storedMask) && ~m > 1u) {
        const std::uint32_t host = a & ~m;
        if (host == 0 || host == ~m)
            return false;
    }
    return true;
}

std::string formatMac(const std::uint8_t* m)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%.2x:%.2x:%.2x:%.2x:%.2x:%.2x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return buf;
}

bool parseMac(std::string_view text, std::uint8_t out[6])
{
    if (text.size() != 17)
        return false;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    const char sep = text[2];
    if (sep != ':' && sep != '-')
        return false;
    std::uint8_t tmp[6];
    for (int k = 0; k < 6; ++k) {
        int hi = hex(text[k * 3]), lo = hex(text[k * 3 + 1]);
        if (hi < 0 || lo < 0)
            return false;
        if (k < 5 && text[k * 3 + 2] != sep)
            return false;
        tmp[k] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    for (int k = 0; k < 6; ++k)
        out[k] = tmp[k];
    return true;
}

} // namespace aulira
