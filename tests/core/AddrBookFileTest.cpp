#include <gtest/gtest.h>

#include <fstream>

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
    DevItem_Type e;
    e.kind = kind;
    e.id = id;
    e.setNameBytes(name);
    return e;
}

Vec header(std::uint32_t count)
{
    Vec v(64, 0);
    const char magic[] = "address book";
    std::copy(magic, magic + 12, v.begin());
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(count >> (8 * i)));
    return v;
}

void append(Vec& v, std::initializer_list<std::uint8_t> bytes) { v.insert(v.end(), bytes); }

AddrBookList sampleBooks()
{
    AddrBook_Type a{.name = "Front desk"};
    a.groups = {entry(kDevItemGroup, 3, "Hall"), entry(kDevItemGroup, 1, "Garden")};
    a.broadcast = {entry(kDevItemDevice, ip("10.0.0.5"), "Lobby")};
    AddrBook_Type b{.name = "Caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x93\xA2"}; // Latin, CJK and a surrogate pair
    b.intercom = {entry(kDevItemDevice, ip("10.0.0.9"), "Gate"), entry(kDevItemDevice, ip("10.0.0.7"), "Office")};
    AddrBook_Type c{.name = "front desk"};
    c.groups = {entry(kDevItemGroup, 255, "Everywhere")};
    return {a, b, c};
}

class CodePageGuard {
public:
    explicit CodePageGuard(int cp) : old_(codePage()) { setCodePage(cp); }
    ~CodePageGuard() { setCodePage(old_); }

private:
    int old_;
};

} // namespace

TEST(AddrBookFile, RecordLayoutByteForByte)
{
    AddrBook_Type a{.name = "A"};
    a.groups = {entry(kDevItemGroup, 7, "Hall")};
    const Vec file = encodeAddrBookFile({a});
    ASSERT_EQ(68u + 42u, file.size());
    EXPECT_EQ(header(1), Vec(file.begin(), file.begin() + 68));
    Vec record;
    append(record, {0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00, 1, 0, 0, 0});
    append(record, {2, 0, 0, 0, 7, 0, 0, 0, 'H', 'a', 'l', 'l', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    append(record, {0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(record, Vec(file.begin() + 68, file.end()));

    EXPECT_EQ(header(0), encodeAddrBookFile({})) << "an empty list is the 68-byte header alone";
}

TEST(AddrBookFile, NameLengthPrefixForms)
{
    auto prefixOf = [](std::size_t units) {
        Vec out;
        appendCountedString(out, std::string(units, 'x'));
        return Vec(out.begin(), out.end() - static_cast<long>(2 * units));
    };
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0xFE}), prefixOf(254));
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}), prefixOf(255));
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}), prefixOf(0xFFFD));
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}), prefixOf(0xFFFE));
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0x00}), prefixOf(0));

    Vec full;
    appendCountedString(full, std::string(255, 'x'));
    ASSERT_EQ(6u + 510u, full.size());
    EXPECT_EQ('x', full[6]);
    EXPECT_EQ(0, full[7]);

    // Every form reads back, and a character outside the basic plane takes two units.
    for (std::size_t n : {0u, 1u, 254u, 255u, 0xFFFDu, 0xFFFEu, 70000u}) {
        Vec v;
        const std::string text(n, 'q');
        appendCountedString(v, text);
        std::size_t off = 0;
        EXPECT_EQ(text, readCountedString(v, off)) << n;
        EXPECT_EQ(v.size(), off);
    }
    Vec pair;
    appendCountedString(pair, "\xF0\x9F\x93\xA2");
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0xE2, 0xDC}), pair);
}

