#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "devices/DeviceManager.h"
#include "devices/DeviceRules.h"
#include "protocol/Discovery.h"
#include "shell/Log.h"
#include "protocol/UdpSocket.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;
using Clock = std::chrono::steady_clock;

namespace {

class DiscoveryTest : public SimFixture {
protected:
    void SetUp() override { useFastTiming(); }

    std::unique_ptr<DeviceManager> manager()
    {
        auto m = std::make_unique<DeviceManager>(dir.path());
        m->setAdapters({"127.0.0.1"}, {"255.0.0.0"});
        return m;
    }

    static void search(DeviceManager& m)
    {
        ASSERT_EQ(DeviceManager::SearchStart::Started, m.StartSearch());
        m.waitSearchDone();
    }

    static std::map<std::string, int> statesByIp(DeviceManager& m)
    {
        std::map<std::string, int> out;
        for (const auto& i : m.devices().snapshot())
            out[formatIp(i->ip)] = i->state;
        return out;
    }

    TempDir dir;
};

} // namespace

TEST_F(DiscoveryTest, ManyDevicesAreFoundInOneSearch)
{
    auto site = sim::generated(300);
    startSite(site.devices);
    LogRecorder log;
    auto m = manager();
    search(*m);
    EXPECT_EQ(300u, m->devices().size());
    EXPECT_EQ(300, m->devices().countOnline());
    EXPECT_TRUE(log.contains("Search for audio devices completed, total number of devices found:300."));
    EXPECT_EQ(300u, log.lines().size() - 1); // one "Found device" line each
    for (const auto& i : m->devices().snapshot()) {
        EXPECT_EQ("127.0.0.1", i->localIp);
        EXPECT_EQ(STATE_FOUND, i->state);
    }
    EXPECT_FALSE(m->searching());
}

// Broken datagrams never reach the list (the flood test below); a reply with
// bit 15 set, more than once, is one device.
TEST_F(DiscoveryTest, FlaggedAndRepeatedRepliesAreOneDevice)
{
    auto flagged = simDevice("127.0.0.44", 44, 44);
    flagged.faults.setBit15 = true;
    flagged.faults.duplicateReplies = 2;
    startSite({simDevice("127.0.0.41", 41, 41), flagged});
    auto m = manager();
    search(*m);
    EXPECT_EQ((std::map<std::string, int>{{"127.0.0.41", 0}, {"127.0.0.44", 0}}), statesByIp(*m));
}

TEST_F(DiscoveryTest, StatesFollowTheSavedListAcrossSearches)
{
    auto a = simDevice("127.0.0.51", 51, 51, "Hall");
    auto b = simDevice("127.0.0.52", 52, 52, "Gate");
    startSite({a, b});
    {
        auto m = manager();
        search(*m);
        auto items = m->devices().snapshot();
        ASSERT_EQ(2u, items.size());
        // Keep a; add a manual device of another subnet.
        auto keep = m->devices().findByIp(a.ip);
        ASSERT_TRUE(m->devices().addSelected({keep}));
        m->devices().insertManual(newManualDevice({"60", "Far", ip("10.9.0.60"), ip("255.255.255.0")}));
        EXPECT_TRUE(m->saveDeviceList());
    }
    // a moves to a new address, b leaves the site.
    site->removeDevice(a.ip);
    site->removeDevice(b.ip);
    auto moved = a;
    moved.ip = ip("127.0.0.53");
    moved.name = "Hall renamed";
    ASSERT_TRUE(site->addDevice(moved));

    auto m = manager();
    m->loadSavedList();
    EXPECT_EQ((std::map<std::string, int>{{"127.0.0.51", 3}, {"10.9.0.60", 4}}), statesByIp(*m));
    search(*m);
    // The saved entry of a stays offline, its new address is a new search result.
    EXPECT_EQ((std::map<std::string, int>{{"127.0.0.51", 3}, {"127.0.0.53", 0}, {"10.9.0.60", 4}}), statesByIp(*m));

    // Back at its old address (with a new name), the saved entry turns online.
    site->removeDevice(moved.ip);
    a.name = "Hall again";
    ASSERT_TRUE(site->addDevice(a));
    search(*m);
    auto again = m->devices().findByIp(a.ip);
    ASSERT_TRUE(again);
    EXPECT_EQ(STATE_SAVED_FOUND, again->state);
    EXPECT_EQ("Hall again", again->devItem.devName());
    // The unsaved result at the old new address went with the rebuild.
    EXPECT_EQ((std::map<std::string, int>{{"127.0.0.51", 1}, {"10.9.0.60", 4}}), statesByIp(*m));
}

