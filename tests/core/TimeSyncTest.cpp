#include <algorithm>
#include <gtest/gtest.h>

#include <tuple>

#include "protocol/TimeSync.h"
#include "shell/Log.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

auto key(const LocalTime& t) { return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second); }
auto key(const sim::DeviceClock& c) { return std::make_tuple(c.year, c.month, c.day, c.hour, c.minute, c.second); }

class TimeSyncTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        startSite({a, b});
    }
    // No reply comes to a clock setting.
    void fence() { trafficUpToNow(a.ip); }
    sim::DeviceConfig a = simDevice("127.0.0.61", 61, 61), b = simDevice("127.0.0.62", 62, 62);
    LogRecorder log;
};

} // namespace

TEST(TimeSyncPacket, BytesAndChecksum)
{
    const LocalTime t{2024, 3, 15, 9, 30, 45, 5}; // Friday 15 March 2024, 09:30:45
    const std::array<std::uint8_t, 30> expected{
        0x4b, 0x50, 0x55, 0x43, 0x0b, 0x06, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00,
        0x00, 0xff, 0xff, 0xff, 0xff, 0xe8, 0x07, 0x03, 0x0f, 0x09, 0x1e, 0x2d, 0x05, 0xa4, 0x06};
    EXPECT_EQ(expected, buildTimeSyncPacket(t));
}

TEST_F(TimeSyncTest, EveryDeviceTakesTheWorkstationTimeFromFiveBroadcasts)
{
    const LocalTime before = currentLocalTime();
    ASSERT_TRUE(TimeSyncThreadProc("127.0.0.1"));
    const LocalTime after = currentLocalTime();
    EXPECT_EQ(std::vector<std::string>{"Synchronization time completed."}, log.lines());
    fence();
    for (const auto& d : {a, b}) {
        const auto t = site->traffic(d.ip);
        ASSERT_GE(t.size(), 5u);
        for (std::size_t i = 0; i < 5; ++i) // the bytes of each are BytesAndChecksum's
            EXPECT_TRUE(t[i].command == CMD_SYNC_TIME && t[i].broadcast) << i;
        const auto snap = site->device(d.ip);
        ASSERT_TRUE(snap->clock);
        EXPECT_EQ(5, snap->timeSyncs);
        EXPECT_LE(key(before), key(*snap->clock));
        EXPECT_GE(key(after), key(*snap->clock));
    }
}

TEST_F(TimeSyncTest, OneCompletionLinePerAdapter)
{
    if (runningUnderWine())
        GTEST_SKIP() << kWineBindsLoosely;
    EXPECT_EQ(2, SyncTimeAllAdapters({"127.0.0.1", "127.0.0.3"}));
    EXPECT_EQ(2u, log.count("Synchronization time completed."));
    EXPECT_EQ(2u, log.lines().size());
    fence();
    EXPECT_EQ(10, site->device(b.ip)->timeSyncs);
    EXPECT_EQ(0, SyncTimeAllAdapters({}));
}

TEST_F(TimeSyncTest, AnAdapterThatCannotBeBoundSendsNothing)
{
    if (runningUnderWine())
        GTEST_SKIP() << kWineBindsLoosely;
    // 192.0.2.1 is not on this machine: unbound, the broadcast would pick its
    // own way out instead of the adapter's.
    EXPECT_EQ(1, SyncTimeAllAdapters({"127.0.0.1", "192.0.2.1"}));
    EXPECT_EQ(1u, log.count("Synchronization time completed."));
    const auto lines = log.lines();
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("bind error:"); }));
}
