#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

#include "protocol/Packet.h"
#include "protocol/StatusPoll.h"
#include "support/CliSite.h"
#include "support/UpgradeFiles.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

class CliUpgradeTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastUpgradeTiming();

        hall = simDevice("127.0.0.41", 41, 41, "Hall");
        yard = simDevice("127.0.0.42", 42, 42, "Yard");
        picky = simDevice("127.0.0.43", 43, 43, "Picky");
        picky.faults.headerVerdict = 1;
        flaky = simDevice("127.0.0.44", 44, 44, "Flaky");
        flaky.faults.silentCommands = {CMD_ENTER_BOOT};
        desk = simDevice("127.0.0.45", 45, 45, "Desk");
        desk.modelText = "KS-530B";
        desk.screenBootMode = true;
        booth = simDevice("127.0.0.46", 46, 46, "Booth");
        booth.modelText = "KS-530";
    }

    void start(const std::vector<sim::DeviceConfig>& devices)
    {
        // The flaky device ignores its first enter-boot request only; the
        // yard, when told to lose its second data packet, loses it for one
        // attempt at the device (20 sends) only.
        startSite(devices, {}, [this](const sim::TrafficEntry& e) {
            if (e.command == CMD_ENTER_BOOT && e.deviceIp == flaky.ip && !healed.exchange(true))
                site->setFaults(flaky.ip, {});
            if (e.command == CMD_UPGRADE_PACKET && e.deviceIp == yard.ip && e.packetNo == 2 && ++yardSecond == 20)
                site->setFaults(yard.ip, {});
        });
    }

    std::string file(const char* model, std::size_t imageSize = 3000)
    {
        return writeUpgradeFile(dir.path() / (std::string(model) + std::to_string(imageSize) + ".bin"),
                                upgradeHeader(model, "V2.4.0", "2025-02-03"), std::vector<std::uint8_t>(imageSize, 0x5C));
    }

    int upgradePackets(const sim::DeviceConfig& d)
    {
        return countSent(CMD_UPGRADE_PACKET, d.ip) + countSent(CMD_SCREEN_WRITE_BUFFER, d.ip);
    }

    // "IP percent" and "IP text" per event, in order.
    static std::vector<std::string> summary(const std::vector<json>& events)
    {
        std::vector<std::string> v;
        for (const auto& e : events) {
            if (e["event"] == "progress")
                v.push_back(e["device"].get<std::string>() + " " + std::to_string(e["percent"].get<int>()));
            else if (e["event"] == "failure")
                v.push_back(e["device"].get<std::string>() + " " + e["text"].get<std::string>());
            else
                v.push_back(e["event"].get<std::string>());
        }
        return v;
    }

    sim::DeviceConfig hall, yard, picky, flaky, desk, booth;
    std::atomic<bool> healed{false};
    std::atomic<int> yardSecond{0};
};

} // namespace

TEST_F(CliUpgradeTest, FirmwareBatchReportsEveryDeviceAsJsonLines)
{
    start({hall, picky, desk});
    const CliRun r = run({"--quiet", "--json", "upgrade", "firmware", "--parallel", "1", "--no-verify", file("KP-4410")});
    EXPECT_EQ(1, r.code) << "a device failed\n" << r.err;
    // The station has another model: listed and ticked, passed over without a word.
    EXPECT_EQ((std::vector<std::string>{"127.0.0.41 34", "127.0.0.41 68", "127.0.0.41 100",
                                        "127.0.0.43 device type not match! (left in the boot loader: run the upgrade "
                                        "again)",
                                        "end"}),
              summary(r.events()));
    EXPECT_EQ(1, site->device(hall.ip)->upgradesInstalled);
    EXPECT_EQ(0, upgradePackets(desk));
    EXPECT_FALSE(upgradeRunning);

    // Only the named device, by number; the others hear nothing of it.
    site->clearTraffic();
    const CliRun one = expectOk(run(
        {"--quiet", "--json", "upgrade", "firmware", "--parallel", "1", "--no-verify", file("KP-4410", 1024), "41"}));
    EXPECT_EQ((std::vector<std::string>{"127.0.0.41 100", "end"}), summary(one.events()));
    EXPECT_EQ(0, upgradePackets(picky));
}

