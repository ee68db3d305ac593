// Fuzz target for the upgrade file: the header reader, the check made when a
// file is chosen and the load of a whole file for a batch. Any file must be
// judged without a crash, and the verdicts must agree with the bytes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "upgrade/UpgradeFile.h"

using namespace aulira;

namespace {

std::filesystem::path scratchFile()
{
    static const std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("upgrade_header_fuzz." +
                                                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                                                   ".bin");
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes d(data, size);
    if (size >= upgfile::headerSize) {
        const UpgradeFileHeader h = UpgradeFileHeader::read(d);
        FUZZ_CHECK(h.magicOk() == (std::memcmp(data, upgfile::magicText, sizeof upgfile::magicText) == 0));
        // Texts end at their field's end or their NUL, whichever comes first.
        FUZZ_CHECK(h.version().size() <= 16 && h.version().find('\0') == std::string::npos);
        FUZZ_CHECK(h.buildDate().size() <= 32 && h.buildDate().find('\0') == std::string::npos);
        FUZZ_CHECK(h.modelText().size() <= 48 && h.modelText().find('\0') == std::string::npos);
        FUZZ_CHECK(std::memcmp(h.raw.data(), data, upgfile::headerSize) == 0);
    }

    const auto path = scratchFile();
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const UpgradeFileCheck check = CheckUpgradeFile(path);
    const bool magic = size >= sizeof upgfile::magicText &&
                       std::memcmp(data, upgfile::magicText, sizeof upgfile::magicText) == 0;
    FUZZ_CHECK(check.ok() == (size > upgfile::headerSize && magic));
    FUZZ_CHECK(check.ok() == check.text().empty());
    if (check.ok())
        FUZZ_CHECK(check.size == size);

    const auto loaded = LoadUpgradeFile(path);
    FUZZ_CHECK(loaded.has_value() == (size > upgfile::headerSize && size - upgfile::headerSize <= upgfile::maxImageSize));
    if (loaded) {
        FUZZ_CHECK(loaded->bytes.size() == size && std::memcmp(loaded->bytes.data(), data, size) == 0);
        FUZZ_CHECK(loaded->imageSize() + upgfile::headerSize == size);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return 0;
}
