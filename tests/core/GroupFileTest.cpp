#include <gtest/gtest.h>

#include "grouping/GroupFile.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::ip;
using aulira::test::TempDir;

namespace {

using Vec = std::vector<std::uint8_t>;

GroupItem_Type group(int no, const char* name, std::vector<std::pair<int, const char*>> members)
{
    GroupItem_Type g;
    g.header.id = static_cast<std::uint32_t>(no);
    g.header.setNameBytes(name);
    for (auto [devNo, addr] : members) {
        GroupDev_Type m;
        m.devNo = devNo;
        m.setNameBytes("Dev " + std::to_string(devNo));
        m.devIp = ip(addr);
        g.members.push_back(m);
    }
    return g;
}

// Records end at 144, 172 and 224: one with two members, one empty, one with one.
GroupList sample()
{
    return {group(3, "Floor 1", {{31, "10.0.0.5"}, {-2, "10.0.1.7"}}), group(255, "Empty", {}),
            group(1, "Yard", {{9, "192.168.3.4"}})};
}

} // namespace

TEST(GroupFile, LayoutOfTheFile)
{
    const Vec b = encodeGroupFile(sample());
    ASSERT_EQ(224u, b.size());
    EXPECT_EQ("group info file", readFixedText(b, 0, 64));
    EXPECT_TRUE(std::all_of(b.begin() + 15, b.begin() + 64, [](auto c) { return c == 0; }));
    EXPECT_EQ(3u, readU32(b, 64));
    EXPECT_EQ((Vec{2, 0, 0, 0, 3, 0, 0, 0, 'F'}), Vec(b.begin() + 68, b.begin() + 77));
    EXPECT_EQ(2u, readU32(b, 92));
    EXPECT_EQ(31, readI32(b, 96));
    EXPECT_EQ("Dev 31", readFixedText(b, 100, 16));
    EXPECT_EQ((Vec{10, 0, 0, 5}), Vec(b.begin() + 116, b.begin() + 120));
    EXPECT_EQ(255u, readU32(b, 148));
    EXPECT_EQ(0u, readU32(b, 168)) << "an empty group is followed right by the next";
    EXPECT_EQ(1u, readU32(b, 176));
    EXPECT_EQ(68u, encodeGroupFile({}).size());
}

TEST(GroupFile, SaveAndLoadKeepKindNamesAndMemberOrder)
{
    TempDir dir;
    const auto file = groupFilePath(dir.path());
    EXPECT_EQ(dir.path() / "group", file);
    EXPECT_TRUE(LoadGroupInfoFile(file).empty()) << "missing";
    GroupList groups = sample();
    groups[1].header.kind = 7;
    ASSERT_TRUE(SaveGroupInfoFile(file, groups));
    bool complete = false;
    EXPECT_EQ(groups, LoadGroupInfoFile(file, &complete));
    EXPECT_TRUE(complete);
    ASSERT_TRUE(SaveGroupInfoFile(file, {}));
    EXPECT_EQ(68u, std::filesystem::file_size(file));
    EXPECT_TRUE(LoadGroupInfoFile(file).empty());

    std::filesystem::create_directory(dir.path() / "dir");
    EXPECT_TRUE(LoadGroupInfoFile(dir.path() / "dir").empty());
}

TEST(GroupFile, ForeignOrDamagedFilesNeverGiveMoreThanWasThere)
{
    // Counts of zero or below (signed) mean no records.
    for (std::uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        Vec b = encodeGroupFile(sample());
        writeU32(b, 64, count);
        EXPECT_TRUE(decodeGroupFile(b).groups.empty()) << count;
    }
    Vec negativeMembers = encodeGroupFile({group(4, "Hall", {})});
    writeU32(negativeMembers, 92, 0xFFFFFFF0u);
    ASSERT_EQ(1u, decodeGroupFile(negativeMembers).groups.size());

    // Cut anywhere: exactly the groups that were there completely.
    const GroupList groups = sample();
    const Vec whole = encodeGroupFile(groups);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const auto c = decodeGroupFile(ConstBytes(whole).first(cut));
        const std::size_t expected = (cut >= 144) + (cut >= 172);
        ASSERT_EQ(expected, c.groups.size()) << "cut at " << cut;
        EXPECT_TRUE(std::equal(c.groups.begin(), c.groups.end(), groups.begin())) << "cut at " << cut;
        EXPECT_TRUE(cut < 64 || !c.complete) << "cut at " << cut;
    }
    Vec huge = whole;
    writeU32(huge, 92, 0x7FFFFFFF); // a member count far beyond the file
    EXPECT_TRUE(decodeGroupFile(huge).groups.empty());
}

TEST(GroupFile, NamesWithoutTerminatorAreReadWithinTheirSixteenBytes)
{
    Vec b = encodeGroupFile({group(8, "x", {{1, "10.0.0.1"}})});
    std::fill_n(b.begin() + 76, 16, 'N');
    std::fill_n(b.begin() + 100, 16, 'M');
    const auto c = decodeGroupFile(b);
    ASSERT_EQ(1u, c.groups.size());
    EXPECT_EQ(std::string(16, 'N'), c.groups[0].header.nameBytes());
    EXPECT_EQ(std::string(16, 'M'), c.groups[0].members.at(0).nameBytes());
    EXPECT_EQ(ip("10.0.0.1"), c.groups[0].members[0].devIp);
}
