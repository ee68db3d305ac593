#include <gtest/gtest.h>

#include <fstream>

#include "grouping/GroupFile.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::ip;
using aulira::test::TempDir;

namespace {

using Vec = std::vector<std::uint8_t>;

GroupDev_Type member(int no, const char* name, const char* addr)
{
    GroupDev_Type m;
    m.devNo = no;
    m.setNameBytes(name);
    m.devIp = ip(addr);
    return m;
}

GroupItem_Type group(int no, const char* name, std::vector<GroupDev_Type> members)
{
    GroupItem_Type g;
    g.header.id = static_cast<std::uint32_t>(no);
    g.header.setNameBytes(name);
    g.members = std::move(members);
    return g;
}

// Three groups, one without members, so every record boundary is exercised.
GroupList sample()
{
    return {group(3, "Floor 1", {member(31, "Lobby", "10.0.0.5"), member(-2, "Stage", "10.0.1.7")}),
            group(255, "Empty", {}), group(1, "Yard", {member(9, "Gate", "192.168.3.4")})};
}

void writeFile(const std::filesystem::path& p, const Vec& bytes)
{
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

TEST(GroupFile, LayoutOfTheFile)
{
    const Vec b = encodeGroupFile(sample());
    ASSERT_EQ(68u + (28 + 2 * 24) + 28 + (28 + 24), b.size());
    EXPECT_EQ("group info file", readFixedText(b, 0, 64));
    EXPECT_TRUE(std::all_of(b.begin() + 15, b.begin() + 64, [](auto c) { return c == 0; }));
    EXPECT_EQ(3u, readU32(b, 64));
    // First group record: header, member count, members.
    EXPECT_EQ((Vec{2, 0, 0, 0, 3, 0, 0, 0}), Vec(b.begin() + 68, b.begin() + 76));
    EXPECT_EQ("Floor 1", readFixedText(b, 76, 16));
    EXPECT_EQ(2u, readU32(b, 92));
    EXPECT_EQ(31, readI32(b, 96));
    EXPECT_EQ("Lobby", readFixedText(b, 100, 16));
    EXPECT_EQ((Vec{10, 0, 0, 5}), Vec(b.begin() + 116, b.begin() + 120));
    EXPECT_EQ(-2, readI32(b, 120));
    // Second group: no members, the third follows right behind its count.
    EXPECT_EQ(255u, readU32(b, 144 + 4));
    EXPECT_EQ(0u, readU32(b, 144 + 24));
    EXPECT_EQ(1u, readU32(b, 172 + 4));
    EXPECT_EQ((Vec{192, 168, 3, 4}), Vec(b.begin() + 200 + 20, b.end()));

    EXPECT_EQ(68u, encodeGroupFile({}).size());
    EXPECT_EQ(0u, readU32(encodeGroupFile({}), 64));
}

TEST(GroupFile, SaveAndLoadKeepEveryByteThatMeansSomething)
{
    TempDir dir;
    const auto file = groupFilePath(dir.path());
    EXPECT_EQ(dir.path() / "group", file);
    GroupList groups = sample();
    groups[1].header.kind = 7; // whatever kind the file holds comes back
    ASSERT_TRUE(SaveGroupInfoFile(file, groups));
    bool complete = false;
    EXPECT_EQ(groups, LoadGroupInfoFile(file, &complete));
    EXPECT_TRUE(complete);

    ASSERT_TRUE(SaveGroupInfoFile(file, {}));
    EXPECT_EQ(68u, std::filesystem::file_size(file));
    EXPECT_TRUE(LoadGroupInfoFile(file).empty());
}

TEST(GroupFile, MissingForeignOrEmptyFilesGiveNoGroups)
{
    TempDir dir;
    EXPECT_TRUE(LoadGroupInfoFile(dir.path() / "group").empty());
    std::filesystem::create_directory(dir.path() / "group");
    EXPECT_TRUE(LoadGroupInfoFile(dir.path() / "group").empty());

    Vec foreign = encodeGroupFile(sample());
    foreign[0] = 'G';
    const auto c = decodeGroupFile(foreign);
    EXPECT_FALSE(c.magicOk);
    EXPECT_TRUE(c.groups.empty());
    EXPECT_TRUE(decodeGroupFile(Vec(10, 0)).groups.empty());

    // A negative group count, or a negative member count, means none follow.
    for (std::uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        Vec b = encodeGroupFile(sample());
        writeU32(b, 64, count);
        EXPECT_TRUE(decodeGroupFile(b).groups.empty()) << count;
    }
    Vec b = encodeGroupFile({group(4, "Hall", {})});
    writeU32(b, 68 + 24, 0xFFFFFFF0u);
    const auto neg = decodeGroupFile(b);
    ASSERT_EQ(1u, neg.groups.size());
    EXPECT_TRUE(neg.groups[0].members.empty());
    EXPECT_TRUE(neg.complete);
}

TEST(GroupFile, FileEndingEarlyKeepsTheGroupsReadCompletely)
{
    const GroupList groups = sample();
    const Vec whole = encodeGroupFile(groups);
    // Ends of the three records.
    const std::size_t ends[] = {68 + 28 + 48, 68 + 28 + 48 + 28, whole.size()};
    for (std::size_t cut = 64; cut < whole.size(); ++cut) {
        const auto c = decodeGroupFile(ConstBytes(whole).first(cut));
        const std::size_t expected = static_cast<std::size_t>(std::count_if(std::begin(ends), std::end(ends),
                                                                            [cut](std::size_t e) { return e <= cut; }));
        ASSERT_EQ(expected, c.groups.size()) << "cut at " << cut;
        EXPECT_TRUE(std::equal(c.groups.begin(), c.groups.end(), groups.begin())) << "cut at " << cut;
        EXPECT_FALSE(c.complete) << "cut at " << cut;
    }
    // A member count far beyond the file is not believed.
    Vec huge = whole;
    writeU32(huge, 68 + 24, 0x7FFFFFFF);
    const auto c = decodeGroupFile(huge);
    EXPECT_TRUE(c.groups.empty());
    EXPECT_FALSE(c.complete);

    TempDir dir;
    writeFile(dir.path() / "group", Vec(whole.begin(), whole.end() - 1));
    bool complete = true;
    EXPECT_EQ(2u, LoadGroupInfoFile(dir.path() / "group", &complete).size());
    EXPECT_FALSE(complete);
}

TEST(GroupFile, NamesWithoutTerminatorAreReadWithinTheirSixteenBytes)
{
    Vec b = encodeGroupFile({group(8, "x", {member(1, "y", "10.0.0.1")})});
    std::fill_n(b.begin() + 68 + 8, 16, 'N');
    std::fill_n(b.begin() + 68 + 28 + 4, 16, 'M');
    const auto c = decodeGroupFile(b);
    ASSERT_EQ(1u, c.groups.size());
    EXPECT_EQ(std::string(16, 'N'), c.groups[0].header.nameBytes());
    ASSERT_EQ(1u, c.groups[0].members.size());
    EXPECT_EQ(std::string(16, 'M'), c.groups[0].members[0].nameBytes());
    EXPECT_EQ(ip("10.0.0.1"), c.groups[0].members[0].devIp) << "the address behind the name is its own field";
}
