#include "shell/AppContext.h"

#include "SimSite.h"
#include "protocol/Timing.h"
#include "shell/AppConfig.h"
#include "shell/AppDir.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

StartupOptions StartupOptions::parse(const QStringList& arguments)
{
    StartupOptions o;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (a == QLatin1String("--adapter")) {
            auto v = value();
            if (!v || !parseIp(v->toStdString())) {
                o.error = QStringLiteral("--adapter needs an IPv4 address");
                return o;
            }
            o.adapters.push_back(v->toStdString());
        } else if (a == QLatin1String("--port")) {
            auto v = value();
            bool ok = false;
            const int port = v ? v->toInt(&ok) : 0;
            if (!ok || port <= 0 || port > 65535) {
                o.error = QStringLiteral("--port needs a port number from 1 to 65535");
                return o;
            }
            o.port = static_cast<std::uint16_t>(port);
        } else if (a == QLatin1String("--data-dir")) {
            auto v = value();
            if (!v || v->isEmpty()) {
                o.error = QStringLiteral("--data-dir needs a directory");
                return o;
            }
            o.dataDir = v->toStdString();
        } else if (a == QLatin1String("--demo")) {
            o.demo = true;
        }
        // Other arguments belong to Qt (-platform, -style ...) and were taken by QApplication.
    }
    return o;
}

AppContext::AppContext() = default;

AppContext::~AppContext()
{
    worker_.reset(); // before the list it works on
    manager_.reset();
    site_.reset();
}

std::string AppContext::open(const StartupOptions& o)
{
    std::optional<std::filesystem::path> dir;
    if (o.dataDir)
        dir = std::filesystem::path(*o.dataDir);
    else if (o.demo)
        dir = applicationDirectory() / "demo";
    if (o.port)
        protocolConfig().devicePort = *o.port;

    const std::filesystem::path appDir = applicationDirectory(dir);
    const CAppConfig config(appDir);
    languageRead_ = config.m_ini.GetUInt("SysCfg", "Language");
    languageId_ = config.m_wLangId;
    for (const auto& problem : config.problems)
        OutputLog("%s: %s (ignored)", kIniFileName, problem.c_str());
    if (config.codePage)
        setCodePage(*config.codePage);

    std::vector<std::string> adapters = o.adapters;
    if (!o.demo) {
        if (adapters.empty())
            adapters = config.adapters;
        if (!o.port && config.devicePort)
            protocolConfig().devicePort = *config.devicePort;
    } else {
        auto demo = sim::defaultSite();
        demo.options.port = 0;
        site_ = std::make_unique<sim::SimSite>(demo.options);
        std::string error;
        if (!site_->addDevices(demo.devices, &error) || !site_->start(&error))
            return "cannot start the simulated site: " + error;
        protocolConfig().devicePort = site_->port();
        if (adapters.empty())
            adapters.push_back("127.0.0.1");
    }
    manager_ = std::make_unique<DeviceManager>(appDir);
    manager_->initAdapters(adapters);
    manager_->loadSavedList();
    worker_ = std::make_unique<ProtocolWorker>(manager_->devices());
    return {};
}

} // namespace aulira::app