TEST_F(DiscoveryTest, ASecondSearchWhileOneRunsIsRefused)
{
    startSite({simDevice("127.0.0.61", 61, 61)});
    auto m = manager();
    ASSERT_EQ(DeviceManager::SearchStart::Started, m->StartSearch());
    EXPECT_EQ(DeviceManager::SearchStart::AlreadyRunning, m->StartSearch());
    m->waitSearchDone();
    DeviceManager none(dir.path());
    EXPECT_EQ(DeviceManager::SearchStart::NoAdapter, none.StartSearch());
}

// The search window: a thread ends one window after the last new device, and
// replies of devices already listed do not extend it.
TEST_F(DiscoveryTest, SearchEndsOneWindowAfterTheLastNewDevice)
{
    startSite({simDevice("127.0.0.71", 71, 71), simDevice("127.0.0.72", 72, 72)});
    const int window = protocolConfig().timing.searchWindowMs;
    const int round = protocolConfig().timing.searchRecvTimeoutMs;

    std::atomic<int> replies{0};
    Clock::time_point firstNew{};
    auto sink = [&](const std::string&, ConstBytes) {
        if (replies.fetch_add(1) == 0) {
            firstNew = Clock::now();
            return 1;
        }
        return 0;
    };
    SearchThreadProc("127.0.0.1", sink);
    const auto end = Clock::now();
    // Several rounds ran (each device answers every round) ...
    EXPECT_GT(replies.load(), 4);
    // ... and the thread stopped one window after the only new device, not later.
    const auto afterNew = std::chrono::duration_cast<std::chrono::milliseconds>(end - firstNew).count();
    EXPECT_GE(afterNew, window);
    EXPECT_LT(afterNew, window + 3 * round + 400);

    // Without any device, the thread ends one window after its start.
    site->removeDevice(ip("127.0.0.71"));
    site->removeDevice(ip("127.0.0.72"));
    const auto t1 = Clock::now();
    SearchThreadProc("127.0.0.1", sink);
    const auto empty = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t1).count();
    EXPECT_GE(empty, window);
    EXPECT_LT(empty, window + 3 * round + 400);
}

