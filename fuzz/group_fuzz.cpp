// Fuzz target for the group file. Whatever the bytes, decoding must not crash
// or believe counts the file cannot hold, and what it keeps must survive a
// save and a load unchanged.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "grouping/GroupFile.h"

using namespace aulira;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto content = decodeGroupFile(ConstBytes(data, size));
    if (!content.magicOk)
        FUZZ_CHECK(content.groups.empty());
    std::size_t entries = 0;
    for (const auto& g : content.groups)
        entries += 1 + g.members.size();
    FUZZ_CHECK(entries * 24 <= size); // nothing invented beyond the file

    const auto bytes = encodeGroupFile(content.groups);
    std::size_t expected = 68;
    for (const auto& g : content.groups)
        expected += 28 + 24 * g.members.size();
    FUZZ_CHECK(bytes.size() == expected);
    const auto again = decodeGroupFile(bytes);
    FUZZ_CHECK(again.magicOk && again.complete);
    FUZZ_CHECK(again.groups == content.groups);
    return 0;
}
