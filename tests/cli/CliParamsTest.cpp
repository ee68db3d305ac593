#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;
using Vec = std::vector<std::uint8_t>;

namespace {

class CliParamsTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        auto shortOne = simDevice("127.0.0.32", 32, 32, "Canteen");
        shortOne.firmware = "V1.0.7";
        // A device of another subnet as the workstation sees it: only unicast reaches it.
        auto remote = simDevice("127.1.0.5", 5, 5, "Gatehouse");
        remote.mask = ip("255.255.0.0");
        remote.remote = true;
        startSite(
            {simDevice("127.0.0.31", 31, 31, "Lobby"), shortOne, remote, simDevice("127.0.0.33", 33, 33, "Stage")});
    }

    int writesTo(const char* addr) { return countSent(CMD_WRITE_SYS_PARA, ip(addr)); }
};

} // namespace

TEST_F(CliParamsTest, GetNamesEveryFieldInTheDevicesLayout)
{
    CliRun r = expectOk(run({"--quiet", "--json", "params", "get", "127.0.0.31"}));
    auto p = json::parse(r.out);
    EXPECT_EQ(31, p["deviceNo"]);
    EXPECT_EQ("Lobby", p["deviceName"]);
    EXPECT_EQ("127.0.0.31", p["ip"]);
    EXPECT_EQ(436, p["layout"]);
    EXPECT_EQ("V2.0.1", p["firmware"]);
    ASSERT_TRUE(p["groups"].is_array());
    EXPECT_EQ(8u, p["groups"].size());
    EXPECT_TRUE(p["dhcp"].is_boolean());

    // The same device by number, and a short-record device by MAC address.
    p = json::parse(run({"--quiet", "--json", "params", "get", settled("127.0.0.32").info.macText()}).out);
    EXPECT_EQ(392, p["layout"]);
    EXPECT_EQ("Canteen", p["deviceName"]);
    EXPECT_FALSE(p.contains("heartbeat")) << "the short record has no heartbeat";

    CliRun text = expectOk(run({"--quiet", "params", "get", "31"}));
    EXPECT_NE(std::string::npos, text.out.find("[Basic Settings]"));
    EXPECT_NE(std::string::npos, text.out.find("Lobby"));

    // The names are listed without any device; each can be read back from a device.
    auto fields = json::parse(run({"--quiet", "--json", "params", "fields"}).out);
    ASSERT_EQ(kSysParaFieldCount, fields.size());
    p = json::parse(run({"--quiet", "--json", "params", "get", "31"}).out);
    for (const auto& f : fields) {
        auto name = f["name"].get<std::string>();
        std::string pointer = "/";
        for (char c : name)
            pointer += c == '.' ? '/' : c;
        EXPECT_TRUE(p.contains(json::json_pointer(pointer))) << name;
    }

    EXPECT_EQ(1, run({"--quiet", "params", "get", "127.0.0.99"}).code);
    EXPECT_EQ(2, run({"--quiet", "params", "get"}).code);
}

TEST_F(CliParamsTest, EveryWriteKeepsTheRecordAsReadAndTheNewestTwenty)
{
    const auto asRead = settled("127.0.0.31").sysPara;
    const std::string mac = settled("127.0.0.31").info.macText();
    std::string folderName = mac;
    std::replace(folderName.begin(), folderName.end(), ':', '-');
    const auto folder = dir.path() / "backups" / folderName;
    // Twenty older backups already there: the next write makes 21, and the oldest goes.
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 20; ++i)
        std::ofstream(folder / ("20000101-0000" + std::to_string(10 + i) + "-000.alc")) << "old";

    ASSERT_EQ(0, run({"--quiet", "params", "set", "127.0.0.31", "volume=61"}).code);
    CliRun listed = expectOk(run({"--quiet", "--json", "params", "backups", "127.0.0.31"}));
    const auto files = json::parse(listed.out)["backups"];
    ASSERT_EQ(20u, files.size());
    EXPECT_EQ((folder / "20000101-000011-000.alc").string(), files[0]) << "the oldest was removed";
    const std::string newest = files[19];

    // The newest holds the record as the device had it before the write.
    const auto file = readAll(newest);
    ASSERT_EQ(504u, file.size());
    EXPECT_TRUE(std::equal(asRead.begin(), asRead.end(), file.begin() + 68));
    EXPECT_EQ(61, settled("127.0.0.31").sysPara[173]);

    // Restoring it is an import: the device gets its old volume back.
    ASSERT_EQ(0, run({"--quiet", "params", "import", "127.0.0.31", newest}).code);
    EXPECT_EQ(asRead[173], settled("127.0.0.31").sysPara[173]);
    EXPECT_EQ(asRead, settled("127.0.0.31").sysPara);
}

