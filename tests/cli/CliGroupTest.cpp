#include <gtest/gtest.h>

#include <map>

#include <nlohmann/json.hpp>

#include "grouping/GroupFile.h"
#include "params/SysParaOffsets.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

using Vec = std::vector<std::uint8_t>;

class CliGroupTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        auto canteen = simDevice("127.0.0.32", 32, 32, "Canteen");
        canteen.firmware = "V1.0.7";
        startSite({simDevice("127.0.0.31", 31, 31, "Lobby"), canteen, simDevice("127.0.0.33", 33, 33, "Stage")});
    }

    Vec file() const { return readAll(dir.path() / "group"); }

    // A device's group bytes once it has taken in everything sent to it.
    Vec groupBytes(const char* addr)
    {
        trafficUpToNow(ip(addr));
        const auto d = site->device(ip(addr)).value();
        const std::size_t off = d.layout == 436 ? kLayout436.groupNos : kLayout392.groupNos;
        return Vec(d.sysPara.begin() + static_cast<long>(off), d.sysPara.begin() + static_cast<long>(off + 8));
    }

    // --json download output: the percentages and the closing object.
    static std::pair<std::vector<int>, json> events(const CliRun& r)
    {
        std::vector<int> percents;
        const auto all = r.events();
        for (const auto& e : all)
            if (e["event"] == "progress")
                percents.push_back(e["percent"]);
        return {percents, all.empty() ? json() : all.back()};
    }
};

} // namespace

TEST_F(CliGroupTest, AddEditDeleteKeepTheGroupFile)
{
    EXPECT_EQ("no groups\n", run({"group", "list"}).out);
    ASSERT_EQ(0, run({"group", "add", "5", "Floor 1"}).code);
    ASSERT_EQ(0, run({"group", "add", "9", "Yard"}).code);
    const Vec saved = file();
    const auto decoded = decodeGroupFile(saved);
    ASSERT_EQ(2u, decoded.groups.size());
    EXPECT_EQ(5, decoded.groups[0].number());
    EXPECT_EQ("Floor 1", decoded.groups[0].header.nameBytes());

    // Each refusal names its reason and leaves the file as it was.
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"group", "add", "9", "Again"}, "Group NO already exists, please re-enter!"},
        {{"group", "add", "abc", "Hall"}, "Group NO setting error!"},
        {{"group", "add", "6", "Sixteen bytes!!!"}, "The group name is too long and cannot exceed 15 bytes!"},
        {{"group", "edit", "5", "--name", ""}, "Group name cannot be empty!"},
        {{"group", "delete", "4"}, "there is no group 4"},
    };
    for (const auto& [args, message] : refusals) {
        EXPECT_TRUE(refused(run(args), "auctl: " + message + "\n")) << args[1];
    }
    EXPECT_EQ(saved, file());
    EXPECT_EQ(2, run({"group", "add", "7"}).code);
    EXPECT_EQ(2, run({"group", "edit", "5"}).code);

    ASSERT_EQ(0, run({"group", "edit", "5", "--no", "5", "--name", "Hall"}).code) << "keeps its own number";
    CliRun edited = expectOk(run({"--json", "group", "edit", "5", "--no", "6"}));
    const json hall = {{"no", 6}, {"name", "Hall"}, {"members", json::array()}};
    EXPECT_EQ(hall, json::parse(edited.out));
    CliRun del = expectOk(run({"--json", "group", "delete", "9"}));
    EXPECT_EQ(json::array({hall}), json::parse(del.out));
    EXPECT_EQ(68u + 28, file().size());
}

