#include <gtest/gtest.h>

#include "addrbook/AddrBookFile.h"
#include "devices/DeviceListFile.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Vec = std::vector<std::uint8_t>;

DevItem_Type entry(std::uint8_t kind, std::uint32_t id, const char* name)
{
    DevItem_Type e{.kind = kind, .id = id};
    e.setNameBytes(name);
    return e;
}

// The magic and a book count, then the given bytes.
Vec file(std::uint32_t count, std::initializer_list<std::uint8_t> rest = {})
{
    Vec v(64, 0);
    std::string_view("address book").copy(reinterpret_cast<char*>(v.data()), 12);
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    v.insert(v.end(), rest);
    return v;
}

AddrBookList sampleBooks()
{
    AddrBookList b(3);
    b[0].name = "Front desk";
    b[0].groups = {entry(kDevItemGroup, 3, "Hall"), entry(kDevItemGroup, 1, "Garden")};
    b[0].broadcast = {entry(kDevItemDevice, ip("10.0.0.5"), "Lobby")};
    b[1].name = "Caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x93\xA2"; // Latin, CJK and a surrogate pair
    b[1].intercom = {entry(kDevItemDevice, ip("10.0.0.9"), "Gate"), entry(kDevItemDevice, ip("10.0.0.7"), "Office")};
    b[2].name = "front desk";
    b[2].groups = {entry(kDevItemGroup, 255, "Everywhere")};
    return b;
}

} // namespace

TEST(AddrBookFile, RecordAndNameLayoutsByteForByte)
{
    AddrBookList one(1);
    one[0].name = "A";
    one[0].groups = {entry(kDevItemGroup, 7, "Hall")};
    EXPECT_EQ(file(1, {0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00, 1, 0, 0, 0, 2, 0, 0, 0, 7, 0, 0, 0, 'H', 'a', 'l', 'l', 0,
                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              encodeAddrBookFile(one));
    EXPECT_EQ(file(0), encodeAddrBookFile({})) << "no books: the 68-byte header alone";

    // Length prefixes around each switch of form; every form reads back.
    const std::pair<std::size_t, Vec> prefixes[] = {
        {0, {0xFF, 0xFE, 0xFF, 0x00}},
        {254, {0xFF, 0xFE, 0xFF, 0xFE}},
        {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const auto& [units, prefix] : prefixes) {
        Vec v;
        appendCountedString(v, std::string(units, 'x'));
        ASSERT_EQ(prefix.size() + 2 * units, v.size()) << units;
        EXPECT_EQ(prefix, Vec(v.begin(), v.begin() + static_cast<long>(prefix.size()))) << units;
        std::size_t off = 0;
        EXPECT_EQ(std::string(units, 'x'), readCountedString(v, off)) << units;
        EXPECT_EQ(v.size(), off);
    }
    Vec pair;
    appendCountedString(pair, "\xF0\x9F\x93\xA2");
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0xE2, 0xDC}), pair);
}

