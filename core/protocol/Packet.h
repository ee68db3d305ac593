#pragma once
// The device datagram: a 20-byte header, `length` payload bytes and a 16-bit
// checksum behind the payload. Header integers are little-endian, except
// targetIp, which holds the device address in network order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "util/Bytes.h"

namespace aulira {

enum Command : std::uint16_t {
    CMD_SEARCH = 0x0201,
    CMD_READ_SYS_PARA = 0x0202,
    CMD_WRITE_SYS_PARA = 0x0203,
    CMD_APPLY_SYS_PARA = 0x0204,
    CMD_ADDR_BOOK = 0x0207,
    CMD_SYNC_TIME = 0x060B,
    CMD_ENTER_BOOT = 0x5901,
    CMD_UPGRADE_PACKET = 0x5903,
    CMD_SCREEN_STATUS = 0x5A01,
    CMD_SCREEN_ENTER_APP = 0x5A03,
    CMD_SCREEN_START = 0x5A04,
    CMD_SCREEN_END = 0x5A05,
    CMD_SCREEN_WRITE_BUFFER = 0x5A06,
    CMD_SCREEN_WRITE_FLASH = 0x5A07,
};

// Result codes of the exchange routines and of the jobs built on them.
enum Result : int {
    RES_OK = 0,
    RES_SOCKET_FAIL = -1,
    RES_SEND_FAIL = -2,
    RES_RECV_TIMEOUT = -3,
    RES_NO_REPLY = -4,
    RES_NO_RECORD = -5, // a write was asked for a device whose parameters were never read
    RES_SHORT_RECORD = -6,  // a read reply held less than the record its version claims
    RES_NOT_CONFIRMED = -7, // written and applied, but the record read back is not what was written
    RES_NO_BACKUP = -8,     // the record as read could not be kept, so nothing was written
    RES_NOT_TAKEN = -10,    // written and applied, repeated, but the device still answers without it
};

const char* commandName(std::uint16_t command);
const char* resultName(int result);
// What a failed job means to the person who asked for it ("the device did not answer").
std::string exchangeResultText(int result);

inline constexpr std::size_t kHeaderSize = 20;
inline constexpr std::size_t kChecksumSize = 2;
inline constexpr std::size_t kPacketBufferSize = 1500;
inline constexpr std::size_t kMaxPayload = kPacketBufferSize - kHeaderSize - kChecksumSize; // 1478
inline constexpr std::uint16_t kCommandMask = 0x7FFF;
inline constexpr std::uint16_t kPollMark = 0x55AA;
inline constexpr std::uint32_t kBroadcastTarget = 0xFFFFFFFFu;

// Field offsets inside the header.
namespace hdr {
inline constexpr std::size_t magic = 0;
inline constexpr std::size_t command = 4;
inline constexpr std::size_t packetCount = 6;
inline constexpr std::size_t packetNo = 8;
inline constexpr std::size_t length = 10;
inline constexpr std::size_t hdrFlag = 12;
inline constexpr std::size_t pollMark = 14;
inline constexpr std::size_t targetIp = 16;
static_assert(targetIp + 4 == kHeaderSize);
} // namespace hdr

struct PacketHeader {
    std::array<std::uint8_t, 4> magic{'K', 'P', 'U', 'C'};
    std::uint16_t command = 0;
    std::uint16_t packetCount = 1;
    std::uint16_t packetNo = 0;
    std::uint16_t length = 0;
    std::uint16_t hdrFlag = 1;
    std::uint16_t pollMark = 0;
    std::uint32_t targetIp = 0;

    static PacketHeader read(ConstBytes bytes); // needs at least kHeaderSize bytes
    void write(Bytes bytes) const;
    bool magicOk() const { return magic == std::array<std::uint8_t, 4>{'K', 'P', 'U', 'C'}; }
};

// Sum of the bytes modulo 65536.
std::uint16_t PacketSum(ConstBytes bytes);

// A received datagram is valid when it holds a whole header, its `length`
// payload bytes and the checksum behind them, and the checksum matches.
bool PacketChecksumOk(ConstBytes datagram);

// A request or reply in a buffer of kPacketBufferSize bytes.
class Packet {
public:
    Packet() { buf_.fill(0); }

    // A single-packet request: magic, command, hdrFlag 1, the given counts.
    static Packet request(std::uint16_t command, std::uint16_t length = 0, std::uint16_t pollMark = 0,
                          std::uint16_t packetCount = 1, std::uint16_t packetNo = 0);

    Bytes bytes() { return buf_; }
    ConstBytes bytes() const { return buf_; }

    PacketHeader header() const { return PacketHeader::read(buf_); }
    void setHeader(const PacketHeader& h) { h.write(buf_); }

    std::uint16_t command() const { return readU16(buf_, hdr::command); }
    void setCommand(std::uint16_t v) { writeU16(buf_, hdr::command, v); }
    std::uint16_t packetCount() const { return readU16(buf_, hdr::packetCount); }
    std::uint16_t packetNo() const { return readU16(buf_, hdr::packetNo); }
    std::uint16_t length() const { return readU16(buf_, hdr::length); }
    void setLength(std::uint16_t v) { writeU16(buf_, hdr::length, v); }
    std::uint16_t pollMark() const { return readU16(buf_, hdr::pollMark); }
    void setPollMark(std::uint16_t v) { writeU16(buf_, hdr::pollMark, v); }
    std::uint32_t targetIp() const { return readIp(buf_, hdr::targetIp); }
    void setTargetIp(std::uint32_t ip) { writeIp(buf_, hdr::targetIp, ip); }

    // Room for the payload (everything behind the header but the checksum).
    Bytes payloadArea() { return Bytes(buf_).subspan(kHeaderSize, kMaxPayload); }
    // The payload as the header's `length` declares it, bounded by the buffer.
    ConstBytes payload() const;

    // Sets targetIp, pads an odd `length` to even (kept in the header) and
    // stores the checksum. Returns the number of bytes to send.
    std::size_t seal(std::uint32_t targetIp);

    // Bytes received into this buffer by the last receive.
    std::size_t received = 0;

private:
    std::array<std::uint8_t, kPacketBufferSize> buf_;
};

} // namespace aulira