TEST_F(CliParamsTest, DryRunListsTheChangesAndWritesNothing)
{
    const auto before = settled("127.0.0.31").sysPara;
    CliRun r = expectOk(run({"--quiet", "--json", "params", "set", "127.0.0.31", "--dry-run", "volume=61",
                             "key2.mode=Mute", "sessionCache=30"}));
    EXPECT_EQ(0, writesTo("127.0.0.31"));
    EXPECT_EQ(before, settled("127.0.0.31").sysPara);
    const auto changes = json::parse(r.out)["changes"];
    std::vector<std::string> names;
    for (const auto& c : changes)
        names.push_back(c["field"]);
    // In table order, with the clamp the write would apply.
    EXPECT_EQ((std::vector<std::string>{"volume", "sessionCache", "key2.mode"}), names);
    EXPECT_EQ(26, changes[1]["to"]);
    EXPECT_EQ("Mute", changes[2]["to"]);

    // The site's devices are KP-4410s: key 3 may take "Intercom Status" (other models: ParaPagesTest).
    CliRun status = expectOk(run({"--quiet", "params", "set", "127.0.0.31", "--dry-run", "key3.mode=Intercom Status"}));
    EXPECT_EQ(0, writesTo("127.0.0.31"));
}

TEST_F(CliParamsTest, SetStoresThroughThePageRulesThenWritesAndApplies)
{
    CliRun r = expectOk(run({"--quiet", "params", "set", "127.0.0.31", "volume=60", "deviceName=Foyer",
                             "outputCache=40", "busyTone=Three busy tone(3)"}));
    EXPECT_NE(std::string::npos, r.out.find("volume"));
    const auto d = settled("127.0.0.31");
    const ConstBytes rec(d.sysPara);
    EXPECT_EQ(60, rec[173]);
    EXPECT_EQ(26, rec[168]) << "output cache clamped to 26";
    EXPECT_EQ(3, rec[189]);
    EXPECT_EQ("Foyer", d.info.devName());
    EXPECT_FALSE(d.pendingPara) << "applied";
    EXPECT_EQ(1, writesTo("127.0.0.31"));

    // Refusals write nothing.
    const int writes = writesTo("127.0.0.31");
    EXPECT_TRUE(refusedExactly(run({"--quiet", "params", "set", "127.0.0.31", "deviceName=ABCDEFGHIJKLMNOP"}),
                               "auctl: The length of the device name cannot exceed 15 bytes!\n"));
    EXPECT_TRUE(refused(run({"--quiet", "params", "set", "127.0.0.31", "playFailureDelay=300"}), "255 seconds"));
    EXPECT_EQ(1, run({"--quiet", "params", "set", "127.0.0.31", "volume=101"}).code);
    EXPECT_EQ(1, run({"--quiet", "params", "set", "127.0.0.32", "heartbeat=5"}).code) << "not in the short record";
    EXPECT_EQ(writes, writesTo("127.0.0.31"));
    EXPECT_EQ(2, run({"--quiet", "params", "set", "127.0.0.31", "loudness=5"}).code);
    EXPECT_EQ(2, run({"--quiet", "params", "set", "127.0.0.31", "volume"}).code);

    // A short-record device gets exactly 392 bytes: the simulator takes no other size.
    ASSERT_EQ(0, run({"--quiet", "params", "set", "32", "ringCount=7"}).code);
    EXPECT_EQ(7, settled("127.0.0.32").sysPara[170]);
}

