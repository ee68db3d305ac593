#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "addrbook/AddrBookFile.h"
#include "protocol/Packet.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupRules.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

class CliBookTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        startSite({simDevice("127.0.0.51", 51, 51, "Reception"), simDevice("127.0.0.52", 52, 52, "Office"),
                   simDevice("127.0.0.53", 53, 53, "Warehouse")});
        writeGroups({{1, "Hall"}, {2, "Garden"}});
    }

    // The group file as the group settings save it; each group gets one member.
    void writeGroups(const std::vector<std::pair<int, std::string>>& groups)
    {
        GroupList list;
        for (const auto& [no, name] : groups) {
            list.push_back(newGroup(GroupCheck{.number = no, .ansiName = name}));
            list.back().members.resize(1);
        }
        writeAll(groupFilePath(dir.path()), encodeGroupFile(list));
    }

    AddrBookList books()
    {
        AddrBookList out;
        LoadAddrBookFile(addrBookPath(dir.path()), out);
        return out;
    }

    std::vector<DeviceInfo_Type> siteRecords()
    {
        std::vector<DeviceInfo_Type> out;
        for (auto a : site->deviceIps())
            out.push_back(site->device(a)->info);
        return out;
    }

};

} // namespace

TEST_F(CliBookTest, CreateListAndDeleteFollowTheWizardsRules)
{
    CliRun r = expectOk(run({"book", "list"}));
    EXPECT_EQ("No address book has been set. Please create an address book first!\n", r.out);

    r = expectOk(run({"--quiet", "book", "create", "Lobby", "--group", "2", "--group", "1", "--group", "2"}));
    EXPECT_NE(std::string::npos, r.out.find("Garden"));
    EXPECT_EQ(0u, site->traffic().size()) << "a book of groups needs no network";

    // Refusals, each with its text; the file keeps the one book.
    struct Refusal {
        std::vector<std::string> args;
        const char* text;
    };
    for (const auto& [args, text] : std::vector<Refusal>{
             {{"Lobby", "--group", "1"}, "auctl: An address book with that name already exists!\n"},
             {{"", "--group", "1"}, "auctl: The address book name cannot be empty!\n"},
             {{"Other"}, "auctl: No group or device selected!\n"},
             {{"Other", "--group", "9"}, "auctl: there is no group with the number 9\n"},
             {{"Other", "--group", "x1"}, "auctl: there is no group with the number x1\n"},
         }) {
        std::vector<std::string> full{"--quiet", "book", "create"};
        full.insert(full.end(), args.begin(), args.end());
        EXPECT_TRUE(refusedExactly(run(full), text));
    }
    EXPECT_EQ(2, run({"book", "create", "X", "--group"}).code);
    EXPECT_EQ(2, run({"book", "create", "X", "--colour", "red"}).code);
    EXPECT_EQ(2, run({"book"}).code);

    // Names differ by case: a second book. The log line says what was added.
    r = expectOk(run({"book", "create", "lobby", "--group", "1"}));
    EXPECT_NE(std::string::npos, r.err.find("Add Address Book \"lobby\" Complete."));

    r = expectOk(run({"--json", "book", "list"}));
    const json want = json::parse(R"([
        {"name": "Lobby", "groups": [{"no": 2, "name": "Garden"}, {"no": 1, "name": "Hall"}],
         "broadcast": [], "intercom": []},
        {"name": "lobby", "groups": [{"no": 1, "name": "Hall"}], "broadcast": [], "intercom": []}])");
    EXPECT_EQ(want, json::parse(r.out));

    r = expectOk(run({"book", "delete", "Lobby"}));
    EXPECT_NE(std::string::npos, r.err.find("Delete address book \"Lobby\" Complete."));
    const auto left = books();
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ("lobby", left[0].name);
    EXPECT_TRUE(refusedExactly(run({"--quiet", "book", "delete", "Lobby"}),
                               "auctl: there is no address book named \"Lobby\"\n"));
}

