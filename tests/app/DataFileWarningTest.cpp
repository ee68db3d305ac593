// The desktop app on a damaged device list file: a warning box says so, the
// file is kept aside, and nothing is saved over it.
#include <QKeyEvent>
#include <QtTest>

#include "GuiSupport.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceManager.h"
#include "protocol/ProtocolWorker.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::app;
namespace fs = std::filesystem;

class DataFileWarningTest : public QObject {
    Q_OBJECT
private slots:
    void aDamagedListIsToldAndKeptAside()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::useFastTiming();
        sim::SimSite site(sim::SiteOptions{.port = 0});
        std::string error;
        QVERIFY2(site.addDevices({aulira::test::simDevice("127.0.0.5", 5, 5, "Lobby")}, &error) && site.start(&error),
                 error.c_str());
        protocolConfig().devicePort = site.port();

        aulira::test::TempDir dir;
        DeviceListRecord r;
        r.ip = aulira::test::ip("10.9.0.5");
        r.info.setIp(r.ip);
        auto bytes = encodeDeviceListFile({r, r});
        bytes.resize(bytes.size() - 7); // the second record is cut short
        aulira::test::writeAll(dir.path() / "devices", bytes);

        DeviceManager manager(dir.path());
        manager.setAdapters({"127.0.0.1"}, {"255.0.0.0"});
        QVERIFY(manager.loadSavedList().failed()); // as the app loads it when it starts
        DeviceView view(manager);
        ProtocolWorker worker(manager.devices(), view.workerListener());
        view.setWorker(&worker);
        view.show();

        QString text;
        ui::whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            text = box ? box->windowTitle() + QLatin1Char('|') + box->text() : QStringLiteral("<no box>");
            QTest::keyClick(w, Qt::Key_Return);
        });
        QSignalSpy finished(&view, &DeviceView::searchFinished);
        view.start(); // the search the app starts by itself
        QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 10000);
        QVERIFY2(text.startsWith(QStringLiteral("Aulira|The device list file ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral(" is damaged (it ends before everything it announces); it was kept as ")),
                 qPrintable(text));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        manager.waitSearchDone();

        // The device read completely is in the list and goes to a new file
        // with the next save; the damaged bytes stay where the box said.
        int kept = 0;
        for (const auto& e : fs::directory_iterator(dir.path())) {
            if (e.path().filename().string().rfind("devices.damaged-", 0) != 0)
                continue;
            ++kept;
            QVERIFY(text.contains(QString::fromStdString(e.path().string())));
            QCOMPARE(static_cast<std::size_t>(fs::file_size(e.path())), bytes.size());
        }
        QCOMPARE(kept, 1);
        QVERIFY(manager.saveDeviceList());
        const auto saved = decodeDeviceListFile(aulira::test::readAll(dir.path() / "devices"));
        QVERIFY(saved.intact());
        QCOMPARE(saved.records.size(), std::size_t(1));
    }
};

QTEST_MAIN(DataFileWarningTest)
#include "DataFileWarningTest.moc"
