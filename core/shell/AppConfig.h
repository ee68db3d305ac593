#pragma once
// The program's configuration from "AuliraServer.ini" in the application
// directory. The file is read, never written. Besides the language number the
// program has always read, it may name the adapters to use, the device port,
// the code page of device texts and the language of the program's texts (see
// the README).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/Ini.h"
#include "shell/Translate.h"

namespace aulira {

class AppConfig {
public:
    explicit AppConfig(const std::filesystem::path& appDir);
    virtual ~AppConfig() = default;

    std::string iniName;
    IniFile ini;
    std::uint32_t languageNumber = 0;
    std::uint16_t langId = 0;

    // [Network] Adapters: addresses separated by commas or blanks; empty = the default choice.
    std::vector<std::string> adapters;
    // [Network] DevicePort: 1..65535.
    std::optional<std::uint16_t> devicePort;
    // [Network] Retries: how often an unanswered parameter read or write is
    // tried again, and a write the device did not take is sent again (0..20).
    std::optional<int> retries;
    // [Text] CodePage: the code page of names in device records.
    std::optional<int> codePage;
    // [Text] Language: "en" or "zh_CN", the language of the program's texts.
    // Unlike SysCfg/Language it changes what the program shows.
    std::optional<Language> language;
    // Values that were present but unusable, for a log line each.
    std::vector<std::string> problems;
};

} // namespace aulira
