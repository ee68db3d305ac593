// Benchmark of the commission run dialog against a simulated site of 200
// terminals, five fields each, eight devices at a time, default timings: the
// longest time the event loop stalls while the run reports into the grid,
// and how long the run takes through the dialog against the same run through
// the engine alone. Prints figures and ratios (below 1.0 meets the target);
// nothing here fails on time. Run on the offscreen platform inside a private
// network namespace:
//   scripts/netns.sh env QT_QPA_PLATFORM=offscreen build/bench/auct-gui-commission-bench
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sstream>

#include "BenchUtil.h"
#include "StallMeter.h"
#include "controls/CheckGrid.h"
#include "devices/DeviceManager.h"
#include "rollout/CommissionDialog.h"
#include "rollout/PlanReview.h"
#include "rollout/SitePlan.h"
#include "util/Ipv4.h"

using namespace aulira;
using namespace aulira::app;
using namespace aulira::bench;

namespace {

constexpr int kDevices = 200;
constexpr int kAtATime = 8;
constexpr double kStallTargetMs = 50;

// Five fields for every device of the site, `round` making each run's values new.
std::string planText(const DeviceList& list, int round)
{
    std::ostringstream csv;
    csv << "mac,deviceName,volume,ringVolume,sessionVolume,serverIp\n";
    int i = 0;
    for (const auto& item : list.snapshot()) {
        std::lock_guard lock(list.mutex());
        csv << formatMac(item->devItem.mac()) << ",R" << round << "-" << i << "," << (20 + round + i % 50) << ","
            << (30 + round) << "," << (40 + round) << ",10.9." << round << "." << (1 + i % 250) << "\n";
        ++i;
    }
    return csv.str();
}

// The plan reviewed against the site: the records read, the changes made.
std::vector<PlannedDevice> reviewed(DeviceList& list, int round)
{
    const PlanRead read = parsePlan(planText(list, round));
    if (!read.ok()) {
        std::fprintf(stderr, "the bench's plan is refused: %s\n", read.errors.front().message().c_str());
        std::exit(1);
    }
    PlanReview review = reviewPlan(read.plan, list, kAtATime);
    if (!review.ok() || review.devices.size() != static_cast<std::size_t>(kDevices)) {
        std::fprintf(stderr, "the review found %zu devices and %zu errors\n", review.devices.size(),
                     review.errors.size());
        std::exit(1);
    }
    return review.devices;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a data directory\n");
        return 1;
    }
    // The dialog keeps its devices-at-a-time setting; not in the user's settings.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    QApplication app(argc, argv);
    const std::string data = dir.path().toStdString();
    auto site = startSite(sim::generated(kDevices), 0);
    DeviceManager manager(data);
    manager.setAdapters({"127.0.0.1"}, {"255.0.0.0"});
    manager.StartSearch();
    manager.waitSearchDone();
    DeviceList& list = manager.devices();

    // Through the dialog: from the click on Start to the end of the run,
    // with a 1 ms timer measuring the event loop throughout.
    double dialogMs = 0, worstStall = 0, worstAt = 0;
    int failed = 0;
    {
        auto devices = reviewed(list, 1);
        CommissionDialog dialog(list, devices, std::vector<bool>(devices.size(), true), data);
        dialog.resize(980, 560);
        dialog.show();
        dialog.atATimeBox()->setValue(kAtATime);
        StallMeter meter;
        QEventLoop loop;
        QObject::connect(&dialog, &CommissionDialog::runFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(600000, &loop, &QEventLoop::quit); // never hang
        Clock::time_point t0;
        QTimer::singleShot(0, [&] {
            meter.start();
            t0 = Clock::now();
            dialog.startButton()->click();
        });
        loop.exec();
        dialogMs = ms(Clock::now() - t0);
        meter.stop();
        worstStall = meter.worstMs();
        worstAt = meter.worstAtMs();
        for (const auto& r : dialog.results())
            failed += r.succeeded() ? 0 : 1;
    }

    // The engine alone, the same run with new values.
    auto devices = reviewed(list, 2);
    CommissionOptions options;
    options.parallel = kAtATime;
    options.backupDir = data;
    const auto t1 = Clock::now();
    const auto results = commissionSite(list, devices, options);
    const double engineMs = ms(Clock::now() - t1);
    int engineFailed = 0;
    for (const auto& r : results)
        engineFailed += r.succeeded() ? 0 : 1;

    std::printf("gui commission: %d devices, 5 fields each, %d at a time, default timings; longest event loop "
                "stall during the run %.1f ms (ended %.0f ms into it) (target %.0f ms): ratio %.3f "
                "(target < 1.0)%s\n",
                kDevices, kAtATime, worstStall, worstAt, kStallTargetMs, worstStall / kStallTargetMs,
                failed ? " (FAILURES)" : "");
    std::printf("gui commission: run through the dialog %.0f ms, through the engine alone %.0f ms%s: dialog / "
                "engine %.3f\n",
                dialogMs, engineMs, engineFailed ? " (engine FAILURES)" : "", dialogMs / engineMs);
    site.reset();
    return 0;
}
