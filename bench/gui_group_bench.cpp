// The group settings' download against a site of 500 simulated devices: the
// longest time the window does not answer while the download runs, and the
// download's run time in the dialog against the same job through auctl.
// Each prints its figures and the ratio to its target (below 1.0 meets the
// stall target, below 1.05 the run-time one); nothing here fails on time.
//   scripts/netns.sh env QT_QPA_PLATFORM=offscreen build/bench/auct-gui-group-bench
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "BenchGroups.h"
#include "BenchUtil.h"
#include "Cli.h"
#include "StallMeter.h"
#include "devices/DeviceView.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupSetupDialog.h"
#include "common/AppContext.h"
#include "mainwindow/MainWindow.h"

using namespace aulira;
using namespace aulira::app;
using namespace aulira::bench;

namespace {

constexpr int kDevices = 500;
constexpr double kStallTargetMs = 50;
constexpr double kRunTimeTarget = 1.05;
constexpr int kRounds = 3;

// Runs the event loop until `done`; it sleeps between events, so the wait
// takes no CPU from the download it waits for.
bool waitFor(const std::function<bool()>& done, int limitMs)
{
    QEventLoop loop;
    QElapsedTimer t;
    t.start();
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || t.elapsed() > limitMs)
            loop.quit();
    });
    check.start();
    if (!done())
        loop.exec();
    return done();
}

// auctl in process, timed; its exit code goes to `code`.
double auctlMs(const std::string& dataDir, std::uint16_t port, std::vector<std::string> args, int* code)
{
    std::vector<std::string> argv{"--data-dir", dataDir, "--adapter", "127.0.0.1", "--port", std::to_string(port)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::ostringstream out, err;
    const auto t0 = Clock::now();
    *code = cli::runCli(argv, out, err);
    return ms(Clock::now() - t0);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir appDir, cliDir;
    if (!appDir.isValid() || !cliDir.isValid()) {
        std::fprintf(stderr, "cannot make the data directories\n");
        return 1;
    }
    const auto cfg = sim::generated(kDevices);
    auto site = startSite(cfg, 0);
    const GroupList groups = benchGroups(cfg);
    for (const QTemporaryDir* d : {&appDir, &cliDir})
        if (!SaveGroupInfoFile(groupFilePath(d->path().toStdString()), groups)) {
            std::fprintf(stderr, "cannot write the group file\n");
            return 1;
        }

    auto context = std::make_unique<AppContext>();
    StartupOptions options;
    options.adapters = {"127.0.0.1"};
    options.port = site->port();
    options.dataDir = appDir.path().toStdString();
    if (const auto e = context->open(options); !e.empty()) {
        std::fprintf(stderr, "cannot open the app: %s\n", e.c_str());
        return 1;
    }
    auto window = std::make_unique<MainWindow>(*context);
    window->show();
    int found = -1;
    QObject::connect(window->deviceView(), &DeviceView::searchFinished, [&](int n) { found = n; });
    window->deviceView()->startSearch();
    if (!waitFor([&] { return found >= 0; }, 120000)) {
        std::fprintf(stderr, "the search did not finish\n");
        return 1;
    }

    // The dialog's download, from the click to the result line: once with
    // the event loop measured throughout, then kRounds times without the
    // meter (its 1 ms timer is not the dialog's work), each from records not
    // yet read as the first found them, and each followed by auctl's search
    // and its group download, so a change of load meets both alike.
    StallMeter meter;
    double meteredMs = -1;
    std::vector<double> dialogMs, cliMs, searchMs;
    int cliCode = 0, searchCode = 0;
    QString result;
    auto download = [&](GroupSetupDialog* dlg, bool metered) {
        DeviceList& list = context->manager().devices();
        for (const auto& item : list.snapshot()) {
            std::lock_guard lock(list.mutex());
            item->sysPara.reset();
        }
        if (metered)
            meter.start();
        const auto t0 = Clock::now();
        dlg->downloadButton()->click();
        const bool ended = waitFor([&] { return !dlg->resultText()->text().isEmpty(); }, 600000);
        const double t = ms(Clock::now() - t0);
        meter.stop();
        result = dlg->resultText()->text();
        waitFor([&] { return dlg->downloadButton()->isEnabled(); }, 20000);
        return ended ? t : -1.0;
    };
    const std::string cliData = cliDir.path().toStdString();
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<GroupSetupDialog*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        watch.stop();
        meteredMs = download(dlg, true);
        for (int round = 0; round < kRounds; ++round) {
            dialogMs.push_back(download(dlg, false));
            searchMs.push_back(auctlMs(cliData, site->port(), {"search"}, &searchCode));
            cliMs.push_back(auctlMs(cliData, site->port(), {"group", "download"}, &cliCode));
        }
        dlg->close();
    });
    watch.start();
    window->action(QStringLiteral("groupAction"))->trigger();
    if (meteredMs < 0 || std::find(dialogMs.begin(), dialogMs.end(), -1.0) != dialogMs.end()) {
        std::fprintf(stderr, "the dialog's download did not finish\n");
        return 1;
    }
    window.reset();
    context.reset();

    // auctl's download is its whole run less its search, timed on its own.
    const double dialog = median(dialogMs), search = median(searchMs), cli = median(cliMs) - search;
    std::printf("gui-group: %d devices found (%s); with the meter the download took %.0f ms and the longest event "
                "loop stall was %.1f ms (ended %.0f ms into it; %ld ticks) (target %.0f ms): ratio %.3f (target < 1.0)\n",
                found, qPrintable(result), meteredMs, meter.worstMs(), meter.worstAtMs(), meter.ticks(),
                kStallTargetMs, meter.worstMs() / kStallTargetMs);
    std::printf("gui-group: median of %d: dialog %.0f ms; auctl group download %.0f ms (exit %d) less its search "
                "%.0f ms (exit %d) = %.0f ms; dialog / auctl %.3f (target < %.2f)\n",
                kRounds, dialog, median(cliMs), cliCode, search, searchCode, cli, dialog / cli, kRunTimeTarget);
    for (int i = 0; i < kRounds; ++i)
        std::printf("gui-group: round %d: dialog %.0f ms, auctl %.0f ms less %.0f ms\n", i + 1, dialogMs[i], cliMs[i],
                    searchMs[i]);
    site.reset();
    return 0;
}
