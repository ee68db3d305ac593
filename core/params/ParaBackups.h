#pragma once
// Automatic backups of parameter records: before a record is overwritten on
// a device, the record as read is kept as a configuration file in the data
// directory, under backups/<MAC>/<date-time>.alc, the newest kBackupsKept per
// device. A backup is restored by importing it (auctl params import, or the
// sheet's Load Settings), which keeps the device's own MAC address.
#include <filesystem>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"

namespace aulira {

inline constexpr std::size_t kBackupsKept = 20;

// The folder of one device's backups: the MAC address of the record, as
// "02-4b-50-00-00-02".
std::filesystem::path backupFolder(const std::filesystem::path& dataDir, const SysParaBuffer& record);

// Writes the record as a new backup and removes the oldest beyond
// kBackupsKept. Returns the file written, or an empty path with `error` set.
std::filesystem::path backupRecord(const std::filesystem::path& dataDir, const SysParaBuffer& record,
                                   std::string* error = nullptr);

// The device's backups, oldest first.
std::vector<std::filesystem::path> listBackups(const std::filesystem::path& dataDir, const SysParaBuffer& record);

} // namespace aulira
