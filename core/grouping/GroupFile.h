#pragma once
// The group info file "group" in the data directory: a 64-byte magic, a u32
// group count, then per group its 24-byte header, a u32 member count and the
// 24-byte members. Rewritten whole on every save.
#include <filesystem>
#include <string>
#include <vector>

#include "grouping/GroupTypes.h"
#include "util/DataFile.h"

namespace aulira {

inline constexpr const char* kGroupFileMagic = "group info file";
inline constexpr const char* kGroupFileName = "group";
inline constexpr std::size_t kGroupFileMagicSize = 64;
inline constexpr std::size_t kGroupFileHeaderSize = kGroupFileMagicSize + 4;

struct GroupFileContent {
    bool magicOk = false;
    bool complete = true; // false when the file ended before everything it announced
    std::size_t extraBytes = 0; // bytes behind the announced groups
    GroupList groups;
    bool intact() const { return magicOk && complete && extraBytes == 0; }
};

std::vector<std::uint8_t> encodeGroupFile(const GroupList& groups);
// Treats the bytes as untrusted: a group is kept only when its header and all
// its members were there; a count of zero or below (signed) means none.
GroupFileContent decodeGroupFile(ConstBytes file);

std::filesystem::path groupFilePath(const std::filesystem::path& dataDir);

// A missing file or a directory gives no groups. A damaged file (another
// kind, cut short, bytes behind its end) is moved aside and reported; the
// groups read completely from it are returned.
GroupList loadGroupFile(const std::filesystem::path& file, FileLoadReport& report);
// The same; complete is false when the file was damaged or unreadable.
GroupList LoadGroupInfoFile(const std::filesystem::path& file, bool* complete = nullptr);
// Writes atomically; on failure the file on disk stays as it was.
bool SaveGroupInfoFile(const std::filesystem::path& file, const GroupList& groups, std::string* error = nullptr);
// Under the data folder's lock, takes in what another program saved to the
// file since `base` (the groups as this program last loaded or saved them;
// groups are matched by number, see mergeKeyed), then saves. On success
// `groups` and `base` hold what was written.
bool SaveGroupInfoFileMerged(const std::filesystem::path& file, GroupList& base, GroupList& groups,
                             std::string* error = nullptr);

} // namespace aulira
