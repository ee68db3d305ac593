#pragma once
// Where the fields of the device parameter record sit in its two layouts.
// The first 64 bytes are common; from offset 64 on, the short layout is the
// long one without a few fields, so the same field sits lower.
#include <cstddef>
#include <cstdint>

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

inline constexpr SysParaLayout kLayout436{
    .size = 436, .version = 4, .mac = 56, .devNo = 68, .devName = 72, .userName = 88, .password = 104,
    .dhcp = 120, .ip = 124, .mask = 128, .gateway = 132, .autoDns = 136, .dns1 = 140, .dns2 = 144,
    .serverPort = 148, .serverIp = 152, .altServerIp = 156, .groupNos = 160};

inline constexpr SysParaLayout kLayout392{
    .size = 392, .version = 4, .mac = 56, .devNo = 64, .devName = 68, .userName = 84, .password = 100,
    .dhcp = 116, .ip = 120, .mask = 124, .gateway = 128, .autoDns = 132, .dns1 = 136, .dns2 = 140,
    .serverPort = 144, .serverIp = 148, .altServerIp = 152, .groupNos = 156};

// bParaExt nonzero selects the long layout.
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
