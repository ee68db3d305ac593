#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <nlohmann/json.hpp>

#include "Cli.h"
#include "grouping/GroupFile.h"
#include "params/SysParaOffsets.h"
#include "protocol/Exchange.h"
#include "protocol/Packet.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

using Vec = std::vector<std::uint8_t>;

struct CliRun {
    int code;
    std::string out, err;
};

class CliGroupTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        auto canteen = simDevice("127.0.0.32", 32, 32, "Canteen");
        canteen.firmware = "V1.0.7";
        startSite({simDevice("127.0.0.31", 31, 31, "Lobby"), canteen, simDevice("127.0.0.33", 33, 33, "Stage")});
    }

    CliRun run(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        args.insert(args.begin(), {"--data-dir", dir.path().string(), "--adapter", "127.0.0.1", "--port",
                                   std::to_string(site->port())});
        int code = cli::runCli(args, out, err);
        return {code, out.str(), err.str()};
    }

    Vec file() const
    {
        std::ifstream f(dir.path() / "group", std::ios::binary);
        return Vec(std::istreambuf_iterator<char>(f), {});
    }

    // The group bytes of a device's record once it has taken in everything sent to it.
    Vec groupBytes(const char* addr)
    {
        Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
        EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", ip(addr), req, reply, 1));
        const auto d = site->device(ip(addr)).value();
        const std::size_t off = d.layout == 436 ? kLayout436.groupNos : kLayout392.groupNos;
        return Vec(d.sysPara.begin() + static_cast<long>(off), d.sysPara.begin() + static_cast<long>(off + 8));
    }

    std::vector<json> lines(const std::string& out)
    {
        std::vector<json> v;
        std::istringstream in(out);
        for (std::string l; std::getline(in, l);)
            v.push_back(json::parse(l));
        return v;
    }

    bool mentions(const CliRun& r, const std::string& text) { return r.err.find(text) != std::string::npos; }

    TempDir dir;
};

} // namespace

TEST_F(CliGroupTest, AddEditDeleteKeepTheGroupFile)
{
    CliRun empty = run({"group", "list"});
    ASSERT_EQ(0, empty.code) << empty.err;
    EXPECT_EQ("no groups\n", empty.out);
    EXPECT_EQ(json::array(), json::parse(run({"--json", "group", "list"}).out));
    EXPECT_TRUE(file().empty()) << "listing writes nothing";

    ASSERT_EQ(0, run({"group", "add", "5", "Floor 1"}).code);
    ASSERT_EQ(0, run({"group", "add", "9", "Yard"}).code);
    const Vec saved = file();
    const auto decoded = decodeGroupFile(saved);
    ASSERT_EQ(2u, decoded.groups.size());
    EXPECT_EQ(68u + 2 * 28, saved.size());
    EXPECT_EQ(2, decoded.groups[0].header.kind);
    EXPECT_EQ(5, decoded.groups[0].number());
    EXPECT_EQ("Floor 1", decoded.groups[0].header.nameBytes());

    // Each refusal names its reason and leaves the file as it was.
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"group", "add", "9", "Again"}, "Group NO already exists, please re-enter!"},
        {{"group", "add", "256", "Hall"}, "Group NO setting error!"},
        {{"group", "add", "abc", "Hall"}, "Group NO setting error!"},
        {{"group", "add", "6", ""}, "Group name cannot be empty!"},
        {{"group", "add", "6", "Sixteen bytes!!!"}, "The group name is too long and cannot exceed 15 bytes!"},
        {{"group", "edit", "5", "--no", "9"}, "Group NO already exists"},
        {{"group", "edit", "5", "--name", ""}, "Group name cannot be empty!"},
        {{"group", "edit", "4", "--name", "X"}, "there is no group 4"},
        {{"group", "delete", "4"}, "there is no group 4"},
        {{"group", "members", "4"}, "there is no group 4"},
    };
    for (const auto& [args, message] : refusals) {
        CliRun r = run(args);
        EXPECT_EQ(1, r.code) << args[1];
        EXPECT_TRUE(mentions(r, "auctl: " + message)) << r.err;
    }
    EXPECT_EQ(saved, file());
    for (std::vector<std::string> bad : {std::vector<std::string>{"group", "add", "7"},
                                         {"group", "edit", "5"},
                                         {"group", "edit", "x", "--no", "3"},
                                         {"group", "delete"},
                                         {"group", "members"},
                                         {"group", "download", "now"},
                                         {"group", "rename"}})
        EXPECT_EQ(2, run(bad).code) << bad.back();

    // Keeping its own number while renaming is fine; then renumber it.
    ASSERT_EQ(0, run({"group", "edit", "5", "--no", "5", "--name", "Hall"}).code);
    CliRun edited = run({"--json", "group", "edit", "5", "--no", "6"});
    ASSERT_EQ(0, edited.code) << edited.err;
    EXPECT_EQ((json{{"no", 6}, {"name", "Hall"}, {"members", json::array()}}), json::parse(edited.out));

    CliRun del = run({"--json", "group", "delete", "9"});
    ASSERT_EQ(0, del.code) << del.err;
    EXPECT_EQ((json::array({{{"no", 6}, {"name", "Hall"}, {"members", json::array()}}})), json::parse(del.out));
    EXPECT_EQ(68u + 28, file().size());
}

