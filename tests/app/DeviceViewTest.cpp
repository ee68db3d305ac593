#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "DeviceConfig.h"
#include "ModalWatch.h"
#include "SimSite.h"
#include "controls/IpAddressEdit.h"
#include "devices/AddDeviceDialog.h"
#include "devices/DeviceTableModel.h"
#include "devices/DeviceView.h"
#include "devices/SearchProgressDialog.h"
#include "shell/Strings.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
namespace ui = aulira::app::test;

namespace {

sim::DeviceConfig simDevice(const char* addr, int no, std::uint32_t macSerial, const char* name)
{
    sim::DeviceConfig d;
    d.ip = ip(addr);
    d.mask = ip("255.0.0.0");
    d.devNo = no;
    d.name = name;
    d.mac = sim::generatedMac(macSerial);
    d.firmware = "V2.0.1";
    return d;
}

QString cell(const DeviceTableModel* m, int row, int column)
{
    return m->index(row, column).data().toString();
}

int rowOfIp(const DeviceTableModel* m, const char* addr)
{
    for (int r = 0; r < m->rowCount(); ++r)
        if (cell(m, r, 2) == QLatin1String(addr))
            return r;
    return -1;
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
        aulira::test::useFastTiming();
        auto lobby = simDevice("127.0.0.5", 5, 5, "Lobby");
        lobby.groups = {3, 7};
        sim::SiteOptions options;
        options.port = 0;
        site = std::make_unique<sim::SimSite>(options);
        std::string error;
        QVERIFY2(site->addDevices({lobby, simDevice("127.0.0.12", 12, 12, "Hall"), simDevice("127.0.0.7", 7, 7, "Desk")},
                                  &error),
                 error.c_str());
        QVERIFY2(site->start(&error), error.c_str());
        protocolConfig().devicePort = site->port();

        dir = std::make_unique<aulira::test::TempDir>();
        manager = std::make_unique<DeviceManager>(dir->path());
        manager->setAdapters({"127.0.0.1"}, {"255.0.0.0"});
        view = std::make_unique<DeviceView>(*manager);
        worker = std::make_unique<ProtocolWorker>(manager->devices(), view->workerListener());
        view->setWorker(worker.get());
        view->resize(1100, 360);
        view->show();
        model = view->deviceModel();
    }

    void cleanup()
    {
        if (manager)
            manager->waitSearchDone();
        worker.reset();
        view.reset();
        manager.reset();
        site.reset();
        dir.reset();
        resetProtocolConfig();
    }

