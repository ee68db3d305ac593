#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ModalWatch.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "params/BasicParaPage.h"
#include "params/SettingsSheet.h"
#include "params/SysParaSettings.h"
#include "shell/AppContext.h"
#include "shell/LogPane.h"
#include "shell/MainWindow.h"
#include "shell/Log.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::app;

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
        QVERIFY(!sheet->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(written.count(), 1, 5000);
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
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
