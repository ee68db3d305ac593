#pragma once
// The two layouts of the device parameter record, with the offsets that the
// worker and the simulator use most, taken from the field table. The first 64
// bytes are common; from offset 64 on, the short layout is the long one
// without a few fields, so the same field sits lower.
#include <cstddef>
#include <cstdint>

#include "params/SysParaFields.h"
#include "util/Bytes.h"

namespace aulira {

inline constexpr std::size_t kSysParaBufferSize = 436; // the program always holds the long size
inline constexpr std::size_t kSysParaTextWidth = 16;   // name, user name, password
inline constexpr std::size_t kSysParaVersionWidth = 52;
inline constexpr std::size_t kSysParaMacChangeExtra = 12; // old MAC and six more bytes behind the record
inline constexpr char kSysParaLastShortVersion[] = "V1.0.7"; // versions sorting up to this use 392 bytes

struct SysParaLayout {
    std::size_t size;
    std::size_t version;     // NUL-terminated text, kSysParaVersionWidth bytes
    std::size_t mac;         // u8[6]
    std::size_t devNo;       // i32
    std::size_t devName;     // text
    std::size_t userName;    // text
    std::size_t password;    // text
    std::size_t dhcp;        // flag byte
    std::size_t ip;          // address, network order
    std::size_t mask;
    std::size_t gateway;
    std::size_t autoDns;     // flag byte
    std::size_t dns1;
    std::size_t dns2;
    std::size_t serverPort;  // u16
    std::size_t serverIp;
    std::size_t altServerIp;
    std::size_t groupNos;    // u8[8]
};

constexpr SysParaLayout layoutFromFields(bool ext)
{
    auto at = [ext](std::string_view name) { return sysParaOffset(name, ext); };
    return SysParaLayout{.size = ext ? std::size_t{436} : std::size_t{392},
                         .version = at("firmware"),
                         .mac = at("mac"),
                         .devNo = at("deviceNo"),
                         .devName = at("deviceName"),
                         .userName = at("userName"),
                         .password = at("password"),
                         .dhcp = at("dhcp"),
                         .ip = at("ip"),
                         .mask = at("mask"),
                         .gateway = at("gateway"),
                         .autoDns = at("autoDns"),
                         .dns1 = at("dns1"),
                         .dns2 = at("dns2"),
                         .serverPort = at("serverPort"),
                         .serverIp = at("serverIp"),
                         .altServerIp = at("altServerIp"),
                         .groupNos = at("groups")};
}

inline constexpr SysParaLayout kLayout436 = layoutFromFields(true);
inline constexpr SysParaLayout kLayout392 = layoutFromFields(false);

// A paraExt nonzero selects the long layout.
constexpr const SysParaLayout& sysParaLayout(bool ext) { return ext ? kLayout436 : kLayout392; }

// The layout flag a freshly read record asks for: -1 (436 bytes) when its
// firmware version text sorts after "V1.0.7" byte by byte, else 0 (392 bytes).
// The comparison is textual on purpose: the firmware that introduced the long
// record numbered itself that way, so "V1.0.10" still means the short one.
inline std::int32_t paraExtFromVersion(ConstBytes record)
{
    std::uint8_t ref[kSysParaVersionWidth]{};
    for (std::size_t i = 0; kSysParaLastShortVersion[i] != '\0'; ++i)
        ref[i] = static_cast<std::uint8_t>(kSysParaLastShortVersion[i]);
    const std::uint8_t* v = record.data() + kLayout436.version;
    for (std::size_t i = 0; i < kSysParaVersionWidth; ++i) {
        if (v[i] != ref[i])
            return v[i] > ref[i] ? -1 : 0;
        if (v[i] == 0)
            break;
    }
    return 0;
}

static_assert(kLayout436.size == kSysParaBufferSize);
static_assert(kLayout392.size == kLayout436.size - 44);
static_assert(kLayout436.version + kSysParaVersionWidth == kLayout436.mac);
static_assert(kLayout392.version + kSysParaVersionWidth == kLayout392.mac);
// The short layout drops the 4 bytes at 64..67 ahead of the device number.
static_assert(kLayout436.devNo - kLayout392.devNo == 4);
static_assert(kLayout436.groupNos - kLayout392.groupNos == 4);
static_assert(kLayout436.devName + kSysParaTextWidth == kLayout436.userName);
static_assert(kLayout436.userName + kSysParaTextWidth == kLayout436.password);
static_assert(kLayout436.password + kSysParaTextWidth == kLayout436.dhcp);
static_assert(kLayout392.password + kSysParaTextWidth == kLayout392.dhcp);
static_assert(kLayout436.groupNos + 8 <= kLayout436.size && kLayout392.groupNos + 8 <= kLayout392.size);

} // namespace aulira
