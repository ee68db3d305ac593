#pragma once
// Little-endian readers and writers over byte spans. Every wire and file record
// goes through these, never through a cast of a packed struct onto a buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace aulira {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

inline std::uint16_t readU16(ConstBytes b, std::size_t off)
{
    return static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8));
}

inline std::uint32_t readU32(ConstBytes b, std::size_t off)
{
    return static_cast<std::uint32_t>(b[off]) | (static_cast<std::uint32_t>(b[off + 1]) << 8) |
           (static_cast<std::uint32_t>(b[off + 2]) << 16) | (static_cast<std::uint32_t>(b[off + 3]) << 24);
}

inline std::int32_t readI32(ConstBytes b, std::size_t off)
{
    return static_cast<std::int32_t>(readU32(b, off));
}

inline void writeU16(Bytes b, std::size_t off, std::uint16_t v)
{
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeU32(Bytes b, std::size_t off, std::uint32_t v)
{
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
    b[off + 2] = static_cast<std::uint8_t>(v >> 16);
    b[off + 3] = static_cast<std::uint8_t>(v >> 24);
}

inline void writeI32(Bytes b, std::size_t off, std::int32_t v)
{
    writeU32(b, off, static_cast<std::uint32_t>(v));
}

// IPv4 addresses travel and are stored in network order: the first dotted
// octet is the byte at the lowest offset. In memory we keep them as a u32 whose
// least significant byte is that first octet, so comparisons "as stored" and
// the byte-wise display agree with the files and packets on every host.
inline std::uint32_t readIp(ConstBytes b, std::size_t off) { return readU32(b, off); }
inline void writeIp(Bytes b, std::size_t off, std::uint32_t ip) { writeU32(b, off, ip); }

// NUL-terminated text in a fixed field; never reads past the field.
inline std::string readFixedText(ConstBytes b, std::size_t off, std::size_t width)
{
    const auto* p = reinterpret_cast<const char*>(b.data() + off);
    std::size_t n = 0;
    while (n < width && p[n] != '\0')
        ++n;
    return std::string(p, n);
}

// Writes at most width-1 bytes and a terminator, zero-filling the rest.
inline void writeFixedText(Bytes b, std::size_t off, std::size_t width, std::string_view text)
{
    std::size_t n = text.size() < width ? text.size() : width - 1;
    std::memset(b.data() + off, 0, width);
    std::memcpy(b.data() + off, text.data(), n);
}

// Byte-wise comparison of NUL-terminated texts held in fixed fields, like strcmp
// but bounded by the field width.
inline int compareFixedText(ConstBytes a, ConstBytes b, std::size_t off, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i) {
        unsigned ca = a[off + i], cb = b[off + i];
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

} // namespace aulira
