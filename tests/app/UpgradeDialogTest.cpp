#include <QCompleter>
#include <QFileInfo>

#include <map>
#include <sstream>

#include "GuiSupport.h"
#include "support/UpgradeFiles.h"
#include "devices/DeviceManager.h"
#include "protocol/Packet.h"
#include "protocol/StatusPoll.h"
#include "common/UserSettings.h"
#include "mainwindow/RibbonBar.h"
#include "upgrade/UpgradeDialog.h"
#include "util/Bytes.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::simDevice;

namespace {

// An upgrade file for `model` (V2.4.0 of 2025-02-03) with `image` bytes.
std::filesystem::path writeUpgradeFile(const std::filesystem::path& dir, const std::string& name, const char* model,
                                       std::size_t image, const char* magic = "KPU update file")
{
    const auto header = aulira::test::upgradeHeader(model, "V2.4.0", "2025-02-03", magic);
    return aulira::test::writeUpgradeFile(dir / name, header, std::vector<std::uint8_t>(image, 0x5C));
}

std::vector<std::string> readLines(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

std::vector<std::string> splitCsv(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream ss(line);
    for (std::string f; std::getline(ss, f, ',');)
        out.push_back(f);
    if (!line.empty() && line.back() == ',')
        out.emplace_back();
    return out;
}

// The program over a site on loopback, its device list filled by its own search.
struct Site : ui::AppSite {
    DeviceList& list() { return context.manager().devices(); }
    int packets(std::uint32_t ip) const
    {
        int n = 0;
        for (const auto& e : site.traffic(ip))
            n += e.command == CMD_UPGRADE_PACKET || e.command == CMD_SCREEN_WRITE_BUFFER;
        return n;
    }
};

int rowOfIp(CheckGrid* grid, const char* ip) { return ui::gridRow(grid, UpgradeDialog::ColIp, QLatin1String(ip)); }
QStringList listedIps(CheckGrid* grid) { return ui::gridColumn(grid, UpgradeDialog::ColIp); }

// Types `path` into the dialog's file field as a person does and leaves it with Tab.
bool typeFilePath(UpgradeDialog& d, const QString& path)
{
    if (!ui::clickInto(&d, d.fileEdit()))
        return false;
    QTest::keyClick(d.fileEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(d.fileEdit(), Qt::Key_Backspace);
    ui::typeKeys(&d, path + QLatin1Char('\t'));
    return d.fileEdit()->text() == path;
}

} // namespace

class UpgradeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The dialog's choices and folders in the user's file, as in the app.
        app::useUserSettingsByDefault();
        // Qt's own file dialog, which a test can answer, on every platform.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }
    void init()
    {
        UpgradeDialog::setVerifyTimeoutMs(10000);
        QSettings().remove(QLatin1String(UpgradeDialog::kAtATimeKey));
        QSettings().setValue(QLatin1String(UpgradeDialog::kRestartWaitKey), 0);
        QSettings().remove(QStringLiteral("Folders"));
    }

    // Three terminals, the second of which never takes the header and the
    // third of which restarts with its old firmware: the box says 2 of 3 with
    // a warning, the second's row says why not; the dialog stays open while
    // the batch runs; each version answer shows as it comes and reaches the
    // device list; Retry failed, once the devices behave, upgrades those two
    // alone; the report holds one row per device with where it stands.
    void firmwareBatchRetryAndReport()
    {
        auto hall = simDevice("127.0.0.71", 71, 71, "Hall");
        auto drop = simDevice("127.0.0.72", 72, 72, "Drop");
        drop.faults.silentCommands = {CMD_UPGRADE_PACKET};
        auto yard = simDevice("127.0.0.73", 73, 73, "Yard");
        yard.faults.keepOldVersion = true;
        Site s;
        QVERIFY(s.open({hall, drop, yard}));
        aulira::test::useFastUpgradeTiming();
        UpgradeDialog::setVerifyTimeoutMs(3000);
        DeviceView& list = *s.view(); // the main window's list, on the same entries
        const auto file = writeUpgradeFile(s.dir.path(), "fw.bin", "KP-4410", 3000);

        FirmwareUpgradeDialog d(s.list());
        d.show();
        CheckGrid* grid = d.grid();
        QCOMPARE(listedIps(grid), (QStringList{"127.0.0.71", "127.0.0.72", "127.0.0.73"}));
        QVERIFY(!d.upgradeButton()->isEnabled());
        QVERIFY(typeFilePath(d, QString::fromStdString(file.string())));
        QCOMPARE(d.findChild<QLineEdit*>(QStringLiteral("fileVersion"))->text(), QStringLiteral("V2.4.0"));
        QCOMPARE(d.findChild<QLineEdit*>(QStringLiteral("fileDate"))->text(), QStringLiteral("2025-02-03"));
        QVERIFY(d.upgradeButton()->isEnabled());

        // Enter on the focused Upgrade button starts nothing.
        d.upgradeButton()->setFocus();
        QTest::keyClick(d.upgradeButton(), Qt::Key_Return);
        QApplication::processEvents();
        QVERIFY(!d.isUpgrading());
        QVERIFY(d.isVisible());
        QCOMPARE(s.packets(hall.ip) + s.packets(drop.ip) + s.packets(yard.ip), 0);

        QTest::mouseClick(d.upgradeButton(), Qt::LeftButton);
        QVERIFY(d.isUpgrading());
        QVERIFY(!d.upgradeButton()->isEnabled());

        // Mid-batch: the close button and Escape leave the dialog open.
        const auto closeRefused = ui::pressFor(d.findChild<QPushButton*>(QStringLiteral("closeButton")), nullptr);
        const auto escRefused = ui::boxAfter([&d] { QTest::keyClick(&d, Qt::Key_Escape); });
        for (const auto& refused : {closeRefused, escRefused}) {
            QCOMPARE(refused.text, QStringLiteral("Upgrading firmware, unable to close window!"));
            QCOMPARE(refused.title, QStringLiteral("Aulira"));
        }
        QVERIFY(d.isUpgrading() && d.isVisible());

        ui::SeenBox done;
        ui::closeNextMessageBox(&done);
        QTRY_VERIFY_WITH_TIMEOUT(!d.isUpgrading(), 30000);
        QTRY_COMPARE(done.text, QStringLiteral("2 of 3 upgraded: see the rows"));
        QCOMPARE(done.icon, int(QMessageBox::Warning));
        QVERIFY(d.isVisible());
        const int hallRow = rowOfIp(grid, "127.0.0.71"), dropRow = rowOfIp(grid, "127.0.0.72"),
                  yardRow = rowOfIp(grid, "127.0.0.73");
        CheckGridModel* m = grid->gridModel();
        QCOMPARE(m->cellProgress(hallRow, UpgradeDialog::ColProgress), 100);
        QCOMPARE(m->cellProgress(yardRow, UpgradeDialog::ColProgress), 100);
        QVERIFY(!m->isProgressShown(dropRow, UpgradeDialog::ColProgress));
        QCOMPARE(grid->cellText(dropRow, UpgradeDialog::ColProgress),
                 QStringLiteral("first packet fail! (left in the boot loader: run the upgrade again)"));
        QCOMPARE(s.site.device(hall.ip)->upgradesInstalled, 1);
        QCOMPARE(s.site.device(drop.ip)->upgradesInstalled, 0);
        QCOMPARE(s.site.device(yard.ip)->upgradesInstalled, 1);
        QVERIFY(!upgradeRunning);

        // The version check: each answer shows as it comes, while the device
        // that keeps its old version is still asked; the device list's
        // Firmware Version column (which its export writes) follows at once.
        QTRY_COMPARE_WITH_TIMEOUT(grid->cellText(hallRow, UpgradeDialog::ColVersion),
                                  QStringLiteral("verified (V2.4.0)"), 2500);
        QVERIFY(d.isVerifying());
        const auto firmwareCell = [&list](const char* addr) {
            return list.model()->index(ui::rowOfIp(&list, addr), 6).data().toString();
        };
        QTRY_COMPARE(firmwareCell("127.0.0.71"), QStringLiteral("V2.4.0"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.isVerifying(), 15000);
        const QString yardVersion = grid->cellText(yardRow, UpgradeDialog::ColVersion);
        QVERIFY2(yardVersion.startsWith(QLatin1String(verifyResultText(VerifyResult::StillOld))) &&
                     yardVersion.contains(QLatin1String("V2.0.1")),
                 qPrintable(yardVersion));
        QCOMPARE(grid->cellText(dropRow, UpgradeDialog::ColVersion), QString());
        QCOMPARE(firmwareCell("127.0.0.73"), QStringLiteral("V2.0.1"));
        ui::saveScreenshot(d, "firmware-upgrade-dialog.png");

        // Retry failed: the failed device and the one still on its old
        // version, now that they behave; 2 of 2 is information.
        QVERIFY(s.site.setFaults(drop.ip, {}));
        QVERIFY(s.site.setFaults(yard.ip, {}));
        s.site.clearTraffic();
        QVERIFY(d.retryButton()->isEnabled());
        ui::SeenBox again;
        ui::closeNextMessageBox(&again);
        QTest::mouseClick(d.retryButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(again.text, QStringLiteral("2 of 2 upgraded"), 30000);
        QCOMPARE(again.icon, int(QMessageBox::Information));
        QCOMPARE(s.site.device(drop.ip)->upgradesInstalled, 1);
        QCOMPARE(s.site.device(yard.ip)->upgradesInstalled, 2);
        QCOMPARE(s.packets(hall.ip), 0);
        QCOMPARE(m->cellProgress(dropRow, UpgradeDialog::ColProgress), 100);
        QCOMPARE(m->cellProgress(hallRow, UpgradeDialog::ColProgress), 100); // the others keep their rows
        QCOMPARE(grid->cellCheck(hallRow, UpgradeDialog::ColTick), 0);
        QCOMPARE(grid->cellCheck(dropRow, UpgradeDialog::ColTick), 1);
        QCOMPARE(grid->cellCheck(yardRow, UpgradeDialog::ColTick), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!d.isVerifying(), 15000);
        QVERIFY(!d.retryButton()->isEnabled());
        QTRY_COMPARE(firmwareCell("127.0.0.73"), QStringLiteral("V2.4.0"));

        // The report: BOM, header, one row per device.
        const auto report = s.dir.path() / "report.csv";
        bool asked = false;
        ui::answerFileDialog(QString::fromStdString(report.string()), &asked);
        QTest::mouseClick(d.reportButton(), Qt::LeftButton);
        QVERIFY(asked);
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("upgradeStatus"))->text(),
                 QStringLiteral("Report saved to %1.").arg(QString::fromStdString(report.string())));
        const auto lines = readLines(report);
        QCOMPARE(lines.size(), std::size_t(4));
        QCOMPARE(lines[0], std::string("\xEF\xBB\xBF") +
                               "address,mac,name,model,version_before,version_after,result,start,end,duration_s");
        std::map<std::string, std::vector<std::string>> rows;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const auto f = splitCsv(lines[i]);
            QCOMPARE(f.size(), std::size_t(10));
            rows[f[0]] = f;
        }
        for (const auto& [ip, name] : std::map<std::string, std::string>{
                 {"127.0.0.71", "Hall"}, {"127.0.0.72", "Drop"}, {"127.0.0.73", "Yard"}}) {
            const auto& f = rows[ip];
            QCOMPARE(f.size(), std::size_t(10));
            QCOMPARE(f[2], name);
            QCOMPARE(f[3], std::string("KP-4410"));
            QCOMPARE(f[4], std::string("V2.0.1"));
            QCOMPARE(f[5], std::string("V2.4.0"));
            QCOMPARE(f[6], std::string("verified"));
            QVERIFY(!f[9].empty());
        }
        QCOMPARE(rows["127.0.0.71"][1], std::string("02:4b:50:00:00:47"));

        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
        QVERIFY(!d.isVisible());
    }

