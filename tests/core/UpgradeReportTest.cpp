#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "devices/DeviceList.h"
#include "support/SimFixture.h"
#include "upgrade/UpgradeReport.h"

using namespace aulira;
using namespace aulira::test;

namespace {

DeviceItemPtr entry(const char* addr, const char* name, const char* model)
{
    auto item = std::make_shared<DeviceItem_Type>();
    item->ip = ip(addr);
    item->localIp = "127.0.0.1";
    item->devItem.setModelText(model);
    item->devItem.setDevName(name);
    return item;
}

UpgradeResult::TimePoint at(int seconds, int ms = 0)
{
    return UpgradeResult::TimePoint{} + std::chrono::seconds(1767225600 + seconds) + std::chrono::milliseconds(ms);
}

} // namespace

// What a row of the report says, from the listener calls it heard.
TEST(UpgradeReportTest, ResultTextFollowsTheCallsOfTheBatch)
{
    struct Case {
        const char* name;
        std::function<void(UpgradeResult&)> calls;
        UpgradeResult::Outcome outcome;
        std::string text;
        bool succeeded;
    };
    const Case cases[] = {
        {"upgraded", [](UpgradeResult& r) { r.onStart(at(0)); r.onProgress(); r.onEnd(true, at(3, 500)); },
         UpgradeResult::Outcome::Upgraded, "upgraded", true},
        {"failed", [](UpgradeResult& r) { r.onStart(at(0)); r.onFailure("2 packet fail!"); r.onEnd(false, at(1)); },
         UpgradeResult::Outcome::Failed, "2 packet fail!", false},
        // A retry inside the batch that made it clears the earlier text.
        {"retried", [](UpgradeResult& r) { r.onStart(at(0)); r.onFailure("Enter boot fail!"); r.onProgress(); r.onEnd(true, at(2)); },
         UpgradeResult::Outcome::Upgraded, "upgraded", true},
        {"never reached", [](UpgradeResult&) {}, UpgradeResult::Outcome::NotReached,
         "not upgraded: the batch ended before it", false},
    };
    for (const auto& c : cases) {
        UpgradeResult r = UpgradeResult::of(entry("127.0.0.5", "Hall", "KP-4410"));
        c.calls(r);
        EXPECT_EQ(c.outcome, r.outcome) << c.name;
        EXPECT_EQ(c.text, r.resultText()) << c.name;
        EXPECT_EQ(c.succeeded, r.succeeded(false)) << c.name;
        r.reset();
        EXPECT_EQ(UpgradeResult::Outcome::NotReached, r.outcome) << c.name;
        EXPECT_TRUE(r.failure.empty() && !r.start && !r.end && !r.touched) << c.name;
    }
    // Verified or not decides success once versions are checked.
    UpgradeResult r = UpgradeResult::of(entry("127.0.0.5", "Hall", "KP-4410"));
    r.onEnd(true);
    r.verified = VerifyResult::StillOld;
    EXPECT_EQ("still old version", r.resultText());
    EXPECT_TRUE(r.succeeded(false));
    EXPECT_FALSE(r.succeeded(true));
}

// After a batch: an untouched firmware row of another model was passed over on
// purpose; one of the file's model never got its turn; a failure before the
// device was taken up is a failure.
TEST(UpgradeReportTest, SettlingNamesWhyARowHeardNothing)
{
    DeviceList list;
    std::vector<UpgradeResult> rows = {UpgradeResult::of(entry("127.0.0.5", "Hall", "KP-4410")),
                                       UpgradeResult::of(entry("127.0.0.6", "Desk", "KS-530")),
                                       UpgradeResult::of(entry("127.0.0.7", "Yard", "KP-4410")),
                                       UpgradeResult::of(entry("127.0.0.8", "Gate", "KP-4410"))};
    rows[0].onEnd(true);
    rows[3].onFailure("connect device fail!");
    std::vector<std::string> noted;
    settleUpgradeResults(rows, true, "KP-4410", list, [&](const UpgradeResult& r) { noted.push_back(r.ip); });
    EXPECT_EQ(UpgradeResult::Outcome::Upgraded, rows[0].outcome);
    EXPECT_EQ(UpgradeResult::Outcome::OtherModel, rows[1].outcome);
    EXPECT_TRUE(rows[1].succeeded(true));
    EXPECT_EQ(UpgradeResult::Outcome::NotReached, rows[2].outcome);
    EXPECT_EQ(UpgradeResult::Outcome::Failed, rows[3].outcome);
    EXPECT_EQ((std::vector<std::string>{"127.0.0.6", "127.0.0.7"}), noted);

    // The screen batch has no per-device model: silence means not reached.
    std::vector<UpgradeResult> screen = {UpgradeResult::of(entry("127.0.0.6", "Desk", "KS-530"))};
    settleUpgradeResults(screen, false, "KM-220", list);
    EXPECT_EQ(UpgradeResult::Outcome::NotReached, screen[0].outcome);
}

TEST(UpgradeReportTest, CsvQuotesTextsAndCarriesTimesAndDurations)
{
    UpgradeResult a = UpgradeResult::of(entry("127.0.0.5", "Hall, \"east\"", "KP-4410"));
    a.onStart(at(0));
    a.onEnd(true, at(12, 340));
    a.verified = VerifyResult::Verified;
    a.versionAfter = "V2.4.0";
    UpgradeResult b = UpgradeResult::of(entry("127.0.0.6", "Gate", "KP-4410"));
    const std::string header = "address,mac,name,model,version_before,version_after,result,start,end,duration_s\n";
    const std::string body = "127.0.0.5,00:00:00:00:00:00,\"Hall, \"\"east\"\"\",KP-4410,,V2.4.0,verified,"
                             "2026-01-01T00:00:00Z,2026-01-01T00:00:12Z,12.3\n"
                             "127.0.0.6,00:00:00:00:00:00,Gate,KP-4410,,,not upgraded: the batch ended before it,,,\n";
    EXPECT_EQ(header + body, upgradeReportCsv({a, b}));

    TempDir dir;
    std::string error;
    ASSERT_TRUE(writeUpgradeReportCsv(dir.path() / "r.csv", {a, b}, true, &error)) << error;
    const auto bytes = readAll(dir.path() / "r.csv");
    EXPECT_EQ("\xEF\xBB\xBF" + header + body, std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(writeUpgradeReportCsv(dir.path() / "missing" / "r.csv", {a}, true, &error));
    EXPECT_FALSE(error.empty());
}

// A window that closes while devices are still being asked does not wait out
// the time-out.
TEST(UpgradeReportTest, AStopRequestEndsTheVersionCheckEarly)
{
    ProtocolConfigGuard guard;
    useFastTiming();
    DeviceList list;
    UpgradeResult silent = UpgradeResult::of(entry("127.0.0.250", "Gone", "KP-4410"));
    silent.onEnd(true);
    std::stop_source stop;
    const auto t0 = std::chrono::steady_clock::now();
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    EXPECT_EQ(1u, verifyUpgradeResults({&silent}, "V2.4.0", 60000, list, stop.get_token()));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20)) << "stopped, not timed out";
    EXPECT_EQ(VerifyResult::NotSeen, silent.verified);
    EXPECT_EQ("not seen again", silent.resultText());
}