TEST_F(CliGroupTest, MembersAreTheGivenDevicesAndTheDownloadWritesTheirGroups)
{
    ASSERT_EQ(0, run({"group", "add", "1", "North"}).code);
    ASSERT_EQ(0, run({"group", "add", "2", "South"}).code);
    // By address and by number, in the order given.
    CliRun m = run({"--quiet", "--json", "group", "members", "1", "127.0.0.31", "32"});
    ASSERT_EQ(0, m.code) << m.err;
    const json expected = {{"no", 1},
                           {"name", "North"},
                           {"members",
                            {{{"no", 31}, {"name", "Lobby"}, {"ip", "127.0.0.31"}},
                             {{"no", 32}, {"name", "Canteen"}, {"ip", "127.0.0.32"}}}}};
    EXPECT_EQ(expected, json::parse(m.out));
    ASSERT_EQ(0, run({"--quiet", "group", "members", "2", "127.0.0.33", "127.0.0.31"}).code);
    const Vec before = file();
    CliRun unknown = run({"--quiet", "group", "members", "2", "127.0.0.99"});
    EXPECT_EQ(1, unknown.code);
    EXPECT_TRUE(mentions(unknown, "no device with the address or number 127.0.0.99 was found")) << unknown.err;
    EXPECT_EQ(before, file());

    CliRun text = run({"group", "list"});
    ASSERT_EQ(0, text.code);
    EXPECT_NE(std::string::npos, text.out.find("North")) << text.out;
    EXPECT_NE(std::string::npos, text.out.find("127.0.0.32")) << text.out;

    CliRun d = run({"--json", "group", "download"});
    ASSERT_EQ(0, d.code) << d.err;
    const auto events = lines(d.out);
    std::vector<int> percents;
    for (std::size_t i = 0; i + 1 < events.size(); ++i) {
        EXPECT_EQ("progress", events[i]["event"]);
        percents.push_back(events[i]["percent"]);
    }
    EXPECT_EQ((std::vector<int>{16, 33, 50, 66, 83, 100}), percents);
    EXPECT_EQ((json{{"event", "end"}, {"online", 3}, {"completed", 3}}), events.back());
    EXPECT_TRUE(mentions(d, "Lobby(127.0.0.31) set grouping completed.\n")) << d.err;
    EXPECT_TRUE(mentions(d, "Canteen(127.0.0.32) set grouping completed.\n")) << d.err;
    EXPECT_EQ((Vec{1, 2, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.31"));
    EXPECT_EQ((Vec{1, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.32")) << "its own 392-byte record";
    EXPECT_EQ((Vec{2, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.33"));

    // No devices: the group is emptied, and the next download clears the bytes.
    ASSERT_EQ(0, run({"group", "members", "1"}).code);
    CliRun again = run({"--quiet", "group", "download"});
    ASSERT_EQ(0, again.code) << again.err;
    EXPECT_EQ("16%\n33%\n50%\n66%\n83%\n100%\ngroup numbers set on 3 of 3 online devices\n", again.out);
    EXPECT_EQ((Vec{2, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.31"));
    EXPECT_EQ(Vec(8, 0), groupBytes("127.0.0.32"));
}

TEST_F(CliGroupTest, DownloadRefusesWithoutGroupsAndReportsFailedDevices)
{
    CliRun none = run({"group", "download"});
    EXPECT_EQ(1, none.code);
    EXPECT_TRUE(mentions(none, "auctl: No device grouping!\n")) << none.err;
    EXPECT_TRUE(site->traffic().empty()) << "refused before any search";

    ASSERT_EQ(0, run({"group", "add", "3", "All"}).code);
    ASSERT_EQ(0, run({"--quiet", "group", "members", "3", "31", "33"}).code);
    sim::Faults f;
    f.silentCommands = {CMD_READ_SYS_PARA};
    site->setFaults(ip("127.0.0.33"), f);
    CliRun d = run({"--json", "group", "download"});
    EXPECT_EQ(1, d.code);
    const auto events = lines(d.out);
    ASSERT_EQ(6u, events.size());
    EXPECT_EQ(83, events[4]["percent"]) << "no progress for the unreadable device";
    EXPECT_EQ((json{{"event", "end"}, {"online", 3}, {"completed", 2}}), events.back());
    EXPECT_TRUE(mentions(d, "Stage(127.0.0.33) failed to read system parameters!\n")) << d.err;
    EXPECT_TRUE(mentions(d, "Stage(127.0.0.33) grouping setting failed\xEF\xBC\x81\n")) << d.err;
    EXPECT_TRUE(mentions(d, "auctl: grouping setting failed on 1 device")) << d.err;
    EXPECT_EQ((Vec{3, 0, 0, 0, 0, 0, 0, 0}), groupBytes("127.0.0.31"));
}
