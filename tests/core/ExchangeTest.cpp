#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/Exchange.h"
#include "shell/Log.h"
#include "sim/SimTestSupport.h"

using namespace aulira;
using namespace aulira::test;
using Clock = std::chrono::steady_clock;

namespace {

long msSince(Clock::time_point t0)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
}

class ExchangeTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        a = simDevice("127.0.0.21", 21, 21);
        b = simDevice("127.0.0.22", 22, 22);
        startSite({a, b});
    }
    sim::DeviceConfig a, b;
};

} // namespace

// Every test moves the port to its simulated site's; the devices listen on this one.
TEST(ExchangeDefaults, ThePortIsTheDevicesOwn)
{
    EXPECT_EQ(65176, ProtocolConfig{}.devicePort.load());
}

TEST_F(ExchangeTest, ReplyWithBit15IsAccepted)
{
    fault(a.ip, [](auto& f) { f.setBit15 = true; });
    Packet req = readPara(a.mac), reply;
    EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 1));
    EXPECT_EQ(0x8000 | CMD_READ_SYS_PARA, reply.command());
}

TEST_F(ExchangeTest, WrongEchoedAddressOrChecksumEndsInTimeout)
{
    fault(a.ip, [](auto& f) { f.wrongTargetIp = true; });
    Packet req = readPara(a.mac), reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 1));
    EXPECT_EQ(RES_RECV_TIMEOUT, ExchangeBroadcast("127.0.0.1", a.ip, req, reply, 1));

    fault(a.ip, [](auto& f) { f.corruptChecksum = true; });
    EXPECT_EQ(RES_RECV_TIMEOUT, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 1));

    // On an upgrade socket the echoed address does not count, the checksum does.
    fault(a.ip, [](auto& f) { f.wrongTargetIp = true; });
    UdpSocket sock;
    ASSERT_TRUE(sock.open());
    ASSERT_TRUE(sock.bind(std::string("127.0.0.1"), 0));
    Packet search = Packet::request(CMD_SEARCH);
    EXPECT_EQ(RES_OK, ExchangeOnSocket(sock, a.ip, site->port(), search, reply));
    fault(a.ip, [](auto& f) { f.corruptChecksum = true; });
    EXPECT_EQ(RES_RECV_TIMEOUT, ExchangeOnSocket(sock, a.ip, site->port(), search, reply));
}

TEST_F(ExchangeTest, SendOnlyReturnsWithoutWaiting)
{
    protocolConfig().timing.unicastRecvTimeoutMs = 3000;
    fault(a.ip, [](auto& f) { f.silentCommands = {CMD_READ_SYS_PARA}; });
    Packet req = readPara(a.mac), reply;
    const auto t0 = Clock::now();
    EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 0));
    EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 2));
    EXPECT_LT(msSince(t0), 2000);
    // The requests did reach the device.
    EXPECT_TRUE(eventually([&] { return site->traffic(a.ip).size() == 2; }));
}

TEST_F(ExchangeTest, DuplicateRepliesDoNotMixUpExchanges)
{
    fault(a.ip, [](auto& f) { f.duplicateReplies = 3; });
    for (int i = 0; i < 5; ++i) {
        Packet req = readPara(a.mac), reply;
        ASSERT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", a.ip, req, reply, 1)) << i;
        EXPECT_EQ(436, reply.length());
    }
}

TEST_F(ExchangeTest, ConcurrentExchangesEachGetTheirOwnReply)
{
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const auto& d = t % 2 ? a : b;
            for (int i = 0; i < 10; ++i) {
                Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
                if (ExchangeUnicast("127.0.0.1", d.ip, req, reply, 1) == RES_OK &&
                    DeviceInfo_Type::fromPayload(reply.payload()).devNo() == d.devNo)
                    ++ok;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(40, ok.load());
}

// With the real limits: a device that keeps sending invalid datagrams never
// lets the 400 ms receive time-out strike, so the 5000 ms limit ends the wait.
TEST(ExchangeLimit, InvalidDatagramsEndInNoReplyAfterTheLimit)
{
    ProtocolConfigGuard guard;
    UdpSocket device;
    ASSERT_TRUE(device.open());
    ASSERT_TRUE(device.bind(ip("127.0.0.31"), 0));
    protocolConfig().devicePort = device.localPort();
    device.setReceiveTimeout(2000);

    std::atomic<bool> done{false};
    std::thread flooder([&] {
        std::uint8_t buf[kPacketBufferSize];
        RecvResult r = device.receive(Bytes(buf, sizeof buf));
        if (r.kind != RecvResult::Ok)
            return;
        Packet junk = Packet::request(CMD_READ_SYS_PARA, 4);
        const std::size_t n = junk.seal(ip("127.0.0.31"));
        junk.bytes()[n - 1] ^= 0xFF; // wrong checksum
        const auto until = Clock::now() + std::chrono::milliseconds(6500);
        while (!done && Clock::now() < until) {
            device.sendTo(junk.bytes().first(n), r.fromIp, r.fromPort);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    Packet req = Packet::request(CMD_READ_SYS_PARA, 6), reply;
    const auto t0 = Clock::now();
    const int res = ExchangeUnicast("127.0.0.1", ip("127.0.0.31"), req, reply, 1);
    const long elapsed = msSince(t0);
    done = true;
    flooder.join();
    EXPECT_EQ(RES_NO_REPLY, res);
    EXPECT_GE(elapsed, 5000);
}

TEST(ExchangeFailures, SendFailureIsLoggedAndReported)
{
    ProtocolConfigGuard guard;
    LogRecorder log;
    Packet req = Packet::request(CMD_SEARCH), reply;
    // A unicast socket may not send to the broadcast address: sendto fails.
    EXPECT_EQ(RES_SEND_FAIL, ExchangeUnicast("127.0.0.1", kBroadcastTarget, req, reply, 1));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(0u, log.lines()[0].rfind("sendto error:", 0));
}
