#include <QFileInfo>

#include <algorithm>
#include <atomic>

#include "GuiSupport.h"
#include "SheetBench.h"
#include "devices/DeviceList.h"
#include "params/pages/BasicParaPage.h"
#include "params/ConfigFile.h"
#include "params/ReviewDialog.h"
#include "params/SettingsSheet.h"
#include "params/SysParaSettings.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"

using namespace aulira;
using namespace aulira::test;
using aulira::app::SettingsSheet;

namespace {

sim::DeviceConfig shortRecordDevice()
{
    auto d = simDevice("127.0.0.25", 25, 25, "Annex");
    d.firmware = "V1.0.7"; // the 392-byte record
    d.serverIp = ip("10.1.2.3");
    return d;
}

QString table(int id) { return QString::fromUtf8(stringText(id)); }

QString infoValue(SettingsSheet& sheet, int row) { return sheet.runningInfo()->topLevelItem(row)->text(1); }

} // namespace

class SettingsSheetTest : public QObject {
    Q_OBJECT

    ui::SheetBench bench;

    // The entry a search and Add leave, with its record read by the worker.
    DeviceItemPtr readDevice(const char* addr) { return bench.read(bench.entry(addr)); }
    // The sheet on screen over that entry.
    std::unique_ptr<ui::Sheet> openOn(const char* addr) { return bench.open(readDevice(addr)); }

    SysParaSettings deviceSettings(const char* addr)
    {
        const auto snap = bench.site->device(ip(addr));
        return SysParaSettings::load(snap->sysPara, snap->layout == 436);
    }

    // The commands a device has taken since the last clear, made certain by
    // one more read behind them in the worker's queue.
    std::vector<std::uint16_t> commandsSinceClear(const DeviceItemPtr& item, const char* addr)
    {
        bench.read(item);
        std::vector<std::uint16_t> out;
        for (const auto& e : bench.site->traffic(ip(addr)))
            out.push_back(e.command & kCommandMask);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(bench.start({simDevice("127.0.0.21", 21, 21, "Lobby"), simDevice("127.0.0.22", 22, 22, "Stage"),
                             simDevice("127.0.0.23", 23, 23, "Studio"), simDevice("127.0.0.24", 24, 24, "Hall"),
                             shortRecordDevice()}));
    }

    void cleanupTestCase() { bench.stop(); }

    // The running information first; another device attached while the
    // sheet is shown starts over there.
    void showsTheRunningInformation()
    {
        auto s = openOn("127.0.0.21");
        QCOMPARE(s->sheet.windowTitle(), QStringLiteral("Audio terminal parameter settings - NO 21 Lobby(127.0.0.21)"));
        QVERIFY(s->sheet.runningInfo()->isVisible());
        QVERIFY(!s->sheet.basicPage()->isVisible());
        QCOMPARE(infoValue(s->sheet, 2).toStdString(), bench.site->device(ip("127.0.0.21"))->info.macText());
        QCOMPARE(infoValue(s->sheet, 1), QStringLiteral("V2.0.1"));
        QCOMPARE(infoValue(s->sheet, 3), QStringLiteral("Disable"));
        QCOMPARE(infoValue(s->sheet, 4), QStringLiteral("127.0.0.21"));
        ui::saveScreenshot(s->sheet, "settings-sheet-info.png");
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        ui::saveScreenshot(s->sheet, "settings-sheet-basic.png");

        s->sheet.attachDevice(readDevice("127.0.0.22"), bench.list);
        QCOMPARE(s->sheet.currentPage(), -1);
        QVERIFY(s->sheet.runningInfo()->isVisible());
        QCOMPARE(infoValue(s->sheet, 4), QStringLiteral("127.0.0.22"));
        QCOMPARE(s->sheet.basicPage()->deviceNoEdit()->text(), QStringLiteral("22"));
    }

