#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "devices/DeviceList.h"
#include "devices/DeviceManager.h"
#include "protocol/StatusPoll.h"
#include "support/FakeDevice.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Strings = std::vector<std::string>;

// Every attempt as "adapter result".
struct PollEvents : PollListener {
    mutable std::mutex m;
    Strings events;
    void onPollResult(const DeviceItemPtr&, const std::string& adapter, int result) override
    {
        std::lock_guard lock(m);
        events.push_back(adapter + " " + std::to_string(result));
    }
    Strings get() const
    {
        std::lock_guard lock(m);
        return events;
    }
    void waitFor(std::size_t n) const
    {
        while (get().size() < n)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

const std::string kTimeout = std::to_string(RES_RECV_TIMEOUT);

class StatusPollTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        remoteDev = simDevice("127.0.0.31", 31, 31, "Desk");
        startSite({remoteDev});
    }
    ~StatusPollTest() override { upgradeRunning = false; }

    // A saved entry as the file or a manual entry leaves it: stale identity, not seen yet.
    DeviceItemPtr saved(std::uint32_t addr, const std::uint8_t* mac, DeviceList& into)
    {
        auto item = std::make_shared<DeviceItem_Type>();
        item->ip = addr;
        item->devItem.setIp(addr);
        item->devItem.setMask(ip("255.0.0.0"));
        item->devItem.setMac(mac);
        item->devItem.setDevName("Old name");
        into.insertManual(item);
        return item;
    }
    DeviceItemPtr saved(std::uint32_t addr, const std::uint8_t* mac) { return saved(addr, mac, list); }

    sim::DeviceConfig remoteDev;
    Strings adapters{"127.0.0.1"};
    std::set<std::uint32_t> local;
    std::function<bool(std::uint32_t, std::uint32_t)> isLocal = [this](std::uint32_t a, std::uint32_t) {
        return local.count(a) != 0;
    };
    DeviceList list{isLocal};
    PollEvents events;
    StatusPoller poller{list, [this] { return adapters; }, isLocal, &events};
};

} // namespace

TEST_F(StatusPollTest, OffSubnetDeviceThatAnswersComesOnline)
{
    auto item = saved(remoteDev.ip, remoteDev.mac.data());
    ASSERT_EQ(STATE_REMOTE_OFFLINE, item->state);
    EXPECT_TRUE(poller.pollPass());
    EXPECT_EQ(Strings{"127.0.0.1 0"}, events.get());

    const auto t = site->traffic(remoteDev.ip);
    ASSERT_EQ(1u, t.size());
    EXPECT_EQ(CMD_SEARCH, t[0].command);
    EXPECT_EQ(kPollMark, t[0].pollMark) << "a poll, not a search: the device answers it by unicast";
    EXPECT_TRUE(t[0].length == 0 && t[0].targetIp == remoteDev.ip && !t[0].broadcast);
    std::lock_guard lock(list.mutex());
    EXPECT_EQ(STATE_REMOTE_ONLINE, item->state);
    EXPECT_EQ("127.0.0.1", item->localIp);
    EXPECT_EQ(1u, item->unicastOk);
    EXPECT_EQ("Desk", item->devItem.devName());
}

TEST_F(StatusPollTest, EveryAdapterIsTriedInOrderAndEveryAttemptReported)
{
    if (runningUnderWine())
        GTEST_SKIP() << kWineBindsLoosely;
    // Answers only what comes from the second adapter.
    const auto info = deviceInfo(41, "127.0.0.41", 41, "Branch");
    FakeDevice fake("127.0.0.41", [&](const FakeRequest& r) -> std::optional<std::vector<std::uint8_t>> {
        if (r.fromIp != ip("127.0.0.3"))
            return std::nullopt;
        return replyDatagram(r, info.bytes());
    });
    protocolConfig().devicePort = fake.port();
    adapters = {"127.0.0.1", "127.0.0.3"};
    auto item = saved(ip("127.0.0.41"), info.mac());

    EXPECT_FALSE(poller.pollPass());
    EXPECT_EQ((Strings{"127.0.0.1 " + kTimeout, "127.0.0.3 0"}), events.get());
    std::lock_guard lock(list.mutex());
    EXPECT_EQ(STATE_REMOTE_ONLINE, item->state);
    EXPECT_EQ("127.0.0.3", item->localIp);
    EXPECT_EQ("Branch", item->devItem.devName());
}

TEST_F(StatusPollTest, LocalAndSearchOnlyDevicesAreLeftToDiscovery)
{
    EXPECT_TRUE(poller.pollPass()); // an empty list is a quiet pass
    local = {ip("127.0.0.32")};
    saved(ip("127.0.0.32"), remoteDev.mac.data());
    auto found = saved(remoteDev.ip, remoteDev.mac.data());
    {
        std::lock_guard lock(list.mutex());
        found->searchOnly = 1;
    }
    EXPECT_TRUE(poller.pollPass());
    EXPECT_TRUE(events.get().empty());
    EXPECT_TRUE(site->traffic().empty());
}

TEST_F(StatusPollTest, UpgradeFlagHoldsThePollerAndStopEndsItsPause)
{
    saved(remoteDev.ip, remoteDev.mac.data());
    upgradeRunning = true;
    poller.start();
    events.waitFor(1); // the pass under way still ends
    // Without the hold, several idle pauses would bring several passes.
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * protocolConfig().timing.pollIdleMs));
    EXPECT_EQ(1u, events.get().size());
    upgradeRunning = false;
    events.waitFor(2);
    poller.stop();

    protocolConfig().timing.pollIdleMs = 600000; // a stop that waited for it would hit the test time-out
    poller.start();
    events.waitFor(3);
    poller.stop();
}

TEST_F(StatusPollTest, ManagerPollsOnceOrInTheBackground)
{
    TempDir dir;
    {
        DeviceManager m(dir.path());
        m.setAdapters({"127.0.0.1"}, {"255.255.255.255"}); // a host mask: the device is on another subnet
        auto item = saved(remoteDev.ip, remoteDev.mac.data(), m.devices());
        ASSERT_EQ(STATE_REMOTE_OFFLINE, item->state);
        EXPECT_TRUE(m.pollOnce());
        {
            std::lock_guard lock(m.devices().mutex());
            EXPECT_EQ(STATE_REMOTE_ONLINE, item->state);
        }
        fault(remoteDev.ip, [](auto& f) { f.silentCommands = {CMD_SEARCH}; });
        EXPECT_FALSE(m.pollOnce());
        {
            std::lock_guard lock(m.devices().mutex());
            EXPECT_EQ(STATE_REMOTE_ONLINE, item->state); // a device that falls silent keeps its state
        }
        // Failed passes follow each other without the idle pause.
        protocolConfig().timing.pollIdleMs = 600000;
        m.startStatusPoll(&events);
        events.waitFor(2);
    } // the manager stops its poller
    for (const auto& line : events.get())
        EXPECT_EQ("127.0.0.1 " + kTimeout, line);
}
