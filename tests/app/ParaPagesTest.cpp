// The parameter pages driven by real input against the simulator, with what
// reached the device compared to what `auctl params set` writes for the same
// edits.
#include <QRadioButton>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <atomic>

#include "GuiSupport.h"
#include "SheetBench.h"
#include "devices/DeviceList.h"
#include "params/ConfigFile.h"
#include "params/ParaBackups.h"
#include "params/ReviewDialog.h"
#include "params/SettingsSheet.h"
#include "params/SysParaSettings.h"
#include "params/pages/KeyParaPage.h"
#include "params/pages/ParaPage.h"
#include "protocol/Packet.h"
#include "protocol/ProtocolWorker.h"
#include "support/CliRunner.h"

using namespace aulira;
using namespace aulira::test;
using aulira::app::IpAddressEdit;
using aulira::app::ParaPage;
using aulira::app::SettingsSheet;

namespace {

constexpr const char* kLong = "127.0.0.41";  // 436-byte record, KP-4410
constexpr const char* kShort = "127.0.0.42"; // 392-byte record
constexpr const char* kOther = "127.0.0.43"; // another model

sim::DeviceConfig config(const char* addr)
{
    sim::DeviceConfig d;
    d.ip = ip(addr);
    d.mask = ip("255.0.0.0");
    d.devNo = 41;
    d.name = "Pages";
    d.mac = sim::generatedMac(ip(addr) & 0xff);
    d.firmware = std::string_view(addr) == kShort ? "V1.0.7" : "V2.0.1";
    if (std::string_view(addr) == kOther)
        d.modelText = "KC-2010";
    return d;
}

// One edit as auctl takes it: NAME=VALUE.
using Edits = QStringList;

const SysParaField& fieldNamed(const QString& name) { return sysParaField(name.toStdString()); }

// Selects everything in a box and types `text` key by key, then leaves it.
void typeInto(QWidget* window, QWidget* field, const QString& text)
{
    QVERIFY(ui::clickInto(window, field));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    ui::typeKeys(window, text);
}

// Performs one edit on the page with the mouse and the keyboard.
void perform(QWidget* window, ParaPage* page, const QString& edit)
{
    const QString name = edit.section(QLatin1Char('='), 0, 0);
    const QString value = edit.section(QLatin1Char('='), 1);
    const SysParaField& f = fieldNamed(name);
    auto position = [&] {
        for (std::size_t i = 0; i < f.texts.size(); ++i)
            if (QString::fromUtf8(f.texts[i].data(), static_cast<qsizetype>(f.texts[i].size())) == value)
                return static_cast<int>(i);
        return -1;
    };
    const std::string field = name.toStdString();
    if (f.kind == FieldKind::Groups) {
        const QStringList parts = value.split(QLatin1Char(','));
        for (int g = 0; g < parts.size(); ++g)
            typeInto(window, page->control(field, g), parts[g] + QLatin1Char('\t'));
        return;
    }
    QWidget* w = page->control(field);
    QVERIFY2(w, qPrintable(name));
    if (page->radio(field, 0)) {
        QRadioButton* target = page->radio(field, position());
        QVERIFY2(target && target->isVisible(), qPrintable(edit));
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(4, target->height() / 2));
        QVERIFY2(target->isChecked(), qPrintable(edit));
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        if (c->isChecked() != (value == QLatin1String("1")))
            QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(4, c->height() / 2));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < position(); ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        typeInto(window, spin, value + QLatin1Char('\t'));
    } else if (auto* address = qobject_cast<IpAddressEdit*>(w)) {
        if (f.kind == FieldKind::Target && !address->isVisible()) {
            auto* number = qobject_cast<QSpinBox*>(page->control(field, 1));
            QVERIFY2(number->isVisible() && number->isEnabled(), qPrintable(edit));
            typeInto(window, number, value + QLatin1Char('\t'));
        } else {
            QVERIFY2(address->isVisible() && address->isEnabled(), qPrintable(edit));
            typeInto(window, address->field(0), value);
        }
    } else {
        QFAIL(qPrintable(QStringLiteral("no way to edit ") + name));
    }
}

