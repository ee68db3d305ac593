// Fuzz target for the address book file. Decoding arbitrary bytes must not
// crash or allocate beyond what the file holds; the books it keeps must
// survive a save and a load, and a second round must change nothing more
// (names of the 8-bit form become UTF-16 once).
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "addrbook/AddrBookFile.h"

using namespace aulira;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto first = decodeAddrBookFile(ConstBytes(data, size));
    if (!first.magicOk)
        FUZZ_CHECK(first.books.empty());
    std::size_t entries = 0;
    for (const auto& b : first.books)
        entries += b.groups.size() + b.broadcast.size() + b.intercom.size();
    FUZZ_CHECK(entries * 24 <= size);

    const auto second = decodeAddrBookFile(encodeAddrBookFile(first.books));
    FUZZ_CHECK(second.magicOk && second.complete);
    FUZZ_CHECK(second.books.size() == first.books.size());
    for (std::size_t i = 0; i < first.books.size(); ++i) {
        FUZZ_CHECK(second.books[i].groups == first.books[i].groups);
        FUZZ_CHECK(second.books[i].broadcast == first.books[i].broadcast);
        FUZZ_CHECK(second.books[i].intercom == first.books[i].intercom);
    }
    const auto third = decodeAddrBookFile(encodeAddrBookFile(second.books));
    FUZZ_CHECK(third.books == second.books);
    return 0;
}
