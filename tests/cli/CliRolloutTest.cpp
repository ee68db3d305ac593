#include <gtest/gtest.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class CliRolloutTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        protocolConfig().timing.confirmWindowMs = 1500;
        auto canteen = simDevice("127.0.4.2", 2, 402, "Canteen");
        canteen.firmware = "V1.0.7"; // the 392-byte record
        auto stage = simDevice("127.0.4.3", 3, 403, "Stage");
        stage.modelText = "KS-530";
        startSite({simDevice("127.0.4.1", 1, 401, "Lobby"), canteen, stage, simDevice("127.0.4.4", 44, 404, "Yard")});
    }

    CliRun run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--quiet");
        return CliSiteTest::run(std::move(args));
    }
    std::string plan(const std::string& text) { return writeText(dir.path() / "plan.csv", text); }
    int writes() { return countSent(CMD_WRITE_SYS_PARA); }
    static int volume(const sim::DeviceSnapshot& d) { return d.sysPara[sysParaOffset("volume", d.layout == 436)]; }

};

} // namespace

// What only the devices can tell: each error at its line and column, and not one write.
TEST_F(CliRolloutTest, ErrorsAgainstTheSiteAreAllPrintedAndNothingIsSent)
{
    const CliRun r = run({"commission", plan("mac,volume,heartbeat,key3.mode,ip,deviceNo\n"
                                             "02:4b:50:00:01:91,20,,,,44\n"             // Yard's number
                                             "02:4b:50:00:01:92,,30,,127.0.0.0,\n"      // no heartbeat; a network
                                             "02:4b:50:00:01:93,,,Intercom Status,,\n" // not a KP-4410
                                             "02:4b:50:00:01:91,,,,,\n"                // Lobby again
                                             "02:4b:50:00:09:99,5,,,,\n")});           // not found: no error
    EXPECT_EQ(2, r.code);
    for (const char* where : {"line 2, column 6 (deviceNo)", "line 3, column 3 (heartbeat)", "line 3, column 5 (ip)",
                              "line 4, column 4 (key3.mode)", "line 5, column 1"})
        EXPECT_TRUE(r.said(where)) << where << "\n" << r.err;
    EXPECT_TRUE(r.said("5 errors in the plan; nothing was sent")) << r.err;
    EXPECT_EQ(0, writes());
}

TEST_F(CliRolloutTest, DryRunListsEachDevicesChangesAndWritesNothing)
{
    const CliRun r =
        expectOk(run({"commission", "--dry-run", plan("device,volume,deviceName\n127.0.4.1,61,Foyer\n3,,\n")}));
    EXPECT_NE(std::string::npos, r.out.find("line 2: Lobby(127.0.4.1)")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("Foyer")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("no change")) << r.out;
    EXPECT_EQ(0, writes());
}

TEST_F(CliRolloutTest, AnExportedSiteRestoresAChangedDevice)
{
    const auto siteDir = dir.path() / "site";
    CliRun r = expectOk(run({"site", "export", siteDir.string()}));
    EXPECT_TRUE(std::filesystem::exists(siteDir / "02-4b-50-00-01-92.alc"));
    EXPECT_EQ(4, std::distance(std::filesystem::directory_iterator(siteDir), {}) - 1);

    ASSERT_EQ(0, run({"params", "set", "127.0.4.1", "volume=7", "deviceName=Changed", "ip=127.0.4.9"}).code);
    site->clearTraffic();
    const std::string snapshot = (siteDir / "site.csv").string();
    r = expectOk(run({"--json", "commission", "--dry-run", snapshot}));
    const auto events = r.events();
    ASSERT_EQ(5u, events.size());
    EXPECT_EQ(3u, events[0]["changes"].size()) << events[0]; // the changed device: name, address, volume
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_TRUE(events[i]["changes"].empty()) << events[i];
    EXPECT_EQ(0, writes());

    const auto report = dir.path() / "report.json";
    r = run({"--json", "commission", snapshot, "--report", report.string(), "--parallel", "2"});
    ASSERT_EQ(0, r.code) << r.err << r.out;
    const auto back = settled("127.0.4.1");
    EXPECT_EQ("Lobby", back.info.devName());
    EXPECT_NE(7, volume(back));
    EXPECT_EQ(1, writes()); // the others already held their plan
    const auto rows = nlohmann::json::parse(std::ifstream(report));
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("127.0.4.9", rows[0]["ip_before"]);
    EXPECT_EQ("127.0.4.1", rows[0]["ip_after"]);
    EXPECT_EQ("confirmed", rows[0]["result"]);
    EXPECT_EQ("unchanged", rows[1]["result"]);
}

TEST_F(CliRolloutTest, ADeviceNotFoundGetsItsRowAndTheOthersGoOn)
{
    const auto report = dir.path() / "report.csv";
    const CliRun r = run({"commission", plan("mac,volume\n02:4b:50:00:09:99,5\n02:4b:50:00:01:94,66\n"), "--report",
                          report.string()});
    EXPECT_EQ(1, r.code) << r.err;
    EXPECT_TRUE(r.said("1 planned device was not commissioned")) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("1 of 2 planned devices commissioned and confirmed")) << r.out;
    EXPECT_EQ(66, volume(settled("127.0.4.4")));
    const std::string csv = readText(report);
    EXPECT_NE(std::string::npos, csv.find("02:4b:50:00:09:99,,,,,,not found")) << csv;
    EXPECT_NE(std::string::npos, csv.find("127.0.4.4,127.0.4.4,volume,confirmed")) << csv;
}

// The exit status as the help tells it: found and read 0, a device missing 1,
// errors in the plan (two devices swapping addresses among them) 2; nothing written.
TEST_F(CliRolloutTest, ExitStatusOfADryRunIsAsTheHelpSays)
{
    const CliRun help = expectOk(run({"commission", "--help"}));
    EXPECT_NE(std::string::npos, help.out.find("Exit status: 0 every planned device")) << help.out;
    EXPECT_EQ(std::string::npos, help.out.find("site export")) << help.out;
    const struct {
        std::string plan;
        int code;
        const char* says;
    } cases[] = {
        {"device,volume\n127.0.4.1,61\n", 0, ""},
        {"mac,volume\n02:4b:50:00:09:99,5\n02:4b:50:00:01:94,66\n", 1, ""},
        {"device,ip\n127.0.4.1,127.0.4.4\n127.0.4.4,127.0.4.1\n", 2, "lines 2, 3 take each other's addresses"},
    };
    for (const auto& c : cases) {
        const CliRun r = run({"commission", "--dry-run", plan(c.plan)});
        EXPECT_EQ(c.code, r.code) << c.plan << r.err;
        EXPECT_TRUE(r.said(c.says)) << r.err;
    }
    EXPECT_EQ(0, writes());
}