namespace {

// A sender on the LAN that answers a search with an endless stream: a new
// invented device every few milliseconds, and datagrams that are no search
// reply at all (another command, a broken checksum, too short).
class Flooder {
public:
    Flooder()
    {
        sock_.open();
        sock_.bind(std::uint32_t{0}, 0);
        sock_.setReceiveTimeout(5);
        thread_ = std::thread([this] { loop(); });
    }
    ~Flooder()
    {
        stop_ = true;
        thread_.join();
    }
    std::uint16_t port() const { return sock_.localPort(); }

private:
    void loop()
    {
        std::vector<std::uint8_t> buf(kPacketBufferSize);
        std::uint32_t toIp = 0;
        std::uint16_t toPort = 0;
        for (std::uint32_t n = 0; !stop_; ++n) {
            const RecvResult r = sock_.receive(buf);
            if (r.kind == RecvResult::Ok) // the latest search socket gets the flood
                toIp = r.fromIp, toPort = r.fromPort;
            if (!toPort)
                continue;
            auto info = deviceInfo(static_cast<int>(n), "127.0.0.90", 0);
            const std::uint8_t mac[6] = {0x02, 0x66, 0, static_cast<std::uint8_t>(n >> 16),
                                         static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
            info.setMac(mac); // a device nobody has seen yet, every time
            const auto reply = searchReply(info);
            sock_.sendTo(reply, toIp, toPort);
            auto other = reply;
            other[hdr::command] = 0x02; // a read reply where none was asked for
            sock_.sendTo(other, toIp, toPort);
            other = reply;
            other.back() ^= 0x55; // broken checksum
            sock_.sendTo(other, toIp, toPort);
            sock_.sendTo(ConstBytes(reply).first(6), toIp, toPort);
        }
    }

    UdpSocket sock_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace

TEST_F(DiscoveryTest, AFloodCannotKeepTheSearchAliveAndJunkIsLoggedOnce)
{
    Flooder flood;
    protocolConfig().devicePort = flood.port();
    auto& t = protocolConfig().timing;
    t.searchMarginMs = 900;
    LogRecorder log;
    DeviceList list;
    std::atomic<int> replies{0}, fresh{0};
    auto sink = [&](const std::string& adapter, ConstBytes d) {
        ++replies;
        const int added = list.mergeSearchReply(adapter, d);
        fresh += added;
        return added;
    };
    const auto t0 = Clock::now();
    SearchThreadProc("127.0.0.1", sink);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    // New devices kept coming all the time: only the deadline ended it, one
    // receive time-out after it at the most (and some slack for a loaded machine).
    EXPECT_GE(took, t.searchWindowMs + t.searchMarginMs);
    EXPECT_LT(took, t.searchWindowMs + t.searchMarginMs + t.searchRecvTimeoutMs + 1500);
    EXPECT_GT(fresh.load(), 10);
    EXPECT_EQ(replies.load(), fresh.load()) << "nothing but well-formed search replies reached the list";
    const auto lines = log.lines();
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                  return l.rfind("Search through 127.0.0.1: datagrams that are not search replies are ignored", 0) == 0;
              }));
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                  return l.rfind("Search through 127.0.0.1 ended after ", 0) == 0 &&
                         l.find("replies kept coming") != std::string::npos;
              }));
}

TEST(DeviceListCap, SearchOnlyEntriesStopAtTheLimitWithOneLogLine)
{
    LogRecorder log;
    DeviceList list([](std::uint32_t, std::uint32_t) { return true; });
    auto reply = [](std::uint32_t n) {
        auto info = deviceInfo(static_cast<int>(n), "10.0.0.1", 0);
        std::uint8_t mac[6] = {0x02, 0, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                               static_cast<std::uint8_t>(n), 1};
        info.setMac(mac);
        return std::pair{info, searchReply(info)};
    };
    // A saved device found later than the flood still gets its reply merged.
    auto saved = std::make_shared<DeviceItem_Type>();
    saved->devItem = reply(999999).first;
    saved->ip = saved->devItem.ip();
    list.insertManual(saved);
    int added = 0;
    for (std::uint32_t n = 0; n < DeviceList::kMaxSearchOnlyDevices + 50; ++n)
        added += list.mergeSearchReply("10.0.0.2", reply(n).second);
    EXPECT_EQ(static_cast<int>(DeviceList::kMaxSearchOnlyDevices), added);
    EXPECT_EQ(DeviceList::kMaxSearchOnlyDevices + 1, list.size());
    EXPECT_EQ(1u, log.count("The list holds 10000 devices found by search; further devices are not added."));
    EXPECT_EQ(0, list.mergeSearchReply("10.0.0.2", reply(999999).second));
    {
        std::lock_guard lock(list.mutex());
        EXPECT_EQ(STATE_SAVED_FOUND, saved->state);
    }
    // A new search starts from an empty list and may report the limit again.
    list.clear();
    EXPECT_EQ(1, list.mergeSearchReply("10.0.0.2", reply(1).second));
}
