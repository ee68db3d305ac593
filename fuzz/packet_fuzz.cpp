// Fuzz target for everything that reads a datagram off the wire: checksum
// validation, the header reader, the packet buffer and the merge of a search
// reply into the device list. Any datagram must be handled without a crash or
// a read outside the bytes received, and the properties below must hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzCheck.h"
#include "devices/DeviceList.h"
#include "protocol/Packet.h"

using namespace aulira;

namespace {

void checkHeaderRoundTrip(ConstBytes d)
{
    if (d.size() < kHeaderSize)
        return;
    const PacketHeader h = PacketHeader::read(d.first(kHeaderSize));
    std::uint8_t again[kHeaderSize] = {};
    h.write(Bytes(again, sizeof again));
    // Every header bit survives read and write: nothing is masked or reordered.
    FUZZ_CHECK(std::memcmp(again, d.data(), kHeaderSize) == 0);
    FUZZ_CHECK(h.magicOk() == (std::memcmp(d.data(), "KPUC", 4) == 0));
}

void checkValidity(ConstBytes d)
{
    const bool ok = PacketChecksumOk(d);
    if (ok) {
        // Valid means the whole declared packet is there.
        FUZZ_CHECK(d.size() >= kHeaderSize + readU16(d, hdr::length) + kChecksumSize);
    }
    if (d.size() < kPacketBufferSize) {
        // Bytes behind the checksum never change the verdict of a valid packet.
        std::uint8_t longer[kPacketBufferSize + 8];
        std::memcpy(longer, d.data(), d.size());
        std::memset(longer + d.size(), 0xA5, sizeof longer - d.size());
        if (ok)
            FUZZ_CHECK(PacketChecksumOk(ConstBytes(longer, sizeof longer)));
    }
}

void checkPacketBuffer(ConstBytes d)
{
    // As a receive leaves it: the datagram at the start of a cleared buffer.
    Packet p;
    const std::size_t n = std::min(d.size(), kPacketBufferSize);
    std::copy_n(d.begin(), n, p.bytes().begin());
    p.received = n;

    Packet copy = p;
    const ConstBytes pl = copy.payload();
    FUZZ_CHECK(pl.size() <= kMaxPayload);
    FUZZ_CHECK(pl.size() <= copy.length());
    FUZZ_CHECK(pl.data() == copy.bytes().data() + kHeaderSize);
    FUZZ_CHECK(pl.data() + pl.size() <= copy.bytes().data() + kPacketBufferSize);
    // Touch every payload byte, so an address sanitizer sees any overrun.
    const std::uint16_t sum = PacketSum(pl);
    (void)sum;

    FUZZ_CHECK(copy.received == n);
    FUZZ_CHECK(std::equal(copy.bytes().begin(), copy.bytes().end(), p.bytes().begin()));

    // Sealing whatever the header claims must give a packet its receiver accepts,
    // with an even length that fits the buffer, and must keep the command.
    const std::uint16_t command = copy.command();
    const std::size_t size = copy.seal(0x0100007Fu);
    FUZZ_CHECK(size <= kPacketBufferSize);
    FUZZ_CHECK(size == kHeaderSize + copy.length() + kChecksumSize);
    FUZZ_CHECK(copy.length() % 2 == 0);
    FUZZ_CHECK(copy.command() == command);
    FUZZ_CHECK(copy.targetIp() == 0x0100007Fu);
    FUZZ_CHECK(PacketChecksumOk(copy.bytes().first(size)));
}

void checkSearchReplyMerge(ConstBytes d)
{
    DeviceList list([](std::uint32_t, std::uint32_t) { return true; });
    const int first = list.mergeSearchReply("127.0.0.1", d);
    FUZZ_CHECK(first == 0 || first == 1);
    FUZZ_CHECK(first == (PacketChecksumOk(d) ? 1 : 0));
    FUZZ_CHECK(list.size() == static_cast<std::size_t>(first));
    // The same device answering again is not new.
    FUZZ_CHECK(list.mergeSearchReply("127.0.0.1", d) == 0);
    FUZZ_CHECK(list.size() == static_cast<std::size_t>(first));
    if (first == 1) {
        const auto item = list.snapshot().front();
        FUZZ_CHECK(item->state == STATE_FOUND);
        FUZZ_CHECK(item->searchOnly == 1);
        FUZZ_CHECK(item->ip == item->devItem.ip());
        const auto texts = deviceColumns(*item);
        FUZZ_CHECK(texts.size() == static_cast<std::size_t>(kDeviceColumnCount));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes d(data, size);
    checkHeaderRoundTrip(d);
    checkValidity(d);
    checkPacketBuffer(d);
    checkSearchReplyMerge(d);
    return 0;
}
