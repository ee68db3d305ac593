#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QStatusBar>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "DeviceConfig.h"
#include "ModalWatch.h"
#include "SimSite.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "params/pages/BasicParaPage.h"
#include "params/SettingsSheet.h"
#include "params/SysParaSettings.h"
#include "shell/AppContext.h"
#include "shell/LogPane.h"
#include "shell/MainWindow.h"
#include "shell/RibbonBar.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "support/SimDevices.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;
namespace ui = aulira::app::test;

namespace {

int rowOf(const DeviceTableModel* m, const char* addr)
{
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->index(r, 2).data().toString() == QLatin1String(addr))
            return r;
    return -1;
}

void doubleClickRow(DeviceView* view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 4));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

// The whole program on its simulated site: what a person sees after
// `auct --demo`.
class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void demoSiteIsFoundReadChangedAndSaved()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::useFastTiming();
        aulira::test::TempDir dir;
        StartupOptions options;
        options.demo = true;
        options.dataDir = dir.path().string();
        AppContext context;
        QCOMPARE(context.open(options), std::string());
        MainWindow window(context);
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Aulira Configuration Tool (AUCT)"));
        QVERIFY(window.action(QStringLiteral("searchAction")));
        QVERIFY(window.action(QStringLiteral("timeSyncAction")));

        DeviceView* view = window.deviceView();
        view->start();
        QTRY_VERIFY_WITH_TIMEOUT(view->deviceModel()->rowCount() >= 11, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(window.logPane()->lines().contains(
                                     QStringLiteral("Search for audio devices completed, total number of devices found:11.")),
                                 15000);
        aulira::app::test::saveScreenshot(window, "main-window.png");

        // Hiding the records keeps logging; showing them again shows the lines.
        window.action(QStringLiteral("outputWindowAction"))->setChecked(false);
        QVERIFY(window.logDock()->isHidden());
        OutputLog("while hidden");
        window.action(QStringLiteral("outputWindowAction"))->setChecked(true);
        QTRY_VERIFY(window.logPane()->lines().contains(QStringLiteral("while hidden")));

        // Open the first device's settings, rename it and save: the device takes the name.
        const DeviceItemPtr item = view->deviceModel()->itemAt(0);
        view->activateItem(item);
        QTRY_VERIFY_WITH_TIMEOUT(window.settingsSheet()->isVisible(), 5000);
        SettingsSheet* sheet = window.settingsSheet();
        sheet->showPage(1);
        auto* name = sheet->basicPage()->findChild<QLineEdit*>(QStringLiteral("deviceName"));
        QVERIFY(name);
        name->setText(QStringLiteral("Renamed"));
        QSignalSpy written(view, &DeviceView::writeParaDone);
        sheet->save();
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 5000);
        QTRY_VERIFY(!sheet->isVisible());
        QCOMPARE(written.at(0).at(1).toInt(), 0);

        // Reading the device again brings the new name back from the device itself.
        {
            std::lock_guard lock(context.manager().devices().mutex());
            item->sysPara->fill(0);
        }
        QSignalSpy read(view, &DeviceView::readParaDone);
        view->activateItem(item);
        QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
        std::lock_guard lock(context.manager().devices().mutex());
        const auto settings = SysParaSettings::load(*item->sysPara, item->bParaExt != 0);
        QCOMPARE(settings.value("deviceName").text, std::string("Renamed"));
    }

    // The ribbon and the application menu as an installer meets them: their
    // layout, and the key tips that reach each category and command.
    void ribbonAndMenuAreLaidOutAndReachedByKeys()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::TempDir dir;
        StartupOptions options;
        options.adapters = {"127.0.0.1"};
        options.dataDir = dir.path().string();
        AppContext context;
        QCOMPARE(context.open(options), std::string());
        MainWindow window(context);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        RibbonBar* ribbon = window.findChild<RibbonBar*>();
        QVERIFY(ribbon);

        // Category | panel: buttons (check boxes for the view switches).
        QStringList panels;
        for (int t = 0; t < ribbon->tabs()->count(); ++t)
            for (QWidget* panel : ribbon->tabs()->widget(t)->findChildren<QWidget*>(QRegularExpression("^panel_"))) {
                QStringList items;
                for (QWidget* w : panel->findChildren<QWidget*>()) {
                    if (auto* b = qobject_cast<QToolButton*>(w))
                        items << b->defaultAction()->text();
                    else if (auto* c = qobject_cast<QCheckBox*>(w))
                        items << c->text();
                }
                panels << ribbon->tabs()->tabText(t) + " | " + panel->objectName().mid(6) + ": " + items.join(", ");
            }
        QCOMPARE(panels, QStringList({
                             "&Home | Device: &Search, &Add, &Delete, &Group, &Time Sync",
                             "&Home | Site: Co&mmission, Export s&ite, &Edit selected",
                             "&Home | View: &Properties Window, &Output Window, Status &Bar",
                             "&Call Station | Address Book: &Add, &Download",
                             "&Call Station | Firmware Upgrade: Upgrade",
                             "Help | Help: A&bout, &Contact Support",
                         }));
        QStringList menu;
        for (QAction* a : ribbon->applicationMenu()->actions()) {
            if (!a->menu()) {
                menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
                continue;
            }
            QStringList entries;
            for (QAction* e : a->menu()->actions())
                entries << (e->isSeparator() ? QStringLiteral("-") : e->text());
            menu << a->text() + ": " + entries.join(", ");
        }
        QCOMPARE(menu.mid(0, 3),
                 QStringList({"Home(&H): Search for LAN devices(&S), -, Add Device(&A), Delete Device(&D), "
                              "Devices Grouping(&G), -, &Undo Delete, &Time Sync",
                              "Call Station(&S): Add Address Book(&A), Download Address Book(&D), -, "
                              "Upgrade Device Firmware(&U), Upgrade Screen Firmware(&S)",
                              "Help(&X): About(&A), Contact Support(&C)"}));
        QCOMPARE(menu.last(), QStringLiteral("Exit(&X)"));
        // A menu entry follows its command: Delete waits for a selection.
        auto* deleteEntry = window.findChild<QAction*>(QStringLiteral("deleteMenuAction"));
        QVERIFY(deleteEntry);
        QVERIFY(!deleteEntry->isEnabled());

        // Key tips: Alt with the category's letter, then the command's.
        for (const auto& [key, tab] : std::vector<std::pair<Qt::Key, int>>{
                 {Qt::Key_C, 1}, {Qt::Key_X, 2}, {Qt::Key_H, 0}, {Qt::Key_C, 1}}) {
            QTest::keyClick(&window, key, Qt::AltModifier);
            QCOMPARE(ribbon->tabs()->currentIndex(), tab);
        }
        for (const auto& [key, title] : std::vector<std::pair<Qt::Key, QString>>{
                 {Qt::Key_A, QStringLiteral("Add address book wizard")},
                 {Qt::Key_S, QStringLiteral("Firmware Batch Upgrade")},
             }) {
            QString seen;
            ui::whenModal([&seen](QWidget* w) {
                seen = w->windowTitle();
                w->close();
            });
            QTest::keyClick(&window, key, Qt::AltModifier);
            QTRY_COMPARE(seen, title);
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
    }

    // The settings sheet as a person meets it on a site where one device does
    // not answer reads and another drops writes: real double-clicks and Save.
    void theSheetReportsEveryReadAndWrite()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::useFastTiming();
        aulira::test::TempDir dir;
        sim::SiteOptions siteOptions;
        siteOptions.port = 0;
        sim::SimSite site(siteOptions);
        std::string error;
        QVERIFY2(site.addDevices({simDevice("127.0.0.31", 31, 31, "Lobby"), simDevice("127.0.0.32", 32, 32, "Hall"),
                                  simDevice("127.0.0.33", 33, 33, "Gate")},
                                 &error),
                 error.c_str());
        QVERIFY2(site.start(&error), error.c_str());
        StartupOptions options;
        options.adapters = {"127.0.0.1"};
        options.port = site.port();
        options.dataDir = dir.path().string();
        AppContext context;
        QCOMPARE(context.open(options), std::string());
        MainWindow window(context);
        window.show();
        DeviceView* view = window.deviceView();
        DeviceTableModel* model = view->deviceModel();
        view->start();
        QTRY_VERIFY_WITH_TIMEOUT(window.logPane()->lines().contains(
                                     QStringLiteral("Search for audio devices completed, total number of devices found:3.")),
                                 15000);
        sim::Faults mute;
        mute.silentCommands = {CMD_READ_SYS_PARA};
        site.setFaults(ip("127.0.0.32"), mute);
        sim::Faults dropWrites;
        dropWrites.silentCommands = {CMD_WRITE_SYS_PARA};
        site.setFaults(ip("127.0.0.33"), dropWrites);

        // A read that gets no answer: busy while it waits, then said in the log and the status bar.
        doubleClickRow(view, rowOf(model, "127.0.0.32"));
        QVERIFY(QApplication::overrideCursor());
        QVERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("Reading the parameters of NO 32 Hall(127.0.0.32)")));
        const QString readFailed =
            QStringLiteral("Cannot read the parameters of NO 32 Hall(127.0.0.32): the device did not answer.");
        QTRY_VERIFY_WITH_TIMEOUT(window.logPane()->lines().contains(readFailed), 10000);
        QCOMPARE(window.statusBar()->currentMessage(), readFailed);
        QVERIFY(!QApplication::overrideCursor());
        SettingsSheet* sheet = window.settingsSheet();
        QVERIFY(!sheet->isVisible());

        // With another row selected, the sheet's "Save device to list" adds the device it edits.
        const QRect hallRect = view->visualRect(model->index(rowOf(model, "127.0.0.32"), 4));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, hallRect.center());
        const DeviceItemPtr lobby = model->itemAt(rowOf(model, "127.0.0.31"));
        const DeviceItemPtr hall = model->itemAt(rowOf(model, "127.0.0.32"));
        doubleClickRow(view, rowOf(model, "127.0.0.31"));
        QTRY_VERIFY_WITH_TIMEOUT(sheet->isVisible(), 10000);
        QVERIFY(sheet->windowTitle().endsWith(QStringLiteral("NO 31 Lobby(127.0.0.31)")));
        view->selectRow(rowOf(model, "127.0.0.32"));
        sheet->showPage(SettingsSheet::BasicSettings);
        sheet->basicPage()->deviceNameEdit()->setText(QStringLiteral("Foyer"));
        sheet->basicPage()->deviceNoEdit()->setText(QStringLiteral("41"));
        QTest::mouseClick(sheet->findChild<QCheckBox*>(QStringLiteral("saveToListCheck")), Qt::LeftButton);
        QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
        QVERIFY(sheet->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->isVisible(), 10000);
        // The row shows the new name and number as soon as the device took them.
        QTRY_COMPARE(model->index(rowOf(model, "127.0.0.31"), 4).data().toString(), QStringLiteral("Foyer"));
        QCOMPARE(model->index(rowOf(model, "127.0.0.31"), 1).data().toString(), QStringLiteral("41"));
        QVERIFY(window.logPane()->lines().contains(QStringLiteral("Parameters saved to NO 41 Foyer(127.0.0.31).")));
        {
            std::lock_guard lock(context.manager().devices().mutex());
            QCOMPARE(int(lobby->state), int(STATE_SAVED_FOUND));
            QCOMPARE(int(hall->state), int(STATE_FOUND));
        }

        // A device that drops the write: the sheet stays open with the edit, and says so.
        doubleClickRow(view, rowOf(model, "127.0.0.33"));
        QTRY_VERIFY_WITH_TIMEOUT(sheet->windowTitle().endsWith(QStringLiteral("NO 33 Gate(127.0.0.33)")), 10000);
        QVERIFY(sheet->isVisible());
        sheet->showPage(SettingsSheet::BasicSettings);
        sheet->basicPage()->deviceNameEdit()->setText(QStringLiteral("Gate East"));
        ui::SeenBox seen;
        ui::closeNextMessageBox(&seen);
        QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
        QCOMPARE(sheet->saveButton()->text(), QStringLiteral("Saving..."));
        QTRY_VERIFY_WITH_TIMEOUT(!seen.text.isEmpty(), 10000);
        QVERIFY2(seen.text.contains(QStringLiteral("NO 33 Gate(127.0.0.33)")), qPrintable(seen.text));
        QCOMPARE(seen.icon, int(QMessageBox::Warning));
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->basicPage()->deviceNameEdit()->text(), QStringLiteral("Gate East"));
        QVERIFY(window.logPane()->lines().contains(QStringLiteral("set system para error!")));
        QCOMPARE(model->index(rowOf(model, "127.0.0.33"), 4).data().toString(), QStringLiteral("Gate"));

        // A new search hides the sheet.
        window.action(QStringLiteral("searchAction"))->trigger();
        QVERIFY(!sheet->isVisible());
        context.manager().waitSearchDone();
    }

    void startUpLinesReachThePane()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::TempDir dir;
        Log::instance().holdUntilFirstSink();
        StartupOptions options;
        options.adapters = {"127.0.0.1"};
        options.dataDir = dir.path().string();
        AppContext context;
        QCOMPARE(context.open(options), std::string());
        MainWindow window(context);
        QTRY_VERIFY(window.logPane()->lines().contains(QStringLiteral("Local network card1:")));
        QVERIFY(window.logPane()->lines().contains(QStringLiteral("<127.0.0.1>,<255.0.0.0>")));
    }

    void noAdapterSaysHowToChooseOne()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::TempDir dir;
        Log::instance().holdUntilFirstSink();
        StartupOptions options;
        options.adapters = {"192.0.2.1"}; // not an address of this machine: left out
        options.dataDir = dir.path().string();
        AppContext context;
        QCOMPARE(context.open(options), std::string());
        MainWindow window(context);
        window.show();
        ui::SeenBox seen;
        ui::closeNextMessageBox(&seen);
        window.deviceView()->start();
        QCOMPARE(seen.text, QString::fromUtf8(stringText(IDS_NO_ADAPTER_INFO)));
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QTRY_VERIFY(!window.logPane()->lines().filter(QStringLiteral("No network adapter to search through")).isEmpty());
        const QString hint = window.logPane()->lines().filter(QStringLiteral("No network adapter")).constFirst();
        QVERIFY(hint.contains(QStringLiteral("--adapter")) && hint.contains(QStringLiteral("Adapters=")) &&
                hint.contains(QStringLiteral("--demo")));
        QVERIFY(!context.manager().searching());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
