#include <gtest/gtest.h>

#include "grouping/GroupRules.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::ip;

namespace {

struct CodePageGuard {
    int saved = codePage();
    ~CodePageGuard() { setCodePage(saved); }
};

GroupItem_Type made(int no, const char* name)
{
    GroupCheck c;
    c.number = no;
    c.ansiName = name;
    return newGroup(c);
}

DeviceInfo_Type device(int no, const char* name, const char* addr)
{
    DeviceInfo_Type d;
    d.setDevNo(no);
    d.setDevName(name);
    d.setIp(ip(addr));
    return d;
}

int refusal(const std::string& no, const std::string& name, const GroupList& groups = {},
            GroupEditMode mode = GroupEditMode::Add, const GroupItem_Type* editing = nullptr)
{
    return checkGroupEntry(mode, {no, name}, groups, editing).refusal;
}

} // namespace

TEST(GroupRules, NumberIsReadAsTheBoxReadsItAndMustLieInOneTo255)
{
    for (const char* bad : {"0", "256", "-1", "abc", "", " ", "99999999999"})
        EXPECT_EQ(IDS_GROUP_NO_ERROR, refusal(bad, "Hall")) << bad;
    for (auto [text, no] : {std::pair{"1", 1}, {"255", 255}, {" 42", 42}, {"+7", 7}, {"12abc", 12}}) {
        const GroupCheck c = checkGroupEntry(GroupEditMode::Add, {text, "Hall"}, {}, nullptr);
        EXPECT_EQ(0, c.refusal) << text;
        EXPECT_EQ(no, c.number) << text;
    }
    // The number is checked before anything about the name.
    EXPECT_EQ(IDS_GROUP_NO_ERROR, refusal("0", ""));
}

TEST(GroupRules, NumberTakenByAnotherGroupInAddAndEditMode)
{
    const GroupList groups{made(5, "A"), made(9, "B")};
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("9", "C", groups));
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("9", "", groups)) << "taken is told before empty";
    EXPECT_EQ(0, refusal("10", "C", groups));
    // Editing B may keep its own number, not take A's.
    EXPECT_EQ(0, refusal("9", "B2", groups, GroupEditMode::Edit, &groups[1]));
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("5", "B2", groups, GroupEditMode::Edit, &groups[1]));
    // In add mode even the group passed along counts.
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("9", "B2", groups, GroupEditMode::Add, &groups[1]));
}

TEST(GroupRules, NameMustBeThereAndFitFifteenAnsiBytes)
{
    CodePageGuard guard;
    setCodePage(1252);
    EXPECT_EQ(IDS_GROUP_NAME_EMPTY, refusal("1", ""));
    EXPECT_EQ(0, refusal("1", "   ")) << "not trimmed";
    EXPECT_EQ(0, refusal("1", std::string(15, 'a')));
    EXPECT_EQ(IDS_GROUP_NAME_TOO_LONG, refusal("1", std::string(16, 'a')));
    // "é" is one byte in 1252, two in UTF-8: the ANSI length counts.
    std::string accented;
    for (int i = 0; i < 15; ++i)
        accented += "\xC3\xA9";
    const GroupCheck c = checkGroupEntry(GroupEditMode::Add, {"1", accented}, {}, nullptr);
    EXPECT_EQ(0, c.refusal);
    EXPECT_EQ(std::string(15, '\xE9'), c.ansiName);
    EXPECT_EQ(IDS_GROUP_NAME_NOT_ENCODABLE, refusal("1", "\xE4\xB8\xAD"));
    EXPECT_STRNE("", stringText(IDS_GROUP_NAME_NOT_ENCODABLE));

    setCodePage(936);
    const std::string seven = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D\xE7\xA7\xB0\xE6\xB5\x8B\xE8\xAF\x95\xE4\xB8\x80";
    const std::string eight = seven + "\xE4\xBA\x8C";
    const GroupCheck ok = checkGroupEntry(GroupEditMode::Add, {"1", seven}, {}, nullptr);
    EXPECT_EQ(0, ok.refusal);
    EXPECT_EQ(14u, ok.ansiName.size());
    EXPECT_EQ(IDS_GROUP_NAME_TOO_LONG, refusal("1", eight));
    EXPECT_EQ(0, refusal("1", seven + "a")) << "seven double-byte characters and one more byte make 15";
}

