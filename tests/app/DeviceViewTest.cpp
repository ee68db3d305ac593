#include <QProgressBar>

#include <optional>

#include "GuiSupport.h"
#include "devices/AddDeviceDialog.h"
#include "devices/SearchProgressDialog.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;

namespace {

QString cell(const DeviceTableModel* m, int row, int column)
{
    return m->index(row, column).data().toString();
}

const QString kOnline = QString::fromUtf8(stringText(IDS_ONLINE));
const QString kOffline = QString::fromUtf8(stringText(IDS_WORKSTATE_OFFLINE));
const QString kLocal = QString::fromUtf8(stringText(IDS_LOCATION_LOCAL));
const QString kBook = QString::fromUtf8(stringText(IDS_LOCATION_BOOK));

} // namespace

class DeviceViewTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        bench.emplace();
        std::string error;
        QVERIFY2(bench->site.addDevices({simDevice("127.0.0.5", 5, 5, "Lobby"), simDevice("127.0.0.12", 12, 12, "Hall"),
                                         simDevice("127.0.0.7", 7, 7, "Desk")},
                                        &error) &&
                     bench->site.start(&error),
                 error.c_str());
        protocolConfig().devicePort = bench->site.port();
        manager = &bench->manager;
        manager->setAdapters({"127.0.0.1"}, {"255.0.0.0"});
        view = &bench->view;
        view->setWorker(&bench->worker);
        view->resize(1100, 360);
        view->show();
        model = view->deviceModel();
    }

    void cleanup() { bench.reset(); }

    void autoSearchFillsTheTable()
    {
        QSignalSpy started(view, &DeviceView::searchStarted);
        QSignalSpy finished(view, &DeviceView::searchFinished);
        view->start();
        QCOMPARE(started.count(), 0); // not at once
        QTRY_COMPARE(started.count(), 1);
        QVERIFY(view->searchProgress()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QCOMPARE(finished.first().first().toInt(), 3);
        QVERIFY(!view->searchProgress()->isVisible());
        QCOMPARE(model->rowCount(), 3);
        const int r = ui::rowOfIp(view, "127.0.0.12");
        QVERIFY(r >= 0);
        QCOMPARE(cell(model, r, 0), kOnline); // the other columns are read where they are sorted and filtered
        QCOMPARE(cell(model, r, 9), kLocal);
        QCOMPARE(model->index(r, 0).data(DeviceTableModel::StateRole).toInt(), int(STATE_FOUND));
        QVERIFY(!model->index(r, 0).data(Qt::DecorationRole).isNull());
        ui::saveScreenshot(*view, "device-view.png");
    }

    void addAndDeleteMoveStatesAndLocation()
    {
        searchAndWait();
        // Add with a found device selected: it joins the saved list.
        view->selectRow(ui::rowOfIp(view, "127.0.0.5"));
        view->addDevices();
        QTRY_COMPARE(cell(model, ui::rowOfIp(view, "127.0.0.5"), 9), kBook);
        QCOMPARE(model->index(ui::rowOfIp(view, "127.0.0.5"), 0).data(DeviceTableModel::StateRole).toInt(),
                 int(STATE_SAVED_FOUND));

        // Delete sends it back to the search results, row kept.
        view->deleteDevices();
        QTRY_COMPARE(cell(model, ui::rowOfIp(view, "127.0.0.5"), 9), kLocal);
        QCOMPARE(model->rowCount(), 3);

        // Add with nothing selected opens the manual entry; the device goes on top, offline.
        view->clearSelection();
        ui::whenModal([](QWidget* w) {
            auto* d = qobject_cast<AddDeviceDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->mode(), EntryMode::Add);
            d->findChild<QLineEdit*>("deviceNoEdit")->setText("40");
            d->findChild<QLineEdit*>("deviceNameEdit")->setText("Annex");
            d->findChild<IpAddressEdit*>("ipAddressEdit")->setAddress(ip("10.9.9.40"));
            QTest::mouseClick(d->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            d->reject();
        });
        view->addDevices();
        QTRY_COMPARE(model->rowCount(), 4);
        QCOMPARE(cell(model, 0, 2), QStringLiteral("10.9.9.40"));
        QCOMPARE(cell(model, 0, 0), kOffline);
        QCOMPARE(cell(model, 0, 9), kBook);
        QCOMPARE(model->index(0, 0).data(DeviceTableModel::StateRole).toInt(), int(STATE_REMOTE_OFFLINE));

        // Delete of a saved offline device removes its row.
        view->selectRow(0);
        view->deleteDevices();
        QTRY_COMPARE(model->rowCount(), 3);
        QCOMPARE(ui::rowOfIp(view, "10.9.9.40"), -1);

        // Delete with nothing selected explains itself.
        view->clearSelection();
        const auto seen = ui::boxAfter([this] { view->deleteDevices(); });
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QCOMPARE(seen.text, QString::fromUtf8(stringText(IDS_SELECT_TO_DELETE)).trimmed());
        QTRY_VERIFY(!manager->devices().listModified()); // each change was saved at once
    }

    void macMenuNeedsTheFlagAndOneOnlineLocalDevice()
    {
        searchAndWait();
        bool flag = false;
        view->setMacMenuEnabled([&flag] { return flag; });
        view->selectRow(ui::rowOfIp(view, "127.0.0.5"));
        QVERIFY(!view->macMenuAllowed());
        flag = true;
        QVERIFY(view->macMenuAllowed());
        view->selectAll();
        QVERIFY(!view->macMenuAllowed());
        view->clearSelection();
        QVERIFY(!view->macMenuAllowed());
    }

    void progressFillsAndCannotBeClosed()
    {
        SearchProgressDialog d;
        d.show();
        QCOMPARE(d.progressBar()->value(), 0);
        QVERIFY(d.ticking());
        QTRY_COMPARE(d.progressBar()->value(), SearchProgressDialog::kRange);
        QVERIFY(!d.close());
        QVERIFY(d.isVisible());
        d.hide();
        QVERIFY(!d.ticking());
        d.show(); // starts over
        QCOMPARE(d.progressBar()->value(), 0);
    }

private:
    void searchAndWait()
    {
        QSignalSpy finished(view, &DeviceView::searchFinished);
        view->startSearch();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QTRY_COMPARE(model->rowCount(), 3);
    }

    // The view over a device manager, as the main window has them, and a site.
    struct Bench {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::TempDir dir;
        sim::SimSite site{sim::SiteOptions{.port = 0}};
        DeviceManager manager{dir.path()};
        DeviceView view{manager};
        ProtocolWorker worker{manager.devices(), view.workerListener()};
        Bench() { aulira::test::useFastTiming(); }
        ~Bench() { manager.waitSearchDone(); }
    };
    std::optional<Bench> bench;
    DeviceManager* manager = nullptr;
    DeviceView* view = nullptr;
    DeviceTableModel* model = nullptr;
};

QTEST_MAIN(DeviceViewTest)
#include "DeviceViewTest.moc"
