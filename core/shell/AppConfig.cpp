#include "shell/AppConfig.h"

#include "shell/AppDir.h"
#include "util/Ipv4.h"

namespace aulira {

AppConfig::AppConfig(const std::filesystem::path& appDir)
    : iniName(kIniFileName), ini(appDir / kIniFileName)
{
    languageNumber = ini.GetUInt("SysCfg", "Language");
    // The stored number is read, but the program speaks US English.
    langId = 0x0409;
    languageNumber = 1;

    const std::string list = ini.GetString("Network", "Adapters");
    std::string token;
    auto flush = [&] {
        if (token.empty())
            return;
        if (parseIp(token))
            adapters.push_back(token);
        else
            problems.push_back("Network/Adapters: \"" + token + "\" is not an IPv4 address");
        token.clear();
    };
    for (char c : list) {
        if (c == ',' || c == ' ' || c == '\t' || c == ';')
            flush();
        else
            token += c;
    }
    flush();

    if (const std::string port = ini.GetString("Network", "DevicePort"); !port.empty()) {
        const unsigned v = ini.GetUInt("Network", "DevicePort");
        if (v >= 1 && v <= 65535 && std::to_string(v) == port)
            devicePort = static_cast<std::uint16_t>(v);
        else
            problems.push_back("Network/DevicePort: \"" + port + "\" is not a port number");
    }
    if (const std::string n = ini.GetString("Network", "Retries"); !n.empty()) {
        const unsigned v = ini.GetUInt("Network", "Retries");
        if (v <= 20 && std::to_string(v) == n)
            retries = static_cast<int>(v);
        else
            problems.push_back("Network/Retries: \"" + n + "\" is not a number from 0 to 20");
    }
    if (const std::string cp = ini.GetString("Text", "CodePage"); !cp.empty()) {
        const unsigned v = ini.GetUInt("Text", "CodePage");
        if (v > 0 && v < 65536 && std::to_string(v) == cp)
            codePage = static_cast<int>(v);
        else
            problems.push_back("Text/CodePage: \"" + cp + "\" is not a code page number");
    }
    if (const std::string lang = ini.GetString("Text", "Language"); !lang.empty()) {
        language = parseLanguage(lang);
        if (!language)
            problems.push_back("Text/Language: \"" + lang + "\" is not a language this program speaks (en, zh_CN)");
    }
}

} // namespace aulira
