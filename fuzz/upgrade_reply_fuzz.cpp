// Fuzz target for the replies an upgrade waits for: whatever datagram comes
// back, it is taken as the answer to a request only when it is whole, names
// the request's command and carries the request's packet number (or 0), so a
// stray or repeated reply never stands in for a packet the device has not got.
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
        FUZZ_CHECK(reply.packetNo() == 0 || reply.packetNo() == k);
        // The verdict on a header is read from the reply's own header.
        FUZZ_CHECK(reply.pollMark() == readU16(reply.bytes(), hdr::pollMark));
    }
    // A reply for another packet never matches.
    if (n >= kHeaderSize) {
        Packet other = reply;
        const std::uint16_t no = reply.packetNo();
        if (no != 0 && no != k)
            FUZZ_CHECK(!OnSocketReplyMatches(request, other));
    }
    return 0;
}
