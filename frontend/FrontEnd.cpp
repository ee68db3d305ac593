#include "FrontEnd.h"

#include "SimSite.h"
#include "protocol/Timing.h"
#include "shell/AppConfig.h"
#include "shell/AppDir.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/PathText.h"

namespace aulira {

FrontEnd::FrontEnd() = default;
FrontEnd::~FrontEnd() = default;
FrontEnd::FrontEnd(FrontEnd&&) noexcept = default;
FrontEnd& FrontEnd::operator=(FrontEnd&&) noexcept = default;

std::string prepareFrontEnd(const FrontEndOptions& o, FrontEnd& out)
{
    std::optional<std::filesystem::path> dir;
    if (o.dataDir)
        dir = pathFromUtf8(*o.dataDir);
    else if (o.demo)
        dir = applicationDirectory() / "demo";
    if (o.port)
        protocolConfig().devicePort = *o.port;

    out.appDir = applicationDirectory(dir);
    const AppConfig config(out.appDir);
    out.languageRead = config.ini.GetUInt("SysCfg", "Language");
    out.languageId = config.langId;
    out.language = o.language ? *o.language
                   : config.language ? *config.language
                                     : o.systemLanguage.value_or(languageFromEnvironment());
    setLanguage(out.language);
    for (const auto& problem : config.problems)
        OutputLog("%s: %s (ignored)", kIniFileName, problem.c_str());
    if (config.codePage) {
        // Refused rather than taken: every name would come out as U+FFFD.
        if (codePageKnown(*config.codePage))
            setCodePage(*config.codePage);
        else
            OutputLog("%s: Text/CodePage: code page %d is not known on this system; the default code page %d is used",
                      kIniFileName, *config.codePage, defaultCodePage());
    }

    protocolConfig().retries = o.retries ? *o.retries : config.retries.value_or(kDefaultRetries);

    out.adapters = o.adapters;
    if (!o.demo) {
        // The INI's choices apply where the command line says nothing; the
        // demo stays on loopback whatever the INI says.
        if (out.adapters.empty())
            out.adapters = config.adapters;
        if (!o.port && config.devicePort)
            protocolConfig().devicePort = *config.devicePort;
        return {};
    }
    auto demo = sim::defaultSite();
    demo.options.port = 0;
    out.site = std::make_unique<sim::SimSite>(demo.options);
    std::string error;
    if (!out.site->addDevices(demo.devices, &error) || !out.site->start(&error))
        return "cannot start the simulated site: " + error;
    protocolConfig().devicePort = out.site->port();
    if (out.adapters.empty())
        out.adapters.push_back("127.0.0.1");
    return {};
}

} // namespace aulira
