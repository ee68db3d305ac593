// Benchmarks of the desktop app's device list against a large simulated site:
// how long the event loop stalls while a search fills the table, how long a
// sort by each column takes, and the resident memory once the search is over.
// Each prints its measurement and the ratio to its target (below 1.0 meets
// it); nothing here fails on time. Run on the offscreen platform inside a
// private network namespace:
//   scripts/netns.sh env QT_QPA_PLATFORM=offscreen build/bench/auct-gui-bench
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "BenchUtil.h"
#include "StallMeter.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "protocol/ProtocolWorker.h"

using namespace aulira;
using namespace aulira::app;
using namespace aulira::bench;

namespace {

constexpr int kDevices = 5000;
constexpr int kReplySpreadMs = 400;
constexpr double kStallTargetMs = 50;
constexpr double kSortTargetMs = 100;
constexpr double kRssTargetMb = 150;

// VmRSS of this process in MB, 0 when it cannot be read.
double residentMb()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a data directory\n");
        return 1;
    }

    auto site = startSite(sim::generated(kDevices), kReplySpreadMs);
    auto manager = std::make_unique<DeviceManager>(dir.path().toStdString());
    manager->setAdapters({"127.0.0.1"}, {"255.0.0.0"});
    auto view = std::make_unique<DeviceView>(*manager);
    auto worker = std::make_unique<ProtocolWorker>(manager->devices(), view->workerListener());
    view->setWorker(worker.get());
    view->resize(1200, 700);
    view->show();
    const double rssBefore = residentMb();

    // The search, from the click to the report that it finished, with the
    // event loop measured throughout.
    StallMeter meter;
    QEventLoop loop;
    int found = -1;
    QObject::connect(view.get(), &DeviceView::searchFinished, [&](int n) {
        found = n;
        loop.quit();
    });
    QTimer::singleShot(0, [&] {
        meter.start();
        view->startSearch();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit); // never hang
    const auto t0 = Clock::now();
    loop.exec();
    // Let queued row reports land and the table paint before the meter stops.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    meter.stop();
    const double searchMs = ms(Clock::now() - t0);
    auto* model = view->deviceModel();
    const double stall = meter.worstMs();
    std::printf("gui: search of %d devices found %d, %d rows in %.0f ms; longest event loop stall %.1f ms "
                "(ended %.0f ms into the search; %ld ticks) (target %.0f ms): ratio %.3f (target < 1.0)\n",
                kDevices, found, model->rowCount(), searchMs, stall, meter.worstAtMs(), meter.ticks(), kStallTargetMs,
                stall / kStallTargetMs);

    const double rss = residentMb();
    std::printf("gui: resident memory after the search %.1f MB (%.1f MB before it) (target %.0f MB): "
                "ratio %.3f (target < 1.0)\n",
                rss, rssBefore, kRssTargetMb, rss / kRssTargetMb);

    // Each column twice: ascending, then descending.
    // The sort itself, and the sort with the repaint of the visible rows.
    double worst = 0, total = 0, worstPainted = 0;
    int worstColumn = -1;
    bool worstAscending = true;
    for (int c = 0; c < kDeviceColumnCount; ++c) {
        for (int pass = 0; pass < 2; ++pass) {
            const auto s0 = Clock::now();
            const bool ascending = model->sortByColumn(c);
            const double t = ms(Clock::now() - s0);
            total += t;
            if (t > worst) {
                worst = t;
                worstColumn = c;
                worstAscending = ascending;
            }
            view->viewport()->repaint();
            worstPainted = std::max(worstPainted, ms(Clock::now() - s0));
            QCoreApplication::processEvents();
        }
    }
    std::printf("gui: sorting %d rows by each of %d columns both ways: worst %.1f ms (column %d, %s), "
                "mean %.1f ms; worst with the repaint %.1f ms (target %.0f ms): ratio %.3f (target < 1.0)\n",
                model->rowCount(), kDeviceColumnCount, worst, worstColumn,
                worstAscending ? "ascending" : "descending", total / (2 * kDeviceColumnCount), worstPainted, kSortTargetMs,
                worst / kSortTargetMs);

    manager->waitSearchDone();
    worker.reset();
    view.reset();
    manager.reset();
    site.reset();
    return 0;
}
