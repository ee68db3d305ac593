#include "protocol/Packet.h"

#include "shell/Translate.h"

namespace aulira {

const char* commandName(std::uint16_t command)
{
    switch (command & kCommandMask) {
    case CMD_SEARCH: return "CMD_SEARCH";
    case CMD_READ_SYS_PARA: return "CMD_READ_SYS_PARA";
    case CMD_WRITE_SYS_PARA: return "CMD_WRITE_SYS_PARA";
    case CMD_APPLY_SYS_PARA: return "CMD_APPLY_SYS_PARA";
    case CMD_ADDR_BOOK: return "CMD_ADDR_BOOK";
    case CMD_SYNC_TIME: return "CMD_SYNC_TIME";
    case CMD_ENTER_BOOT: return "CMD_ENTER_BOOT";
    case CMD_UPGRADE_PACKET: return "CMD_UPGRADE_PACKET";
    case CMD_SCREEN_STATUS: return "CMD_SCREEN_STATUS";
    case CMD_SCREEN_ENTER_APP: return "CMD_SCREEN_ENTER_APP";
    case CMD_SCREEN_START: return "CMD_SCREEN_START";
    case CMD_SCREEN_END: return "CMD_SCREEN_END";
    case CMD_SCREEN_WRITE_BUFFER: return "CMD_SCREEN_WRITE_BUFFER";
    case CMD_SCREEN_WRITE_FLASH: return "CMD_SCREEN_WRITE_FLASH";
    default: return "unknown";
    }
}

const char* resultName(int result)
{
    switch (result) {
    case RES_OK: return "RES_OK";
    case RES_SOCKET_FAIL: return "RES_SOCKET_FAIL";
    case RES_SEND_FAIL: return "RES_SEND_FAIL";
    case RES_RECV_TIMEOUT: return "RES_RECV_TIMEOUT";
    case RES_NO_REPLY: return "RES_NO_REPLY";
    case RES_NO_RECORD: return "RES_NO_RECORD";
    case RES_SHORT_RECORD: return "RES_SHORT_RECORD";
    case RES_NOT_CONFIRMED: return "RES_NOT_CONFIRMED";
    case RES_NO_BACKUP: return "RES_NO_BACKUP";
    case RES_NOT_TAKEN: return "RES_NOT_TAKEN";
    default: return "unknown";
    }
}

std::string exchangeResultText(int result)
{
    switch (result) {
    case RES_SOCKET_FAIL:
        return translate("aulira::Results", "no socket could be opened");
    case RES_SEND_FAIL:
        return translate("aulira::Results", "the request could not be sent");
    case RES_RECV_TIMEOUT:
        return translate("aulira::Results", "the device did not answer");
    case RES_NO_REPLY:
        return translate("aulira::Results", "no valid answer came from the device");
    case RES_NO_RECORD:
        return translate("aulira::Results", "no parameters were read from the device");
    case RES_SHORT_RECORD:
        return translate(
            "aulira::Results",
            "the device answered with a parameter record shorter than its layout; nothing was taken from it");
    case RES_NOT_CONFIRMED:
        return translate("aulira::Results", "written but not confirmed");
    case RES_NO_BACKUP:
        return translate("aulira::Results", "the parameters as read could not be backed up, so nothing was written");
    case RES_NOT_TAKEN:
        return translate("aulira::Results", "the device did not take the written parameters");
    default:
        return "result " + std::to_string(result);
    }
}

PacketHeader PacketHeader::read(ConstBytes b)
{
    PacketHeader h;
    for (std::size_t i = 0; i < 4; ++i)
        h.magic[i] = b[hdr::magic + i];
    h.command = readU16(b, hdr::command);
    h.packetCount = readU16(b, hdr::packetCount);
    h.packetNo = readU16(b, hdr::packetNo);
    h.length = readU16(b, hdr::length);
    h.hdrFlag = readU16(b, hdr::hdrFlag);
    h.pollMark = readU16(b, hdr::pollMark);
    h.targetIp = readIp(b, hdr::targetIp);
    return h;
}

void PacketHeader::write(Bytes b) const
{
    for (std::size_t i = 0; i < 4; ++i)
        b[hdr::magic + i] = magic[i];
    writeU16(b, hdr::command, command);
    writeU16(b, hdr::packetCount, packetCount);
    writeU16(b, hdr::packetNo, packetNo);
    writeU16(b, hdr::length, length);
    writeU16(b, hdr::hdrFlag, hdrFlag);
    writeU16(b, hdr::pollMark, pollMark);
    writeIp(b, hdr::targetIp, targetIp);
}

std::uint16_t PacketSum(ConstBytes bytes)
{
    std::uint32_t sum = 0;
    for (std::uint8_t v : bytes)
        sum += v;
    return static_cast<std::uint16_t>(sum);
}

bool PacketChecksumOk(ConstBytes d)
{
    if (d.size() < kHeaderSize + kChecksumSize)
        return false;
    const std::size_t length = readU16(d, hdr::length);
    if (kHeaderSize + length + kChecksumSize > d.size())
        return false;
    return PacketSum(d.first(kHeaderSize + length)) == readU16(d, kHeaderSize + length);
}

Packet Packet::request(std::uint16_t command, std::uint16_t length, std::uint16_t pollMark,
                       std::uint16_t packetCount, std::uint16_t packetNo)
{
    Packet p;
    PacketHeader h;
    h.command = command;
    h.length = length;
    h.pollMark = pollMark;
    h.packetCount = packetCount;
    h.packetNo = packetNo;
    h.hdrFlag = 1;
    p.setHeader(h);
    return p;
}

ConstBytes Packet::payload() const
{
    std::size_t n = length();
    if (n > kMaxPayload)
        n = kMaxPayload;
    return ConstBytes(buf_).subspan(kHeaderSize, n);
}

std::size_t Packet::seal(std::uint32_t targetIp)
{
    setTargetIp(targetIp);
    std::uint16_t len = length();
    if (len > kMaxPayload)
        len = kMaxPayload; // never checksum or send past the buffer
    if (len & 1)
        ++len;
    setLength(len);
    const std::uint16_t sum = PacketSum(ConstBytes(buf_).first(kHeaderSize + len));
    writeU16(buf_, kHeaderSize + len, sum);
    return kHeaderSize + len + kChecksumSize;
}

} // namespace aulira