TEST_F(CliParamsTest, ExportDiffAndImportKeepTheDevicesMac)
{
    const std::string file = (dir.path() / "lobby.alc").string();
    ASSERT_EQ(0, run({"--quiet", "params", "export", "127.0.0.31", file}).code);
    const auto bytes = readAll(file);
    ASSERT_EQ(504u, bytes.size());

    ASSERT_EQ(0, run({"--quiet", "params", "set", "127.0.0.31", "volume=10"}).code);
    CliRun diff = expectOk(run({"--quiet", "--json", "params", "diff", "127.0.0.31", file}));
    auto changes = json::parse(diff.out)["changes"];
    ASSERT_EQ(1u, changes.size()) << diff.out;
    EXPECT_EQ("volume", changes[0]["field"]);
    EXPECT_EQ(10, changes[0]["from"]);
    EXPECT_EQ(0, writesTo("127.0.0.32"));

    ASSERT_EQ(0, run({"--quiet", "params", "import", "127.0.0.31", file}).code);
    EXPECT_NE(10, settled("127.0.0.31").sysPara[173]);
    EXPECT_EQ("no change\n", run({"--quiet", "params", "diff", "127.0.0.31", file}).out);

    // A record of the other layout would land shifted: refused.
    EXPECT_TRUE(refused(run({"--quiet", "params", "import", "127.0.0.32", file}), "436-byte parameter record"));
    EXPECT_EQ(0, writesTo("127.0.0.32"));

    // Another device's file, moved to a free address: the record follows the
    // file, the MAC stays the device's own.
    const auto lobbyMac = settled("127.0.0.31").info;
    auto patch = bytes;
    patch[68 + kLayout436.ip + 3] = 77; // 127.0.0.77
    writeAll(file, patch);
    const auto before = settled("127.0.0.33").info;
    ASSERT_EQ(0, run({"--quiet", "params", "import", "127.0.0.33", file}).code);
    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.77")).has_value(); })) << "the address was applied";
    const auto moved = site->device(ip("127.0.0.77"));
    EXPECT_TRUE(std::equal(before.mac(), before.mac() + 6, moved->info.mac()));
    EXPECT_FALSE(std::equal(lobbyMac.mac(), lobbyMac.mac() + 6, moved->info.mac()));

    // A file that cannot be imported (each kind is ConfigFileTest's) or is missing changes nothing.
    const int writes = countSent(CMD_WRITE_SYS_PARA);
    writeAll(file, Vec(bytes.begin(), bytes.begin() + 300));
    EXPECT_EQ(1, run({"--quiet", "params", "import", "127.0.0.77", file}).code);
    EXPECT_EQ(1, run({"--quiet", "params", "diff", "127.0.0.77", (dir.path() / "none.alc").string()}).code);
    EXPECT_EQ(writes, countSent(CMD_WRITE_SYS_PARA));
}

TEST_F(CliParamsTest, MacSetFollowsTheDialogRulesAndTheDeviceAnswersToIt)
{
    EXPECT_TRUE(refusedExactly(run({"--quiet", "mac", "set", "31", "02:4b:G1:00:00:01"}),
                               "auctl: The MAC address entered is incorrect!\n"));

    CliRun r = expectOk(run({"--quiet", "--json", "mac", "set", "31", "02:aa:bb:0c:d:"}));
    EXPECT_EQ("02:aa:bb:0c:0d:00", json::parse(r.out)["mac"]);
    const std::uint8_t want[6] = {0x02, 0xAA, 0xBB, 0x0C, 0x0D, 0x00};
    EXPECT_TRUE(std::equal(want, want + 6, settled("127.0.0.31").info.mac()));
    // The next exchange reaches it under the new address.
    auto p = json::parse(run({"--quiet", "--json", "params", "get", "02:aa:bb:0c:0d:00"}).out);
    EXPECT_EQ("02:aa:bb:0c:0d:00", p["mac"]);
}

TEST_F(CliParamsTest, RemoteDevicesTurnOnlineOnceTheyAnswerAPoll)
{
    ASSERT_EQ(0, run({"--quiet", "devices", "add", "--no", "5", "--name", "Gatehouse", "--ip", "127.1.0.5", "--mask",
                      "255.255.0.0"})
                     .code);
    CliRun offline = run({"--quiet", "--json", "devices", "list", "--no-poll"});
    EXPECT_EQ("Offline", json::parse(offline.out)[0]["status"]);

    CliRun list = expectOk(run({"--verbose", "--json", "devices", "list"}));
    auto d = json::parse(list.out)[0];
    EXPECT_EQ("Online", d["status"]);
    EXPECT_EQ(2, d["state"]);
    EXPECT_EQ("127.0.0.1", d["localIp"]);
    EXPECT_NE(std::string::npos, list.err.find("poll 127.1.0.5 through 127.0.0.1: answered"));

    // A search finds the local devices and polls the remote one: it is online too,
    // and its parameters can be read through the unicast the poll proved.
    CliRun search = expectOk(run({"--quiet", "--json", "search"}));
    int online = 0;
    for (const auto& dev : json::parse(search.out))
        online += dev["status"] == "Online";
    EXPECT_EQ(4, online);
    EXPECT_EQ(0, run({"--quiet", "params", "get", "127.1.0.5"}).code);
    for (const auto& e : site->traffic(ip("127.1.0.5")))
        EXPECT_FALSE(e.broadcast);
}

TEST_F(CliParamsTest, TimeSyncSetsTheClocks)
{
    CliRun r = expectOk(run({"time", "sync"}));
    EXPECT_NE(std::string::npos, r.err.find("Synchronization time completed."));
    // Nothing answers a time broadcast; give the site a moment to take it in (the time set is TimeSyncTest's).
    EXPECT_TRUE(eventually([&] { return settled("127.0.0.31").clock.has_value(); }));
    EXPECT_FALSE(settled("127.1.0.5").clock) << "a remote device ignores broadcasts";
    EXPECT_EQ(2, run({"time"}).code);
}

