#include "common/AppContext.h"

#include "shell/AppDir.h"
#include "shell/Log.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

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
        } else if (a == QLatin1String("--lang")) {
            auto v = value();
            const auto l = v ? parseLanguage(v->toStdString()) : std::nullopt;
            if (!l) {
                o.error = QStringLiteral("--lang needs en or zh_CN");
                return o;
            }
            o.language = *l;
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
}

std::string AppContext::open(const StartupOptions& o)
{
    if (auto e = prepareFrontEnd(o, frontEnd_); !e.empty())
        return e;
    // Gets the start-up lines held for the log pane too.
    fileLog_ = std::make_unique<FileLog>(FileLog::Options{.program = "auct", .folder = logFolder(frontEnd_.appDir)});
    fileLog_->attachToLog();
    manager_ = std::make_unique<DeviceManager>(frontEnd_.appDir);
    manager_->initAdapters(frontEnd_.adapters);
    if (manager_->localIps().empty())
        // A newcomer's first question when nothing can be searched.
        OutputLog("No network adapter to search through. Choose one with --adapter ADDRESS, with Adapters= in the "
                  "[Network] section of %s, or try the simulated site with --demo.",
                  pathToUtf8(frontEnd_.appDir / kIniFileName).c_str());
    manager_->loadSavedList();
    worker_ = std::make_unique<ProtocolWorker>(manager_->devices());
    // A write or MAC change counts as done only when the device's record reads back as written.
    worker_->setConfirmWrites(true);
    worker_->setBackupDirectory(frontEnd_.appDir);
    return {};
}

} // namespace aulira::app
