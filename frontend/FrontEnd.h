#pragma once
// What auctl and the desktop app both do before their first command: the
// data directory and its INI file, the code page, the device port and the
// adapters (command line first, then the INI), the language of the texts
// (--lang, then the INI's Text/Language, then the desktop's locale), and with
// --demo a simulated site on loopback that the run then talks to.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/Translate.h"

namespace aulira::sim {
class SimSite;
}

namespace aulira {

struct FrontEndOptions {
    std::vector<std::string> adapters;
    std::optional<std::uint16_t> port;
    std::optional<std::string> dataDir;
    bool demo = false;
    std::optional<Language> language;       // --lang
    std::optional<Language> systemLanguage; // the desktop's; default: the locale variables
    std::optional<int> retries;             // auctl --retries; else the INI's Network/Retries
};

struct FrontEnd {
    std::filesystem::path appDir;
    std::vector<std::string> adapters; // the ones to use; empty: every non-loopback one
    unsigned languageRead = 0;         // "Language" as the INI names it
    std::uint16_t languageId = 0;      // the language message boxes use
    Language language = Language::English; // the language the texts are shown in
    std::unique_ptr<sim::SimSite> site; // the demo's simulated site

    FrontEnd();
    ~FrontEnd();
    FrontEnd(FrontEnd&&) noexcept;
    FrontEnd& operator=(FrontEnd&&) noexcept;
};

// Sets the process up as the options and the INI say. Returns an error text,
// empty on success.
std::string prepareFrontEnd(const FrontEndOptions& options, FrontEnd& out);

} // namespace aulira