TEST(GroupRules, NewAndEditedGroupsCarryKindNumberAndTerminatedName)
{
    const GroupCheck c = checkGroupEntry(GroupEditMode::Add, {"17", "Hall"}, {}, nullptr);
    GroupItem_Type g = newGroup(c);
    DevItem_Type expected{};
    expected.kind = 2;
    expected.id = 17;
    expected.setNameBytes("Hall");
    EXPECT_EQ(expected, g.header);
    EXPECT_TRUE(g.members.empty());

    g.members.push_back({});
    g.header.name.fill('x');
    const GroupCheck e = checkGroupEntry(GroupEditMode::Edit, {"18", "Yard"}, {g}, &g);
    ASSERT_EQ(0, e.refusal);
    storeGroupEntry(e, g);
    EXPECT_EQ(18, g.number());
    EXPECT_EQ("Yard", g.header.nameBytes());
    EXPECT_EQ(0, g.header.name[4]);
    EXPECT_EQ(1u, g.members.size()) << "editing keeps the members";
}

TEST(GroupRules, TickingRebuildsMembersAndMembershipGoesByNumberOrByAddress)
{
    GroupList groups{made(1, "A"), made(2, "B"), made(3, "C")};
    setMembersFromTicked(groups[0], {device(31, "Lobby", "10.0.0.5"),
                                     device(7, "A name longer than fifteen bytes", "10.0.0.9")});
    ASSERT_EQ(2u, groups[0].members.size());
    EXPECT_EQ(31, groups[0].members[0].devNo);
    EXPECT_EQ("Lobby", groups[0].members[0].nameBytes());
    EXPECT_EQ(ip("10.0.0.5"), groups[0].members[0].devIp);
    EXPECT_EQ("A name longer t", groups[0].members[1].nameBytes());
    EXPECT_EQ(0, groups[0].members[1].devName[15]);
    // A second tick replaces the members, in the new row order.
    setMembersFromTicked(groups[0], {device(7, "Yard", "10.0.0.9"), device(31, "Lobby", "10.0.0.5")});
    ASSERT_EQ(2u, groups[0].members.size());
    EXPECT_EQ(7, groups[0].members[0].devNo);
    setMembersFromTicked(groups[2], {device(31, "Lobby", "10.0.0.5")});

    // Shown by number: a device renumbered since it was ticked no longer shows,
    // but the download still finds it by its address.
    EXPECT_TRUE(shownAsMember(groups, 1, 31));
    EXPECT_FALSE(shownAsMember(groups, 2, 31));
    EXPECT_FALSE(shownAsMember(groups, 1, 32));
    EXPECT_TRUE(isDownloadMember(groups[0], ip("10.0.0.5")));
    EXPECT_FALSE(isDownloadMember(groups[1], ip("10.0.0.5")));

    EXPECT_EQ((std::vector<std::int32_t>{1, 3}), groupNumbersOfDevice(groups, ip("10.0.0.5")));
    EXPECT_EQ(std::vector<std::int32_t>{1}, groupNumbersOfDevice(groups, ip("10.0.0.9")));
    EXPECT_TRUE(groupNumbersOfDevice(groups, ip("10.0.0.6")).empty());
    // A device listed twice in one group counts for that group once.
    groups[1].members = {groups[0].members[1], groups[0].members[1]};
    EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), groupNumbersOfDevice(groups, ip("10.0.0.5")));

    setMembersFromTicked(groups[0], {});
    EXPECT_TRUE(groups[0].members.empty());
    EXPECT_FALSE(shownAsMember(groups, 1, 31));
}
