#include <gtest/gtest.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "protocol/UdpSocket.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

class CliTest : public SimFixture {
protected:
    void SetUp() override { useFastTiming(); }

    CliRun run(std::vector<std::string> args) { return runAuctl({"--data-dir", dir.path().string()}, std::move(args)); }

    TempDir dir;
};

} // namespace

TEST_F(CliTest, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> usageErrors = {
        {}, {"--bogus", "search"}, {"--port", "abc", "search"}, {"--port", "70000", "search"},
        {"--adapter", "not-an-ip", "search"}, {"frobnicate"}, {"devices"}, {"devices", "add", "--no", "5"},
        {"devices", "add", "--no", "5", "--name", "x", "--ip", "1.2.3", "--mask", "255.0.0.0"},
        {"devices", "delete", "nothing"}};
    for (const auto& args : usageErrors)
        EXPECT_EQ(2, run(args).code) << (args.empty() ? "" : args.back());
    CliRun help = expectOk(run({"--help"}));
    EXPECT_NE(std::string::npos, help.out.find("devices add"));
}

TEST_F(CliTest, EachCommandHasItsOwnHelp)
{
    const struct {
        std::vector<std::string> args;
        const char* has;
        const char* hasNot;
    } cases[] = {
        {{"group", "--help"}, "group download [--parallel N]", "upgrade firmware"},
        {{"help", "group"}, "group members NO DEVICE...", "book list"},
        {{"upgrade", "firmware", "x.bin", "--help"}, "--verify-timeout S", "group add"},
        {{"devices", "add", "-h"}, "devices add --no N", "params get"},
        {{"help"}, "group add NO NAME", "unknown command"},
    };
    for (const auto& c : cases) {
        CliRun r = run(c.args);
        EXPECT_EQ(0, r.code) << c.args[0];
        EXPECT_NE(std::string::npos, r.out.find(c.has)) << r.out;
        EXPECT_EQ(std::string::npos, r.out.find(c.hasNot)) << r.out;
        EXPECT_EQ("", r.err);
    }
    EXPECT_EQ(2, run({"help", "frobnicate"}).code);
}

// Bytes that are not UTF-8, typed where a name or a file goes: every command
// ends with its own exit code, and what it prints is JSON.
TEST_F(CliTest, BytesThatAreNotUtf8NeverEndTheProgram)
{
    const std::string bad = "Caf\xE9\xFF";
    const std::vector<std::vector<std::string>> commands = {
        {"group", "add", "9", bad},
        {"group", "add", "8", "Ok"},
        {"group", "edit", "8", "--name", bad},
        {"group", "list"},
        {"book", "create", bad},
        {"upgrade", "firmware", bad},
        {"devices", "add", "--no", "5", "--name", bad, "--ip", "10.9.0.5", "--mask", "255.255.255.0"},
        {"devices", "delete", bad},
    };
    for (auto args : commands) {
        args.insert(args.begin(), {"--quiet", "--json", "--adapter", "127.0.0.1"});
        CliRun r{};
        ASSERT_NO_THROW(r = run(args)) << args[4];
        EXPECT_LE(r.code, 2) << args[4];
        EXPECT_TRUE(r.out.empty() || json::accept(r.out)) << r.out;
    }
}

TEST_F(CliTest, ManualDevicesFollowTheAddRules)
{
    auto add = [&](const char* no, const char* name, const char* ip) {
        return run({"--quiet", "devices", "add", "--no", no, "--name", name, "--ip", ip, "--mask", "255.255.255.0"});
    };
    // The refusals of single values are CliFilesTest's and CliLanguageTest's; here the one against the list.
    ASSERT_EQ(0, add("60", "Gate", "10.9.0.60").code);
    EXPECT_TRUE(refusedExactly(add("60", "Other", "10.9.0.61"), "auctl: Device NO is duplicate!\n"));
    ASSERT_EQ(0, add("61", "Back door", "10.9.0.61").code);

    CliRun list = expectOk(run({"--json", "devices", "list"}));
    auto devices = json::parse(list.out);
    ASSERT_EQ(2u, devices.size());
    // Manual entries go to the front; a device of another subnet waits for a poll (state 4).
    EXPECT_EQ("10.9.0.61", devices[0]["ip"]);
    EXPECT_EQ(4, devices[0]["state"]);
    EXPECT_EQ("Offline", devices[0]["status"]);
    EXPECT_EQ("Address Book", devices[0]["location"]);
    EXPECT_EQ("Back door", devices[0]["name"]);

    EXPECT_EQ(0, run({"--quiet", "devices", "delete", "10.9.0.61"}).code);
    EXPECT_EQ(1, run({"--quiet", "devices", "delete", "10.9.0.99"}).code);
    devices = json::parse(run({"--json", "devices", "list"}).out);
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ(60, devices[0]["no"]);
}

