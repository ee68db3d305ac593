#pragma once
// The settings sheet on its own over a simulated site: a device list, the
// protocol worker, and the worker's answers handed to the sheet on screen.
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <atomic>
#include <memory>

#include "SimSite.h"
#include "devices/DeviceList.h"
#include "params/ReviewDialog.h"
#include "params/SettingsSheet.h"
#include "params/pages/ParaPage.h"
#include "protocol/Packet.h"
#include "protocol/ProtocolWorker.h"
#include "support/TestUtil.h"

namespace aulira::app::test {

// Worker answers arrive on the worker thread: the bench counts them, and hands
// write results to the sheet on screen on the UI thread, as the main window does.
struct Results : WorkerListener {
    std::atomic<int> reads{0}, writes{0}, lastWrite{1};
    QObject relay;                  // lives on the UI thread, longer than the worker
    SettingsSheet* sheet = nullptr; // UI thread only
    void onReadParaDone(const DeviceItemPtr&, int) override { ++reads; }
    void onWriteParaDone(const DeviceItemPtr& item, int r) override
    {
        lastWrite = r;
        QMetaObject::invokeMethod(
            &relay,
            [this, item, r] {
                if (sheet)
                    sheet->writeFinished(item, r);
            },
            Qt::QueuedConnection);
        ++writes;
    }
};

// A sheet on screen that gets the write results; its warnings and notes are recorded.
struct Sheet {
    Sheet(ProtocolWorker* w, Results& r) : sheet(w), results(r)
    {
        sheet.setWarnHandler([this](QWidget*, const QString& t) { warnings << t; });
        sheet.setInfoHandler([this](QWidget*, const QString& t) { notes << t; });
        results.sheet = &sheet;
    }
    ~Sheet() { results.sheet = nullptr; }
    QPushButton* button(const char* name) { return sheet.findChild<QPushButton*>(QString::fromLatin1(name)); }
    SettingsSheet sheet;
    Results& results;
    QStringList warnings, notes;
};

// Clicks the sheet's tree entry for `page`: that page is shown.
inline void clickPage(SettingsSheet& sheet, int page)
{
    QTreeWidget* tree = sheet.pageTree();
    QTreeWidgetItemIterator it(tree);
    while (*it && (*it)->data(0, Qt::UserRole).toInt() != page)
        ++it;
    QVERIFY(*it);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(*it).center());
    QCOMPARE(sheet.currentPage(), page);
    QVERIFY(page == SettingsSheet::RunningInfo ? sheet.runningInfo()->isVisible() : sheet.page(page)->isVisible());
}

struct SheetBench {
    aulira::test::ProtocolConfigGuard guard;
    aulira::test::TempDir dir;
    std::unique_ptr<sim::SimSite> site;
    DeviceList list;
    Results results;
    std::unique_ptr<ProtocolWorker> worker;

    // The user's settings go to the bench's own folder; Save writes without a review.
    bool start(const std::vector<sim::DeviceConfig>& devices)
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
        ReviewDialog::setReviewWanted(false);
        aulira::test::useFastTiming();
        site = std::make_unique<sim::SimSite>(sim::SiteOptions{.port = 0});
        std::string error;
        if (!site->addDevices(devices, &error) || !site->start(&error)) {
            qWarning("%s", error.c_str());
            return false;
        }
        protocolConfig().devicePort = site->port();
        worker = std::make_unique<ProtocolWorker>(list, &results);
        return true;
    }
    void stop()
    {
        worker.reset(); // before the site and the list it uses
        site.reset();
    }

    // The entry a search and Add leave (`reuse`: the one already in the list).
    DeviceItemPtr entry(const char* addr, bool reuse = false)
    {
        if (auto item = list.findByIp(aulira::test::ip(addr)); reuse && item)
            return item;
        auto item = std::make_shared<DeviceItem_Type>();
        item->devItem = site->device(aulira::test::ip(addr))->info;
        item->ip = aulira::test::ip(addr);
        item->localIp = "127.0.0.1";
        item->unicastOk = 1;
        list.insertManual(item);
        return item;
    }
    // A sheet on screen over the entry.
    std::unique_ptr<Sheet> open(const DeviceItemPtr& item)
    {
        auto s = std::make_unique<Sheet>(worker.get(), results);
        s->sheet.attachDevice(item, list);
        s->sheet.show();
        if (!QTest::qWaitForWindowExposed(&s->sheet))
            qWarning("the sheet did not show");
        return s;
    }
    // The record the device took with its last write since the traffic was
    // cleared; empty if none.
    std::vector<std::uint8_t> written(const char* addr) const
    {
        std::vector<std::uint8_t> out;
        for (const auto& e : site->traffic(aulira::test::ip(addr)))
            if ((e.command & kCommandMask) == CMD_WRITE_SYS_PARA)
                out = e.payload;
        return out;
    }
    // Reads the entry's record by the worker, and waits for it.
    DeviceItemPtr read(const DeviceItemPtr& item)
    {
        const int before = results.reads;
        worker->postReadPara(item);
        [&] { QTRY_COMPARE(results.reads.load(), before + 1); }();
        return item;
    }
};

} // namespace aulira::app::test
