#include "addrbook/AddrBookFile.h"

#include <cstring>

#include "devices/DeviceListFile.h"
#include "shell/TextCodec.h"
#include "util/AtomicFile.h"
#include "util/DataLock.h"
#include "util/KeyedMerge.h"

namespace aulira {

namespace {

constexpr std::uint8_t kByteLengthEscape = 0xFF;
constexpr std::uint16_t kUnicodeMarker = 0xFFFE; // behind an 0xFF byte: UTF-16 text follows
constexpr std::uint16_t kWordLengthEscape = 0xFFFF;

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    putU16(out, static_cast<std::uint16_t>(v));
    putU16(out, static_cast<std::uint16_t>(v >> 16));
}

std::u16string utf8ToUtf16(std::string_view s)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<std::uint8_t>(s[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 1) {
            cp = c;
        } else if (n && i + n <= s.size()) {
            cp = c & (0x7F >> n);
            for (std::size_t k = 1; k < n; ++k) {
                const auto cc = static_cast<std::uint8_t>(s[i + k]);
                if ((cc & 0xC0) != 0x80) {
                    cp = 0xFFFD;
                    n = k;
                    break;
                }
                cp = (cp << 6) | (cc & 0x3F);
            }
        } else {
            n = 1;
        }
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return out;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(ConstBytes units)
{
    std::string out;
    const std::size_t n = units.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t u = readU16(units, 2 * i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            const std::uint32_t lo = readU16(units, 2 * i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return out;
}

// Reads n 24-byte entries; false when the bytes end first.
bool readEntries(ConstBytes in, std::size_t& off, std::vector<DevItem_Type>& entries)
{
    if (off + 4 > in.size())
        return false;
    const std::int32_t n = readI32(in, off);
    off += 4;
    // Entries are read one by one against the bytes left, so a huge count
    // in a damaged file costs nothing but the loop's end.
    for (std::int32_t k = 0; k < n; ++k) {
        if (off + DevItem_Type::kSize > in.size())
            return false;
        entries.push_back(DevItem_Type::read(in, off));
        off += DevItem_Type::kSize;
    }
    return true;
}

void appendEntries(std::vector<std::uint8_t>& out, const std::vector<DevItem_Type>& entries)
{
    putU32(out, static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries) {
        const std::size_t at = out.size();
        out.resize(at + DevItem_Type::kSize);
        e.write(out, at);
    }
}

} // namespace

void appendCountedString(std::vector<std::uint8_t>& out, std::string_view utf8)
{
    const std::u16string units = utf8ToUtf16(utf8);
    const std::size_t len = units.size();
    out.push_back(kByteLengthEscape);
    putU16(out, kUnicodeMarker);
    if (len < 0xFF) {
        out.push_back(static_cast<std::uint8_t>(len));
    } else {
        out.push_back(kByteLengthEscape);
        if (len < 0xFFFE) {
            putU16(out, static_cast<std::uint16_t>(len));
        } else {
            putU16(out, kWordLengthEscape);
            putU32(out, static_cast<std::uint32_t>(len));
        }
    }
    for (char16_t u : units)
        putU16(out, static_cast<std::uint16_t>(u));
}

std::optional<std::string> readCountedString(ConstBytes in, std::size_t& off)
{
    std::size_t p = off;
    bool unicode = false;
    std::uint64_t len = 0;
    for (;;) {
        if (p + 1 > in.size())
            return std::nullopt;
        const std::uint8_t b = in[p++];
        if (b != kByteLengthEscape) {
            len = b;
            break;
        }
        if (p + 2 > in.size())
            return std::nullopt;
        const std::uint16_t w = readU16(in, p);
        p += 2;
        if (w == kUnicodeMarker) {
            if (unicode)
                return std::nullopt; // a second marker: not a string this program wrote
            unicode = true;
            continue;
        }
        if (w != kWordLengthEscape) {
            len = w;
            break;
        }
        if (p + 4 > in.size())
            return std::nullopt;
        len = readU32(in, p);
        p += 4;
        break;
    }
    const std::uint64_t bytes = unicode ? 2 * len : len;
    if (bytes > in.size() - p)
        return std::nullopt;
    const ConstBytes text = in.subspan(p, static_cast<std::size_t>(bytes));
    off = p + static_cast<std::size_t>(bytes);
    if (unicode)
        return utf16ToUtf8(text);
    return ansiToUtf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

std::vector<std::uint8_t> encodeAddrBookFile(const AddrBookList& books)
{
    std::vector<std::uint8_t> out(kFileMagicSize, 0);
    std::memcpy(out.data(), kAddrBookMagic, std::strlen(kAddrBookMagic));
    putU32(out, static_cast<std::uint32_t>(books.size()));
    for (const auto& b : books) {
        appendCountedString(out, b.name);
        appendEntries(out, b.groups);
        appendEntries(out, b.broadcast);
        appendEntries(out, b.intercom);
    }
    return out;
}

AddrBookFileContent decodeAddrBookFile(ConstBytes file)
{
    AddrBookFileContent c;
    if (file.size() < kFileMagicSize || readFixedText(file, 0, kFileMagicSize) != kAddrBookMagic)
        return c;
    c.magicOk = true;
    if (file.size() < kFileMagicSize + 4) {
        c.complete = false;
        return c;
    }
    const std::int32_t n = readI32(file, kFileMagicSize);
    std::size_t off = kFileMagicSize + 4;
    for (std::int32_t k = 0; k < n; ++k) {
        AddrBook_Type book;
        auto name = readCountedString(file, off);
        if (!name || !readEntries(file, off, book.groups) || !readEntries(file, off, book.broadcast) ||
            !readEntries(file, off, book.intercom)) {
            c.complete = false;
            break;
        }
        book.name = std::move(*name);
        c.books.push_back(std::move(book));
    }
    if (c.complete)
        c.extraBytes = file.size() - off;
    return c;
}

std::filesystem::path addrBookPath(const std::filesystem::path& dataDir) { return dataDir / kAddrBookFileName; }

FileLoadReport loadAddrBookFile(const std::filesystem::path& file, AddrBookList& books)
{
    FileLoadReport report;
    std::vector<std::uint8_t> bytes;
    std::string error;
    report.status = readDataFile(file, bytes, &error);
    if (report.status == LoadStatus::Unreadable)
        return unreadableFileReport(file, "address book file", error);
    if (report.status != LoadStatus::Loaded)
        return report;
    AddrBookFileContent c = decodeAddrBookFile(bytes);
    if (!c.intact())
        report = damagedFileReport(file, "address book file", damageReason(c.magicOk, c.complete, c.extraBytes),
                                   c.books.size(), "address books");
    books = std::move(c.books);
    return report;
}

bool LoadAddrBookFile(const std::filesystem::path& file, AddrBookList& books)
{
    return loadAddrBookFile(file, books).status == LoadStatus::Loaded;
}

bool SaveAddrBookFile(const std::filesystem::path& file, const AddrBookList& books, std::string* error)
{
    return writeFileAtomically(file, encodeAddrBookFile(books), error);
}

bool SaveAddrBookFileMerged(const std::filesystem::path& file, AddrBookList& base, AddrBookList& books,
                            std::string* error)
{
    DataLock lock(file.parent_path(), std::chrono::seconds(5));
    std::vector<std::uint8_t> bytes;
    if (readWholeFile(file, bytes)) {
        const auto disk = decodeAddrBookFile(bytes);
        if (disk.intact())
            if (auto merged = mergeKeyed(base, books, disk.books, [](const AddrBook_Type& b) { return b.name; });
                merged != books)
                books = std::move(merged);
    }
    if (!SaveAddrBookFile(file, books, error))
        return false;
    base = books;
    return true;
}

} // namespace aulira