    void saveWritesTheEditedPageToTheDevice()
    {
        auto s = openOn("127.0.0.21");
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        QCOMPARE(s->sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("Lobby"));
        s->sheet.basicPage()->deviceNameEdit()->setText(QStringLiteral("Front Desk"));
        s->sheet.basicPage()->portSpin()->setValue(9001);
        LogRecorder log;
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        // Open, and showing that it waits, until the device has answered.
        QVERIFY(s->sheet.isVisible());
        QVERIFY(!s->button("saveButton")->isEnabled());
        QCOMPARE(s->button("saveButton")->text(), QStringLiteral("Saving..."));
        QTRY_VERIFY(!s->sheet.isVisible());
        QCOMPARE(bench.results.lastWrite.load(), 0);
        QVERIFY(s->button("saveButton")->isEnabled());
        QVERIFY(log.contains("Parameters saved to NO 21 Front Desk(127.0.0.21)."));
        QTRY_COMPARE(deviceSettings("127.0.0.21").value("deviceName").text, std::string("Front Desk"));
        QCOMPARE(deviceSettings("127.0.0.21").value("serverPort").number, 9001);
        QVERIFY(s->warnings.isEmpty());
    }

    void leavingARefusedPageStillShowsTheClickedOne()
    {
        auto item = readDevice("127.0.0.22");
        auto s = bench.open(item);
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        s->sheet.basicPage()->deviceNameEdit()->setText(QStringLiteral("Stage 2"));
        s->sheet.basicPage()->userNameEdit()->setText(QStringLiteral("an operator name"));
        ui::clickPage(s->sheet, SettingsSheet::RunningInfo);
        QCOMPARE(s->warnings, QStringList{table(IDS_USER_NAME_OVER_15)});
        QVERIFY(!s->sheet.basicPage()->isVisible());
        // The name before the refused field reached the entry's record.
        std::lock_guard lock(bench.list.mutex());
        QCOMPARE(SysParaSettings::load(*item->sysPara, true).value("deviceName").text, std::string("Stage 2"));
    }