// What a control shows, as the settings display the same value.
QString shown(ParaPage* page, const SysParaField& f)
{
    const std::string name(f.name);
    QWidget* w = page->control(name);
    if (page->radio(name, 0)) {
        for (int i = 0; auto* r = page->radio(name, i); ++i)
            if (r->isChecked())
                return r->text();
        return {};
    }
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? QStringLiteral("Enable") : QStringLiteral("Disable");
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* spin = qobject_cast<QSpinBox*>(w))
        return QString::number(spin->value());
    if (auto* address = qobject_cast<IpAddressEdit*>(w)) {
        if (f.kind == FieldKind::Target && address->isHidden())
            return QString::number(qobject_cast<QSpinBox*>(page->control(name, 1))->value());
        return QString::fromStdString(formatIp(address->addressOrZero()));
    }
    return {};
}

} // namespace

class ParaPagesTest : public QObject {
    Q_OBJECT

    ui::SheetBench bench;
    using Sheet = ui::Sheet;

    // Puts the device back to its factory record.
    void reset(const char* addr)
    {
        bench.site->removeDevice(ip(addr));
        std::string error;
        QVERIFY2(bench.site->addDevice(config(addr), &error), error.c_str());
    }

    DeviceItemPtr readDevice(const char* addr) { return bench.read(bench.entry(addr, true)); }

    std::vector<std::uint8_t> record(const char* addr)
    {
        // The apply that ends a write is not answered: wait until the site has taken it.
        for (int i = 0; i < 500 && bench.site->device(ip(addr))->pendingPara; ++i)
            QTest::qWait(10);
        return bench.site->device(ip(addr))->sysPara;
    }

    // What `auctl params set` writes for the edits, from the factory record.
    std::vector<std::uint8_t> auctlWrite(const char* addr, const Edits& edits, CliRun* run = nullptr)
    {
        reset(addr);
        bench.site->clearTraffic();
        std::vector<std::string> args{"--quiet", "params", "set", addr};
        for (const auto& e : edits)
            args.push_back(e.toStdString());
        CliRun r = runAuctl(siteOptions(bench.dir.path().string(), bench.site->port()), args);
        if (run)
            *run = r;
        else if (r.code != 0)
            qWarning("%s", r.err.c_str());
        return bench.written(addr);
    }

    // Opens the sheet on the device's factory record (or on `patched`).
    std::unique_ptr<Sheet> open(const char* addr, const std::vector<std::uint8_t>* patched = nullptr, bool factory = true)
    {
        if (factory)
            reset(addr);
        auto item = readDevice(addr);
        if (patched) {
            std::lock_guard lock(bench.list.mutex());
            std::copy(patched->begin(), patched->end(), item->sysPara->begin());
        }
        auto s = bench.open(item);
        bench.site->clearTraffic();
        return s;
    }

    std::vector<std::uint8_t> save(Sheet& s, const char* addr)
    {
        const int before = bench.results.writes;
        QTest::mouseClick(s.sheet.saveButton(), Qt::LeftButton);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(bench.results.writes.load() == before + 1 && !s.sheet.isVisible(), 10000); }();
        return bench.written(addr);
    }

