#include "devices/DeviceListFile.h"

#include <cstdio>
#include <cstring>
#include <system_error>

namespace aulira {

std::vector<std::uint8_t> encodeDeviceListFile(const std::vector<DeviceListRecord>& records)
{
    std::vector<std::uint8_t> out(kFileMagicSize + 4 + records.size() * kDeviceListRecordSize, 0);
    std::memcpy(out.data(), kDeviceListMagic, std::strlen(kDeviceListMagic));
    Bytes b(out);
    writeU32(b, kFileMagicSize, static_cast<std::uint32_t>(records.size()));
    std::size_t off = kFileMagicSize + 4;
    for (const auto& r : records) {
        writeU32(b, off, r.bParaExt);
        writeIp(b, off + 4, r.ip);
        writeU32(b, off + 8, r.searchOnly);
        writeU32(b, off + 12, r.hasRecord);
        std::memcpy(out.data() + off + 16, r.info.raw.data(), devinfo::size);
        off += kDeviceListRecordSize;
    }
    return out;
}

DeviceListFileContent decodeDeviceListFile(ConstBytes file)
{
    DeviceListFileContent c;
    if (file.size() < kFileMagicSize)
        return c;
    if (readFixedText(file, 0, kFileMagicSize) != kDeviceListMagic)
        return c;
    c.magicOk = true;
    if (file.size() < kFileMagicSize + 4) {
        c.complete = false;
        return c;
    }
    const std::int32_t n = readI32(file, kFileMagicSize);
    std::size_t off = kFileMagicSize + 4;
    for (std::int32_t k = 0; k < n; ++k) {
        if (off + 16 > file.size()) {
            c.complete = false;
            break;
        }
        DeviceListRecord r;
        r.bParaExt = readU32(file, off);
        r.ip = readIp(file, off + 4);
        r.searchOnly = readU32(file, off + 8);
        r.hasRecord = readU32(file, off + 12);
        // The program never writes an entry without its identity record; such
        // a file is damaged past this point.
        if (r.hasRecord != 1 || off + kDeviceListRecordSize > file.size()) {
            c.complete = false;
            break;
        }
        std::memcpy(r.info.raw.data(), file.data() + off + 16, devinfo::size);
        c.records.push_back(r);
        off += kDeviceListRecordSize;
    }
    if (c.complete)
        c.extraBytes = file.size() - off;
    return c;
}

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
#ifdef _WIN32
    std::FILE* f = _wfopen(path.c_str(), L"rb");
#else
    std::FILE* f = std::fopen(path.c_str(), "rb");
#endif
    if (!f)
        return false;
    out.clear();
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace aulira
