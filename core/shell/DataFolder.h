#pragma once
// The data folder's own files as one: the device list, group and address
// book files checked together before a front end works with them.
#include <filesystem>
#include <chrono>
#include <vector>

#include "util/DataFile.h"

namespace aulira {

// Under the folder's lock, loads the device list, group and address book
// files. Each damaged one is moved aside (reported), and what was read
// completely from it is written to a new file in its place. Returns the
// reports of the files that were damaged or could not be read.
// When another program keeps the lock beyond `wait`, nothing is checked: it
// checked the files when it took them, and its saves replace them whole.
std::vector<FileLoadReport> checkDataFiles(const std::filesystem::path& dataDir,
                                           std::chrono::milliseconds wait = std::chrono::seconds(1));

} // namespace aulira