private slots:
    void initTestCase() { QVERIFY(bench.start({config(kLong), config(kShort), config(kOther)})); }
    void cleanupTestCase() { bench.stop(); }

    void editsWriteTheSameBytesAsAuctl_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<int>("page");
        QTest::addColumn<Edits>("edits");
        const auto both = [](const char* tag, int page, const Edits& common, const Edits& longOnly) {
            QTest::newRow((std::string(tag) + " 436").c_str()) << QByteArray(kLong) << page << common + longOnly;
            QTest::newRow((std::string(tag) + " 392").c_str()) << QByteArray(kShort) << page << common;
        };
        both("play", SettingsSheet::PlaySettings,
             {"groups=5,6,7,8,9,10,11,250", "volume=55", "prohibitBroadcast=1"}, {"outputCache=40"});
        both("session", SettingsSheet::SessionSettings,
             {"sessionInput=Linein", "sessionGain=61", "ringCount=7", "busyTone=Two busy tone(2)",
              "callKeyHangUp=Enable", "environment=Noisy place", "encoding=ADPCM"},
             {"sessionCache=2"});
        both("recording", SettingsSheet::RecordingSettings,
             {"recordInput=Linein", "sampleRate=32K", "promptSound=Disable", "promptVolume=33"},
             {"triggerDelay=20", "triggerValue=1234"});
        both("control and status", SettingsSheet::ControlAndStatus,
             {"keyInputMode=Hold", "playFailureDelay=200", "inputFailureDelay=0"}, {});
        both("key 1", SettingsSheet::Control1,
             {"key1.mode=Intercom", "key1.callType=Device NO", "key1.target1=101", "key1.target4=104",
              "key1.forwarding=Enable", "key1.forwardingType=IP Address", "key1.forwardingTarget=10.0.0.9"},
             {});
        both("key 2", SettingsSheet::Control2,
             {"key2.mode=Encode", "key2.outputMode=Multicast", "key2.outputTarget=7", "key2.priority=12"}, {});
        both("key 3", SettingsSheet::Control3, {"key3.mode=Intercom", "key3.callType=IP Address",
                                                "key3.target=192.168.7.8", "key3.mode=Volume Up"}, {});
        both("key 4", SettingsSheet::Control4,
             {"key4.mode=Encode", "key4.outputMode=Unicast", "key4.outputTarget=192.168.5.6"}, {});
        both("control serial", SettingsSheet::ControlSerial,
             {"controlSerial.baudRate=115200 bps", "controlSerial.parity=EVEN", "controlSerial.targetIp=10.1.1.1",
              "controlSerial.localPort=9000"},
             {});
        both("data serial", SettingsSheet::DataSerial,
             {"dataSerial.stopBits=2 bits", "dataSerial.dataBits=7 bits", "dataSerial.targetPort=7000"}, {});
        both("gpio", SettingsSheet::Gpio,
             {"gpio.line2=Pulldown", "gpio.line4=Pushpull", "gpio.serverIp=10.9.8.7", "gpio.serverPort=65000"}, {});
    }

    // Load shows the record; the edits reach the device as auctl writes them,
    // and only the page's own fields change.
    void editsWriteTheSameBytesAsAuctl()
    {
        QFETCH(QByteArray, device);
        QFETCH(int, page);
        QFETCH(Edits, edits);
        const char* addr = device.constData();

        const auto expected = auctlWrite(addr, edits);
        QVERIFY(!expected.empty());

        auto s = open(addr);
        const auto before = record(addr);
        const bool ext = before.size() == 436;
        ui::clickPage(s->sheet, page);
        ParaPage* p = s->sheet.page(page);
        const auto settings = SysParaSettings::load(before, ext);
        for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
            const SysParaField& f = kSysParaFields[i];
            if (static_cast<int>(f.page) != page || f.kind == FieldKind::Groups || !p->control(f.name))
                continue;
            if (f.kind == FieldKind::Target && settings.value(static_cast<std::size_t>(f.typeField)).number > 1)
                continue; // a broadcast target shows what the control last held
            QCOMPARE(shown(p, f), QString::fromStdString(settings.display(i)));
            // Controls of fields the layout lacks show their initial value, disabled.
            if (!f.in(ext))
                QVERIFY2(!p->control(f.name)->isEnabled(), f.name.data());
        }
        for (const auto& e : edits) {
            perform(&s->sheet, p, e);
            if (QTest::currentTestFailed())
                return;
        }
        const auto written = save(*s, addr);
        QVERIFY(s->warnings.isEmpty());
        QCOMPARE(written.size(), expected.size());
        QVERIFY(written == expected);
        const auto after = record(addr);
        const RecordDiff d = diffRecords(before, after, ext);
        QVERIFY(!d.fields.empty());
        QCOMPARE(d.otherBytes, std::size_t{0});
        for (auto i : d.fields)
            QCOMPARE(static_cast<int>(kSysParaFields[i].page), page);
    }

    void fieldsTheShortRecordLacksAreDisabledAndNotWritten()
    {
        auto s = open(kShort);
        const auto before = record(kShort);
        for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
            const SysParaField& f = kSysParaFields[i];
            if (f.in(false) || f.page == SysParaPage::Basic)
                continue;
            ui::clickPage(s->sheet, static_cast<int>(f.page));
            QWidget* w = s->sheet.page(static_cast<int>(f.page))->control(f.name);
            QVERIFY2(w && !w->isEnabled(), f.name.data());
            QCOMPARE(qobject_cast<QSpinBox*>(w)->value(), int(f.initial));
        }
        QVERIFY(save(*s, kShort) == before);
    }

    void untouchedSaveWritesTheRecordBack_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("offList");
        QTest::newRow("factory 436") << QByteArray(kLong) << false;
        QTest::newRow("factory 392") << QByteArray(kShort) << false;
        QTest::newRow("off-list 436") << QByteArray(kLong) << true;
        QTest::newRow("off-list 392") << QByteArray(kShort) << true;
    }

    // Every page visited and stored, nothing typed: the record goes back as read.
    void untouchedSaveWritesTheRecordBack()
    {
        QFETCH(QByteArray, device);
        QFETCH(bool, offList);
        const char* addr = device.constData();
        reset(addr);
        auto rec = record(addr);
        const bool ext = rec.size() == 436;
        if (offList) {
            // Every list field holds a value its list has no entry for.
            for (const auto& f : kSysParaFields) {
                if (f.kind != FieldKind::Index || !f.in(ext))
                    continue;
                const auto off = static_cast<std::size_t>(f.offset(ext));
                if (f.width == 4)
                    writeU32(rec, off, 77);
                else
                    rec[off] = static_cast<std::uint8_t>(200 + (off % 50));
            }
        }
        auto s = open(addr, &rec);
        for (int page = SettingsSheet::BasicSettings; page < SettingsSheet::PageCount; ++page)
            ui::clickPage(s->sheet, page);
        ui::clickPage(s->sheet, SettingsSheet::RunningInfo);
        const auto written = save(*s, addr);
        QVERIFY(s->warnings.isEmpty());
        QCOMPARE(written.size(), rec.size());
        const RecordDiff d = diffRecords(rec, written, ext);
        QStringList changed;
        for (auto i : d.fields)
            changed << QString::fromUtf8(kSysParaFields[i].name.data());
        QCOMPARE(changed, QStringList{});
        QCOMPARE(d.otherBytes, std::size_t{0});
    }

    void clampsShowWhatWasStored()
    {
        auto s = open(kLong);
        ui::clickPage(s->sheet, SettingsSheet::SessionSettings);
        ParaPage* p = s->sheet.page(SettingsSheet::SessionSettings);
        perform(&s->sheet, p, QStringLiteral("sessionCache=30"));
        ui::clickPage(s->sheet, SettingsSheet::RunningInfo);
        ui::clickPage(s->sheet, SettingsSheet::SessionSettings);
        QCOMPARE(qobject_cast<QSpinBox*>(p->control("sessionCache"))->value(), 26);
        QCOMPARE(int(s->sheet.record()[sysParaOffset("sessionCache", true)]), 26);
    }

    void aDelayOverAByteIsRefusedAndNothingIsSent()
    {
        auto s = open(kLong);
        ui::clickPage(s->sheet, SettingsSheet::ControlAndStatus);
        perform(&s->sheet, s->sheet.page(SettingsSheet::ControlAndStatus), QStringLiteral("playFailureDelay=300"));
        QTest::mouseClick(s->sheet.saveButton(), Qt::LeftButton);
        QCOMPARE(s->warnings, QStringList{QString::fromStdString(stringText(IDS_FAILURE_DELAY_OVER_255))});
        QVERIFY(s->sheet.isVisible());
        QTest::qWait(200);
        QVERIFY(bench.written(kLong).empty());
        s->sheet.hide();
    }

    // Save lists the changes the write makes; Cancel writes nothing, and
    // "Do not ask again" is remembered.
    void saveReviewsTheChanges()
    {
        app::ReviewDialog::setReviewWanted(true);
        auto s = open(kLong);
        const auto before = record(kLong);

        // Nothing changed: said, and nothing written.
        QTest::mouseClick(s->sheet.saveButton(), Qt::LeftButton);
        QCOMPARE(s->notes.size(), 1);
        QVERIFY(s->notes[0].startsWith(QStringLiteral("No parameter of NO 41 Pages(127.0.0.41) has changed")));
        QVERIFY(s->sheet.isVisible());

        ui::clickPage(s->sheet, SettingsSheet::Control2);
        for (const char* e : {"key2.mode=Encode", "key2.priority=12"})
            perform(&s->sheet, s->sheet.page(SettingsSheet::Control2), QString::fromLatin1(e));
        ui::clickPage(s->sheet, SettingsSheet::Gpio);
        perform(&s->sheet, s->sheet.page(SettingsSheet::Gpio), QStringLiteral("gpio.line3=Pullup"));

        QStringList rows;
        ui::whenModal([&rows](QWidget* w) {
            auto* review = qobject_cast<app::ReviewDialog*>(w);
            QVERIFY(review);
            for (int i = 0; i < review->changes()->topLevelItemCount(); ++i) {
                const auto* it = review->changes()->topLevelItem(i);
                rows << QStringList{it->text(0), it->text(1), it->text(2), it->text(3)}.join(QLatin1Char('|'));
            }
            QTest::mouseClick(review->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
        });
        QTest::mouseClick(s->sheet.saveButton(), Qt::LeftButton);
        const QStringList expected{QStringLiteral("Key Input Mode|Control 2|Intecom|Encode"),
                                   QStringLiteral("Priority|Control 2|10|12"),
                                   QStringLiteral("GPIO 3 Mode|GPIO|Floating|Pullup")};
        QCOMPARE(rows, expected);
        QTest::qWait(200);
        QVERIFY(bench.written(kLong).empty());
        QVERIFY(s->sheet.isVisible());

        ui::whenModal([](QWidget* w) {
            auto* review = qobject_cast<app::ReviewDialog*>(w);
            QVERIFY(review);
            QTest::mouseClick(review->doNotAskAgain(), Qt::LeftButton, {}, QPoint(4, 4));
            QTest::mouseClick(review->writeButton(), Qt::LeftButton);
        });
        const auto written = save(*s, kLong);
        QCOMPARE(diffRecords(before, written, true).fields.size(), std::size_t{3});
        QVERIFY(!app::ReviewDialog::reviewWanted());
        QVERIFY(!QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Aulira"), QStringLiteral("auct"))
                     .value(QStringLiteral("SettingsSheet/ReviewBeforeWrite"), true)
                     .toBool());
    }

    // Save keeps the record as read before it writes; when it cannot, it writes nothing.
    void saveBacksTheRecordUpFirst()
    {
        const auto data = bench.dir.path() / "data";
        auto s = open(kLong);
        s->sheet.setBackupDirectory(data);
        const auto before = record(kLong);
        SysParaBuffer asRead{};
        std::copy(before.begin(), before.end(), asRead.begin());
        ui::clickPage(s->sheet, SettingsSheet::PlaySettings);
        perform(&s->sheet, s->sheet.page(SettingsSheet::PlaySettings), QStringLiteral("volume=44"));
        QVERIFY(!save(*s, kLong).empty());
        const auto files = listBackups(data, asRead);
        QCOMPARE(files.size(), std::size_t{1});
        SysParaBuffer kept{};
        std::string error;
        QCOMPARE(importConfigFileForDevice(files[0], kept, true, &error), ConfigLoad::Loaded);
        // The import keeps the MAC of the record it goes over: compare the rest.
        QVERIFY(std::equal(asRead.begin() + 62, asRead.end(), kept.begin() + 62));
        QCOMPARE(int(record(kLong)[sysParaOffset("volume", true)]), 44);

        // "Restore..." writes the chosen backup back, with the device's own MAC.
        auto r = open(kLong, nullptr, false);
        r->sheet.setBackupDirectory(data);
        auto* restore = r->sheet.findChild<QPushButton*>(QStringLiteral("restoreButton"));
        QVERIFY(restore->isVisible());
        r->sheet.setFileChooser([&](QWidget*, SettingsSheet::FileAction a) {
            return a == SettingsSheet::FileAction::Restore ? QString::fromStdString(files[0].string()) : QString();
        });
        const int writes = bench.results.writes;
        QTest::mouseClick(restore, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(bench.results.writes.load() == writes + 1 && !r->sheet.isVisible(), 10000);
        QVERIFY(record(kLong) == before);
        QCOMPARE(listBackups(data, asRead).size(), std::size_t{2}); // the restore kept what it overwrote

        // A data directory that cannot take the backup: said, and nothing written.
        auto t = open(kLong);
        const auto blocked = bench.dir.path() / "not-a-folder";
        std::ofstream(blocked) << "x";
        t->sheet.setBackupDirectory(blocked);
        ui::clickPage(t->sheet, SettingsSheet::PlaySettings);
        perform(&t->sheet, t->sheet.page(SettingsSheet::PlaySettings), QStringLiteral("volume=45"));
        QTest::mouseClick(t->sheet.saveButton(), Qt::LeftButton);
        QCOMPARE(t->warnings.size(), 1);
        QVERIFY2(t->warnings[0].startsWith(QStringLiteral("The parameters of NO 41 Pages(127.0.0.41) were not saved: "
                                                          "cannot create the backup folder")),
                 qPrintable(t->warnings[0]));
        QVERIFY(t->sheet.isVisible());
        QTest::qWait(200);
        QVERIFY(bench.written(kLong).empty());
        t->sheet.hide();
    }

    void keyModesSwapTheSettingsShown()
    {
        auto s = open(kLong);
        ui::clickPage(s->sheet, SettingsSheet::Control2);
        auto* key = static_cast<app::KeyParaPage*>(s->sheet.page(SettingsSheet::Control2));
        const std::pair<int, std::pair<bool, bool>> modes[] = {{1, {false, true}}, {2, {false, false}}, {0, {true, false}}};
        for (const auto& [mode, visible] : modes) {
            QTest::mouseClick(key->radio("key2.mode", mode), Qt::LeftButton, {}, QPoint(4, 4));
            QCOMPARE(key->callSettings()->isVisible(), visible.first);
            QCOMPARE(key->transmissionSettings()->isVisible(), visible.second);
        }
        // Forwarding off disables its type and target; broadcast disables the output target.
        perform(&s->sheet, key, QStringLiteral("key2.forwarding=Disable"));
        QVERIFY(!key->radio("key2.forwardingType", 0)->isEnabled());
        QVERIFY(!key->control("key2.forwardingTarget")->isEnabled());
        perform(&s->sheet, key, QStringLiteral("key2.forwarding=Enable"));
        QVERIFY(key->control("key2.forwardingTarget")->isEnabled());
        s->sheet.hide();
    }

    void intercomStatusOnlyForItsModel_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("offered");
        QTest::newRow("KP-4410") << QByteArray(kLong) << true;
        QTest::newRow("KC-2010") << QByteArray(kOther) << false;
    }

    void intercomStatusOnlyForItsModel()
    {
        QFETCH(QByteArray, device);
        QFETCH(bool, offered);
        const char* addr = device.constData();
        CliRun run;
        const auto written = auctlWrite(addr, {QStringLiteral("key3.mode=Intercom Status")}, &run);
        if (offered) {
            QCOMPARE(run.code, 0);
            QCOMPARE(int(written.at(sysParaOffset("key3.mode", true))), 3);
        } else {
            QVERIFY(run.code != 0);
            QVERIFY(written.empty());
            QVERIFY2(run.said("key3.mode cannot be \"Intercom Status\": only KP-4410 devices have that mode"),
                     run.err.c_str());
        }
        auto s = open(addr);
        ui::clickPage(s->sheet, SettingsSheet::Control3);
        QCOMPARE(s->sheet.page(SettingsSheet::Control3)->radio("key3.mode", 3)->isVisible(), offered);
        s->sheet.hide();
    }

    // Every input is named by the label a person sees, reachable from the
    // keyboard, and every page fits the sheet; the pages are photographed.
    void everyPageFitsAndNamesItsInputs_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::newRow("436") << QByteArray(kLong);
        QTest::newRow("392") << QByteArray(kShort);
    }

    void everyPageFitsAndNamesItsInputs()
    {
        QFETCH(QByteArray, device);
        auto s = open(device.constData());
        for (int page = SettingsSheet::BasicSettings; page < SettingsSheet::PageCount; ++page) {
            ui::clickPage(s->sheet, page);
            QWidget* p = s->sheet.page(page);
            QVERIFY2(p->minimumSizeHint().height() <= p->height() && p->minimumSizeHint().width() <= p->width(),
                     qPrintable(p->objectName()));
            for (QWidget* w : p->findChildren<QWidget*>()) {
                const bool input = qobject_cast<QSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                                   qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w);
                if (!input || !w->isVisibleTo(p) || qobject_cast<QLineEdit*>(w->parentWidget()) ||
                    qobject_cast<QSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
                    continue;
                const QString name = qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                       : w->accessibleName();
                QVERIFY2(!name.isEmpty(), qPrintable(p->objectName() + QLatin1Char('/') + w->objectName()));
                // An address control is one stop for Tab: its first field.
                auto* address = qobject_cast<IpAddressEdit*>(w->parentWidget());
                QVERIFY2((w->focusPolicy() & Qt::TabFocus) || (address && address->field(0) != w),
                         qPrintable(w->objectName()));
                if (!qobject_cast<QAbstractButton*>(w)) {
                    // The name is the text of a label shown beside it.
                    bool labelled = false;
                    for (auto* l : p->findChildren<QLabel*>())
                        labelled = labelled || l->text().startsWith(name);
                    QVERIFY2(labelled, qPrintable(name));
                }
            }
            const QString shot = QStringLiteral("settings-%1-%2.png").arg(p->objectName(), QTest::currentDataTag());
            ui::saveScreenshot(s->sheet, qPrintable(shot));
        }
        s->sheet.hide();
    }
};

QTEST_MAIN(ParaPagesTest)
#include "ParaPagesTest.moc"
