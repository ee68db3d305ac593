#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "devices/DeviceList.h"
#include "params/SysParaSettings.h"
#include "rollout/Commission.h"
#include "rollout/SiteExport.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

struct Where {
    int line, column;
    std::string says;
};

// Every kind of mistake a plan can hold, each found without asking a device.
TEST(SitePlan, EveryErrorIsPlacedByLineAndColumn)
{
    struct Case {
        std::string text;
        std::vector<Where> errors;
    };
    const std::vector<Case> cases{
        {"mac,volume\r\n02:4b:50:00:00:01,50\r\n", {}},
        {"\xEF\xBB\xBFmac,groups\n02:4b:50:00:00:01,\"3,7\"\n", {}},
        {"name,volume\n02:4b:50:00:00:01,5\n", {{1, 1, "\"mac\" or \"device\""}}},
        {"mac,volume,loudness\n02:4b:50:00:00:01,5,1\n", {{1, 3, "no parameter named loudness"}}},
        {"mac,firmware\n02:4b:50:00:00:01,V2\n", {{1, 2, "cannot be planned"}}},
        {"mac,volume,volume\n02:4b:50:00:00:01,5,6\n", {{1, 3, "given twice"}}},
        {"mac,volume\n02:4b:50:00:00:01,101\n02:4b:50:00:00:02,x\n",
         {{2, 2, "from 0 to 100"}, {3, 2, "from 0 to 100"}}},
        {"mac,volume\nnot-a-mac,5\n,5\n", {{2, 1, "not a MAC"}, {3, 1, "no device"}}},
        {"mac,ip\n02:4b:50:00:00:01,10.0.0.300\n", {{2, 2, "IPv4 address"}}},
        {"mac,deviceName\n02:4b:50:00:00:01,Sixteen chars!!!\n", {{2, 2, "15"}}},
        {"mac,deviceNo,ip\n02:4b:50:00:00:01,7,10.1.0.1\n02:4b:50:00:00:02,7,10.1.0.1\n",
         {{3, 2, "number 7 is also given on line 2"}, {3, 3, "10.1.0.1 is also given on line 2"}}},
        {"mac,volume\n02:4b:50:00:00:01,5\n02-4B-50-00-00-01,6\n", {{3, 1, "also planned on line 2"}}},
        {"device,volume\n10.0.0.5,5\n12,6\nkitchen,7\n", {{4, 1, "not an address"}}},
        {"mac,volume\n02:4b:50:00:00:01,5,9\n", {{2, 3, "more cells"}}},
        {"mac,deviceName\n02:4b:50:00:00:01,\"Lobby\n", {{2, 2, "never closed"}}},
        {"mac,deviceName\n\"02:4b:50:00:00:01\"x,Lobby\n", {{2, 1, "after the closing quote"}}},
        {"mac,volume\n", {{0, 0, "names no device"}}},
        {"", {{0, 0, "empty"}}},
        {std::string("Aulira config file\0\0\0", 21), {{0, 0, "binary"}}},
        {"mac,deviceName\n02:4b:50:00:00:01,Caf\xE9\n", {{0, 0, "not UTF-8"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PlanRead read = parsePlan(c.text);
        ASSERT_EQ(c.errors.size(), read.errors.size()) << (read.errors.empty() ? "" : read.errors[0].message());
        for (std::size_t i = 0; i < c.errors.size(); ++i) {
            EXPECT_EQ(c.errors[i].line, read.errors[i].line) << read.errors[i].message();
            EXPECT_EQ(c.errors[i].column, read.errors[i].column) << read.errors[i].message();
            EXPECT_NE(std::string::npos, read.errors[i].message().find(c.errors[i].says)) << read.errors[i].message();
        }
    }
}

class RolloutTest : public SimFixture {
protected:
    // `watch`: every datagram the site takes in, it is checked that no two
    // of its devices answer on one address.
    void found(const std::vector<sim::DeviceConfig>& devices, bool watch = false)
    {
        useFastTiming();
        protocolConfig().timing.confirmWindowMs = 1500;
        startSite(devices, {}, [this, watch](const sim::TrafficEntry&) {
            if (!watch)
                return;
            auto ips = site->deviceIps();
            std::sort(ips.begin(), ips.end());
            if (std::adjacent_find(ips.begin(), ips.end()) != ips.end())
                ++shared;
        });
        for (const auto& d : devices)
            ASSERT_EQ(1, list.mergeSearchReply("127.0.0.1", searchReply(site->device(d.ip)->info)));
    }

    PlanReview review(const std::string& text)
    {
        const PlanRead read = parsePlan(text);
        EXPECT_TRUE(read.ok()) << read.errors.front().message();
        return reviewPlan(read.plan, list, 4);
    }

    std::vector<CommissionResult> run(const PlanReview& r, CommissionOptions options = {})
    {
        options.backupDir = dir.path();
        return commissionSite(list, r.devices, options);
    }

    int volumeOf(std::uint32_t addr)
    {
        const auto snap = site->device(addr);
        return static_cast<int>(snap ? snap->sysPara[sysParaOffset("volume", snap->layout == 436)] : -1);
    }

    static std::string macOf(const sim::DeviceConfig& d) { return formatMac(d.mac.data()); }

    TempDir dir;
    DeviceList list;
    std::atomic<int> shared{0}; // datagrams taken in while two devices had one address
};

TEST_F(RolloutTest, CommissionsFollowsMovedDevicesAndReportsMissingOnes)
{
    const auto a = simDevice("127.0.3.1", 1, 301, "Hall"), b = simDevice("127.0.3.2", 2, 302, "Gate");
    found({a, b});
    const PlanReview r = review("mac,deviceName,ip,volume\n"
                                "02:4b:50:00:01:2d,Lobby,127.0.3.9,33\n" // a, moved
                                "02:4b:50:00:01:2e,,,44\n"               // b, volume only
                                "02:4b:50:00:09:99,Ghost,,\n");          // nobody
    ASSERT_TRUE(r.ok()) << r.errors.front().message();
    ASSERT_EQ(1u, r.notFound());
    ASSERT_EQ(3u, r.devices[0].changes.size());
    EXPECT_EQ("Hall", r.devices[0].changes[0].now);
    EXPECT_EQ("Lobby", r.devices[0].changes[0].planned);

    std::mutex m;
    std::vector<std::pair<std::size_t, CommissionStep>> steps;
    CommissionOptions options;
    options.onStep = [&](std::size_t i, CommissionStep s) {
        std::lock_guard lock(m);
        steps.emplace_back(i, s);
    };
    const auto rows = run(r, options);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ(CommissionResult::Outcome::Confirmed, rows[0].outcome) << rows[0].detail;
    EXPECT_EQ("127.0.3.1", rows[0].ipBefore);
    EXPECT_EQ("127.0.3.9", rows[0].ipAfter);
    EXPECT_EQ("Lobby", rows[0].name);
    EXPECT_EQ(CommissionResult::Outcome::Confirmed, rows[1].outcome) << rows[1].detail;
    EXPECT_EQ(std::vector<std::string>{"volume"}, rows[1].fields);
    EXPECT_EQ(CommissionResult::Outcome::NotFound, rows[2].outcome);
    EXPECT_EQ(33, volumeOf(ip("127.0.3.9")));
    EXPECT_EQ(44, volumeOf(b.ip));
    // The entry moved with the device and is a saved device now.
    const auto moved = list.findByMac(a.mac.data());
    EXPECT_EQ(ip("127.0.3.9"), moved->ip);
    EXPECT_EQ(STATE_SAVED_FOUND, moved->state);
    EXPECT_TRUE(list.listModified());
    EXPECT_EQ(1u, std::count(steps.begin(), steps.end(), std::pair{std::size_t{2}, CommissionStep::Done}));
}

TEST_F(RolloutTest, ADeviceThatStopsAnsweringFailsAloneAndACancelLeavesTheRestUntouched)
{
    std::vector<sim::DeviceConfig> site4;
    std::string text = "device,volume\n";
    for (int n = 1; n <= 4; ++n) {
        site4.push_back(simDevice(("127.0.5." + std::to_string(n)).c_str(), n, 500 + n));
        text += "127.0.5." + std::to_string(n) + ",9\n";
    }
    found(site4);
    const PlanReview r = review(text);
    ASSERT_TRUE(r.ok());
    std::atomic<bool> cancel{false};
    CommissionOptions options;
    options.parallel = 1;
    options.cancel = &cancel;
    options.onStep = [&](std::size_t i, CommissionStep s) {
        if (i == 1 && s == CommissionStep::BackedUp) { // gone between its backup and its write
            fault(site4[1].ip, [](auto& f) { f.dropRate = 1.0; });
        }
        if (i == 2 && s == CommissionStep::Done)
            cancel = true;
    };
    const auto rows = run(r, options);
    using O = CommissionResult::Outcome;
    EXPECT_EQ(O::Confirmed, rows[0].outcome);
    EXPECT_EQ(O::WriteFailed, rows[1].outcome);
    EXPECT_FALSE(rows[1].detail.empty());
    EXPECT_EQ(O::Confirmed, rows[2].outcome);
    EXPECT_EQ(O::Cancelled, rows[3].outcome);
    EXPECT_EQ(9, volumeOf(site4[2].ip));
    EXPECT_NE(9, volumeOf(site4[3].ip));
    EXPECT_FALSE(rows[1].succeeded());
}

// Addresses handed on along a chain, listed against the order they can move
// in: each device moves only once the device holding its new address has
// left it, and when that one fails, nothing is sent to those waiting on it.
TEST_F(RolloutTest, AddressesHandedOnMoveInTurnAndNeverTwiceAtOnce)
{
    const auto a = simDevice("127.0.6.1", 1, 601, "A"), b = simDevice("127.0.6.2", 2, 602, "B"),
               c = simDevice("127.0.6.3", 3, 603, "C");
    using O = CommissionResult::Outcome;
    const struct {
        bool cFails;
        std::vector<O> outcomes;
        std::vector<const char*> nowAt; // where a, b and c answer afterwards
    } cases[] = {
        {false, {O::Confirmed, O::Confirmed, O::Confirmed}, {"127.0.6.2", "127.0.6.3", "127.0.6.9"}},
        {true, {O::AddressHeld, O::AddressHeld, O::WriteFailed}, {"127.0.6.1", "127.0.6.2", "127.0.6.3"}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.cFails);
        list.clear();
        shared = 0;
        found({a, b, c}, true);
        const PlanReview r = review("mac,ip\n" + macOf(a) + ",127.0.6.2\n" + macOf(b) + ",127.0.6.3\n" + macOf(c) +
                                    ",127.0.6.9\n");
        ASSERT_TRUE(r.ok()) << r.errors.front().message();
        if (t.cFails) {
            fault(c.ip, [](auto& f) { f.dropRate = 1.0; });
        }
        CommissionOptions options;
        options.parallel = 8;
        const auto rows = run(r, options);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(t.outcomes[i], rows[i].outcome) << i << ": " << rows[i].detail;
            const auto d = site->device(ip(t.nowAt[i]));
            ASSERT_TRUE(d) << t.nowAt[i];
            EXPECT_EQ(macOf(std::vector<sim::DeviceConfig>{a, b, c}[i]), formatMac(d->info.mac())) << t.nowAt[i];
        }
        EXPECT_EQ(0, shared.load());
        if (t.cFails) {
            EXPECT_NE(std::string::npos, rows[1].detail.find("127.0.6.3 may still be C(127.0.6.3)")) << rows[1].detail;
            for (const auto& e : site->traffic())
                EXPECT_FALSE(e.command == CMD_WRITE_SYS_PARA && e.deviceIp != c.ip) << formatIp(e.deviceIp);
        }
        site->stop();
    }
}

// Devices that take each other's addresses in a circle cannot move one by
// one: the plan is refused, each of them named at its address cell.
TEST_F(RolloutTest, AddressesGoingRoundInACircleAreRefused)
{
    const auto a = simDevice("127.0.7.1", 1, 701, "A"), b = simDevice("127.0.7.2", 2, 702, "B"),
               c = simDevice("127.0.7.3", 3, 703, "C");
    found({a, b, c});
    const struct {
        std::string rows;
        std::vector<int> lines;
        const char* says;
    } cases[] = {
        {macOf(a) + ",127.0.7.2\n" + macOf(b) + ",127.0.7.1\n", {2, 3}, "lines 2, 3 take each other's addresses"},
        {macOf(a) + ",127.0.7.2\n" + macOf(b) + ",127.0.7.3\n" + macOf(c) + ",127.0.7.1\n", {2, 3, 4},
         "lines 2, 3, 4 take each other's addresses"},
        {macOf(a) + ",127.0.7.2\n" + macOf(b) + ",127.0.7.3\n" + macOf(c) + ",127.0.7.9\n", {}, ""},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.rows);
        const PlanReview r = reviewPlan(parsePlan("mac,ip\n" + t.rows).plan, list, 4);
        ASSERT_EQ(t.lines.size(), r.errors.size()) << (r.errors.empty() ? "" : r.errors.front().message());
        for (std::size_t i = 0; i < t.lines.size(); ++i) {
            EXPECT_EQ(t.lines[i], r.errors[i].line);
            EXPECT_EQ(2, r.errors[i].column);
            EXPECT_NE(std::string::npos, r.errors[i].message().find(t.says)) << r.errors[i].message();
        }
    }
}

} // namespace
