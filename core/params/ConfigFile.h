#pragma once
// The configuration export file (".alc"), written by "Save Settings" and read
// by "Load Settings" of the parameter sheet: a 64-byte magic field, the u32
// record length and the whole 436-byte parameter record, 504 bytes in all.
// Import never checks the magic or the device model, so a file taken from a
// device of the other layout loads unchanged; it never takes the file's MAC
// address, so copying settings between units cannot clone an address.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"

namespace aulira {

inline constexpr char kConfigFileMagic[] = "Aulira config file";
inline constexpr std::size_t kConfigFileMagicSize = 64;
inline constexpr std::size_t kConfigFileLengthOffset = 64;
inline constexpr std::size_t kConfigFileBodyOffset = 68;
inline constexpr std::size_t kConfigFileSize = 504;
static_assert(sizeof kConfigFileMagic <= kConfigFileMagicSize);
static_assert(kConfigFileLengthOffset == kConfigFileMagicSize && kConfigFileBodyOffset == kConfigFileLengthOffset + 4);
static_assert(kConfigFileBodyOffset + kSysParaBufferSize == kConfigFileSize);

enum class ConfigLoad {
    Loaded,      // the body replaced the record, except its MAC address
    OtherLength, // the length field is not 436: the record is unchanged
    Truncated,   // the file ends before the length field or the body: unchanged
    CannotOpen,  // missing, a directory, or unreadable: unchanged
    OtherLayout, // saved from a device of the other record layout: unchanged
    Unusable,    // names or addresses the device could not keep (a zeroed record): unchanged
};

// The file for `record`, always kConfigFileSize bytes.
std::vector<std::uint8_t> encodeConfigFile(const SysParaBuffer& record);

// Loads a file's bytes over `record`. Only the first kConfigFileSize bytes
// count; anything after them is ignored. The record changes only on Loaded.
ConfigLoad decodeConfigFile(ConstBytes file, SysParaBuffer& record);

// Writes the file through writeFileAtomically; false with `error` set when it
// cannot be written.
bool exportConfigFile(const std::filesystem::path& path, const SysParaBuffer& record, std::string* error = nullptr);

// Reads at most kConfigFileSize bytes of the file and decodes them over
// `record`. On CannotOpen and Truncated, `error` receives a sentence for the
// user that names the file; it is left alone otherwise.
ConfigLoad importConfigFile(const std::filesystem::path& path, SysParaBuffer& record, std::string* error = nullptr);

// The import every front end offers for a device whose record has the
// 436-byte layout when `ext` (else the 392-byte one). Besides the refusals of
// importConfigFile it refuses a file of another length and a record saved
// from a device of the other layout, whose fields would land four bytes off
// from the device number on, and a record whose names break the pages' rules
// or whose address, mask or gateway the device could not keep
// (checkReachableAddresses). The record changes only on Loaded; on any other
// result `error` receives the sentence for the user.
ConfigLoad importConfigFileForDevice(const std::filesystem::path& path, SysParaBuffer& record, bool ext,
                                     std::string* error = nullptr);

// Settings taken from another device's file keep this device's own number,
// name and IP address (from `own`, the record as read), so two devices do
// not end up answering at one address.
void keepDeviceIdentity(ConstBytes own, Bytes record, bool ext);

} // namespace aulira
