// Fuzz target for the configuration export file. Whatever the bytes, loading
// them must never touch the record's MAC address, must leave the record as it
// was unless the file loaded, must look at no byte past the 504th, and the
// file path (bounded read) must agree with the in-memory decoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "FuzzCheck.h"
#include "params/ConfigFile.h"

using namespace aulira;

namespace {

constexpr std::size_t kMac = kLayout436.mac;

SysParaBuffer fixedRecord()
{
    SysParaBuffer r;
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>(i * 13 + 5);
    return r;
}

bool sameMac(const SysParaBuffer& a, const SysParaBuffer& b)
{
    return std::equal(a.begin() + kMac, a.begin() + kMac + 6, b.begin() + kMac);
}

// One scratch file per process, removed at exit; AULIRA_FUZZ_TMPDIR may point
// at a RAM disk.
class ScratchFile {
public:
    ScratchFile()
    {
        namespace fs = std::filesystem;
        const char* env = std::getenv("AULIRA_FUZZ_TMPDIR");
        const fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path();
        path_ = base / ("auct-alc-fuzz-" + std::to_string(static_cast<long>(getpid())) + ".alc");
    }
    ~ScratchFile()
    {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void checkImportMatches(ConstBytes file, ConfigLoad decoded, const SysParaBuffer& afterDecode)
{
    static ScratchFile scratch;
    {
        std::ofstream out(scratch.path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        FUZZ_CHECK(out.good());
    }
    SysParaBuffer r = fixedRecord();
    std::string error;
    const ConfigLoad imported = importConfigFile(scratch.path(), r, &error);
    FUZZ_CHECK(imported == decoded);
    FUZZ_CHECK(r == afterDecode);
    FUZZ_CHECK(error.empty() == (imported != ConfigLoad::Truncated));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes file(data, size);
    const SysParaBuffer before = fixedRecord();
    SysParaBuffer r = before;
    const ConfigLoad result = decodeConfigFile(file, r);

    FUZZ_CHECK(result != ConfigLoad::CannotOpen);
    FUZZ_CHECK(sameMac(r, before));
    if (result != ConfigLoad::Loaded) {
        FUZZ_CHECK(r == before);
    } else {
        FUZZ_CHECK(size >= kConfigFileSize);
        FUZZ_CHECK(readU32(file, kConfigFileLengthOffset) == kSysParaBufferSize);
        for (std::size_t i = 0; i < r.size(); ++i)
            if (i < kMac || i >= kMac + 6)
                FUZZ_CHECK(r[i] == data[kConfigFileBodyOffset + i]);
    }
    // Only a file shorter than the length field or than a body it announces is cut short.
    const bool shortFile = size < kConfigFileBodyOffset ||
                           (readU32(file, kConfigFileLengthOffset) == kSysParaBufferSize && size < kConfigFileSize);
    FUZZ_CHECK((result == ConfigLoad::Truncated) == shortFile);

    // Trailing bytes change nothing.
    if (size > kConfigFileSize) {
        SysParaBuffer head = before;
        FUZZ_CHECK(decodeConfigFile(file.first(kConfigFileSize), head) == result);
        FUZZ_CHECK(head == r);
    }

    // What was loaded exports and loads back to itself.
    const auto again = encodeConfigFile(r);
    FUZZ_CHECK(again.size() == kConfigFileSize);
    SysParaBuffer reloaded = before;
    FUZZ_CHECK(decodeConfigFile(again, reloaded) == ConfigLoad::Loaded);
    FUZZ_CHECK(reloaded == r);

    checkImportMatches(file, result, r);
    return 0;
}
