#pragma once
// The device list file: a 64-byte magic, a u32 count and one 240-byte record
// per saved device (the entry's layout flag, address, search flag, a has-record
// flag and the 224-byte identity record).
#include <filesystem>
#include <string>
#include <vector>

#include "devices/DeviceInfo.h"

namespace aulira {

inline constexpr std::size_t kFileMagicSize = 64;
inline constexpr const char* kDeviceListMagic = "device list file";
inline constexpr std::size_t kDeviceListRecordSize = 240;
static_assert(16 + devinfo::size == kDeviceListRecordSize);

struct DeviceListRecord {
    std::uint32_t bParaExt = 0; // the file's field name: 0 the 392-byte record, else 436
    std::uint32_t ip = 0;
    std::uint32_t searchOnly = 0;
    std::uint32_t hasRecord = 1;
    DeviceInfo_Type info;
};

struct DeviceListFileContent {
    bool magicOk = false;
    bool complete = true; // false when the file ended before its count, or a record had no identity record
    std::size_t extraBytes = 0; // bytes behind the announced records
    std::vector<DeviceListRecord> records;
    bool intact() const { return magicOk && complete && extraBytes == 0; }
};

std::vector<std::uint8_t> encodeDeviceListFile(const std::vector<DeviceListRecord>& records);
// Treats the bytes as untrusted: keeps the records read completely.
DeviceListFileContent decodeDeviceListFile(ConstBytes file);

// Reads the whole file; false when it is missing, a directory or unreadable.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out);

} // namespace aulira
