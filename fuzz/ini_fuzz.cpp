// Fuzz target for the INI reader and the configuration built from it. The
// input is the text of "AuliraServer.ini". Lookups must never crash; a value
// is always one piece of one line of the text; section and key match without
// regard to case; a number is read from the first 64 characters only and
// never shrinks when digits follow; and the configuration read from the file
// holds only values it could use.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "FuzzCheck.h"
#include "shell/AppConfig.h"
#include "shell/AppDir.h"
#include "shell/Ini.h"
#include "util/Ipv4.h"

using namespace aulira;

namespace {

std::string swapCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::islower(u) ? std::toupper(u) : std::tolower(u));
    }
    return out;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

void checkNumber(std::string_view value)
{
    const unsigned n = IniFile::ToUInt(value);
    FUZZ_CHECK(n == IniFile::ToUInt(value.substr(0, 64)));
    if (value.empty() || value[0] < '0' || value[0] > '9')
        FUZZ_CHECK(n == 0);
    std::size_t digits = 0;
    while (digits < value.size() && digits < 64 && value[digits] >= '0' && value[digits] <= '9')
        ++digits;
    if (digits > 0 && digits <= 9)
        FUZZ_CHECK(n == std::stoul(std::string(value.substr(0, digits))));
    // More digits never make a smaller number (large ones stop at the maximum).
    for (std::size_t k = 0; k < digits; ++k)
        FUZZ_CHECK(IniFile::ToUInt(value.substr(0, k)) <= n);
}

void checkLookup(std::string_view text, std::string_view section, std::string_view key)
{
    const std::string value = IniFile::FindString(text, section, key);
    FUZZ_CHECK(value.size() <= text.size());
    FUZZ_CHECK(value.find('\n') == std::string::npos);
    FUZZ_CHECK(text.find(value) != std::string_view::npos);
    FUZZ_CHECK(IniFile::FindString(text, swapCase(section), swapCase(key)) == value);
    checkNumber(value);
}

// A section and a key taken roughly from the text, so that lookups also hit
// names the fuzzer made up rather than only the ones the program uses.
std::pair<std::string, std::string> namesFrom(std::string_view text)
{
    const std::size_t open = text.find('[');
    if (open == std::string_view::npos)
        return {};
    const std::size_t close = text.find(']', open);
    if (close == std::string_view::npos)
        return {};
    const std::size_t line = text.find('\n', close);
    if (line == std::string_view::npos)
        return {std::string(text.substr(open + 1, close - open - 1)), {}};
    const std::size_t eq = text.find('=', line);
    const std::size_t keyEnd = eq == std::string_view::npos ? text.size() : eq;
    return {std::string(text.substr(open + 1, close - open - 1)), std::string(text.substr(line + 1, keyEnd - line - 1))};
}

// A directory per process holding the file AppConfig reads, removed at exit.
class ScratchDir {
public:
    ScratchDir()
    {
        namespace fs = std::filesystem;
        const char* env = std::getenv("AULIRA_FUZZ_TMPDIR");
        const fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path();
        dir_ = base / ("auct-ini-fuzz-" + std::to_string(static_cast<long>(getpid())));
        fs::create_directories(dir_);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
};

void checkConfiguration(std::string_view text)
{
    static ScratchDir scratch;
    {
        std::ofstream out(scratch.path() / kIniFileName, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        FUZZ_CHECK(out.good());
    }
    const IniFile ini(scratch.path() / kIniFileName);
    FUZZ_CHECK(ini.GetString("SysCfg", "Language") == IniFile::FindString(text, "SysCfg", "Language"));
    FUZZ_CHECK(ini.GetUInt("SysCfg", "Language") == IniFile::ToUInt(IniFile::FindString(text, "SysCfg", "Language")));

    const AppConfig cfg(scratch.path());
    FUZZ_CHECK(cfg.languageNumber == 1 && cfg.langId == 0x0409);
    for (const auto& a : cfg.adapters)
        FUZZ_CHECK(parseIp(a).has_value());
    if (cfg.devicePort)
        FUZZ_CHECK(*cfg.devicePort >= 1);
    if (cfg.codePage)
        FUZZ_CHECK(*cfg.codePage >= 1 && *cfg.codePage <= 65535);
    for (const auto& p : cfg.problems)
        FUZZ_CHECK(!p.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const std::pair<const char*, const char*> known[] = {
        {"SysCfg", "Language"}, {"Network", "Adapters"}, {"Network", "DevicePort"}, {"Text", "CodePage"}, {"", ""}};
    for (const auto& [section, key] : known)
        checkLookup(text, section, key);
    const auto [section, key] = namesFrom(text);
    checkLookup(text, section, key);

    // A key added in a section of its own at the end is found as written,
    // unless the text already has a section of that name.
    if (lower(text).find("fzprobe") == std::string::npos) {
        std::string more(text);
        more += "\n[FzProbe]\n  probe = \"12 34\" \n";
        FUZZ_CHECK(IniFile::FindString(more, "fzprobe", "PROBE") == "12 34");
        FUZZ_CHECK(IniFile::ToUInt(IniFile::FindString(more, "FzProbe", "probe")) == 12);
    }

    checkConfiguration(text);
    return 0;
}