TEST_F(CliUpgradeTest, RefusalsComeBeforeAnyUpgradeTraffic)
{
    start({hall, desk});
    const auto upgrade = [&](const char* kind, const std::string& path, const char* device = nullptr) {
        std::vector<std::string> args{"--quiet", "upgrade", kind, "--parallel", "1", "--no-verify", path};
        if (device)
            args.push_back(device);
        return run(args);
    };
    EXPECT_TRUE(refused(upgrade("firmware", (dir.path() / "none.bin").string()), "Failed to get file information!"));
    EXPECT_TRUE(site->traffic().empty()) << "the file is checked before any search (its refusals are UpgradeFileTest's)";
    EXPECT_TRUE(refused(upgrade("screen", file("KM-221")), "KM-220"));
    EXPECT_TRUE(site->traffic().empty());

    // A terminal is no screen device; an unknown device is not found.
    EXPECT_TRUE(refused(upgrade("screen", file("KM-220"), "127.0.0.41"),
                        "127.0.0.41 is not an online call station with a screen"));
    EXPECT_TRUE(refused(upgrade("firmware", file("KP-4410"), "127.0.0.99"),
                        "no device with the address or number 127.0.0.99"));
    EXPECT_EQ(0, upgradePackets(hall) + upgradePackets(desk));

    EXPECT_EQ(2, run({"upgrade"}).code);
    EXPECT_EQ(2, run({"upgrade", "bios", file("KP-4410")}).code);
    EXPECT_EQ(2, run({"upgrade", "firmware"}).code);
    EXPECT_EQ(2, run({"upgrade", "firmware", "--parallel", "1", "--no-verify", file("KP-4410"), "--force"}).code);
}

TEST_F(CliUpgradeTest, ScreenBatchListsOnlyCallStationsAndPrintsALinePerStep)
{
    start({hall, desk, booth});
    const CliRun r = run({"--quiet", "upgrade", "screen", "--parallel", "1", "--no-verify", file("KM-220", 2048 + 10)});
    EXPECT_EQ(1, r.code) << "the booth's screen is not in boot mode";
    EXPECT_EQ("Desk(127.0.0.45) 50%\n"
              "Desk(127.0.0.45) 100%\n"
              "Desk(127.0.0.45) 100%\n"
              "Booth(127.0.0.46) failed: please enter boot mode!\n"
              "Upgrade completed!\n",
              r.out);
    EXPECT_EQ(0, upgradePackets(hall)) << "a terminal is not listed";
    EXPECT_EQ(2048u + 10u, site->device(desk.ip)->screenFlash.size());
}

TEST_F(CliUpgradeTest, RetryFailedRunsTheFailedDevicesOnceMore)
{
    start({hall, flaky, picky});
    const CliRun r = run({"--json", "upgrade", "firmware", "--parallel", "1", "--no-verify", file("KP-4410", 100), "--retry-failed"});
    EXPECT_EQ(1, r.code) << "the picky device fails both times";
    // The flaky device's unanswered enter-boot is asked again at once; the
    // picky one is left in its boot loader, and the second batch goes
    // straight to its header.
    const std::string picky = "127.0.0.43 device type not match! (left in the boot loader: run the upgrade again)";
    EXPECT_EQ((std::vector<std::string>{"127.0.0.41 100", "127.0.0.44 100", picky, "end", picky, "end"}),
              summary(r.events()));
    const auto events = r.events();
    EXPECT_EQ(2, std::count_if(events.begin(), events.end(),
                               [](const json& e) { return e.value("bootLoader", false); }));
    EXPECT_EQ(1, site->device(hall.ip)->upgradesInstalled) << "a device that made it is not upgraded again";
    EXPECT_EQ(1, site->device(flaky.ip)->upgradesInstalled);
    EXPECT_NE(std::string::npos, r.err.find("trying the 1 failed device once more")) << r.err;

    // When the second batch mends every failure the command succeeds.
    const CliRun again = expectOk(run({"--quiet", "--json", "upgrade", "firmware", "--parallel", "1", "--no-verify",
                              file("KP-4410", 100), "41", "44", "--retry-failed"}));
    EXPECT_EQ((std::vector<std::string>{"127.0.0.41 100", "127.0.0.44 100", "end"}), summary(again.events()));
}

