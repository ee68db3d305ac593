#pragma once
// Talking to the simulated site the way the tool does, plus the raw socket
// work the exchange routines hide (several replies to one request).
#include <gtest/gtest.h>

#include <vector>

#include "protocol/Exchange.h"
#include "support/SimFixture.h"

namespace aulira::test {

struct RawReply {
    std::uint32_t fromIp = 0;
    std::vector<std::uint8_t> bytes;
    ConstBytes payload() const { return ConstBytes(bytes).subspan(kHeaderSize, readU16(bytes, hdr::length)); }
};

inline Packet requestWith(std::uint16_t command, ConstBytes payload, std::uint16_t pollMark = 0,
                          std::uint16_t packetCount = 1, std::uint16_t packetNo = 0)
{
    Packet p = Packet::request(command, static_cast<std::uint16_t>(payload.size()), pollMark, packetCount, packetNo);
    std::copy(payload.begin(), payload.end(), p.payloadArea().begin());
    return p;
}

// Sends one request from 127.0.0.1 and collects every reply until the line
// has been quiet for quietMs (or `expected` replies came).
inline std::vector<RawReply> sendAndCollect(Packet request, std::uint32_t to, std::uint32_t targetIp,
                                            std::size_t expected = 1000, int quietMs = 300)
{
    UdpSocket s;
    EXPECT_TRUE(s.open());
    EXPECT_TRUE(s.bind(std::string("127.0.0.1"), 0));
    s.setBroadcast(true);
    s.setReceiveBuffer(1 << 20);
    s.setReceiveTimeout(quietMs);
    const std::size_t n = request.seal(targetIp);
    EXPECT_GT(s.sendTo(request.bytes().first(n), to, protocolConfig().devicePort), 0);
    std::vector<RawReply> out;
    std::vector<std::uint8_t> buf(kPacketBufferSize);
    while (out.size() < expected) {
        RecvResult r = s.receive(buf);
        if (r.kind != RecvResult::Ok)
            break;
        out.push_back({r.fromIp, std::vector<std::uint8_t>(buf.begin(), buf.begin() + static_cast<long>(r.size))});
    }
    return out;
}

inline std::vector<RawReply> broadcastSearch(std::size_t expected = 1000, int quietMs = 300)
{
    return sendAndCollect(Packet::request(CMD_SEARCH), kBroadcastTarget, kBroadcastTarget, expected, quietMs);
}

// Sends without waiting, as the address-book and apply steps do.
inline void sendOnly(Packet request, std::uint32_t to)
{
    Packet reply;
    ASSERT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", to, request, reply, 0));
}

inline int unicast(std::uint32_t to, Packet request, Packet& reply)
{
    return ExchangeUnicast("127.0.0.1", to, request, reply, 1);
}

inline Packet readPara(const sim::Mac& mac) { return requestWith(CMD_READ_SYS_PARA, mac); }

} // namespace aulira::test