    void autoSearchFillsTheTable()
    {
        QSignalSpy started(view.get(), &DeviceView::searchStarted);
        QSignalSpy finished(view.get(), &DeviceView::searchFinished);
        view->start();
        QCOMPARE(started.count(), 0); // not at once
        QTRY_COMPARE(started.count(), 1);
        QVERIFY(view->searchProgress()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QCOMPARE(finished.first().first().toInt(), 3);
        QVERIFY(!view->searchProgress()->isVisible());
        QCOMPARE(model->rowCount(), 3);
        const int r = rowOfIp(model, "127.0.0.12");
        QVERIFY(r >= 0);
        QCOMPARE(cell(model, r, 0), kOnline);
        QCOMPARE(cell(model, r, 1), QStringLiteral("12"));
        QCOMPARE(cell(model, r, 4), QStringLiteral("Hall"));
        QCOMPARE(cell(model, r, 6), QStringLiteral("V2.0.1"));
        QCOMPARE(cell(model, r, 9), kLocal);
        QCOMPARE(model->index(r, 0).data(DeviceTableModel::StateRole).toInt(), int(STATE_FOUND));
        QVERIFY(!model->index(r, 0).data(Qt::DecorationRole).isNull());
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("IP Address"));
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("MAC"));
        ui::saveScreenshot(*view, "device-view.png");
    }

    void addAndDeleteMoveStatesAndLocation()
    {
        searchAndWait();
        // Add with a found device selected: it joins the saved list.
        view->selectRow(rowOfIp(model, "127.0.0.5"));
        view->addDevices();
        QTRY_COMPARE(cell(model, rowOfIp(model, "127.0.0.5"), 9), kBook);
        QCOMPARE(model->index(rowOfIp(model, "127.0.0.5"), 0).data(DeviceTableModel::StateRole).toInt(),
                 int(STATE_SAVED_FOUND));

        // Delete sends it back to the search results, row kept.
        view->deleteDevices();
        QTRY_COMPARE(cell(model, rowOfIp(model, "127.0.0.5"), 9), kLocal);
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
        QCOMPARE(rowOfIp(model, "10.9.9.40"), -1);

        // Delete with nothing selected explains itself.
        view->clearSelection();
        ui::SeenBox seen;
        ui::closeNextMessageBox(&seen);
        view->deleteDevices();
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QCOMPARE(seen.text, QString::fromUtf8(stringText(IDS_SELECT_TO_DELETE)).trimmed());
        QTRY_VERIFY(!manager->devices().listModified()); // each change was saved at once
    }

    void sortByAddressTwice()
    {
        searchAndWait();
        auto* header = view->horizontalHeader();
        auto clickHeader = [&](int section) {
            const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                            header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        };
        auto column = [&] {
            QStringList out;
            for (int r = 0; r < model->rowCount(); ++r)
                out << cell(model, r, 2);
            return out;
        };
        view->selectRow(rowOfIp(model, "127.0.0.7"));
        clickHeader(2);
        QCOMPARE(column(), (QStringList{"127.0.0.5", "127.0.0.7", "127.0.0.12"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(view->selectedItems().front()->devItem.devNo(), 7); // the selection follows its device
        clickHeader(2);
        QCOMPARE(column(), (QStringList{"127.0.0.12", "127.0.0.7", "127.0.0.5"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(1); // another column starts ascending
        QCOMPARE(cell(model, 0, 1), QStringLiteral("5"));
    }

    void clickShowsTheDeviceOrNothing()
    {
        searchAndWait();
        // Start from another current device, whichever the view took on focus.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(model->index(rowOfIp(model, "127.0.0.12"), 4)).center());
        QSignalSpy clicked(view.get(), &DeviceView::deviceShown);
        QSignalSpy cleared(view.get(), &DeviceView::deviceShownCleared);
        const QModelIndex idx = model->index(rowOfIp(model, "127.0.0.5"), 4);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(idx).center());
        QCOMPARE(clicked.count(), 1);
        const auto info = clicked.first().first().value<DeviceInfo_Type>();
        QCOMPARE(info.devNo(), 5);
        QCOMPARE(int(info.groupNo(0)), 3);
        QCOMPARE(int(info.groupNo(1)), 7);
        QCOMPARE(cleared.count(), 0);

        const QRect last = view->visualRect(model->index(model->rowCount() - 1, 4));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 40));
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(clicked.count(), 1);
    }

    void doubleClickReadsAnOnlineDevice()
    {
        searchAndWait();
        QSignalSpy read(view.get(), &DeviceView::readParaDone);
        const QModelIndex idx = model->index(rowOfIp(model, "127.0.0.7"), 1);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(idx).center());
        QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 10000);
        QCOMPARE(read.first().at(0).value<DeviceItemPtr>()->devItem.devNo(), 7);
        QCOMPARE(read.first().at(1).toInt(), 0);
    }

    void doubleClickOnAnUnreachedManualDeviceEdits()
    {
        DeviceEntry e{"60", "Depot", ip("10.60.0.1"), ip("255.255.255.0")};
        auto depot = newManualDevice(e);
        manager->devices().insertManual(depot);
        QTRY_COMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, 0).data(DeviceTableModel::StateRole).toInt(), int(STATE_REMOTE_OFFLINE));

        QSignalSpy read(view.get(), &DeviceView::readParaDone);
        QSignalSpy edited(view.get(), &DeviceView::deviceEdited);
        QString title;
        ui::whenModal([&title](QWidget* w) {
            auto* d = qobject_cast<AddDeviceDialog*>(w);
            QVERIFY(d);
            title = d->windowTitle();
            QCOMPARE(d->findChild<QLineEdit*>("deviceNoEdit")->text(), QStringLiteral("60"));
            d->findChild<QLineEdit*>("deviceNameEdit")->setText("Depot North");
            QTest::mouseClick(d->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(model->index(0, 4)).center());
        QCOMPARE(title, QStringLiteral("Edit Device"));
        QCOMPARE(edited.count(), 1);
        QTRY_COMPARE(cell(model, 0, 4), QStringLiteral("Depot North"));
        QCOMPARE(cell(model, 0, 0), kOffline);
        QCOMPARE(read.count(), 0);
    }

    void macMenuNeedsTheFlagAndOneOnlineLocalDevice()
    {
        searchAndWait();
        bool flag = false;
        view->setMacMenuEnabled([&flag] { return flag; });
        view->selectRow(rowOfIp(model, "127.0.0.5"));
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
        QCOMPARE(d.windowTitle(), QStringLiteral("Please wait..."));
    }

private:
    void searchAndWait()
    {
        QSignalSpy finished(view.get(), &DeviceView::searchFinished);
        view->startSearch();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QTRY_COMPARE(model->rowCount(), 3);
    }

    std::unique_ptr<sim::SimSite> site;
    std::unique_ptr<aulira::test::TempDir> dir;
    std::unique_ptr<DeviceManager> manager;
    std::unique_ptr<DeviceView> view;
    std::unique_ptr<ProtocolWorker> worker;
    DeviceTableModel* model = nullptr;
};

QTEST_MAIN(DeviceViewTest)
#include "DeviceViewTest.moc"
