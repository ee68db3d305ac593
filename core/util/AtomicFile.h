#pragma once
#include <filesystem>
#include <string>

#include "util/Bytes.h"

namespace aulira {

// Writes a temporary file of a unique name beside the target (created
// exclusively, never through a link), flushes it to disk, renames it over
// the target and flushes the folder, so a crash, a kill or a full disk leaves
// either the old file or the new one, and two writers never share a
// temporary file.
// A Private file (one that holds device passwords) is readable by its owner
// only where the system has such modes (0600); on Windows the user's own
// folder keeps it.
enum class FileAccess { Shared, Private };
bool writeFileAtomically(const std::filesystem::path& target, ConstBytes data, std::string* error = nullptr,
                         FileAccess access = FileAccess::Shared);

// The temporaries writeFileAtomically leaves only when its process dies
// mid-save ("<name>.tmp-XXXXXX", and the older fixed "<name>.tmp"). Call it
// only while holding the data folder's lock, when no other save can be
// under way. Returns how many were removed.
int removeStaleTemporaries(const std::filesystem::path& target);

} // namespace aulira