TEST(AddrBookFile, EightBitNamesAreReadInTheCodePage)
{
    CodePageGuard cp(1252);
    Vec v = header(2);
    append(v, {0x04, 'C', 'a', 'f', 0xE9}); // one-byte length, no marker
    append(v, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    append(v, {0xFF, 0x03, 0x00, 'B', 'a', 'r'}); // 0xFF then a u16 length, still without the marker
    append(v, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto c = decodeAddrBookFile(v);
    EXPECT_TRUE(c.complete);
    ASSERT_EQ(2u, c.books.size());
    EXPECT_EQ("Caf\xC3\xA9", c.books[0].name);
    EXPECT_EQ("Bar", c.books[1].name);

    // Saving writes the UTF-16 form.
    const Vec again = encodeAddrBookFile(c.books);
    EXPECT_EQ((Vec{0xFF, 0xFE, 0xFF, 0x04, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0}), Vec(again.begin() + 68, again.begin() + 80));
}

TEST(AddrBookFile, SaveAndLoadKeepEveryBookAndEntryInOrder)
{
    TempDir dir;
    const auto path = addrBookPath(dir.path());
    EXPECT_EQ("addrbook", path.filename().string());
    const AddrBookList books = sampleBooks();
    ASSERT_TRUE(SaveAddrBookFile(path, books));
    Vec onDisk;
    ASSERT_TRUE(readWholeFile(path, onDisk));
    EXPECT_EQ(encodeAddrBookFile(books), onDisk);

    AddrBookList loaded;
    ASSERT_TRUE(LoadAddrBookFile(path, loaded));
    EXPECT_EQ(books, loaded); // names, kinds, ids, names of entries, order

    // An empty list makes a 68-byte file that loads as no books.
    ASSERT_TRUE(SaveAddrBookFile(path, {}));
    EXPECT_EQ(68u, std::filesystem::file_size(path));
    ASSERT_TRUE(LoadAddrBookFile(path, loaded));
    EXPECT_TRUE(loaded.empty());

    // The save fails as a value when the directory is gone; nothing is half written.
    std::string error;
    EXPECT_FALSE(SaveAddrBookFile(dir.path() / "missing" / "addrbook", books, &error));
    EXPECT_FALSE(error.empty());
}

TEST(AddrBookFile, ForeignOrMissingFilesLeaveTheListAlone)
{
    TempDir dir;
    const auto path = addrBookPath(dir.path());
    AddrBookList books = sampleBooks();
    EXPECT_FALSE(LoadAddrBookFile(path, books)) << "missing";
    EXPECT_EQ(sampleBooks(), books);

    Vec other = encodeAddrBookFile(sampleBooks());
    const char magic[] = "group info file";
    std::fill(other.begin(), other.begin() + 64, 0);
    std::copy(magic, magic + 15, other.begin());
    { std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(other.data()), static_cast<long>(other.size())); }
    books.clear();
    EXPECT_FALSE(LoadAddrBookFile(path, books));
    EXPECT_TRUE(books.empty());
    EXPECT_FALSE(decodeAddrBookFile(other).magicOk);

    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    books = sampleBooks();
    EXPECT_FALSE(LoadAddrBookFile(path, books)) << "a directory";
    EXPECT_EQ(3u, books.size());
}

TEST(AddrBookFile, FileEndingEarlyKeepsTheBooksReadWhole)
{
    const AddrBookList books = sampleBooks();
    const Vec file = encodeAddrBookFile(books);
    // Where each record ends.
    std::vector<std::size_t> ends;
    for (std::size_t k = 1; k <= books.size(); ++k)
        ends.push_back(encodeAddrBookFile(AddrBookList(books.begin(), books.begin() + static_cast<long>(k))).size());

    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        const auto c = decodeAddrBookFile(ConstBytes(file).first(cut));
        if (cut < 64) {
            EXPECT_FALSE(c.magicOk) << cut;
            continue;
        }
        EXPECT_TRUE(c.magicOk) << cut;
        EXPECT_FALSE(c.complete) << cut;
        std::size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= cut)
            ++whole;
        ASSERT_EQ(whole, c.books.size()) << cut;
        EXPECT_TRUE(std::equal(c.books.begin(), c.books.end(), books.begin())) << cut;
    }
    EXPECT_TRUE(decodeAddrBookFile(file).complete);
}

TEST(AddrBookFile, HostileCountsAndLengthsCostNothing)
{
    Vec manyBooks = header(0x7FFFFFFF);
    EXPECT_TRUE(decodeAddrBookFile(manyBooks).books.empty());

    Vec manyEntries = header(1);
    append(manyEntries, {0x01, 'A', 0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_TRUE(decodeAddrBookFile(manyEntries).books.empty());

    Vec hugeName = header(1);
    append(hugeName, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'x', 0});
    EXPECT_TRUE(decodeAddrBookFile(hugeName).books.empty());
    std::size_t off = 64 + 4;
    EXPECT_FALSE(readCountedString(hugeName, off));
    EXPECT_EQ(68u, off) << "a failed read does not move on";

    Vec twoMarkers = header(1);
    append(twoMarkers, {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(decodeAddrBookFile(twoMarkers).books.empty());

    // Counts that read negative mean that nothing follows.
    Vec negative = header(0xFFFFFFFF);
    EXPECT_TRUE(decodeAddrBookFile(negative).complete);
    Vec negativeEntries = header(1);
    append(negativeEntries, {0x01, 'N', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x80});
    const auto c = decodeAddrBookFile(negativeEntries);
    ASSERT_EQ(1u, c.books.size());
    EXPECT_EQ("N", c.books[0].name);
    EXPECT_TRUE(c.books[0].groups.empty());
}

TEST(AddrBookFile, EntryNamesStayWithinTheirField)
{
    Vec v = header(1);
    append(v, {0xFF, 0xFE, 0xFF, 0x01, 'A', 0, 1, 0, 0, 0});
    append(v, {2, 0, 0, 0, 9, 0, 0, 0});
    for (int i = 0; i < 16; ++i)
        v.push_back('Z'); // no terminator
    append(v, {0, 0, 0, 0, 0, 0, 0, 0});
    const auto c = decodeAddrBookFile(v);
    ASSERT_EQ(1u, c.books.size());
    ASSERT_EQ(1u, c.books[0].groups.size());
    EXPECT_EQ(std::string(16, 'Z'), c.books[0].groups[0].nameBytes());
    EXPECT_EQ(v, encodeAddrBookFile(c.books)) << "the entry's bytes are kept as read";
}