TEST_F(CliParamsTest, AWriteIsReadBackAndALostApplyFailsTheCommand)
{
    protocolConfig().timing.confirmWindowMs = 600;
    protocolConfig().timing.confirmRetryPauseMs = 50;
    const std::string file = (dir.path() / "stage.alc").string();
    ASSERT_EQ(0, run({"--quiet", "params", "export", "127.0.0.33", file}).code);
    {
        std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(68 + 173);
        f.put(static_cast<char>(settled("127.0.0.33").sysPara[173] ^ 0x07)); // the volume differs from the device's
    }
    auto commandsAfterApply = [&](const char* addr) {
        std::vector<std::uint16_t> out;
        bool applied = false;
        for (const auto& e : site->traffic(ip(addr))) {
            if (applied)
                out.push_back(e.command);
            applied = applied || e.command == CMD_APPLY_SYS_PARA;
        }
        site->clearTraffic();
        return out;
    };
    const std::vector<std::uint16_t> readBack{CMD_READ_SYS_PARA};

    // Confirmed: one read-back after the apply, and JSON says so.
    CliRun ok = expectOk(run({"--quiet", "--json", "params", "set", "31", "volume=44"}));
    EXPECT_EQ(true, json::parse(ok.out)["confirmed"]);
    EXPECT_EQ(readBack, commandsAfterApply("127.0.0.31"));

    fault(0, [](auto& f) { f.silentCommands = {CMD_APPLY_SYS_PARA}; });
    struct Case {
        std::vector<std::string> args;
        const char* addr;
        std::string says;
    };
    const Case cases[] = {
        {{"params", "set", "31", "volume=45"}, "127.0.0.31",
         "auctl: the parameters of Lobby(127.0.0.31) were not written: the device did not take the written "
         "parameters\n"},
        {{"params", "import", "33", file}, "127.0.0.33",
         "auctl: the parameters of Stage(127.0.0.33) were not written: the device did not take the written "
         "parameters\n"},
        {{"mac", "set", "32", "02:aa:bb:00:00:32"}, "127.0.0.32",
         "auctl: the MAC address of Canteen(127.0.0.32) was not changed: the device did not take the written "
         "parameters\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        auto args = c.args;
        args.insert(args.begin(), "--json");
        const CliRun r = run(args);
        EXPECT_TRUE(refused(r, c.says));
        EXPECT_TRUE(r.said(") did not take the written parameters\n")) << "the operation log says it too: " << r.err;
        EXPECT_EQ(false, json::parse(r.out)["confirmed"]);
        // The device answered with its old record: write and apply went twice more.
        const auto after = commandsAfterApply(c.addr);
        EXPECT_EQ(2, std::count(after.begin(), after.end(), CMD_WRITE_SYS_PARA));
        EXPECT_EQ(CMD_READ_SYS_PARA, after.back());

        // --no-confirm, right after the command or at the end: the old behaviour.
        for (bool early : {true, false}) {
            auto plain = c.args;
            if (c.args[0] == "mac")
                plain[3] = "02:aa:bb:00:00:33"; // the device still answers to its old MAC
            plain.insert(early ? plain.begin() + 2 : plain.end(), "--no-confirm");
            plain.insert(plain.begin(), "--quiet");
            CliRun skipped = expectOk(run(plain));
            // The apply is sent without an answer: it may reach the simulator a moment after auctl ends.
            EXPECT_TRUE(eventually([&] {
                const auto t = site->traffic(ip(c.addr));
                return !t.empty() && t.back().command == CMD_APPLY_SYS_PARA;
            })) << "nothing read back after the apply";
            site->clearTraffic();
        }
    }
}

TEST_F(CliParamsTest, AShortParameterReplyIsAFailedReadAndNothingIsWritten)
{
    fault(ip("127.0.0.31"), [](auto& f) { f.paraReplyBytes = 392; }); // from a device whose version claims 436
    const auto before = settled("127.0.0.31");
    for (const auto& args : {std::vector<std::string>{"params", "set", "31", "volume=5"},
                             std::vector<std::string>{"params", "get", "31"},
                             std::vector<std::string>{"mac", "set", "31", "02:00:00:00:00:09"}}) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const CliRun r = run(args);
        EXPECT_TRUE(refused(r, "shorter than its layout"));
        EXPECT_TRUE(r.out.empty()) << "nothing shown: " << r.out;
    }
    EXPECT_EQ(0, countSent(CMD_WRITE_SYS_PARA));
    EXPECT_EQ(before.sysPara, settled("127.0.0.31").sysPara);
}