TEST_F(CliGroupTest, MembersAreTheGivenDevicesAndTheDownloadWritesTheirGroups)
{
    ASSERT_EQ(0, run({"group", "add", "1", "North"}).code);
    ASSERT_EQ(0, run({"group", "add", "2", "South"}).code);
    CliRun m = run({"--quiet", "--json", "group", "members", "1", "127.0.0.31", "32"}); // by address and number
    ASSERT_EQ(0, m.code) << m.err;
    const json north = {{"no", 1},
                        {"name", "North"},
                        {"members",
                         {{{"no", 31}, {"name", "Lobby"}, {"ip", "127.0.0.31"}},
                          {{"no", 32}, {"name", "Canteen"}, {"ip", "127.0.0.32"}}}}};
    EXPECT_EQ(north, json::parse(m.out));
    ASSERT_EQ(0, run({"--quiet", "group", "members", "2", "127.0.0.33", "127.0.0.31"}).code);
    const Vec before = file();
    EXPECT_TRUE(refused(run({"--quiet", "group", "members", "2", "127.0.0.99"}),
                        "no device with the address or number 127.0.0.99 was found"));
    EXPECT_EQ(before, file());

    CliRun d = expectOk(run({"--json", "group", "download"}));
    const auto [percents, end] = events(d);
    EXPECT_EQ((std::vector<int>{16, 33, 50, 66, 83, 100}), percents);
    EXPECT_EQ((json{{"event", "end"}, {"online", 3}, {"completed", 3}, {"unconfirmed", 0}}), end);
    EXPECT_TRUE(d.said("Canteen(127.0.0.32) set grouping completed.\n")) << d.err;
    EXPECT_EQ((Vec{1, 2, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.31"));
    EXPECT_EQ((Vec{1, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.32")) << "in its own 392-byte record";
    EXPECT_EQ((Vec{2, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.33"));

    // No devices empties the group. A dry run names the devices it would
    // write and those that lose numbers they hold now, and sends nothing.
    ASSERT_EQ(0, run({"group", "members", "1"}).code);
    CliRun dry = expectOk(run({"--quiet", "--json", "group", "download", "--dry-run"}));
    std::map<std::string, json> planned;
    for (const auto& e : dry.events())
        planned[e.value("device", std::string("end"))] = e;
    EXPECT_EQ((json{{"event", "end"}, {"dryRun", true}, {"written", 3}, {"losing", 2}}), planned["end"]);
    EXPECT_EQ((json{{"event", "would-write"}, {"device", "127.0.0.31"}, {"name", "Lobby"}, {"now", {1, 2}},
                    {"after", json::array({2})}, {"lost", json::array({1})}}),
              planned["127.0.0.31"]);
    EXPECT_EQ(json::array({1}), planned["127.0.0.32"]["lost"]);
    EXPECT_EQ(json::array(), planned["127.0.0.33"]["lost"]);
    CliRun text = expectOk(run({"--quiet", "group", "download", "--dry-run"}));
    for (const char* line : {"3 online devices would be written:\n", "  Canteen(127.0.0.32): none\n",
                             "Devices that lose group numbers they have now: 2\n",
                             "  Lobby(127.0.0.31) loses 1 (has 1, 2)\n", "Nothing was sent (--dry-run).\n"})
        EXPECT_NE(std::string::npos, text.out.find(line)) << line << "\n" << text.out;
    EXPECT_EQ((Vec{1, 2, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.31"));
    EXPECT_EQ((Vec{1, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.32"));
    // The next download clears the bytes.
    CliRun again = expectOk(run({"--quiet", "group", "download"}));
    EXPECT_EQ("16%\n33%\n50%\n66%\n83%\n100%\ngroup numbers set on 3 of 3 online devices\n", again.out);
    EXPECT_EQ(Vec(8, 0), groupBytes("127.0.0.32"));
}

TEST_F(CliGroupTest, DownloadRefusesWithoutGroupsAndReportsFailedDevices)
{
    EXPECT_TRUE(refused(run({"group", "download"}), "auctl: No device grouping!\n"));
    EXPECT_TRUE(site->traffic().empty()) << "refused before any search";

    ASSERT_EQ(0, run({"group", "add", "3", "All"}).code);
    ASSERT_EQ(0, run({"--quiet", "group", "members", "3", "31", "33"}).code);
    fault(ip("127.0.0.33"), [](auto& f) { f.silentCommands = {CMD_READ_SYS_PARA}; });
    CliRun d = run({"--json", "group", "download"});
    EXPECT_EQ(1, d.code);
    const auto [percents, end] = events(d);
    EXPECT_EQ((std::vector<int>{16, 33, 50, 66, 83}), percents);
    EXPECT_EQ((json{{"event", "end"}, {"online", 3}, {"completed", 2}, {"unconfirmed", 0}}), end);
    EXPECT_TRUE(d.said("Stage(127.0.0.33) failed to read system parameters!\n")) << d.err;
    EXPECT_TRUE(d.said("Stage(127.0.0.33) grouping setting failed\xEF\xBC\x81\n")) << d.err;
    EXPECT_TRUE(d.said("auctl: grouping setting failed on 1 device")) << d.err;
}

TEST_F(CliGroupTest, ALostApplyIsRepeatedThenReportedAsNotTaken)
{
    ASSERT_EQ(0, run({"group", "add", "4", "Four"}).code);
    ASSERT_EQ(0, run({"--quiet", "group", "members", "4", "31", "32", "33"}).code);
    fault(ip("127.0.0.32"), [](auto& f) { f.silentCommands = {CMD_APPLY_SYS_PARA}; });

    CliRun d = run({"--json", "group", "download", "--parallel", "3"});
    EXPECT_EQ(1, d.code);
    EXPECT_EQ((json{{"event", "end"}, {"online", 3}, {"completed", 2}, {"unconfirmed", 0}}), events(d).second);
    std::vector<json> failures;
    for (const auto& e : d.events())
        if (e["event"] == "failure")
            failures.push_back(e);
    EXPECT_EQ((std::vector<json>{
                  {{"event", "failure"}, {"device", "127.0.0.32"}, {"text", "did not take the group numbers"}}}),
              failures)
        << d.out;
    EXPECT_TRUE(d.said("Canteen(127.0.0.32) did not take the group numbers")) << d.err;

    // Not confirming, the lost apply passes unseen: what --no-confirm trades away.
    EXPECT_EQ(0, run({"--quiet", "group", "download", "--no-confirm"}).code);
}

using CliGroupChecksTest = CliSiteTest;

TEST_F(CliGroupChecksTest, MembersAndDownloadRefuseWhatTheGroupingCommandRefuses)
{
    useFastTiming();
    // name, number: two devices numbered 7, then a device without a name.
    const struct {
        const char* name7b;
        const char* unnamedName;
        const char* refusal;
    } cases[] = {
        {"Seven", "Named", "Device NO is duplicate!"},
        {"Other", "", "NO:9,IP:127.0.0.63No name set. Are you sure to skip checking?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        startSite({simDevice("127.0.0.61", 7, 61, "Lobby"),
                   simDevice("127.0.0.62", std::string(c.name7b) == "Seven" ? 7 : 8, 62, c.name7b),
                   simDevice("127.0.0.63", 9, 63, c.unnamedName)});
        ASSERT_EQ(0, run({"group", "add", "1", "One"}).code);
        EXPECT_TRUE(refused(run({"--quiet", "group", "members", "1", "127.0.0.61"}), c.refusal));
        EXPECT_TRUE(refused(run({"--quiet", "group", "download"}), c.refusal));
        for (const auto& e : site->traffic())
            EXPECT_NE(CMD_WRITE_SYS_PARA, e.command & kCommandMask) << "nothing written";
        if (std::string(c.unnamedName).empty()) {
            EXPECT_EQ(0, run({"--quiet", "group", "members", "1", "127.0.0.61", "--skip-name-check"}).code);
            EXPECT_EQ(0, run({"--quiet", "group", "download", "--skip-name-check"}).code);
        }
        std::filesystem::remove(dir.path() / "group");
    }
}
