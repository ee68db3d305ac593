// Benchmark of the firmware batch upgrade dialog against a simulated site of
// 20 terminals, with the default timings: the longest time the event loop
// stalls while the batch reports progress into the grid, and how long the
// batch takes through the dialog against the same batch through auctl (its
// search subtracted, timed on its own). Prints figures and ratios (below 1.0
// meets the target); nothing here fails on time. Run on the offscreen
// platform inside a private network namespace:
//   scripts/netns.sh env QT_QPA_PLATFORM=offscreen build/bench/auct-gui-upgrade-bench
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "BenchUtil.h"
#include "Cli.h"
#include "controls/CheckGrid.h"
#include "devices/DeviceManager.h"
#include "upgrade/UpgradeDialog.h"
#include "util/Bytes.h"
#include "util/Ipv4.h"

using namespace aulira;
using namespace aulira::app;
using namespace aulira::bench;

namespace {

constexpr int kDevices = 20;
constexpr int kAtATime = 4;
constexpr std::size_t kImageBytes = 32u << 10;
constexpr double kStallTargetMs = 50;
constexpr double kRunTimeTarget = 1.05;

sim::SiteConfig site20()
{
    sim::SiteConfig cfg;
    for (int i = 0; i < kDevices; ++i) {
        sim::DeviceConfig d;
        d.ip = parseIp("127.0.0." + std::to_string(101 + i)).value();
        d.mask = parseIp("255.0.0.0").value();
        d.devNo = 101 + i;
        d.name = "T" + std::to_string(101 + i);
        d.mac = sim::generatedMac(static_cast<std::uint32_t>(101 + i));
        d.firmware = "V2.0.1";
        cfg.devices.push_back(d);
    }
    return cfg;
}

std::string writeFile(const std::string& dir)
{
    std::vector<std::uint8_t> bytes(128 + kImageBytes, 0x3C);
    std::fill_n(bytes.begin(), 128, 0);
    writeFixedText(bytes, 0, 16, "KPU update file");
    writeFixedText(bytes, 32, 16, "V2.4.0");
    writeFixedText(bytes, 80, 48, "KP-4410");
    const std::string p = dir + "/bench.bin";
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return p;
}

double auctlMs(const std::vector<std::string>& args, int* code)
{
    std::ostringstream out, err;
    const auto t0 = Clock::now();
    *code = cli::runCli(args, out, err);
    return ms(Clock::now() - t0);
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
    auto site = startSite(site20(), 0);
    const std::string file = writeFile(data);

    // Through the dialog: the devices found by a search, then the batch from
    // the click on Upgrade to the batch-ended notification, with a 1 ms timer
    // measuring the event loop throughout.
    DeviceManager manager(data);
    manager.setAdapters({"127.0.0.1"}, {"255.0.0.0"});
    manager.StartSearch();
    manager.waitSearchDone();
    double dialogMs = 0, worstStall = 0;
    int failures = 0;
    {
        FirmwareUpgradeDialog dialog(manager.devices());
        dialog.resize(900, 520);
        dialog.show();
        dialog.atATimeBox()->setValue(kAtATime);
        dialog.fileEdit()->setText(QString::fromStdString(file));
        if (!dialog.upgradeButton()->isEnabled() || dialog.grid()->rowCount() != kDevices) {
            std::fprintf(stderr, "the dialog lists %d devices and %s the file\n", dialog.grid()->rowCount(),
                         dialog.upgradeButton()->isEnabled() ? "takes" : "refuses");
            return 1;
        }
        QElapsedTimer clock;
        qint64 last = 0, worst = 0, endAt = -1;
        QTimer meter;
        meter.setTimerType(Qt::PreciseTimer);
        meter.setInterval(1);
        QObject::connect(&meter, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, now - last);
            last = now;
            // The batch-ended notification shows its box: that is the end.
            if (endAt < 0 && QApplication::activeModalWidget()) {
                endAt = now;
                QApplication::activeModalWidget()->close();
            }
        });
        QEventLoop loop;
        QObject::connect(&dialog, &UpgradeDialog::batchFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(600000, &loop, &QEventLoop::quit); // never hang
        QTimer::singleShot(0, [&] {
            clock.start();
            meter.start();
            dialog.upgradeButton()->click();
        });
        loop.exec();
        meter.stop();
        dialogMs = endAt >= 0 ? endAt / 1e6 : clock.nsecsElapsed() / 1e6;
        worstStall = worst / 1e6;
        for (int r = 0; r < dialog.grid()->rowCount(); ++r)
            failures += dialog.grid()->gridModel()->cellProgress(r, UpgradeDialog::ColProgress) == 100 ? 0 : 1;
    }

    // Through auctl: the same batch after its own search; the search alone is
    // timed separately and taken off.
    const std::vector<std::string> common = {"--quiet", "--data-dir", data + "/cli", "--adapter", "127.0.0.1",
                                             "--port", std::to_string(site->port())};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> v = common;
        v.insert(v.end(), more.begin(), more.end());
        return v;
    };
    int searchCode = 0, upgradeCode = 0;
    const double searchMs = auctlMs(with({"search"}), &searchCode);
    const double cliMs = auctlMs(with({"upgrade", "firmware", file, "--parallel", std::to_string(kAtATime),
                                       "--no-verify"}),
                                 &upgradeCode);
    const double cliBatchMs = cliMs - searchMs;

    std::printf("gui upgrade: %d devices, %zu KiB each, %d at a time, default timings; longest event loop stall "
                "during the batch %.1f ms (target %.0f ms): ratio %.3f (target < 1.0)%s\n",
                kDevices, kImageBytes >> 10, kAtATime, worstStall, kStallTargetMs, worstStall / kStallTargetMs,
                failures ? " (FAILURES)" : "");
    std::printf("gui upgrade: batch through the dialog %.0f ms; through auctl %.0f ms (%.0f ms in all, less its "
                "search of %.0f ms)%s; dialog / auctl %.3f (target %.2f): ratio to target %.3f (target < 1.0)\n",
                dialogMs, cliBatchMs, cliMs, searchMs, upgradeCode || searchCode ? " (auctl FAILED)" : "",
                dialogMs / cliBatchMs, kRunTimeTarget, dialogMs / cliBatchMs / kRunTimeTarget);
    site.reset();
    return 0;
}
