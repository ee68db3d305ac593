#pragma once
// The 224-byte identity and status record a device sends in reply to a search,
// stored byte for byte in the device list file. Bytes the program does not
// interpret stay as received.
#include <array>
#include <cstdint>
#include <string>

#include "util/Bytes.h"

namespace aulira {

namespace devinfo {
inline constexpr std::size_t size = 224;
inline constexpr std::size_t typeCode = 0;
inline constexpr std::size_t devNo = 4;
inline constexpr std::size_t firmwareVersion = 8;  // char[16]
inline constexpr std::size_t devName = 24;         // char[32]
inline constexpr std::size_t modelText = 56;       // char[16]
inline constexpr std::size_t typeText = 59;        // inside modelText
inline constexpr std::size_t mac = 72;             // u8[6]
inline constexpr std::size_t ip = 80;
inline constexpr std::size_t mask = 84;
inline constexpr std::size_t gateway = 88;
inline constexpr std::size_t serverIp = 92;
inline constexpr std::size_t altServerIp = 96;
inline constexpr std::size_t dns1 = 104;
inline constexpr std::size_t dns2 = 108;
inline constexpr std::size_t workState = 116;      // u16
inline constexpr std::size_t groupNos = 118;       // u8[8]
inline constexpr std::size_t modelName = 208;      // char[16]
static_assert(modelName + 16 == size);
static_assert(groupNos + 8 + 82 == modelName);
} // namespace devinfo

struct DeviceInfo_Type {
    std::array<std::uint8_t, devinfo::size> raw{};

    // Zero-filled record with at most 224 payload bytes copied in.
    static DeviceInfo_Type fromPayload(ConstBytes payload);

    Bytes bytes() { return raw; }
    ConstBytes bytes() const { return raw; }

    std::int32_t typeCode() const { return readI32(raw, devinfo::typeCode); }
    void setTypeCode(std::int32_t v) { writeI32(raw, devinfo::typeCode, v); }
    std::int32_t devNo() const { return readI32(raw, devinfo::devNo); }
    void setDevNo(std::int32_t v) { writeI32(raw, devinfo::devNo, v); }

    // Texts are bytes in the workstation's ANSI code page.
    std::string firmwareVersion() const { return readFixedText(raw, devinfo::firmwareVersion, 16); }
    void setFirmwareVersion(std::string_view t) { writeFixedText(raw, devinfo::firmwareVersion, 16, t); }
    std::string devName() const { return readFixedText(raw, devinfo::devName, 32); }
    void setDevName(std::string_view t) { writeFixedText(raw, devinfo::devName, 32, t); }
    std::string modelText() const { return readFixedText(raw, devinfo::modelText, 16); }
    void setModelText(std::string_view t) { writeFixedText(raw, devinfo::modelText, 16, t); }
    std::string typeText() const { return readFixedText(raw, devinfo::typeText, 13); }
    std::string modelName() const { return readFixedText(raw, devinfo::modelName, 16); }
    void setModelName(std::string_view t) { writeFixedText(raw, devinfo::modelName, 16, t); }
    // "Device Type" column, one text per model so a filter finds a whole
    // family: the model name the device reports; without one, the family its
    // model text names ("KS-530D": "Call Station"), else the model text.
    std::string deviceType() const;

    const std::uint8_t* mac() const { return raw.data() + devinfo::mac; }
    void setMac(const std::uint8_t* m);
    std::string macText() const;
    bool macIsZero() const;

    std::uint32_t ip() const { return readIp(raw, devinfo::ip); }
    void setIp(std::uint32_t v) { writeIp(raw, devinfo::ip, v); }
    std::uint32_t mask() const { return readIp(raw, devinfo::mask); }
    void setMask(std::uint32_t v) { writeIp(raw, devinfo::mask, v); }
    std::uint32_t gateway() const { return readIp(raw, devinfo::gateway); }
    void setGateway(std::uint32_t v) { writeIp(raw, devinfo::gateway, v); }
    std::uint32_t serverIp() const { return readIp(raw, devinfo::serverIp); }
    void setServerIp(std::uint32_t v) { writeIp(raw, devinfo::serverIp, v); }
    std::uint32_t altServerIp() const { return readIp(raw, devinfo::altServerIp); }
    void setAltServerIp(std::uint32_t v) { writeIp(raw, devinfo::altServerIp, v); }
    std::uint32_t dns1() const { return readIp(raw, devinfo::dns1); }
    void setDns1(std::uint32_t v) { writeIp(raw, devinfo::dns1, v); }
    std::uint32_t dns2() const { return readIp(raw, devinfo::dns2); }
    void setDns2(std::uint32_t v) { writeIp(raw, devinfo::dns2, v); }
    std::uint16_t workState() const { return readU16(raw, devinfo::workState); }
    void setWorkState(std::uint16_t v) { writeU16(raw, devinfo::workState, v); }
    std::uint8_t groupNo(int i) const { return raw[devinfo::groupNos + static_cast<std::size_t>(i)]; }
    void setGroupNo(int i, std::uint8_t v) { raw[devinfo::groupNos + static_cast<std::size_t>(i)] = v; }
};

// Activity text of a workState word ("Offline", "Idle", ...); words above 7
// read "Unknown(N)".
std::string workStateText(std::uint16_t workState);

} // namespace aulira
