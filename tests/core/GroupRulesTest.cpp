#include <gtest/gtest.h>

#include "grouping/GroupRules.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::CodePageGuard;
using aulira::test::ip;

namespace {

GroupItem_Type made(int no) { return newGroup(GroupCheck{.number = no, .ansiName = "G"}); }

DeviceInfo_Type device(int no, const char* name, const char* addr)
{
    DeviceInfo_Type d;
    d.setDevNo(no);
    d.setDevName(name);
    d.setIp(ip(addr));
    return d;
}

int refusal(const std::string& no, const std::string& name, const GroupList& groups = {},
            const GroupItem_Type* editing = nullptr)
{
    return checkGroupEntry(editing ? GroupEditMode::Edit : GroupEditMode::Add, {no, name}, groups, editing).refusal;
}

} // namespace

TEST(GroupRules, NumberRangeThenDuplicatesInAddAndEditMode)
{
    for (const char* bad : {"0", "256", "-1", "abc", "", "99999999999"})
        EXPECT_EQ(IDS_GROUP_NO_ERROR, refusal(bad, "")) << bad << " (the number is checked first)";
    EXPECT_EQ(0, refusal("1", "Hall"));
    EXPECT_EQ(0, refusal("255", "Hall"));
    EXPECT_EQ(12, checkGroupEntry(GroupEditMode::Add, {"12abc", "Hall"}, {}, nullptr).number);

    const GroupList groups{made(5), made(9)};
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("9", "", groups));
    EXPECT_EQ(0, refusal("9", "B", groups, &groups[1])) << "an edited group keeps its own number";
    EXPECT_EQ(IDS_GROUP_NO_EXISTS, refusal("5", "B", groups, &groups[1]));
}

TEST(GroupRules, NameMustBeThereAndFitFifteenAnsiBytes)
{
    CodePageGuard guard;
    setCodePage(1252);
    EXPECT_EQ(IDS_GROUP_NAME_EMPTY, refusal("1", ""));
    EXPECT_EQ(0, refusal("1", "   ")) << "not trimmed";
    EXPECT_EQ(0, refusal("1", std::string(15, 'a')));
    EXPECT_EQ(IDS_GROUP_NAME_TOO_LONG, refusal("1", std::string(16, 'a')));
    EXPECT_EQ(IDS_GROUP_NAME_NOT_ENCODABLE, refusal("1", "\xE4\xB8\xAD"));

    setCodePage(936);
    const std::string seven = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D\xE7\xA7\xB0\xE6\xB5\x8B\xE8\xAF\x95\xE4\xB8\x80";
    const GroupCheck ok = checkGroupEntry(GroupEditMode::Add, {"1", seven}, {}, nullptr);
    EXPECT_EQ(0, ok.refusal);
    EXPECT_EQ(14u, ok.ansiName.size());
    EXPECT_EQ(IDS_GROUP_NAME_TOO_LONG, refusal("1", seven + "\xE4\xBA\x8C"));

    // What an accepted entry stores: kind 2, number, the ANSI name terminated.
    GroupItem_Type g = newGroup(ok);
    EXPECT_EQ(2, g.header.kind);
    EXPECT_EQ(1, g.number());
    EXPECT_EQ(ok.ansiName, g.header.nameBytes());
    EXPECT_EQ(0, g.header.name[14]);
}

TEST(GroupRules, TickingRebuildsMembersAndMembershipGoesByNumberOrByAddress)
{
    GroupList groups{made(1), made(2), made(3)};
    setMembersFromTicked(groups[0], {device(7, "A name longer than fifteen bytes", "10.0.0.9"),
                                     device(31, "Lobby", "10.0.0.5")});
    setMembersFromTicked(groups[0], {device(31, "Lobby", "10.0.0.5"),
                                     device(7, "A name longer than fifteen bytes", "10.0.0.9")});
    ASSERT_EQ(2u, groups[0].members.size()) << "a tick replaces the members";
    EXPECT_EQ(31, groups[0].members[0].devNo);
    EXPECT_EQ(ip("10.0.0.5"), groups[0].members[0].devIp);
    EXPECT_EQ("A name longer t", groups[0].members[1].nameBytes());
    setMembersFromTicked(groups[2], {device(31, "Lobby", "10.0.0.5")});

    // Shown by number, downloaded by address.
    EXPECT_TRUE(shownAsMember(groups, 1, 31));
    EXPECT_FALSE(shownAsMember(groups, 2, 31));
    EXPECT_FALSE(shownAsMember(groups, 1, 32));
    EXPECT_EQ((std::vector<std::int32_t>{1, 3}), groupNumbersOfDevice(groups, ip("10.0.0.5")));
    EXPECT_TRUE(groupNumbersOfDevice(groups, ip("10.0.0.6")).empty());
    groups[1].members = {groups[0].members[0], groups[0].members[0]};
    EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3}), groupNumbersOfDevice(groups, ip("10.0.0.5"))) << "once per group";
}
