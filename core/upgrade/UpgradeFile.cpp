#include "upgrade/UpgradeFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include "shell/Strings.h"

namespace aulira {

UpgradeFileHeader UpgradeFileHeader::read(ConstBytes bytes)
{
    UpgradeFileHeader h;
    std::copy_n(bytes.begin(), upgfile::headerSize, h.raw.begin());
    return h;
}

bool UpgradeFileHeader::magicOk() const
{
    return std::memcmp(raw.data() + upgfile::magic, upgfile::magicText, sizeof upgfile::magicText) == 0;
}

std::string UpgradeFileCheck::text() const { return error ? stringText(error) : std::string(); }

UpgradeFileCheck CheckUpgradeFile(const std::filesystem::path& path)
{
    UpgradeFileCheck c;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        c.error = IDS_UPGRADE_NO_FILE_INFO;
        return c;
    }
    const std::uintmax_t size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(path, ec) : 0;
    if (ec) {
        c.error = IDS_UPGRADE_NO_FILE_INFO;
        return c;
    }
    if (size <= upgfile::headerSize) {
        c.error = IDS_UPGRADE_FILE_LENGTH;
        return c;
    }
    if (size - upgfile::headerSize > upgfile::maxImageSize) {
        c.error = IDS_UPGRADE_FILE_TOO_LARGE;
        return c;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        c.error = IDS_UPGRADE_OPEN_FAIL;
        return c;
    }
    std::array<std::uint8_t, upgfile::headerSize> raw{};
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (in.gcount() != static_cast<std::streamsize>(raw.size())) {
        c.error = IDS_UPGRADE_OPEN_FAIL; // shrank between the size and the read
        return c;
    }
    c.header.raw = raw;
    if (!c.header.magicOk()) {
        c.error = IDS_UPGRADE_NOT_UPGRADE_FILE;
        c.header = {};
        return c;
    }
    c.size = size;
    return c;
}

std::optional<UpgradeImageFile> LoadUpgradeFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size <= upgfile::headerSize || size - upgfile::headerSize > upgfile::maxImageSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    UpgradeImageFile f;
    f.bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(f.bytes.data()), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size))
        return std::nullopt;
    return f;
}

} // namespace aulira
