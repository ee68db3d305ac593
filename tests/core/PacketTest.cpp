#include <gtest/gtest.h>

#include "protocol/Discovery.h"
#include "protocol/Packet.h"

using namespace aulira;

TEST(Packet, SearchRequestIsTheKnown22Bytes)
{
    std::uint8_t req[22];
    buildSearchRequest(Bytes(req, sizeof req));
    const std::uint8_t expected[22] = {0x4b, 0x50, 0x55, 0x43, 0x01, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00,
                                       0x00, 0x01, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff, 0x34, 0x05};
    EXPECT_EQ(0, std::memcmp(req, expected, 22));
    EXPECT_TRUE(PacketChecksumOk(ConstBytes(req, 22)));

    // The same bytes come from a sealed request.
    Packet p = Packet::request(CMD_SEARCH);
    ASSERT_EQ(22u, p.seal(kBroadcastTarget));
    EXPECT_EQ(0, std::memcmp(p.bytes().data(), expected, 22));
}

TEST(Packet, OddLengthIsPaddedAndKeptInTheRequest)
{
    Packet p = Packet::request(CMD_UPGRADE_PACKET, 1, 0, 1, 1);
    p.payloadArea()[0] = 0xAB;
    p.payloadArea()[1] = 0x77; // a stale byte behind the payload ends up covered by the checksum
    const std::size_t size = p.seal(0x0100007F);
    EXPECT_EQ(2, p.length());
    EXPECT_EQ(24u, size);
    EXPECT_EQ(PacketSum(p.bytes().first(22)), readU16(p.bytes(), 22));
    EXPECT_TRUE(PacketChecksumOk(p.bytes().first(size)));
    EXPECT_EQ(0x0100007Fu, p.targetIp());
    // targetIp travels in network order: 127.0.0.1 is 7f 00 00 01.
    EXPECT_EQ(0x7F, p.bytes()[16]);
    EXPECT_EQ(0x01, p.bytes()[19]);
}

TEST(Packet, ChecksumValidationRejectsShortAndOverlongDatagrams)
{
    Packet p = Packet::request(CMD_READ_SYS_PARA, 6);
    const std::size_t size = p.seal(1);
    ConstBytes whole = p.bytes().first(size);
    EXPECT_TRUE(PacketChecksumOk(whole));
    // Every shorter cut is invalid: the header, the payload or the checksum is missing.
    for (std::size_t n = 0; n < size; ++n)
        EXPECT_FALSE(PacketChecksumOk(whole.first(n))) << n;
    // Extra bytes behind the checksum do not matter.
    EXPECT_TRUE(PacketChecksumOk(p.bytes().first(size + 10)));

    // A length field that runs past the bytes received.
    Packet q = p;
    q.setLength(1400);
    EXPECT_FALSE(PacketChecksumOk(q.bytes().first(size)));

    // A wrong checksum.
    Packet r = p;
    r.bytes()[size - 1] ^= 0x01;
    EXPECT_FALSE(PacketChecksumOk(r.bytes().first(size)));
}

TEST(Packet, ChecksumUsesTheReceivedLengthUnrounded)
{
    // A device may send an odd length; the sum covers exactly 20 + length bytes.
    Packet p = Packet::request(CMD_SEARCH, 3);
    p.payloadArea()[0] = 1;
    p.payloadArea()[1] = 2;
    p.payloadArea()[2] = 3;
    writeU16(p.bytes(), 23, PacketSum(p.bytes().first(23)));
    EXPECT_TRUE(PacketChecksumOk(p.bytes().first(25)));
}

// The header's bytes on the wire are pinned by the byte-exact requests above
// and in TimeSyncTest; here the payload's bound.
TEST(Packet, ALengthBeyondTheBufferIsBoundedNeverReadPastIt)
{
    Packet p = Packet::request(CMD_ADDR_BOOK, 518);
    EXPECT_EQ(518u, p.payload().size());
    p.setLength(0xFFFF);
    EXPECT_EQ(kMaxPayload, p.payload().size());
    EXPECT_EQ(kPacketBufferSize, p.seal(1));
}