    void importKeepsTheDevicesOwnMac()
    {
        const QString file = QString::fromStdString((bench.dir.path() / "studio.alc").string());
        auto studio = readDevice("127.0.0.23");
        auto hall = readDevice("127.0.0.24");
        auto s = bench.open(studio);
        s->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction) { return file; });
        LogRecorder log;
        QTest::mouseClick(s->button("saveSettingsButton"), Qt::LeftButton);
        QCOMPARE(QFileInfo(file).size(), qint64(kConfigFileSize));
        const std::string saved = "Settings of NO 23 Studio(127.0.0.23) MAC " +
                                  bench.site->device(ip("127.0.0.23"))->info.macText() + " saved to " +
                                  QDir::toNativeSeparators(file).toStdString() + ".";
        QVERIFY2(log.contains(saved), saved.c_str());

        s->sheet.hide();
        s->sheet.attachDevice(hall, bench.list);
        s->sheet.show();
        const QString hallMac = infoValue(s->sheet, 2);
        QTest::mouseClick(s->button("loadSettingsButton"), Qt::LeftButton);
        QVERIFY(s->warnings.isEmpty());
        QCOMPARE(infoValue(s->sheet, 2), hallMac);
        QCOMPARE(s->sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("Studio"));
        QCOMPARE(infoValue(s->sheet, 4), QStringLiteral("127.0.0.23"));
        const auto settings = SysParaSettings::load(s->sheet.record(), true);
        QCOMPARE(QString::fromStdString(settings.display(static_cast<std::size_t>(sysParaFieldIndex("mac")))), hallMac);
        // Nothing reaches the device before Save.
        QCOMPARE(deviceSettings("127.0.0.24").value("deviceName").text, std::string("Hall"));
    }

    void aFileOfAnotherLengthChangesNothing()
    {
        auto hall = readDevice("127.0.0.24");
        SysParaBuffer other{};
        auto bytes = encodeConfigFile(other);
        bytes[kConfigFileLengthOffset] = 392 & 0xFF;
        bytes[kConfigFileLengthOffset + 1] = 392 >> 8;
        const auto path = bench.dir.path() / "short.alc";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        auto s = bench.open(hall);
        s->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction) { return QString::fromStdString(path.string()); });
        const SysParaBuffer before = s->sheet.record();
        s->sheet.basicPage()->deviceNameEdit()->setText(QStringLiteral("typed"));
        s->sheet.loadSettings();
        QCOMPARE(s->sheet.record(), before);
        QCOMPARE(s->sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("typed"));
        QCOMPARE(s->warnings, QStringList{QString::fromStdString(path.string()) +
                                         QStringLiteral(" does not hold a 436-byte parameter record; nothing was imported")});
        s->warnings.clear();

        s->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction) {
            return QString::fromStdString((bench.dir.path() / "missing.alc").string());
        });
        s->sheet.loadSettings();
        QCOMPARE(s->warnings.size(), 1);
        QCOMPARE(s->sheet.record(), before);
    }

    void saveDeviceToListIsRemembered()
    {
        auto item = readDevice("127.0.0.21");
        auto s = bench.open(item);
        QSignalSpy add(&s->sheet, &SettingsSheet::addToListRequested);
        auto* check = s->sheet.findChild<QCheckBox*>(QStringLiteral("saveToListCheck"));
        QVERIFY(!check->isChecked());
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QCOMPARE(add.count(), 1);
        QCOMPARE(add.at(0).at(0).value<DeviceItemPtr>(), item); // the device the sheet edits
        QTRY_VERIFY(!s->sheet.isVisible());

        auto other = readDevice("127.0.0.22");
        s->sheet.attachDevice(other, bench.list);
        s->sheet.show();
        QVERIFY(check->isChecked());
        // Cancel leaves the remembered state alone.
        check->setChecked(false);
        QTest::mouseClick(s->sheet.findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
        QVERIFY(!s->sheet.isVisible());
        s->sheet.show();
        QVERIFY(check->isChecked());
        QCOMPARE(add.count(), 1);
    }

    // Cancel, Escape and the close button with edits ask first; the answer
    // keeps the sheet with the edit, or drops it unwritten.
    void closingWithEditsAsksBeforeDiscarding()
    {
        auto item = readDevice("127.0.0.23");
        ui::Sheet s(bench.worker.get(), bench.results);
        s.sheet.attachDevice(item, bench.list);
        const struct {
            bool edited;        // an X typed after the device name
            const char* how;    // "escape", "cancel" or "close"
            const char* answer; // the button pressed in the question
            bool staysOpen;
        } cases[] = {
            {false, "escape", nullptr, false}, // closes at once
            {true, "escape", "&Keep Editing", true},
            {true, "cancel", "&Keep Editing", true},
            {true, "close", "&Discard", false},
        };
        bench.site->clearTraffic();
        for (const auto& c : cases) {
            s.sheet.show();
            QVERIFY(QTest::qWaitForWindowExposed(&s.sheet));
            ui::clickPage(s.sheet, SettingsSheet::BasicSettings);
            QLineEdit* name = s.sheet.basicPage()->deviceNameEdit();
            if (c.edited && name->text() == QLatin1String("Studio")) {
                QVERIFY(ui::clickInto(&s.sheet, name));
                QTest::keyClick(name, Qt::Key_End);
                QTest::keyClicks(name, "X");
            }
            QStringList asked;
            if (c.answer)
                ui::answerBoxes({QLatin1String(c.answer)}, &asked, nullptr, &s.sheet);
            if (QByteArray(c.how) == "escape")
                QTest::keyClick(&s.sheet, Qt::Key_Escape);
            else if (QByteArray(c.how) == "cancel")
                QTest::mouseClick(s.button("cancelButton"), Qt::LeftButton);
            else
                s.sheet.close();
            QCOMPARE(s.sheet.isVisible(), c.staysOpen);
            QCOMPARE(asked.value(0), c.answer ? QStringLiteral("Discard the changes to NO 23 Studio(127.0.0.23)?") : QString());
            if (c.staysOpen)
                QCOMPARE(name->text(), QStringLiteral("StudioX")); // the edit is still there
        }
        // Discarded: the entry holds the record as read, and nothing was written.
        s.sheet.show();
        ui::clickPage(s.sheet, SettingsSheet::BasicSettings);
        QCOMPARE(s.sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("Studio"));
        {
            std::lock_guard lock(bench.list.mutex());
            QCOMPARE(SysParaSettings::load(*item->sysPara, true).value("deviceName").text, std::string("Studio"));
        }
        QCOMPARE(commandsSinceClear(item, "127.0.0.23"), std::vector<std::uint16_t>{CMD_READ_SYS_PARA});
    }

    void aShortRecordShowsItsOwnOffsets()
    {
        auto item = readDevice("127.0.0.25");
        {
            std::lock_guard lock(bench.list.mutex());
            QCOMPARE(item->paraExt, 0);
        }
        auto s = bench.open(item);
        QCOMPARE(infoValue(s->sheet, 1), QStringLiteral("V1.0.7"));
        QCOMPARE(infoValue(s->sheet, 4), QStringLiteral("127.0.0.25"));
        QCOMPARE(infoValue(s->sheet, 10), QStringLiteral("10.1.2.3"));
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        QCOMPARE(s->sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("Annex"));
        QVERIFY(!s->sheet.basicPage()->heartbeatSpin()->isVisible());
        s->sheet.basicPage()->deviceNameEdit()->setText(QStringLiteral("Annex B"));
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QTRY_COMPARE(deviceSettings("127.0.0.25").value("deviceName").text, std::string("Annex B"));
        QCOMPARE(bench.site->device(ip("127.0.0.25"))->sysPara.size(), std::size_t{392});
    }

    // Every address editor of the basic page, typed into keystroke by
    // keystroke, filled and empty; what reaches the device is compared.
    void typedAddressesReachTheDevice_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("start"); // empty: cleared before typing
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("stored");
        QTest::newRow("gateway over 127.0.0.200") << "gateway" << "gateway" << "127.0.0.200" << "192.168.1.10"
                                                  << "192.168.1.10";
        QTest::newRow("preferred DNS, empty") << "preferredDns" << "dns1" << "" << "127.20.0.5" << "127.20.0.5";
        QTest::newRow("alternative DNS, dots after full fields") << "alternativeDns" << "dns2" << "8.8.4.4"
                                                                 << "208.67.222.222" << "208.67.222.222";
        QTest::newRow("server IP, digits only") << "serverIp" << "serverIp" << "" << "010001002003" << "10.1.2.3";
        QTest::newRow("subnet mask over 255.0.0.0") << "subnetMask" << "mask" << "255.0.0.0" << "255.255.0.0"
                                                    << "255.255.0.0";
        QTest::newRow("address, backspace corrects") << "ipAddress" << "ip" << "127.0.0.23" << "127.0.0.239\b\b3"
                                                     << "127.0.0.23";
    }

    void typedAddressesReachTheDevice()
    {
        QFETCH(QString, editor);
        QFETCH(QString, field);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, stored);
        auto s = openOn("127.0.0.23");
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        auto* edit = s->sheet.basicPage()->findChild<aulira::app::IpAddressEdit*>(editor);
        QVERIFY(edit && edit->isEnabled());
        if (start.isEmpty())
            edit->clear();
        else
            edit->setAddress(*parseIp(start.toStdString()));
        QVERIFY(ui::clickInto(&s->sheet, s->sheet.basicPage()->deviceNameEdit()));
        QVERIFY(ui::clickInto(&s->sheet, edit->field(0)));
        ui::typeKeys(&s->sheet, keys);
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s->sheet.isVisible(), 10000);
        QVERIFY(s->warnings.isEmpty());
        QCOMPARE(QString::fromStdString(formatIp(static_cast<std::uint32_t>(
                     deviceSettings("127.0.0.23").value(field.toStdString().c_str()).number))),
                 stored);
    }

    void aStoredHeartbeatAboveTheBoxSurvivesSave()
    {
        auto item = readDevice("127.0.0.24");
        const std::size_t at = sysParaOffset("heartbeat", true);
        {
            std::lock_guard lock(bench.list.mutex());
            (*item->sysPara)[at] = 90;
        }
        auto s = bench.open(item);
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        QCOMPARE(s->sheet.basicPage()->heartbeatSpin()->value(), 90);
        bench.site->clearTraffic();
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s->sheet.isVisible(), 10000);
        const auto written = bench.written("127.0.0.24");
        QVERIFY(written.size() > at);
        QCOMPARE(int(written[at]), 90);
        // Typing still stops where the field's rules do.
        QCOMPARE(s->sheet.basicPage()->heartbeatSpin()->maximum(), 90);
        s->sheet.attachDevice(readDevice("127.0.0.21"), bench.list);
        QCOMPARE(s->sheet.basicPage()->heartbeatSpin()->maximum(), int(sysParaField("heartbeat").max));
    }

    void aFileOfTheOtherLayoutIsRefusedAsAuctlDoes()
    {
        const auto file = bench.dir.path() / "annex.alc";
        auto annex = readDevice("127.0.0.25"); // the 392-byte record
        auto hall = readDevice("127.0.0.24");
        auto s = bench.open(annex);
        s->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction) { return QString::fromStdString(file.string()); });
        QTest::mouseClick(s->button("saveSettingsButton"), Qt::LeftButton);
        s->sheet.attachDevice(hall, bench.list);
        const SysParaBuffer before = s->sheet.record();
        QTest::mouseClick(s->button("loadSettingsButton"), Qt::LeftButton);
        SysParaBuffer scratch = before;
        std::string expected;
        QCOMPARE(importConfigFileForDevice(file, scratch, true, &expected), ConfigLoad::OtherLayout);
        QCOMPARE(s->warnings, QStringList{QString::fromStdString(expected)});
        QVERIFY(s->warnings[0].contains(QStringLiteral("392-byte parameter record; this device uses the 436-byte")));
        QCOMPARE(s->sheet.record(), before);
        QCOMPARE(s->sheet.basicPage()->deviceNameEdit()->text(), QStringLiteral("Hall"));
    }

    void everyInputIsNamedByItsLabel()
    {
        auto s = openOn("127.0.0.21");
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        QVERIFY(!s->sheet.pageTree()->accessibleName().isEmpty());
        // The tree turns the pages from the keyboard as well.
        s->sheet.pageTree()->setFocus();
        QTest::keyClick(s->sheet.pageTree(), Qt::Key_Up);
        QCOMPARE(s->sheet.currentPage(), int(SettingsSheet::RunningInfo));
        QVERIFY(s->sheet.runningInfo()->isVisible());
    }

    // Save refuses what the device cannot hold or what would strand it, as
    // an import does, naming the field; nothing reaches the device.
    void valuesThatStrandTheDeviceAreRefused_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("message");
        const auto named = [](const char* label, int id) {
            return QString::fromLatin1(label) + QStringLiteral(": ") + QString::fromStdString(oneLine(stringText(id)));
        };
        QTest::newRow("multicast address") << "ipAddress" << "224.0.0.23" << named("IP Address", IDS_IP_NOT_HOST);
        QTest::newRow("subnet broadcast") << "ipAddress" << "127.255.255.255" << named("IP Address", IDS_IP_NOT_HOST);
        QTest::newRow("mask with holes") << "subnetMask" << "255.0.255.0"
                                         << named("Subnet Mask", IDS_MASK_NOT_CONTIGUOUS);
        QTest::newRow("broadcast gateway") << "gateway" << "255.255.255.255"
                                           << named("Default Gateway", IDS_GATEWAY_NOT_HOST);
        QTest::newRow("multicast server") << "serverIp" << "239.0.0.1" << named("Server IP", IDS_SERVER_NOT_HOST);
        QTest::newRow("number beyond 32 bits") << "deviceNo" << "2147483648" << table(IDS_DEVICE_NO_RANGE);
        QTest::newRow("name over 15 bytes") << "deviceName" << "A name far too long" << table(IDS_DEVICE_NAME_OVER_15);
    }

    void valuesThatStrandTheDeviceAreRefused()
    {
        QFETCH(QString, editor);
        QFETCH(QString, keys);
        QFETCH(QString, message);
        auto item = readDevice("127.0.0.22");
        auto s = bench.open(item);
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        QWidget* first = nullptr;
        if (auto* address = s->sheet.basicPage()->findChild<aulira::app::IpAddressEdit*>(editor)) {
            address->clear();
            first = address->field(0);
        } else {
            auto* line = s->sheet.basicPage()->findChild<QLineEdit*>(editor);
            QVERIFY(line);
            line->clear();
            first = line;
        }
        QVERIFY(ui::clickInto(&s->sheet, first));
        ui::typeKeys(&s->sheet, keys);
        bench.site->clearTraffic();
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QCOMPARE(s->warnings, QStringList{message});
        QVERIFY(s->sheet.isVisible());
        QVERIFY(s->sheet.basicPage()->isVisible());
        QCOMPARE(commandsSinceClear(item, "127.0.0.22"), std::vector<std::uint16_t>{CMD_READ_SYS_PARA});
        QCOMPARE(deviceSettings("127.0.0.22").value("deviceNo").number, 22);
        QCOMPARE(deviceSettings("127.0.0.22").value("deviceName").text, std::string("Stage"));
    }

    // Another device's file would give this one its number and address: the
    // review (shown even when turned off) warns and keeps the device's own.
    void anotherDevicesFileWarnsAndKeepsTheDevicesOwnIdentity()
    {
        const QString file = QString::fromStdString((bench.dir.path() / "studio-port.alc").string());
        auto studio = readDevice("127.0.0.23");
        auto hall = readDevice("127.0.0.24");
        auto s = bench.open(studio);
        s->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction) { return file; });
        ui::clickPage(s->sheet, SettingsSheet::BasicSettings);
        s->sheet.basicPage()->portSpin()->setValue(9123);
        ui::clickPage(s->sheet, SettingsSheet::RunningInfo);
        QTest::mouseClick(s->button("saveSettingsButton"), Qt::LeftButton);

        s->sheet.attachDevice(hall, bench.list);
        QTest::mouseClick(s->button("loadSettingsButton"), Qt::LeftButton);
        QStringList warnings, fields;
        bool keepTicked = false;
        ui::whenModal([&](QWidget* w) {
            auto* review = qobject_cast<app::ReviewDialog*>(w);
            QVERIFY(review && review->keepOwn());
            for (auto* l : review->findChildren<QLabel*>(QStringLiteral("clashWarning")))
                warnings << l->text();
            keepTicked = review->keepOwn()->isChecked();
            for (int i = 0; i < review->changes()->topLevelItemCount(); ++i)
                fields << review->changes()->topLevelItem(i)->text(0);
            ui::saveScreenshot(*review, "review-clash.png");
            QTest::mouseClick(review->writeButton(), Qt::LeftButton);
        });
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s->sheet.isVisible(), 10000);
        QVERIFY(warnings.contains(QStringLiteral("Device NO 23 already belongs to NO 23 Studio(127.0.0.23).")));
        QVERIFY(warnings.contains(QStringLiteral("IP address 127.0.0.23 already belongs to NO 23 Studio(127.0.0.23).")));
        QVERIFY(keepTicked);
        QVERIFY(fields.contains(QStringLiteral("Port")));
        QVERIFY(!fields.contains(QStringLiteral("IP Address")) && !fields.contains(QStringLiteral("Device Name")));
        const auto written = deviceSettings("127.0.0.24");
        QCOMPARE(written.value("deviceNo").number, 24);
        QCOMPARE(written.value("deviceName").text, std::string("Hall"));
        QCOMPARE(written.value("serverPort").number, 9123);
    }

    // With nothing changed, Save still honours "Save device to list", and says so.
    void anUntouchedSaveStillSavesTheDeviceToTheList()
    {
        app::ReviewDialog::setReviewWanted(true);
        auto s = openOn("127.0.0.21");
        QSignalSpy add(&s->sheet, &SettingsSheet::addToListRequested);
        auto* check = s->sheet.findChild<QCheckBox*>(QStringLiteral("saveToListCheck"));
        check->setChecked(false);
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::mouseClick(s->button("saveButton"), Qt::LeftButton);
        app::ReviewDialog::setReviewWanted(false);
        QCOMPARE(add.count(), 1);
        QCOMPARE(s->notes.size(), 1);
        QVERIFY(s->notes[0].endsWith(QStringLiteral("nothing was written. The device was saved to the list.")));
    }

    void aRightDoubleClickLogsTheDevice()
    {
        auto item = readDevice("127.0.0.21");
        LogRecorder log;
        auto shown = bench.open(item);
        QTest::mouseDClick(&shown->sheet, Qt::RightButton);
        std::string type;
        {
            std::lock_guard lock(bench.list.mutex());
            type = item->devItem.typeText();
        }
        QCOMPARE(log.lines(), std::vector<std::string>{"21#,127.0.0.21," + type});
    }
};

QTEST_MAIN(SettingsSheetTest)
#include "SettingsSheetTest.moc"