TEST_F(CliTest, SearchFindsADeviceSideServingThePort)
{
    startSite({simDevice("127.0.0.81", 81, 81, "Lobby"), simDevice("127.0.0.82", 82, 82, "Hall")});
    CliRun r = expectOk(run({"--adapter", "127.0.0.1", "--port", std::to_string(site->port()), "--json", "search"}));
    auto devices = json::parse(r.out);
    ASSERT_EQ(2u, devices.size());
    for (const auto& d : devices) {
        for (const char* key : {"status", "no", "ip", "mac", "name", "type", "firmware", "serverIp", "deviceStatus",
                                "location", "state", "localIp"})
            EXPECT_TRUE(d.contains(key)) << key;
        EXPECT_EQ(0, d["state"]);
        EXPECT_EQ("Online", d["status"]);
        EXPECT_EQ("Local Network", d["location"]);
        EXPECT_EQ("127.0.0.1", d["localIp"]);
    }
    EXPECT_NE(std::string::npos, r.err.find("Local network card1:")) << "the search's log (its lines are DiscoveryTest's)";

    // The plain table: a title line and one line per device.
    CliRun table =
        expectOk(run({"--quiet", "--adapter", "127.0.0.1", "--port", std::to_string(site->port()), "search"}));
    EXPECT_EQ(0u, table.out.find("Status  NO  IP Address"));
    EXPECT_EQ(3, std::count(table.out.begin(), table.out.end(), '\n'));
}

TEST_F(CliTest, KeptDevicesAreSavedAndLoadOffline)
{
    CliRun r = expectOk(run({"--quiet", "--demo", "--json", "search", "--keep"}));
    auto found = json::parse(r.out);
    ASSERT_GE(found.size(), 8u);
    for (const auto& d : found) {
        EXPECT_EQ(1, d["state"]);
        EXPECT_EQ("Address Book", d["location"]);
    }
    auto saved = json::parse(run({"--json", "devices", "list"}).out);
    ASSERT_EQ(found.size(), saved.size());
    for (const auto& d : saved) {
        EXPECT_EQ("Offline", d["status"]);
        EXPECT_EQ("Offline", d["deviceStatus"]);
    }
}

TEST_F(CliTest, NoUsableAdapterIsRefused)
{
    EXPECT_TRUE(refused(run({"--adapter", "203.0.113.9", "search"}), "auctl: Local network card not found!"));
}

TEST_F(CliTest, IniChoosesAdaptersAndPortUnlessTheCommandLineDoes)
{
    startSite({simDevice("127.0.0.91", 91, 91)});
    std::ofstream(dir.path() / "AuliraServer.ini")
        << "[Network]\nAdapters=127.0.0.1\nDevicePort=" << site->port() << "\n";
    CliRun r = expectOk(run({"--json", "search"}));
    auto devices = json::parse(r.out);
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ("127.0.0.91", devices[0]["ip"]);
    EXPECT_NE(std::string::npos, r.err.find("<127.0.0.1>,<255.0.0.0>"));

    // --port wins over the file: nothing answers on a port held by a silent socket.
    UdpSocket silent;
    ASSERT_TRUE(silent.open() && silent.bind(std::string("127.0.0.1"), 0));
    CliRun other = expectOk(run({"--quiet", "--json", "--port", std::to_string(silent.localPort()), "search"}));
    EXPECT_EQ(0u, json::parse(other.out).size());
}

TEST_F(CliTest, CodePagesAndHostileNamesNeverBreakTheOutput)
{
    CodePageGuard guard;
    if (defaultCodePage() != 1252)
        GTEST_SKIP() << "the expected texts are those of code page 1252, the default for this locale";
    startSite({simDevice("127.0.0.83", 83, 83, "Bad\xFF\x1b[2J\x85")});
    struct Case {
        const char* ini;
        std::string name;    // as --json gives it
        std::string shown;   // as the table shows it
        const char* startup; // the refusal on stderr, if any
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"[Text]\nCodePage=1252\n", "Bad\xC3\xBF\x1b[2J\xE2\x80\xA6", "Bad\xC3\xBF\\x1b[2J\xE2\x80\xA6", nullptr},
        {"[Text]\nCodePage=65001\n", "Bad" + fffd + "\x1b[2J" + fffd, "Bad" + fffd + "\\x1b[2J" + fffd, nullptr},
        {"[Text]\nCodePage=12345\n", "Bad\xC3\xBF\x1b[2J\xE2\x80\xA6", "Bad\xC3\xBF\\x1b[2J\xE2\x80\xA6",
         "AuliraServer.ini: Text/CodePage: code page 12345 is not known on this system; the default code page 1252 is "
         "used\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        setCodePage(1252); // the default this test's locale stands for
        std::ofstream(dir.path() / "AuliraServer.ini", std::ios::trunc) << c.ini;
        const std::vector<std::string> where{"--adapter", "127.0.0.1", "--port", std::to_string(site->port())};
        auto args = where;
        args.insert(args.end(), {"--json", "search"});
        CliRun r = expectOk(run(args));
        EXPECT_EQ(c.name, json::parse(r.out).at(0)["name"]);
        EXPECT_EQ(c.startup != nullptr, r.said(c.startup ? c.startup : "CodePage")) << r.err;
        args = where;
        args.insert(args.end(), {"--quiet", "search"});
        CliRun table = run(args);
        EXPECT_NE(std::string::npos, table.out.find(c.shown)) << table.out;
        EXPECT_EQ(std::string::npos, table.out.find('\x1b')) << "no raw control character reaches the terminal";
    }
}
