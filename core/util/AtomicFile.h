#pragma once
#include <filesystem>
#include <string>

#include "util/Bytes.h"

namespace aulira {

// Writes a temporary file beside the target, flushes it and renames it over
// the target, so a crash or a full disk never leaves a half-written file.
bool writeFileAtomically(const std::filesystem::path& target, ConstBytes data, std::string* error = nullptr);

} // namespace aulira
