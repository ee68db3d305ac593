#pragma once
// The group info file "group" in the data directory: a 64-byte magic, a u32
// group count, then per group its 24-byte header, a u32 member count and the
// 24-byte members. Rewritten whole on every save.
#include <filesystem>
#include <string>
#include <vector>

#include "grouping/GroupTypes.h"

namespace aulira {

inline constexpr const char* kGroupFileMagic = "group info file";
inline constexpr const char* kGroupFileName = "group";
inline constexpr std::size_t kGroupFileMagicSize = 64;
inline constexpr std::size_t kGroupFileHeaderSize = kGroupFileMagicSize + 4;

struct GroupFileContent {
    bool magicOk = false;
    bool complete = true; // false when the file ended before everything it announced
    GroupList groups;
};

std::vector<std::uint8_t> encodeGroupFile(const GroupList& groups);
// Treats the bytes as untrusted: a group is kept only when its header and all
// its members were there; a count of zero or below (signed) means none.
GroupFileContent decodeGroupFile(ConstBytes file);

std::filesystem::path groupFilePath(const std::filesystem::path& dataDir);

// A missing file, a directory or a file of another kind gives no groups.
GroupList LoadGroupInfoFile(const std::filesystem::path& file, bool* complete = nullptr);
// Writes atomically; on failure the file on disk stays as it was.
bool SaveGroupInfoFile(const std::filesystem::path& file, const GroupList& groups, std::string* error = nullptr);

} // namespace aulira
