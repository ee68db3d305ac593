#include "params/ConfigFile.h"
#include "util/PathText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "params/SysParaOffsets.h"
#include "params/SysParaSettings.h"
#include "shell/Strings.h"
#include "util/AtomicFile.h"

namespace aulira {

namespace {

constexpr std::size_t kMacOffset = kLayout436.mac;
constexpr std::size_t kMacSize = 6;
// The MAC address sits at the same place in both layouts, so keeping it is
// right whichever layout the file or the device uses.
static_assert(kLayout392.mac == kLayout436.mac);
static_assert(kMacOffset + kMacSize <= kLayout392.size);

std::FILE* openForReading(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

ConfigLoad fail(ConfigLoad result, std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return result;
}

} // namespace

std::vector<std::uint8_t> encodeConfigFile(const SysParaBuffer& record)
{
    std::vector<std::uint8_t> out(kConfigFileSize, 0);
    std::memcpy(out.data(), kConfigFileMagic, sizeof kConfigFileMagic - 1);
    writeU32(out, kConfigFileLengthOffset, static_cast<std::uint32_t>(kSysParaBufferSize));
    std::copy(record.begin(), record.end(), out.begin() + kConfigFileBodyOffset);
    return out;
}

ConfigLoad decodeConfigFile(ConstBytes file, SysParaBuffer& record)
{
    if (file.size() < kConfigFileBodyOffset)
        return ConfigLoad::Truncated;
    // A file of the short record (392) or anything else is not ours to guess at.
    if (readU32(file, kConfigFileLengthOffset) != kSysParaBufferSize)
        return ConfigLoad::OtherLength;
    // The body is taken whole or not at all: half a record would mix two
    // devices' settings.
    if (file.size() < kConfigFileSize)
        return ConfigLoad::Truncated;
    SysParaBuffer loaded;
    std::copy_n(file.begin() + kConfigFileBodyOffset, kSysParaBufferSize, loaded.begin());
    std::copy_n(record.begin() + kMacOffset, kMacSize, loaded.begin() + kMacOffset);
    record = loaded;
    return ConfigLoad::Loaded;
}

bool exportConfigFile(const std::filesystem::path& path, const SysParaBuffer& record, std::string* error)
{
    // The record carries the device's user name and password.
    return writeFileAtomically(path, encodeConfigFile(record), error, FileAccess::Private);
}

ConfigLoad importConfigFile(const std::filesystem::path& path, SysParaBuffer& record, std::string* error)
{
    const std::string name = "\"" + pathToUtf8(path) + "\"";
    std::FILE* f = openForReading(path);
    if (!f)
        return fail(ConfigLoad::CannotOpen, error,
                    "Cannot open the configuration file " + name + ": " + std::strerror(errno) + ".");
    // Bounded: whatever follows the first kConfigFileSize bytes is never read,
    // so a huge or endless file costs nothing.
    std::uint8_t buf[kConfigFileSize];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    const int readErrno = errno;
    const bool readFailed = std::ferror(f) != 0;
    std::fclose(f);
    if (readFailed)
        return fail(ConfigLoad::CannotOpen, error,
                    "Cannot read the configuration file " + name + ": " + std::strerror(readErrno) + ".");
    const ConfigLoad result = decodeConfigFile(ConstBytes(buf, n), record);
    if (result == ConfigLoad::Truncated)
        return fail(result, error,
                    "The configuration file " + name + " is incomplete (" + std::to_string(n) + " of " +
                        std::to_string(kConfigFileSize) + " bytes); the settings were not changed.");
    return result;
}

ConfigLoad importConfigFileForDevice(const std::filesystem::path& path, SysParaBuffer& record, bool ext,
                                     std::string* error)
{
    const std::string file = pathToUtf8(path);
    SysParaBuffer loaded = record;
    const ConfigLoad result = importConfigFile(path, loaded, error);
    if (result == ConfigLoad::OtherLength)
        return fail(result, error, file + " does not hold a 436-byte parameter record; nothing was imported");
    if (result != ConfigLoad::Loaded)
        return result;
    // The file carries the firmware version of the device it came from.
    if ((paraExtFromVersion(loaded) != 0) != ext)
        return fail(ConfigLoad::OtherLayout, error,
                    file + " was saved from a device with the " + (ext ? "392" : "436") +
                        "-byte parameter record; this device uses the " + (ext ? "436" : "392") +
                        "-byte record, so nothing was imported");
    // No page stands between the file and the device: its names must pass
    // the pages' rules, and its addresses must leave the device reachable.
    auto settings = SysParaSettings::load(loaded, ext);
    SysParaBuffer stored = loaded;
    auto refusal = settings.save(stored);
    if (!refusal)
        refusal = checkReachableAddresses(settings);
    if (refusal)
        return fail(ConfigLoad::Unusable, error,
                    oneLine(refusalText(*refusal)) + " (" + std::string(refusal->field) + " in " + file +
                        "); nothing was imported");
    record = loaded;
    return result;
}

void keepDeviceIdentity(ConstBytes own, Bytes record, bool ext)
{
    for (std::string_view name : {"deviceNo", "deviceName", "ip"}) {
        const std::size_t at = sysParaOffset(name, ext), width = sysParaField(name).width;
        if (at + width <= own.size() && at + width <= record.size())
            std::copy_n(own.begin() + static_cast<std::ptrdiff_t>(at), width,
                        record.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

} // namespace aulira
