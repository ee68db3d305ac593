#include "grouping/GroupFile.h"

#include <cstring>

#include "devices/DeviceListFile.h"
#include "util/AtomicFile.h"
#include "util/DataLock.h"
#include "util/KeyedMerge.h"

namespace aulira {

namespace {
inline constexpr std::size_t kGroupHeadSize = DevItem_Type::kSize + 4; // header and member count
}

std::vector<std::uint8_t> encodeGroupFile(const GroupList& groups)
{
    std::size_t size = kGroupFileHeaderSize;
    for (const auto& g : groups)
        size += kGroupHeadSize + g.members.size() * GroupDev_Type::kSize;
    std::vector<std::uint8_t> out(size, 0);
    std::memcpy(out.data(), kGroupFileMagic, std::strlen(kGroupFileMagic));
    Bytes b(out);
    writeU32(b, kGroupFileMagicSize, static_cast<std::uint32_t>(groups.size()));
    std::size_t off = kGroupFileHeaderSize;
    for (const auto& g : groups) {
        g.header.write(b, off);
        writeU32(b, off + DevItem_Type::kSize, static_cast<std::uint32_t>(g.members.size()));
        off += kGroupHeadSize;
        for (const auto& m : g.members) {
            m.write(b, off);
            off += GroupDev_Type::kSize;
        }
    }
    return out;
}

GroupFileContent decodeGroupFile(ConstBytes file)
{
    GroupFileContent c;
    if (file.size() < kGroupFileMagicSize || readFixedText(file, 0, kGroupFileMagicSize) != kGroupFileMagic)
        return c;
    c.magicOk = true;
    if (file.size() < kGroupFileHeaderSize) {
        c.complete = false;
        return c;
    }
    const std::int32_t count = readI32(file, kGroupFileMagicSize);
    std::size_t off = kGroupFileHeaderSize;
    for (std::int32_t k = 0; k < count; ++k) {
        if (file.size() - off < kGroupHeadSize) {
            c.complete = false;
            break;
        }
        GroupItem_Type g;
        g.header = DevItem_Type::read(file, off);
        const std::int32_t members = readI32(file, off + DevItem_Type::kSize);
        off += kGroupHeadSize;
        // Checked before reading, so a damaged count cannot make us allocate
        // or read beyond what the file holds.
        const std::size_t n = members > 0 ? static_cast<std::size_t>(members) : 0;
        if (n > (file.size() - off) / GroupDev_Type::kSize) {
            c.complete = false;
            break;
        }
        g.members.reserve(n);
        for (std::size_t m = 0; m < n; ++m) {
            g.members.push_back(GroupDev_Type::read(file, off));
            off += GroupDev_Type::kSize;
        }
        c.groups.push_back(std::move(g));
    }
    if (c.complete)
        c.extraBytes = file.size() - off;
    return c;
}

std::filesystem::path groupFilePath(const std::filesystem::path& dataDir) { return dataDir / kGroupFileName; }

GroupList loadGroupFile(const std::filesystem::path& file, FileLoadReport& report)
{
    report = {};
    std::vector<std::uint8_t> bytes;
    std::string error;
    report.status = readDataFile(file, bytes, &error);
    if (report.status == LoadStatus::Unreadable)
        report = unreadableFileReport(file, "group file", error);
    if (report.status != LoadStatus::Loaded)
        return {};
    GroupFileContent c = decodeGroupFile(bytes);
    if (!c.intact())
        report = damagedFileReport(file, "group file", damageReason(c.magicOk, c.complete, c.extraBytes),
                                   c.groups.size(), "groups");
    return std::move(c.groups);
}

GroupList LoadGroupInfoFile(const std::filesystem::path& file, bool* complete)
{
    FileLoadReport report;
    GroupList groups = loadGroupFile(file, report);
    if (complete)
        *complete = !report.failed();
    return groups;
}

bool SaveGroupInfoFile(const std::filesystem::path& file, const GroupList& groups, std::string* error)
{
    return writeFileAtomically(file, encodeGroupFile(groups), error);
}

bool SaveGroupInfoFileMerged(const std::filesystem::path& file, GroupList& base, GroupList& groups,
                             std::string* error)
{
    DataLock lock(file.parent_path(), std::chrono::seconds(5));
    std::vector<std::uint8_t> bytes;
    // Only a whole file tells what the other program meant to keep.
    if (readWholeFile(file, bytes)) {
        const auto disk = decodeGroupFile(bytes);
        if (disk.intact())
            if (auto merged = mergeKeyed(base, groups, disk.groups, [](const GroupItem_Type& g) { return g.number(); });
                merged != groups)
                groups = std::move(merged);
    }
    if (!SaveGroupInfoFile(file, groups, error))
        return false;
    base = groups;
    return true;
}

} // namespace aulira