    // A file that is no upgrade file is refused with its message as soon as
    // the field is left, and Upgrade stays off; every prefix typed on the
    // way raises nothing.
    void badFilesAreRefusedWithTheirMessage()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.74", 74, 74, "Hall")}));
        aulira::test::useFastUpgradeTiming();
        auto noNulHeader = aulira::test::upgradeHeader("KP-4410");
        noNulHeader[15] = 'X'; // the magic's sixteen bytes with no NUL after them
        const std::filesystem::path noNul =
            aulira::test::writeUpgradeFile(s.dir.path() / "nonul.bin", noNulHeader, std::vector<std::uint8_t>(100));
        struct Case {
            std::filesystem::path file;
            QString message;
        };
        const Case cases[] = {
            {writeUpgradeFile(s.dir.path(), "nomagic.bin", "KP-4410", 100, "KPU update fil"),
             QStringLiteral("Non upgrade file!")},
            {noNul, QStringLiteral("Non upgrade file!")},
            {writeUpgradeFile(s.dir.path(), "short.bin", "KP-4410", 0), QStringLiteral("File length error!")},
            {s.dir.path() / "missing.bin", QStringLiteral("Failed to get file information!")},
        };
        FirmwareUpgradeDialog d(s.list());
        d.show();
        for (const auto& c : cases) {
            ui::SeenBox seen;
            ui::closeNextMessageBox(&seen, nullptr);
            QVERIFY(typeFilePath(d, QString::fromStdString(c.file.string())));
            QTRY_COMPARE(seen.text, c.message);
            QCOMPARE(seen.title, QStringLiteral("Aulira"));
            QCOMPARE(seen.icon, int(QMessageBox::Warning));
            QVERIFY(!d.upgradeButton()->isEnabled());
            QCOMPARE(d.findChild<QLineEdit*>(QStringLiteral("fileVersion"))->text(), QString());
        }
        // A good file after a bad one: accepted, and Upgrade comes on.
        QVERIFY(typeFilePath(d, QString::fromStdString(writeUpgradeFile(s.dir.path(), "ok.bin", "KP-4410", 1).string())));
        QVERIFY(d.upgradeButton()->isEnabled());
        QCOMPARE(s.packets(aulira::test::ip("127.0.0.74")), 0);
    }

    // The screen dialog lists the online call stations of the screen models
    // only; the firmware dialog every online device. The devices-at-a-time
    // setting is kept for the next dialog.
    void screenDialogListsOnlyCallStations()
    {
        auto terminal = simDevice("127.0.0.81", 81, 81, "Hall");
        auto desk = simDevice("127.0.0.82", 82, 82, "Desk");
        desk.modelText = "KS-530B";
        desk.screenBootMode = true;
        auto booth = simDevice("127.0.0.83", 83, 83, "Booth");
        booth.modelText = "KS-530";
        auto other = simDevice("127.0.0.84", 84, 84, "Near");
        other.modelText = "KS-530E";
        auto plain = simDevice("127.0.0.85", 85, 85, "Amp");
        plain.modelText = "KS-53";
        Site s;
        QVERIFY(s.open({terminal, desk, booth, other, plain}));
        aulira::test::useFastUpgradeTiming();

        ScreenUpgradeDialog screen(s.list());
        screen.show();
        QCOMPARE(listedIps(screen.grid()), (QStringList{"127.0.0.82", "127.0.0.83"}));
        QCOMPARE(screen.grid()->cellText(0, UpgradeDialog::ColName), QStringLiteral("Desk"));
        QVERIFY(screen.grid()->headerChecked(UpgradeDialog::ColTick));

        // Untick the booth, whose screen is not in boot mode; upgrade the desk.
        ui::tick(screen.grid(), UpgradeDialog::ColIp, QStringLiteral("127.0.0.83"), UpgradeDialog::ColTick);
        QCOMPARE(screen.grid()->cellCheck(1, UpgradeDialog::ColTick), 0);
        screen.atATimeBox()->setFocus();
        QTest::keyClick(screen.atATimeBox(), Qt::Key_Up);
        QCOMPARE(screen.atATimeBox()->value(), 2);
        // The file through Browse and the file dialog.
        const QString km = QString::fromStdString(writeUpgradeFile(s.dir.path(), "km.bin", "KM-220", 2048 + 10).string());
        bool browsed = false;
        ui::answerFileDialog(km, &browsed);
        QTest::mouseClick(screen.findChild<QPushButton*>(QStringLiteral("browseButton")), Qt::LeftButton);
        QVERIFY(browsed);
        QCOMPARE(screen.fileEdit()->text(), km);
        QVERIFY(screen.upgradeButton()->isEnabled());
        ui::SeenBox done;
        ui::closeNextMessageBox(&done);
        QTest::mouseClick(screen.upgradeButton(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(done.text, QStringLiteral("1 of 1 upgraded"), 30000);
        QCOMPARE(done.icon, int(QMessageBox::Information));
        QCOMPARE(s.site.device(desk.ip)->screenFlash.size(), std::size_t(2048 + 10));
        QCOMPARE(s.packets(booth.ip), 0);
        QCOMPARE(screen.grid()->gridModel()->cellProgress(0, UpgradeDialog::ColProgress), 100);
        ui::saveScreenshot(screen, "screen-upgrade-dialog.png");

        // The next dialog's Browse opens in the folder of the file chosen last.
        ScreenUpgradeDialog next(s.list());
        next.show();
        QString opened;
        ui::whenModal([&opened](QWidget* w) {
            if (auto* fd = qobject_cast<QFileDialog*>(w))
                opened = fd->directory().absolutePath();
            w->close();
        });
        QTest::mouseClick(next.findChild<QPushButton*>(QStringLiteral("browseButton")), Qt::LeftButton);
        QCOMPARE(opened, QFileInfo(km).absolutePath());

        FirmwareUpgradeDialog firmware(s.list());
        QCOMPARE(listedIps(firmware.grid()),
                 (QStringList{"127.0.0.81", "127.0.0.82", "127.0.0.83", "127.0.0.84", "127.0.0.85"}));
        QCOMPARE(firmware.atATimeBox()->value(), 2);
    }

    // The commands: the ribbon's Call Station tab with its Upgrade button, the
    // application menu's two entries, each opening its dialog.
    void commandsOpenTheDialogs()
    {
        ui::AppSite app;
        QVERIFY(app.start({}, [](StartupOptions& o) { o.demo = true; }) && app.show());
        aulira::test::useFastUpgradeTiming();
        MainWindow& window = *app.window;
        QAction* upgrade = window.action(QStringLiteral("upgradeAction"));
        QAction* screen = window.action(QStringLiteral("screenUpgradeAction"));
        QMenu* callStation = window.findChild<QMenu*>(QStringLiteral("callStationMenu"));
        QVERIFY(upgrade && screen && callStation);
        // While a search runs the list is still changing: no dialog, and the
        // status bar says why.
        window.deviceView()->startSearch();
        QVERIFY(app.context.manager().searching());
        upgrade->trigger();
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("readyLabel"))->text(),
                 QStringLiteral("The search is still running; start the upgrade once it has finished."));

        // Each entry opens its dialog once the search has ended.
        app.context.manager().waitSearchDone();
        QApplication::processEvents();
        for (const auto& [index, title] : std::vector<std::pair<int, QString>>{
                 {3, QStringLiteral("Firmware Batch Upgrade")},
                 {4, QStringLiteral("Batch Upgrade of Microphone Screen Firmware")}}) {
            QString seen;
            ui::whenModal([&seen](QWidget* w) {
                seen = w->windowTitle();
                w->close();
            });
            callStation->actions().at(index)->trigger();
            QCOMPARE(seen, title);
        }
    }
};

QTEST_MAIN(UpgradeDialogTest)
#include "UpgradeDialogTest.moc"