TEST_F(CliUpgradeTest, RetryFailedComesBeforeOneVersionCheckOfEveryDevice)
{
    yard.faults.dropUpgradePacket = 2; // fails once, in its boot loader; the retry takes it
    start({hall, yard});
    const auto csv = dir.path() / "retried.csv";
    const CliRun r = run({"--quiet", "--json", "upgrade", "firmware", "--parallel", "1", file("KP-4410", 3000),
                          "--retry-failed", "--restart-wait", "0", "--verify-timeout", "3", "--report", csv.string()});
    EXPECT_EQ(0, r.code) << "every device holds the new version in the end\n" << r.err;
    std::vector<std::string> order;
    for (const auto& e : r.events())
        if (e["event"] != "progress")
            order.push_back(e["event"].get<std::string>() + " " + e.value("device", "") + " " +
                            e.value("result", e.value("text", "")));
    EXPECT_EQ((std::vector<std::string>{
                  "failure 127.0.0.42 2 packet fail! (left in the boot loader: run the upgrade again)", "end  ",
                  "end  ", "verify 127.0.0.41 verified", "verify 127.0.0.42 verified"}),
              order);
    EXPECT_EQ(1, site->device(yard.ip)->upgradesInstalled);
    EXPECT_FALSE(site->device(yard.ip)->inBoot);

    // One row per device and batch; each device's last row is its final state.
    std::ifstream in(csv);
    std::vector<std::string> results;
    for (std::string l; std::getline(in, l);)
        results.push_back(l.substr(0, l.find(',')) + " " + (l.find(",verified,") != std::string::npos ? "verified"
                                                           : l.find("packet fail") != std::string::npos ? "failed"
                                                                                                        : "?"));
    EXPECT_EQ((std::vector<std::string>{"address ?", "127.0.0.41 verified", "127.0.0.42 failed",
                                        "127.0.0.42 verified"}),
              results);
}

TEST_F(CliUpgradeTest, ParallelBatchVerifiesVersionsAndReportsOneRowPerDevice)
{
    std::vector<sim::DeviceConfig> devices;
    for (int n = 51; n <= 58; ++n)
        devices.push_back(simDevice(("127.0.0.5" + std::to_string(n - 50)).c_str(), n, static_cast<std::uint32_t>(n),
                                    ("T" + std::to_string(n)).c_str()));
    devices[2].faults.headerVerdict = 1;     // .53
    devices[5].faults.dropUpgradePacket = 2; // .56
    devices[7].faults.keepOldVersion = true; // .58 restarts on its old image
    devices[0].faults.restartMs = 500;       // .51 takes a while to come back
    start(devices);
    const auto csv = dir.path() / "r.csv";
    const auto js = dir.path() / "r.json";
    const CliRun r = run({"--quiet", "--json", "upgrade", "firmware", file("KP-4410"), "--parallel", "4",
                          "--verify-timeout", "3", "--restart-wait", "1", "--report", csv.string(), "--report",
                          js.string()});
    EXPECT_EQ(1, r.code) << r.err;

    std::map<std::string, std::string> verified;
    for (const auto& e : r.events())
        if (e["event"] == "verify")
            verified[e["device"]] = e["result"].get<std::string>() + " " + e["version"].get<std::string>();
    EXPECT_EQ((std::map<std::string, std::string>{{"127.0.0.51", "verified V2.4.0"},
                                                  {"127.0.0.52", "verified V2.4.0"},
                                                  {"127.0.0.54", "verified V2.4.0"},
                                                  {"127.0.0.55", "verified V2.4.0"},
                                                  {"127.0.0.57", "verified V2.4.0"},
                                                  {"127.0.0.58", "still old version V2.0.1"}}),
              verified);

    std::ifstream in(csv);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_EQ(9u, lines.size()) << "a header and a row per device";
    const json report = json::parse(std::ifstream(js));
    ASSERT_EQ(8u, report.size());
    std::map<std::string, std::string> results;
    for (std::size_t i = 0; i < report.size(); ++i) {
        const json& row = report[i];
        results[row["address"]] = row["result"];
        EXPECT_EQ(0u, lines[i + 1].find(row["address"].get<std::string>() + ",")) << "the same rows in both files";
        EXPECT_EQ("V2.0.1", row["version_before"]);
        EXPECT_FALSE(row["start"].get<std::string>().empty()) << row.dump();
        EXPECT_FALSE(row["end"].get<std::string>().empty()) << row.dump();
    }
    EXPECT_EQ("device type not match! (left in the boot loader: run the upgrade again)", results["127.0.0.53"]);
    EXPECT_EQ("2 packet fail! (left in the boot loader: run the upgrade again)", results["127.0.0.56"]);
    EXPECT_EQ("still old version", results["127.0.0.58"]);
    EXPECT_EQ("verified", results["127.0.0.51"]);
    EXPECT_EQ("T51", report[0]["name"]);
    EXPECT_EQ("KP-4410", report[0]["model"]);

    // Every device made it and reports the version: status 0.
    const CliRun good = expectOk(run({"--quiet", "upgrade", "firmware", file("KP-4410", 1000), "51", "52", "--parallel",
                                      "2", "--verify-timeout", "3"}));
    EXPECT_NE(std::string::npos, good.out.find("T52(127.0.0.52) verified (V2.4.0)")) << good.out;
    EXPECT_EQ(2, run({"upgrade", "firmware", file("KP-4410"), "--parallel", "33"}).code);
    EXPECT_EQ(2, run({"upgrade", "firmware", file("KP-4410"), "--retries", "x"}).code);
}