TEST(AddrBookFile, EightBitNamesAreReadInTheCodePage)
{
    const int old = codePage();
    setCodePage(1252);
    // Without the marker: a one-byte length, then 0xFF and a u16 length.
    const auto c = decodeAddrBookFile(file(2, {0x04, 'C', 'a', 'f', 0xE9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF,
                                               0x03, 0x00, 'B', 'a', 'r', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    setCodePage(old);
    EXPECT_TRUE(c.complete);
    ASSERT_EQ(2u, c.books.size());
    EXPECT_EQ("Caf\xC3\xA9", c.books[0].name);
    EXPECT_EQ("Bar", c.books[1].name);
}

TEST(AddrBookFile, SaveAndLoad)
{
    TempDir dir;
    const auto path = addrBookPath(dir.path());
    EXPECT_EQ("addrbook", path.filename().string());
    AddrBookList loaded = sampleBooks();
    EXPECT_FALSE(LoadAddrBookFile(path, loaded)) << "a missing file leaves the list alone";
    EXPECT_EQ(sampleBooks(), loaded);

    ASSERT_TRUE(SaveAddrBookFile(path, sampleBooks()));
    Vec onDisk;
    ASSERT_TRUE(readWholeFile(path, onDisk));
    EXPECT_EQ(encodeAddrBookFile(sampleBooks()), onDisk);
    loaded.clear();
    ASSERT_TRUE(LoadAddrBookFile(path, loaded));
    EXPECT_EQ(sampleBooks(), loaded) << "names, order, every entry's kind, id and name";

    ASSERT_TRUE(SaveAddrBookFile(path, {}));
    EXPECT_EQ(68u, std::filesystem::file_size(path));
    ASSERT_TRUE(LoadAddrBookFile(path, loaded));
    EXPECT_TRUE(loaded.empty());
}

TEST(AddrBookFile, FileEndingEarlyKeepsTheBooksReadWhole)
{
    const AddrBookList books = sampleBooks();
    const Vec bytes = encodeAddrBookFile(books);
    std::vector<std::size_t> ends; // where each record ends
    for (std::size_t k = 1; k <= books.size(); ++k)
        ends.push_back(encodeAddrBookFile(AddrBookList(books.begin(), books.begin() + static_cast<long>(k))).size());

    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const auto c = decodeAddrBookFile(ConstBytes(bytes).first(cut));
        EXPECT_EQ(cut >= 64, c.magicOk) << cut;
        EXPECT_FALSE(c.complete && c.magicOk) << cut;
        const auto whole = static_cast<std::size_t>(std::count_if(ends.begin(), ends.end(), [&](auto e) { return e <= cut; }));
        ASSERT_EQ(whole, c.books.size()) << cut;
        EXPECT_TRUE(std::equal(c.books.begin(), c.books.end(), books.begin())) << cut;
    }
    EXPECT_TRUE(decodeAddrBookFile(bytes).complete);
}

TEST(AddrBookFile, HostileCountsLengthsAndNames)
{
    // Huge counts and lengths end with the bytes; nothing is allocated for them.
    EXPECT_TRUE(decodeAddrBookFile(file(0x7FFFFFFF)).books.empty());
    EXPECT_TRUE(decodeAddrBookFile(file(1, {0x01, 'A', 0xFF, 0xFF, 0xFF, 0x7F})).books.empty());
    const Vec hugeName = file(1, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'x', 0});
    EXPECT_TRUE(decodeAddrBookFile(hugeName).books.empty());
    std::size_t off = 68;
    EXPECT_FALSE(readCountedString(hugeName, off));
    EXPECT_EQ(68u, off) << "a failed read does not move on";
    EXPECT_TRUE(decodeAddrBookFile(file(1, {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
                    .books.empty())
        << "two markers";

    // Counts that read negative mean nothing follows.
    EXPECT_TRUE(decodeAddrBookFile(file(0xFFFFFFFF)).complete);
    auto c = decodeAddrBookFile(file(1, {0x01, 'N', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x80}));
    ASSERT_EQ(1u, c.books.size());
    EXPECT_TRUE(c.books[0].groups.empty());

    // A name field without its terminator is read as 16 bytes and kept as read.
    Vec unterminated = file(1, {0xFF, 0xFE, 0xFF, 0x01, 'A', 0, 1, 0, 0, 0, 2, 0, 0, 0, 9, 0, 0, 0});
    unterminated.insert(unterminated.end(), 16, 'Z');
    unterminated.insert(unterminated.end(), 8, 0);
    c = decodeAddrBookFile(unterminated);
    ASSERT_EQ(1u, c.books.size());
    EXPECT_EQ(std::string(16, 'Z'), c.books[0].groups.at(0).nameBytes());
    EXPECT_EQ(unterminated, encodeAddrBookFile(c.books));
}