TEST_F(CliBookTest, DownloadSendsTheBookWithCurrentNames)
{
    // Devices by address or number.
    CliRun r = expectOk(run({"--quiet", "book", "create", "Desk", "--group", "2", "--broadcast", "51", "--broadcast",
                    "127.0.0.52", "--intercom", "53"}));
    ASSERT_EQ(2u, books().at(0).broadcast.size());
    EXPECT_EQ(deviceEntry(site->device(ip("127.0.0.52"))->info), books()[0].broadcast[1]);
    EXPECT_EQ("Warehouse", books()[0].intercom.at(0).nameBytes());
    r = run({"--quiet", "book", "create", "Other", "--intercom", "127.0.0.99"});
    EXPECT_EQ("auctl: no device with the address or number 127.0.0.99 was found\n", r.err);

    // Since then a group and a device were renamed.
    writeGroups({{1, "Hall"}, {2, "Rose garden"}});
    ASSERT_EQ(0, run({"--quiet", "params", "set", "127.0.0.52", "deviceName=Back office"}).code);

    r = expectOk(run({"book", "download", "Desk", "127.0.0.51"}));
    EXPECT_EQ("Successfully downloaded the address book!\n", r.out);
    const auto b = books();
    ASSERT_EQ(1u, b.size());
    EXPECT_EQ("Rose garden", b[0].groups[0].nameBytes()) << "the file keeps the current names";
    EXPECT_EQ("Back office", b[0].broadcast[1].nameBytes());
    EXPECT_NE(std::string::npos, r.err.find("Reception(127.0.0.51): call stations do not acknowledge address books"))
        << "nothing claims the book arrived";

    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.51"))->addrBookUpdates == 1; }));
    const auto stored = site->device(ip("127.0.0.51"))->addrBook;
    EXPECT_EQ(BuildBookImage(b[0], ip("127.0.0.51"), siteRecords()), stored);

    r = expectOk(run({"--quiet", "book", "clear", "51"}));
    EXPECT_EQ("The address book has been successfully cleared!\n", r.out);
    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.51"))->addrBookUpdates == 2; }));
    EXPECT_EQ(emptyBookImage(), site->device(ip("127.0.0.51"))->addrBook);
}

TEST_F(CliBookTest, TransfersAreRefusedBeforeAnythingIsSent)
{
    EXPECT_TRUE(refusedExactly(run({"--quiet", "book", "download", "Desk", "51"}),
                               "auctl: No address book has been set. Please create an address book first!\n"));

    // A book whose image would be 32770 bytes.
    AddrBook_Type big{.name = "Big"};
    big.groups = {DevItem_Type{.kind = kDevItemGroup, .id = 1}, DevItem_Type{.kind = kDevItemGroup, .id = 2}};
    for (std::uint32_t i = 0; i < 1359; ++i)
        big.broadcast.push_back(DevItem_Type{.kind = kDevItemDevice, .id = ipFromHostOrder(0x0A000000u + i)});
    ASSERT_EQ(32770u, bookImageSize(big));
    ASSERT_TRUE(SaveAddrBookFile(addrBookPath(dir.path()), {big}));

    EXPECT_TRUE(refusedExactly(run({"--quiet", "book", "download", "Small", "51"}),
                               "auctl: No address book selected! (there is no address book named \"Small\")\n"));
    EXPECT_TRUE(refusedExactly(
        run({"--quiet", "book", "download", "Big", "127.0.0.99"}),
        "auctl: No device selected for download! (no online device with the address or number 127.0.0.99)\n"));
    EXPECT_TRUE(refusedExactly(run({"--quiet", "book", "download", "Big", "51"}),
                               "auctl: Address book size exceeds capacity!\n"));
    EXPECT_TRUE(
        refusedExactly(run({"--quiet", "book", "clear", "99"}),
                       "auctl: No device selected for download! (no online device with the address or number 99)\n"));
    EXPECT_EQ(2, run({"book", "download", "Big"}).code);
    EXPECT_EQ(0, countSent(CMD_ADDR_BOOK));
}
