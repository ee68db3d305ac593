#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "SimTestSupport.h"
#include "devices/DeviceInfo.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class SimFaultTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        a = simDevice("127.0.0.61", 61, 61);
        b = simDevice("127.0.0.62", 62, 62);
        startSite({a, b});
    }

    int poll(const sim::DeviceConfig& d)
    {
        Packet reply;
        return unicast(d.ip, Packet::request(CMD_SEARCH, 0, kPollMark), reply);
    }

    sim::DeviceConfig a, b;
};

} // namespace

TEST_F(SimFaultTest, LostRequestsAreNeitherAnsweredNorRecorded)
{
    fault(a.ip, [](auto& f) { f.dropRate = 1.0; });
    EXPECT_EQ(RES_RECV_TIMEOUT, poll(a));
    EXPECT_TRUE(site->traffic(a.ip).empty());
    EXPECT_EQ(RES_OK, poll(b)) << "faults belong to one device";

    // A lost reply: the device acted, the tool hears nothing.
    fault(a.ip, [](auto& f) { f.replyDropRate = 1.0; });
    std::vector<std::uint8_t> rec = site->device(a.ip)->sysPara;
    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(a.ip, requestWith(CMD_WRITE_SYS_PARA, rec), reply));
    EXPECT_TRUE(site->device(a.ip)->pendingPara);

    site->setFaults(a.ip, {});
    EXPECT_EQ(RES_OK, poll(a));
}

TEST_F(SimFaultTest, DelayedRepliesArriveWithinOrAfterTheWait)
{
    fault(a.ip, [](auto& f) { f.delayMs = 20; });
    protocolConfig().timing.unicastRecvTimeoutMs = 2000;
    EXPECT_EQ(RES_OK, poll(a));

    fault(a.ip, [](auto& f) { f.delayMs = 5000; });
    protocolConfig().timing.unicastRecvTimeoutMs = 100;
    EXPECT_EQ(RES_RECV_TIMEOUT, poll(a));
}

TEST_F(SimFaultTest, DropsRepeatWithTheSameSeed)
{
    auto pattern = [&](std::uint64_t seed) {
        sim::SiteOptions options;
        options.seed = seed;
        auto d = a;
        d.faults.dropRate = 0.5;
        startSite({d}, options);
        std::string answered;
        for (int i = 0; i < 16; ++i)
            answered += poll(d) == RES_OK ? '1' : '0';
        return answered;
    };
    protocolConfig().timing.unicastRecvTimeoutMs = 60;
    const std::string first = pattern(7);
    EXPECT_EQ(first, pattern(7));
    EXPECT_NE(std::string::npos, first.find('0'));
    EXPECT_NE(std::string::npos, first.find('1'));
}

TEST_F(SimFaultTest, SpreadSearchRepliesAllArrive)
{
    auto cfg = sim::generated(40, ip("127.1.0.250")); // crosses 127.1.0.255 and 127.1.1.0
    sim::SiteOptions options;
    options.searchReplySpreadMs = 50;
    startSite(cfg.devices, options);
    std::set<std::uint32_t> from;
    for (const auto& r : broadcastSearch(40, 1000))
        from.insert(r.fromIp);
    EXPECT_EQ(40u, from.size());
    EXPECT_FALSE(from.count(ip("127.1.0.255")));
    EXPECT_FALSE(from.count(ip("127.1.1.0")));
}

TEST_F(SimFaultTest, FaultsChangeSafelyWhileRequestsRun)
{
    protocolConfig().timing.unicastRecvTimeoutMs = 1000;
    std::atomic<bool> done{false};
    std::thread flipper([&] {
        sim::Faults f;
        while (!done) {
            f.setBit15 = !f.setBit15;
            f.duplicateReplies = f.setBit15 ? 1 : 0;
            site->setFaults(b.ip, f);
            site->device(b.ip);
            std::this_thread::yield();
        }
    });
    std::atomic<int> ok{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 3; ++t)
        clients.emplace_back([&, t] {
            const auto& d = t % 2 ? a : b;
            for (int i = 0; i < 15; ++i) {
                Packet reply;
                if (unicast(d.ip, readPara(d.mac), reply) == RES_OK && reply.length() == 436)
                    ++ok;
            }
        });
    for (auto& c : clients)
        c.join();
    done = true;
    flipper.join();
    EXPECT_EQ(45, ok.load());
}
