#pragma once
// The address book file "addrbook": a 64-byte magic, a u32 book count, and per
// book its name as a counted string, then the group, broadcast-device and
// intercom-device entries, each list as a u32 count and 24-byte entries.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "addrbook/AddrBook.h"
#include "util/Bytes.h"
#include "util/DataFile.h"

namespace aulira {

inline constexpr const char* kAddrBookMagic = "address book";
inline constexpr const char* kAddrBookFileName = "addrbook";

// Counted string: [FF FE FF] length prefix, then the text. Written always as
// UTF-16LE with the marker; the length is one byte below 255, else FF and a
// u16 below 0xFFFE, else FF FF FF and a u32.
void appendCountedString(std::vector<std::uint8_t>& out, std::string_view utf8);
// Reads either form (without the marker the text is ANSI bytes) at off and
// moves off behind it. nullopt when the bytes end inside the string or the
// prefix makes no sense; nothing is allocated beyond what the bytes hold.
std::optional<std::string> readCountedString(ConstBytes in, std::size_t& off);

std::vector<std::uint8_t> encodeAddrBookFile(const AddrBookList& books);

struct AddrBookFileContent {
    bool magicOk = false;
    bool complete = true; // false when the file ended before all announced books were read
    std::size_t extraBytes = 0; // bytes behind the announced books
    AddrBookList books;   // the books read completely
    bool intact() const { return magicOk && complete && extraBytes == 0; }
};
// Treats the bytes as untrusted input.
AddrBookFileContent decodeAddrBookFile(ConstBytes file);

std::filesystem::path addrBookPath(const std::filesystem::path& dataDir);

// Replaces books with the file's books; a missing file or a directory
// leaves them as they are. A damaged file (another kind, cut short, bytes
// behind its end) is moved aside and reported, and books then holds the
// books read completely from it.
FileLoadReport loadAddrBookFile(const std::filesystem::path& file, AddrBookList& books);
// The same; true only when the file was there and whole.
bool LoadAddrBookFile(const std::filesystem::path& file, AddrBookList& books);
// Writes every book through a temporary file renamed over the target.
bool SaveAddrBookFile(const std::filesystem::path& file, const AddrBookList& books, std::string* error = nullptr);
// Under the data folder's lock, takes in what another program saved to the
// file since `base` (books matched by name, see mergeKeyed), then saves. On
// success `books` and `base` hold what was written.
bool SaveAddrBookFileMerged(const std::filesystem::path& file, AddrBookList& base, AddrBookList& books,
                            std::string* error = nullptr);

} // namespace aulira
