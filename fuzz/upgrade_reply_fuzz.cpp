// Fuzz target for the replies an upgrade waits for: whatever datagram comes
// back, it is taken as the answer to a request only when it is whole and names
// the request's command; its packet number is the device's own business.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "protocol/Exchange.h"
#include "protocol/Packet.h"

using namespace aulira;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the request: the header (packet 0) or data packet k.
    const std::uint16_t k = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    const std::uint16_t count = std::max<std::uint16_t>(k, 1);
    Packet request = Packet::request(CMD_UPGRADE_PACKET, 2, 0, count, k);
    request.seal(0x0100007Fu);

    Packet reply;
    const std::size_t n = std::min(size - 2, kPacketBufferSize);
    std::copy_n(data + 2, n, reply.bytes().begin());
    reply.received = n;

    if (OnSocketReplyMatches(request, reply)) {
        FUZZ_CHECK(PacketChecksumOk(reply.bytes().first(reply.received)));
        FUZZ_CHECK((reply.command() & kCommandMask) == CMD_UPGRADE_PACKET);
        // The verdict on a header is read from the reply's own header.
        FUZZ_CHECK(reply.pollMark() == readU16(reply.bytes(), hdr::pollMark));
    }
    // Whatever number a device puts in its reply, the judgement is the same.
    if (n >= kHeaderSize) {
        Packet renumbered = reply;
        writeU16(renumbered.bytes(), hdr::packetNo, static_cast<std::uint16_t>(reply.packetNo() + 1));
        const std::size_t len = readU16(renumbered.bytes(), hdr::length);
        if (kHeaderSize + len + 2 <= n) {
            // Keep the checksum whole: move the sum by the number's bytes.
            const std::uint16_t sum = readU16(renumbered.bytes(), kHeaderSize + len);
            writeU16(renumbered.bytes(), kHeaderSize + len,
                     static_cast<std::uint16_t>(sum - (reply.packetNo() & 0xFF) - (reply.packetNo() >> 8) +
                                                (renumbered.packetNo() & 0xFF) + (renumbered.packetNo() >> 8)));
            FUZZ_CHECK(OnSocketReplyMatches(request, reply) == OnSocketReplyMatches(request, renumbered));
        }
    }
    return 0;
}
