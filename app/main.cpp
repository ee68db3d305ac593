// auct: the desktop application.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

#include "common/AppContext.h"
#include "common/Language.h"
#include "common/Resources.h"
#include "common/UserSettings.h"
#include "mainwindow/MainWindow.h"
#include "shell/Log.h"

namespace {

const char kUsage[] =
    "Usage: auct [options] [Qt options]\n"
    "\n"
    "The desktop application: finds the audio devices on every network this computer\n"
    "is attached to, lists them with their live state and configures them.\n"
    "\n"
    "Options:\n"
    "  --adapter ADDR    search from this local adapter address (repeatable);\n"
    "                    default: every IPv4 address of every up, non-loopback interface\n"
    "  --port N          device port (default 65176)\n"
    "  --data-dir DIR    where the device list and the other files live\n"
    "  --demo            work against a simulated site on loopback\n"
    "  --lang LANG       the language of the texts: en or zh_CN (default: the INI's\n"
    "                    Text/Language, else the desktop's)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are taken as well.\n";

} // namespace

int main(int argc, char** argv)
{
    // Answered before the application object exists, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("auct 3.5.12\n", stdout);
            return 0;
        }
    }
    // High-DPI the way Qt 6 recommends: its scaling is always on (per-monitor
    // DPI awareness on Windows, no manifest entry needed), fractional factors
    // such as 150 % kept as they are rather than rounded; the icons come in
    // sizes up to twice the largest shown.
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    // The user's preferences: one file, which QSettings() anywhere in the app reaches.
    aulira::app::useUserSettingsByDefault();
    QApplication::setApplicationVersion(QStringLiteral("3.5.12"));
    aulira::app::initResources();
    QApplication::setWindowIcon(aulira::app::appIcon(QStringLiteral("app")));

    auto options = aulira::app::StartupOptions::parse(QApplication::arguments());
    options.systemLanguage = aulira::app::systemLanguage();
    // The INI may choose another language once the data directory is known.
    aulira::app::applyLanguage(options.language.value_or(*options.systemLanguage));
    if (!options.error.isEmpty()) {
        QMessageBox::warning(nullptr, QObject::tr("Aulira"), options.error);
        return 2;
    }
    // The adapter lines of the start-up come before the log pane exists.
    aulira::Log::instance().holdUntilFirstSink();
    aulira::app::AppContext context;
    if (const auto error = context.open(options); !error.empty()) {
        QMessageBox::warning(nullptr, QObject::tr("Aulira"), QString::fromStdString(error));
        return 1;
    }
    if (context.language() != aulira::language())
        aulira::app::applyLanguage(context.language());
    aulira::app::MainWindow window(context);
    window.show();
    window.start();
    context.manager().startStatusPoll();
    return app.exec();
}
