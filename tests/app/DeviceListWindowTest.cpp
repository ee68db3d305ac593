// The device list in the real main window, driven by keys and mouse against
// a simulated site: the saved list reaching its file, the properties pane
// following the current row, the filter, Delete and its undo, Enter and the
// context menu, the status bar, the remembered layout and what a screen
// reader gets.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QDockWidget>
#include <QStatusBar>

#include <filesystem>

#include "GuiSupport.h"
#include "devices/AddDeviceDialog.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceRules.h"
#include "params/EditMacDialog.h"
#include "params/ReviewDialog.h"
#include "params/SettingsSheet.h"
#include "mainwindow/AppFlags.h"
#include "shell/Log.h"
#include "mainwindow/PropertiesPane.h"
#include "common/UserSettings.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;

namespace {

// The saved devices in the file, as "NO name address" lines.
QStringList savedInFile(const std::filesystem::path& file)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(file, bytes))
        return {QStringLiteral("<no file>")};
    const auto content = decodeDeviceListFile(bytes);
    QStringList out;
    for (const auto& r : content.records)
        out << QStringLiteral("%1 %2 %3")
                   .arg(r.info.devNo())
                   .arg(QString::fromStdString(std::string(r.info.devName())))
                   .arg(QString::fromStdString(formatIp(r.info.ip())));
    out.sort();
    return out;
}

// A site of three devices, each with its own gateway so the pane tells them
// apart, and the program on it.
struct Session : ui::AppSite {
    DeviceTableModel* model() const { return view()->deviceModel(); }

    static sim::DeviceConfig device(const char* addr, int no, const char* name, const char* gateway)
    {
        auto d = aulira::test::simDevice(addr, no, static_cast<std::uint32_t>(no), name);
        d.gateway = ip(gateway);
        return d;
    }
    bool open(std::vector<sim::DeviceConfig> devices = {})
    {
        if (devices.empty())
            devices = {device("127.0.0.5", 5, "Lobby", "127.0.0.105"), device("127.0.0.12", 12, "Hall", "127.0.0.112"),
                       device("127.0.0.7", 7, "Desk", "127.0.0.107")};
        return start(devices);
    }
    // A search by F5, until it found `rows`.
    bool search(int rows = 3)
    {
        QSignalSpy finished(view(), &DeviceView::searchFinished);
        QTest::keyClick(window.get(), Qt::Key_F5);
        return QTest::qWaitFor([&] { return finished.count() == 1 && model()->rowCount() == rows; }, 15000) &&
               activate();
    }
    bool ready(std::vector<sim::DeviceConfig> devices = {}) { return open(std::move(devices)) && show() && search(); }

    std::filesystem::path file() { return context.manager().deviceListPath(); }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) { ui::clickRow(view(), row, button); }
    void clickHeader(int section) { ui::clickSection(view()->horizontalHeader(), section); }
    // The texts of the column's rows on screen, in their order.
    QStringList shown(int column) const
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            if (!view()->isRowHidden(r))
                out << model()->index(r, column).data().toString();
        return out;
    }

    QString paneGateway() const { return window->propertiesPane()->value(QStringLiteral("Gateway")); }
    bool paneEmpty() const { return window->propertiesPane()->tree()->topLevelItemCount() == 0; }
    QString statusText() const { return window->findChild<QLabel*>(QStringLiteral("readyLabel"))->text(); }
    QString countsText() const { return window->findChild<QLabel*>(QStringLiteral("deviceCountLabel"))->text(); }

    // Opens the add dialog with Ctrl+N and types one device into it,
    // keystroke by keystroke, each address part into its field; `extra`
    // runs once OK was clicked.
    void addByHand(const char* no, const char* name, QStringList address, std::function<void(QDialog*)> extra = {},
                   std::function<void(QDialog*)> beforeOk = {})
    {
        bool typed = false;
        ui::whenModal([&](QWidget* w) {
            auto* d = qobject_cast<AddDeviceDialog*>(w);
            QVERIFY(d);
            auto* noEdit = d->findChild<QLineEdit*>("deviceNoEdit");
            auto* nameEdit = d->findChild<QLineEdit*>("deviceNameEdit");
            QTest::mouseClick(noEdit, Qt::LeftButton);
            QTest::keyClicks(noEdit, no);
            QTest::mouseClick(nameEdit, Qt::LeftButton);
            QTest::keyClicks(nameEdit, name);
            const auto parts = d->findChild<IpAddressEdit*>("ipAddressEdit")->findChildren<QLineEdit*>();
            for (int i = 0; i < std::min<qsizetype>(parts.size(), 4); ++i) { // a missing field shows in the saved address
                QTest::mouseClick(parts[i], Qt::LeftButton);
                QTest::keyClicks(parts[i], address[i]);
            }
            if (beforeOk)
                beforeOk(d);
            QTest::mouseClick(d->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            if (extra)
                extra(d);
            typed = true;
            QTest::keyClick(d, Qt::Key_Escape); // add mode stays open for the next device
        });
        view()->clearSelection();
        view()->setFocus();
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(typed);
        QVERIFY(activate());
    }
};

} // namespace

class DeviceListWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The user's settings (and an earlier version's store) go to a scratch place.
        for (auto format : {QSettings::IniFormat, QSettings::NativeFormat})
            QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(settingsDir.path().string()));
        useUserSettingsByDefault();
    }

    void init() { QSettings().clear(); }

    void everyChangeToTheSavedListReachesTheFile()
    {
        Session s;
        QVERIFY(s.ready());
        const QStringList found{"12 Hall 127.0.0.12", "5 Lobby 127.0.0.5", "7 Desk 127.0.0.7"};

        // Add typed into the dialog: on disk before the dialog closes.
        s.addByHand("40", "Annex", {"127", "100", "100", "200"}, [&](QDialog*) {
            QTRY_VERIFY(savedInFile(s.file()).contains(QStringLiteral("40 Annex 127.100.100.200")));
        });
        QCOMPARE(savedInFile(s.file()), QStringList{"40 Annex 127.100.100.200"});

        // Add with the found devices selected (Ctrl+A in the list, Ctrl+N).
        s.view()->setFocus();
        QTest::keyClick(s.view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(s.window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(savedInFile(s.file()), (QStringList{found[0], "40 Annex 127.100.100.200", found[1], found[2]}));

        // Delete with the list focused: Hall leaves the file at once, Ctrl+Z brings it back.
        s.clickRow(s.rowOf("127.0.0.12"));
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QTRY_COMPARE(savedInFile(s.file()), (QStringList{"40 Annex 127.100.100.200", found[1], found[2]}));
        QVERIFY(s.statusText().contains(QStringLiteral("Ctrl+Z")));
        QTest::keyClick(s.view(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(savedInFile(s.file()).size(), 4);

        // A parameter write that gave a saved device a new number reaches
        // the file as the worker reports it (the worker's own step here).
        {
            const DeviceItemPtr lobby = s.model()->itemAt(s.rowOf("127.0.0.5"));
            {
                std::lock_guard lock(s.context.manager().devices().mutex());
                lobby->devItem.setDevNo(55);
            }
            s.context.manager().devices().identityChanged(lobby);
        }
        QTRY_VERIFY(savedInFile(s.file()).contains(QStringLiteral("55 Lobby 127.0.0.5")));

        // The manual entry deleted and restored: it comes back whole.
        s.clickRow(s.rowOf("127.100.100.200"));
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QTRY_COMPARE(s.rowOf("127.100.100.200"), -1);
        QTRY_COMPARE(savedInFile(s.file()).size(), 3);
        QTest::keyClick(s.view(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_VERIFY(s.rowOf("127.100.100.200") >= 0);
        QTRY_COMPARE(savedInFile(s.file()).size(), 4);

        // An edit of the manual entry: double-click, type, OK.
        ui::whenModal([](QWidget* w) {
            auto* name = w->findChild<QLineEdit*>("deviceNameEdit");
            QTest::mouseClick(name, Qt::LeftButton);
            QTest::keyClick(name, Qt::Key_End);
            QTest::keyClicks(name, " East");
            QTest::mouseClick(w->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        QTest::mouseDClick(s.view()->viewport(), Qt::LeftButton, {},
                           s.view()->visualRect(s.model()->index(s.rowOf("127.100.100.200"), 4)).center());
        QTRY_COMPARE(s.model()->index(s.rowOf("127.100.100.200"), 4).data().toString(), QStringLiteral("Annex East"));

        // Each change left one line naming the device in the daily log file.
        auto mac = [](int no) { return QString::fromStdString(formatMac(sim::generatedMac(no).data())); };
        const QString annex = QStringLiteral("NO 40 Annex(127.100.100.200)");
        const QString hall = QStringLiteral("NO 12 Hall(127.0.0.12) MAC ") + mac(12);
        const QStringList lines{
            "Device added to the list by hand: " + annex + ".",
            "Device added to the list: " + hall + ".",
            "Device added to the list: NO 5 Lobby(127.0.0.5) MAC " + mac(5) + ".",
            "Device removed from the list: " + hall + ".",
            "Device back in the list (Delete undone): " + hall + ".",
            "Device removed from the list: " + annex + ".",
            "Device back in the list (Delete undone): " + annex + ".",
            "Device entry edited: NO 40 Annex East(127.100.100.200), subnet mask 255.255.255.0 (was " + annex +
                ", subnet mask 255.255.255.0).",
        };
        for (const QString& line : lines)
            QTRY_VERIFY2(s.dailyLog().contains(line), qPrintable(line));
        QCOMPARE(s.dailyLog().count(QStringLiteral("Device added to the list: ")), 3);

        // Closing the real window leaves the same list behind.
        s.window->close();
        QVERIFY(!s.window->isVisible());
        s.window.reset();
        QCOMPARE(savedInFile(s.file()).size(), 4);
        QVERIFY(!s.context.manager().devices().listModified());
    }

    // The columns sort and filter by what they show: addresses by value, the
    // device status by the status, the device type one text per model.
    void columnsSortAndFilterByWhatTheyShow()
    {
        auto device = [](const char* addr, int no, const char* model, const char* modelName, std::uint16_t work,
                         const char* server) {
            auto d = Session::device(addr, no, "Unit", "127.0.0.1");
            d.modelText = model;
            d.modelName = modelName;
            d.workState = work;
            d.serverIp = ip(server);
            return d;
        };
        Session s;
        QVERIFY(s.open({device("127.0.1.200", 1, "KS-530", "Call Station", 3, "127.0.2.5"),
                        device("127.0.2.5", 2, "KS-530D", "", 1, "127.0.1.9"),
                        device("127.0.1.9", 3, "KP-4420", "", 2, "127.0.1.200")}) &&
                s.show() && s.search());
        const struct {
            int section;
            QStringList addresses; // after a click on its title
        } sorts[] = {
            {2, {"127.0.1.9", "127.0.1.200", "127.0.2.5"}},
            {2, {"127.0.2.5", "127.0.1.200", "127.0.1.9"}}, // the second click reverses
            {7, {"127.0.2.5", "127.0.1.9", "127.0.1.200"}}, // servers .1.9, .1.200, .2.5 (not as texts)
            {8, {"127.0.2.5", "127.0.1.9", "127.0.1.200"}}, // Idle, Realtime playing, Calling
        };
        s.clickRow(s.rowOf("127.0.1.200"));
        for (const auto& c : sorts) {
            s.clickHeader(c.section);
            QCOMPARE(s.shown(2), c.addresses);
            QCOMPARE(s.view()->selectedItems().front()->ip, ip("127.0.1.200")); // the selection keeps its device
        }
        QCOMPARE(s.shown(8), (QStringList{"Idle", "Realtime playing..", "Calling.."}));
        QCOMPARE(s.shown(5), (QStringList{"Call Station", "IP Terminal", "Call Station"}));
        // Filtering by "call" finds every call station, named or not.
        QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(s.window->filterEdit(), "call");
        QCOMPARE(s.shown(2), (QStringList{"127.0.2.5", "127.0.1.200"}));
    }

    void deleteKeyActsOnlyOnTheFocusedListWithASelection()
    {
        Session s;
        QVERIFY(s.ready());
        QAction* del = s.window->action(QStringLiteral("deleteAction"));
        QVERIFY(!del->isEnabled()); // nothing selected yet
        // A search result is not removed, and the status bar says why.
        s.clickRow(s.rowOf("127.0.0.7"));
        QVERIFY(del->isEnabled());
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QVERIFY2(s.statusText().startsWith(QStringLiteral("Only devices in the saved list")), qPrintable(s.statusText()));
        QCOMPARE(s.model()->rowCount(), 3);
        s.view()->setFocus();
        QTest::keyClick(s.view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(s.window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(savedInFile(s.file()).size(), 3);
        s.clickRow(s.rowOf("127.0.0.7"));
        QVERIFY(del->isEnabled());

        // In the filter box the key edits the text; the list and the file stay.
        QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), s.window->filterEdit());
        QTest::keyClicks(s.window->filterEdit(), "e");
        QTest::keyClick(s.window->filterEdit(), Qt::Key_Home);
        QTest::keyClick(s.window->filterEdit(), Qt::Key_Delete);
        QCOMPARE(s.window->filterEdit()->text(), QString());
        QTest::qWait(50);
        QCOMPARE(savedInFile(s.file()).size(), 3);

        // Back in the list it removes Desk from the saved list.
        s.clickRow(s.rowOf("127.0.0.7"));
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QTRY_COMPARE(savedInFile(s.file()), (QStringList{"12 Hall 127.0.0.12", "5 Lobby 127.0.0.5"}));

        // A click beside the rows selects nothing: Delete is off again, the pane empty.
        QVERIFY(!s.paneEmpty());
        const QRect last = s.view()->visualRect(s.model()->index(s.model()->rowCount() - 1, 4));
        QTest::mouseClick(s.view()->viewport(), Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 40));
        QVERIFY(!del->isEnabled());
        QVERIFY(s.paneEmpty());
    }

    void failedSaveIsReportedAndKeepsTheEntries()
    {
        Session s;
        QVERIFY(s.open());
        // A directory where the file belongs: no save can replace it.
        std::filesystem::create_directories(s.file() / "in-the-way");
        QVERIFY(s.show());
        QVERIFY(s.search());

        ui::SeenBox seen;
        s.addByHand("41", "Vault", {"127", "101", "101", "201"}, {},
                    [&](QDialog* d) { ui::closeNextMessageBox(&seen, d); });
        QTRY_VERIFY(!seen.text.isEmpty());
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QCOMPARE(seen.icon, int(QMessageBox::Warning));
        QVERIFY2(seen.text.contains(QStringLiteral("could not be saved")), qPrintable(seen.text));
        QVERIFY(s.context.manager().devices().listModified());
        QTRY_VERIFY(!s.window->logPane()->lines().filter(QStringLiteral("Failed to save the device list")).isEmpty());
        QVERIFY(s.statusText().contains(QStringLiteral("could not be saved")));

        // The next search does not read the old file over the unsaved entry.
        QVERIFY(s.activate());
        QVERIFY(s.search(4));
        QVERIFY(s.rowOf("127.101.101.201") >= 0);
        QCOMPARE(s.model()->index(s.rowOf("127.101.101.201"), 4).data().toString(), QStringLiteral("Vault"));
        QVERIFY(s.context.manager().devices().listModified());

        // Closing tries again; once the way is clear the entry is written.
        std::filesystem::remove_all(s.file());
        s.window->close();
        QVERIFY(!s.window->isVisible());
        QCOMPARE(savedInFile(s.file()), QStringList{"41 Vault 127.101.101.201"});
    }

    void closingWithAnUnwritableListAsksFirst()
    {
        Session s;
        QVERIFY(s.open());
        std::filesystem::create_directories(s.file() / "in-the-way");
        QVERIFY(s.show());
        s.context.manager().devices().insertManual(
            newManualDevice(DeviceEntry{"9", "Shed", ip("127.9.9.9"), ip("255.255.255.0")}));
        ui::SeenBox report;
        ui::closeNextMessageBox(&report); // the save right after the change
        QTRY_VERIFY(!report.text.isEmpty());

        // Cancel keeps the window; Close Without Saving lets it go.
        for (const char* answer : {"&Cancel", "Close &Without Saving"}) {
            QStringList said;
            ui::answerBoxes({QLatin1String(answer)}, &said);
            s.window->close();
            QVERIFY2(said.value(0).contains(QStringLiteral("could not be saved")), qPrintable(said.join('|')));
            QCOMPARE(s.window->isVisible(), QByteArray(answer) == "&Cancel");
        }
    }

    void propertiesPaneFollowsTheCurrentRow()
    {
        Session s;
        QVERIFY(s.open() && s.show());
        const QString none = s.window->propertiesPane()->deviceTitle(); // no device yet
        QVERIFY(s.paneEmpty());
        QVERIFY(s.search());
        s.clickHeader(1); // by number: 5, 7, 12
        s.clickRow(0);
        QCOMPARE(s.paneGateway(), QStringLiteral("127.0.0.105"));
        QCOMPARE(s.window->propertiesPane()->deviceTitle(), QStringLiteral("Lobby(127.0.0.5)"));

        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* gateway;
        } steps[] = {
            {Qt::Key_Down, {}, "127.0.0.107"},
            {Qt::Key_Down, {}, "127.0.0.112"},
            {Qt::Key_Up, {}, "127.0.0.107"},
            {Qt::Key_Home, Qt::ControlModifier, "127.0.0.105"},
            {Qt::Key_End, Qt::ControlModifier, "127.0.0.112"},
        };
        for (const auto& step : steps) {
            QTest::keyClick(s.view(), step.key, step.modifiers);
            QCOMPARE(s.paneGateway(), QLatin1String(step.gateway));
        }
        // Sorting moves the row, not the pane's device.
        s.clickHeader(1);
        QCOMPARE(s.paneGateway(), QStringLiteral("127.0.0.112"));
        QCOMPARE(s.view()->currentIndex().row(), 0);

        // Filtering the current row away clears the pane.
        QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(s.window->filterEdit(), "lob");
        QVERIFY(s.paneEmpty());
        QCOMPARE(s.window->propertiesPane()->deviceTitle(), none);
        QTest::keyClick(s.window->filterEdit(), Qt::Key_Escape);

        // A deleted device leaves the pane, its neighbour does not take it over.
        s.context.manager().devices().insertManual(
            newManualDevice(DeviceEntry{"60", "Depot", ip("127.60.0.1"), ip("255.255.255.0")}));
        QTRY_VERIFY(s.rowOf("127.60.0.1") >= 0);
        s.clickRow(s.rowOf("127.60.0.1"));
        QCOMPARE(s.paneGateway(), QStringLiteral("0.0.0.0"));
        QCOMPARE(s.window->propertiesPane()->value(QStringLiteral("Subnet Mask")), QStringLiteral("255.255.255.0"));
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QTRY_COMPARE(s.rowOf("127.60.0.1"), -1);
        QVERIFY(s.paneEmpty());
        QVERIFY(!s.view()->currentIndex().isValid());

        // A new search takes every row away: the pane clears.
        s.clickRow(0);
        QVERIFY(!s.paneEmpty());
        QSignalSpy finished(s.view(), &DeviceView::searchFinished);
        QTest::keyClick(s.window.get(), Qt::Key_F5);
        QTRY_VERIFY(s.paneEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
    }

    void filterNarrowsToRowsWithTheText()
    {
        Session s;
        QVERIFY(s.ready());
        const struct {
            const char* text;
            QStringList visible; // addresses
        } cases[] = {
            {"hall", {"127.0.0.12"}},          // a name, any case
            {"127.0.0.1", {"127.0.0.12"}},     // part of an address
            {"v2.0", {"127.0.0.5", "127.0.0.12", "127.0.0.7"}}, // the firmware column
            {"nothing", {}},
            {"", {"127.0.0.5", "127.0.0.12", "127.0.0.7"}},
        };
        for (const auto& c : cases) {
            QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
            QTest::keyClick(s.window->filterEdit(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(s.window->filterEdit(), Qt::Key_Backspace);
            QTest::keyClicks(s.window->filterEdit(), c.text);
            const QStringList visible = s.shown(2);
            QCOMPARE(QSet<QString>(visible.cbegin(), visible.cend()),
                     QSet<QString>(c.visible.cbegin(), c.visible.cend()));
            if (*c.text)
                QVERIFY2(s.countsText().startsWith(QStringLiteral("Shown: %1 of 3").arg(c.visible.size())),
                         qPrintable(s.countsText()));
        }
        // Commands never reach hidden rows: Ctrl+A then Delete under a filter.
        s.view()->setFocus();
        QTest::keyClick(s.view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(s.window.get(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(savedInFile(s.file()).size(), 3);
        QTest::keyClick(s.window.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(s.window->filterEdit(), "desk");
        s.view()->setFocus();
        QTest::keyClick(s.view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(s.view(), Qt::Key_Delete);
        QTRY_COMPARE(savedInFile(s.file()), (QStringList{"12 Hall 127.0.0.12", "5 Lobby 127.0.0.5"}));
    }

    void enterAndTheMenuOpenTheDevice()
    {
        Session s;
        QVERIFY(s.ready());
        const struct {
            bool byMenu;
            const char* addr;
            int no;
        } cases[] = {{false, "127.0.0.7", 7}, {true, "127.0.0.12", 12}};
        for (const auto& c : cases) {
            QSignalSpy read(s.view(), &DeviceView::readParaDone);
            const int row = s.rowOf(c.addr);
            s.clickRow(row);
            if (c.byMenu) {
                bool chosen = false;
                ui::whenMenu([&chosen](QMenu* menu) {
                    QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("&Open"));
                    ui::clickEntry(menu, menu->actions().value(0));
                    chosen = true;
                });
                const QPoint at = s.view()->visualRect(s.model()->index(row, 4)).center();
                QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, s.view()->viewport()->mapToGlobal(at));
                QApplication::sendEvent(s.view()->viewport(), &menuEvent);
                QVERIFY(chosen);
            } else {
                QTest::keyClick(s.view(), Qt::Key_Return);
            }
            QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
            QCOMPARE(read.first().at(0).value<DeviceItemPtr>()->devItem.devNo(), c.no);
            QCOMPARE(read.first().at(1).toInt(), 0);
            s.window->settingsSheet()->hide();
        }
    }

    // Ctrl+M, shown beside the menu entry, works from the list wherever the
    // entry is offered; the change is logged with both addresses (the daily
    // file too) and its outcome shown.
    void ctrlMChangesTheMacAndSaysSo()
    {
        Session s;
        QVERIFY(s.ready());
        const int row = s.rowOf("127.0.0.12");
        s.clickRow(row);
        macEditMenuEnabled = false;
        QTest::keyClick(s.view(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!QApplication::activeModalWidget()); // not offered: nothing opens

        macEditMenuEnabled = true;
        LogRecorder log;
        ui::SeenBox seen;
        ui::whenModal([&seen](QWidget* w) {
            auto* d = qobject_cast<EditMacDialog*>(w);
            QVERIFY(d);
            const char* typed[] = {"02", "AA", "00", "0C", "0D", "07"};
            for (int i = 0; i < 6; ++i) {
                d->macField(i)->selectAll();
                QTest::keyClicks(d->macField(i), typed[i]);
            }
            ui::closeNextMessageBox(&seen);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("macOkButton")), Qt::LeftButton);
        });
        QTest::keyClick(s.view(), Qt::Key_M, Qt::ControlModifier);
        macEditMenuEnabled = false;
        const std::string oldMac = formatMac(sim::generatedMac(12).data());
        const std::uint8_t want[6] = {0x02, 0xAA, 0x00, 0x0C, 0x0D, 0x07};
        const std::string line = "MAC address of NO 12 Hall(127.0.0.12) changed from " + oldMac + " to " +
                                 formatMac(want) + ".";
        QTRY_COMPARE_WITH_TIMEOUT(seen.text, QString::fromStdString(line), 10000);
        QCOMPARE(seen.icon, int(QMessageBox::Information));
        QVERIFY(std::equal(want, want + 6, s.site.device(ip("127.0.0.12"))->info.mac()));
        QVERIFY(log.contains(line));
        QVERIFY(s.dailyLog().contains(QString::fromStdString(line)));
    }

    void statusBarSaysWhatIsGoingOn()
    {
        Session s;
        QVERIFY(s.open() && s.show());
        QCOMPARE(s.statusText(), QStringLiteral("Be Ready"));
        s.site.removeDevice(ip("127.0.0.12"));
        QSignalSpy started(s.view(), &DeviceView::searchStarted);
        QTest::keyClick(s.window.get(), Qt::Key_F5);
        QCOMPARE(started.count(), 1);
        QVERIFY(s.statusText().startsWith(QStringLiteral("Searching")));
        QSignalSpy finished(s.view(), &DeviceView::searchFinished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QVERIFY2(s.statusText().contains(QStringLiteral("2 devices online")), qPrintable(s.statusText()));
        QTRY_COMPARE(s.countsText(), QStringLiteral("Devices: 2   Online: 2   Offline: 0"));
        QVERIFY(s.activate());
        s.view()->setFocus();
        QTest::keyClick(s.view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(s.window.get(), Qt::Key_N, Qt::ControlModifier);
        s.site.removeDevice(ip("127.0.0.7"));
        QVERIFY(s.search(2)); // Desk is saved: it stays, offline
        QTRY_COMPARE(s.countsText(), QStringLiteral("Devices: 2   Online: 1   Offline: 1"));
    }

    void layoutAndSortAreRemembered()
    {
        QStringList order;
        {
            Session s;
            QVERIFY(s.ready());
            s.window->resize(900, 640);
            s.view()->horizontalHeader()->resizeSection(4, 222);
            s.clickHeader(1);
            s.clickHeader(1); // by number, descending
            s.window->propertiesDock()->hide();
            s.window->close();
        }
        // Written on closing, to the user's one file.
        const auto written = aulira::test::readAll(userFile());
        const std::string text(written.begin(), written.end());
        QVERIFY2(text.find("[mainWindow]") != std::string::npos && text.find("sortColumn=1") != std::string::npos,
                 text.c_str());
        Session s;
        QVERIFY(s.open() && s.show());
        QCOMPARE(s.window->size(), QSize(900, 640));
        QCOMPARE(s.view()->columnWidth(4), 222);
        QVERIFY(s.window->propertiesDock()->isHidden());
        auto* header = s.view()->horizontalHeader();
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QVERIFY(s.search());
        // Rows that arrive later take their place under the arrow.
        for (int r = 0; r < s.model()->rowCount(); ++r)
            order << s.model()->index(r, 1).data().toString();
        QCOMPARE(order, (QStringList{"12", "7", "5"}));
        s.context.manager().devices().insertManual(
            newManualDevice(DeviceEntry{"8", "Attic", ip("127.8.8.8"), ip("255.255.255.0")}));
        QTRY_COMPARE(s.model()->rowCount(), 4);
        QCOMPARE(s.model()->index(1, 1).data().toString(), QStringLiteral("8"));
    }

    // An earlier version kept the layout in the desktop's native store and the
    // review choice in the user's file: both come back, the old store is read
    // once and removed, the file keeps a choice the old store also had.
    void earlierVersionsSettingsAreTakenOver()
    {
        {
            Session s;
            QVERIFY(s.open() && s.show());
            s.window->resize(820, 610);
            s.window->close();
        }
        UserSettings::close();
        const auto folder = settingsDir.path() / "Aulira";
        const auto old = folder / "AUCT.conf";
        std::filesystem::rename(userFile(), old);
        std::ofstream(old, std::ios::app) << "\n[SettingsSheet]\nReviewBeforeWrite=true\n";
        std::ofstream(userFile()) << "[SettingsSheet]\nReviewBeforeWrite=false\n";

        Session s;
        QVERIFY(s.open() && s.show());
        QCOMPARE(s.window->size(), QSize(820, 610));
        QVERIFY(!ReviewDialog::reviewWanted());
        QVERIFY(!std::filesystem::exists(old));
        UserSettings::close(); // the file as the next run reads it
        QSettings file(QString::fromStdString(userFile().string()), QSettings::IniFormat);
        QVERIFY(file.contains(QStringLiteral("mainWindow/geometry")));
        QCOMPARE(file.value(QStringLiteral("SettingsSheet/ReviewBeforeWrite")).toBool(), false);
    }

    void screenReadersGetLabelsButtonsAndCells()
    {
        Session s;
        QVERIFY(s.ready());
        // Every input is named by the label beside it.
        auto inputsNamed = [](QWidget* top) {
            QStringList problems;
            for (QWidget* w : top->findChildren<QWidget*>()) {
                const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<IpAddressEdit*>(w);
                if (!input || !w->isVisibleTo(top) || qobject_cast<IpAddressEdit*>(w->parentWidget()))
                    continue;
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                if (!a || a->text(QAccessible::Name).isEmpty())
                    problems << w->objectName();
            }
            return problems;
        };
        QCOMPARE(inputsNamed(s.window.get()), QStringList());
        QCOMPARE(QAccessible::queryAccessibleInterface(s.window->filterEdit())->text(QAccessible::Name),
                 QStringLiteral("Filter"));
        QStringList dialogProblems;
        QString noName;
        ui::whenModal([&](QWidget* w) {
            dialogProblems = inputsNamed(w);
            noName = QAccessible::queryAccessibleInterface(w->findChild<QLineEdit*>("deviceNoEdit"))
                         ->text(QAccessible::Name);
            w->close();
        });
        s.view()->clearSelection();
        QTest::keyClick(s.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dialogProblems, QStringList());
        QVERIFY2(noName.startsWith(QStringLiteral("Device NO")), qPrintable(noName)); // the label, with or without its colon

        // Every button shows its text.
        for (auto* b : s.window->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(s.window.get()))
                QVERIFY2(!b->text().isEmpty() || !b->toolTip().isEmpty() || !b->accessibleName().isEmpty(),
                         qPrintable(b->objectName()));

        // The table gives its cells, with the texts on the screen.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(s.view());
        QVERIFY(table && table->tableInterface());
        QCOMPARE(table->tableInterface()->rowCount(), 3);
        QCOMPARE(table->tableInterface()->columnCount(), kDeviceColumnCount);
        const int r = s.rowOf("127.0.0.5");
        QAccessibleInterface* name = table->tableInterface()->cellAt(r, 4);
        QVERIFY(name);
        QCOMPARE(name->text(QAccessible::Name), QStringLiteral("Lobby"));
        QCOMPARE(table->tableInterface()->columnDescription(2), QStringLiteral("IP Address"));
    }

    void stateIconsDifferInShapeAndStayWhenSelected()
    {
        QList<QImage> seen;
        for (int state = 0; state < 5; ++state) {
            const QIcon icon = DeviceTableModel::stateIcon(state);
            for (int size : {16, 48}) {
                const QImage normal = icon.pixmap(size, QIcon::Normal).toImage();
                QCOMPARE(normal.width(), size); // drawn at the size asked for
                QCOMPARE(icon.pixmap(size, QIcon::Selected).toImage(), normal);
            }
            // Greyscale, so colour alone cannot be what tells them apart.
            QImage grey = icon.pixmap(32).toImage().convertToFormat(QImage::Format_Grayscale8);
            for (const QImage& other : seen)
                QVERIFY(grey != other);
            seen << grey;
        }
        QCOMPARE(DeviceTableModel::stateLegend(3).count(QStringLiteral("<img")), 5); // a line for each
    }

private:
    aulira::test::TempDir settingsDir;
    std::filesystem::path userFile() const { return settingsDir.path() / "Aulira" / "auct.ini"; }
};

QTEST_MAIN(DeviceListWindowTest)
#include "DeviceListWindowTest.moc"
