// The Group command and the group settings as a person uses them, against a
// simulated site: the ribbon button, typing into the add-group dialog, ticks
// in the device grid and Download Group; checked against what the simulated
// devices hold and what the group file holds afterwards.
#include <filesystem>

#include <QKeyEvent>
#include <QProgressBar>
#include <QTreeWidgetItemIterator>

#include "GuiSupport.h"
#include "grouping/AddGroupDialog.h"
#include "grouping/GroupFile.h"
#include "grouping/GroupSetupDialog.h"
#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "mainwindow/PropertiesPane.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;

namespace {

// Runs `body` inside the next modal window's own event loop; whatever the
// body leaves open is ended there, so a failed check cannot hang the test.
void insideNextModal(std::function<void(QWidget*)> body, QWidget* notThis = nullptr)
{
    ui::whenModal(
        [body](QWidget* w) {
            body(w);
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
                d->done(QDialog::Rejected);
        },
        notThis);
}

GroupItem_Type group(int no, const char* name)
{
    GroupCheck c;
    c.number = no;
    c.ansiName = name;
    return newGroup(c);
}

QStringList column(const QTreeWidget* list, int col)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(col);
    return out;
}

void clickGroupRow(QTreeWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
    QApplication::processEvents(); // the click decides the current group once it is over
}

// The group bytes a simulated device holds in its record now.
std::vector<int> groupBytes(const sim::SimSite& site, const char* addr)
{
    const auto d = site.device(ip(addr));
    if (!d)
        return {};
    const auto& layout = sysParaLayout(d->layout == 436);
    std::vector<int> out;
    for (std::size_t k = 0; k < 8; ++k)
        out.push_back(d->sysPara.at(layout.groupNos + k));
    return out;
}

int gridRow(const CheckGrid* grid, const char* addr)
{
    return ui::gridRow(grid, GroupSetupDialog::ColIp, QLatin1String(addr));
}

void tick(CheckGrid* grid, const char* addr)
{
    ui::tick(grid, GroupSetupDialog::ColIp, QLatin1String(addr), GroupSetupDialog::ColCheck);
}

// Adds a group through New Group: the dialog first refuses each bad entry
// with its message, then takes number and name.
struct Refusal {
    const char* no;
    const char* name;
    const char* message;
};

void addGroup(GroupSetupDialog* dlg, const char* no, const char* name, const std::vector<Refusal>& refusals = {})
{
    bool done = false;
    insideNextModal(
        [&](QWidget* w) {
            auto* add = qobject_cast<AddGroupDialog*>(w);
            QVERIFY(add);
            auto* ok = add->findChild<QPushButton*>(QStringLiteral("okButton"));
            for (const Refusal& r : refusals) {
                ui::clearAndType(add, add->numberEdit(), QString::fromUtf8(r.no));
                ui::clearAndType(add, add->nameEdit(), QString::fromUtf8(r.name));
                const auto seen = ui::pressFor(ok, add);
                QCOMPARE(seen.text, QString::fromUtf8(r.message).trimmed()); // no blank lines at the end
                QCOMPARE(seen.title, QStringLiteral("Aulira"));
                QVERIFY(add->isVisible());
            }
            ui::clearAndType(add, add->numberEdit(), QString::fromUtf8(no));
            ui::clearAndType(add, add->nameEdit(), QString::fromUtf8(name));
            ui::saveScreenshot(*add, "add-group-dialog.png");
            QTest::mouseClick(ok, Qt::LeftButton);
            done = !add->isVisible();
        },
        dlg);
    QTest::mouseClick(dlg->newGroupButton(), Qt::LeftButton);
    QVERIFY(done);
}

struct Site : ui::AppSite {
    bool open(const std::vector<sim::DeviceConfig>& devices, const GroupList& groups = {})
    {
        return (groups.empty() || SaveGroupInfoFile(groupFilePath(dir.path()), groups)) && AppSite::open(devices);
    }
    QToolButton* groupButton() const { return window->findChild<QToolButton*>(QStringLiteral("groupActionButton")); }
    // The group settings opened by the ribbon's button (or the application
    // menu's entry); `body` works in them, and once it is through they are
    // closed (which writes the group file).
    bool inSettings(const std::function<void(GroupSetupDialog*)>& body, bool byMenu = false)
    {
        bool ran = false;
        insideNextModal([&](QWidget* w) {
            if (auto* dlg = qobject_cast<GroupSetupDialog*>(w)) {
                body(dlg);
                ran = !QTest::currentTestFailed();
                if (dlg->isVisible())
                    dlg->close();
            }
        });
        if (byMenu)
            window->findChild<QAction*>(QStringLiteral("groupMenuAction"))->trigger();
        else
            QTest::mouseClick(groupButton(), Qt::LeftButton);
        return ran;
    }
    // Makes the device's row current with a click, as a person does.
    void clickDevice(const char* addr) const { ui::clickRow(view(), rowOf(addr)); }
    // The group numbers the properties pane shows: the row of eight numbers.
    QString paneGroups() const
    {
        QTreeWidget* tree = window->propertiesPane()->tree();
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(1).count(QLatin1Char(',')) == 7)
                return (*it)->text(1);
        return {};
    }
};

} // namespace

class GroupDialogTest : public QObject {
    Q_OBJECT
private slots:
    // The checks before the settings open, in their order.
    void preconditionsRefuseWithTheirMessages()
    {
        Site s;
        QVERIFY(s.open({simDevice("127.0.0.41", 5, 41, ""), simDevice("127.0.0.42", 6, 42, "Hall"),
                        simDevice("127.0.0.43", 6, 43, "Gate")}));
        struct Case {
            QMessageBox::StandardButton answer; // to the unnamed-device question
            const char* warning;                // the box after it, empty for none
        };
        const Case cases[] = {
            {QMessageBox::Cancel, ""},
            {QMessageBox::Ok, "Device NO is duplicate!\n\n"},
        };
        for (const Case& c : cases) {
            QString question;
            ui::SeenBox warning;
            bool settingsOpened = false;
            ui::whenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box) {
                    settingsOpened = true;
                    static_cast<QDialog*>(w)->done(0);
                    return;
                }
                question = box->text();
                if (c.answer == QMessageBox::Ok)
                    ui::closeNextMessageBox(&warning, box);
                QTest::mouseClick(box->button(c.answer), Qt::LeftButton);
            });
            QTest::mouseClick(s.groupButton(), Qt::LeftButton);
            QCOMPARE(question, QStringLiteral("NO:5,IP:127.0.0.41No name set. Are you sure to skip checking?"));
            QTRY_COMPARE(warning.text, QString::fromUtf8(c.warning).trimmed());
            if (*c.warning)
                QCOMPARE(warning.title, QStringLiteral("Aulira"));
            QVERIFY(!settingsOpened);
        }

        // While a search runs the command waits, and says so.
        s.window->action(QStringLiteral("searchAction"))->trigger();
        QVERIFY(s.context.manager().searching());
        QTest::mouseClick(s.groupButton(), Qt::LeftButton);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(s.window->findChild<QLabel*>(QStringLiteral("readyLabel"))->text(),
                 QStringLiteral("Grouping waits until the device search has finished."));
        s.context.manager().waitSearchDone();
    }

    // Groups from the file: sorted by their titles, edited by a double-click,
    // deleted; ticks change only the current group; closing writes the file.
    void groupsAreSortedEditedDeletedAndSaved()
    {
        Site s;
        GroupList start{group(20, "Bravo"), group(5, "Alpha"), group(12, "Charlie")};
        start[0].members.push_back({31, {}, ip("127.0.0.31")});
        QVERIFY(s.open({simDevice("127.0.0.31", 31, 31, "Lobby"), simDevice("127.0.0.32", 32, 32, "Hall")}, start));
        QVERIFY(s.inSettings([&](GroupSetupDialog* dlg) {
            QTreeWidget* list = dlg->groupList();
            CheckGrid* grid = dlg->deviceGrid();
            // The first group is current on opening: its member is ticked.
            QCOMPARE(column(list, GroupSetupDialog::ColGroupNo), QStringList({"20", "5", "12"}));
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 1);
            QVERIFY(!dlg->deleteGroupButton()->isEnabled());

            const struct {
                int column;
                QStringList numbers;
            } sorts[] = {
                {GroupSetupDialog::ColGroupNo, {"20", "12", "5"}},
                {GroupSetupDialog::ColGroupNo, {"5", "12", "20"}},
                {GroupSetupDialog::ColGroupName, {"12", "20", "5"}},
                {GroupSetupDialog::ColSn, {"12", "20", "5"}},
            };
            for (const auto& sort : sorts) {
                ui::clickSection(list->header(), sort.column);
                QCOMPARE(column(list, GroupSetupDialog::ColGroupNo), sort.numbers);
                QCOMPARE(column(list, GroupSetupDialog::ColSn), QStringList({"1", "2", "3"}));
            }

            // Double-click "Alpha" (row 2 now) and rename it; the number must stay unique.
            bool edited = false;
            insideNextModal(
                [&](QWidget* e) {
                    auto* edit = qobject_cast<AddGroupDialog*>(e);
                    QVERIFY(edit);
                    QCOMPARE(edit->windowTitle(), QStringLiteral("Edit Group"));
                    QCOMPARE(edit->numberEdit()->text(), QStringLiteral("5"));
                    QCOMPARE(edit->nameEdit()->text(), QStringLiteral("Alpha"));
                    auto* ok = edit->findChild<QPushButton*>(QStringLiteral("okButton"));
                    ui::clearAndType(edit, edit->numberEdit(), QStringLiteral("12"));
                    QCOMPARE(ui::pressFor(ok, edit).text, QStringLiteral("Group NO already exists, please re-enter!"));
                    ui::clearAndType(edit, edit->numberEdit(), QStringLiteral("6"));
                    ui::clearAndType(edit, edit->nameEdit(), QStringLiteral("Atrium"));
                    QTest::mouseClick(ok, Qt::LeftButton);
                    edited = !edit->isVisible();
                },
                dlg);
            clickGroupRow(list, 2);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(2)).center());
            QVERIFY(edited);
            QCOMPARE(list->topLevelItem(2)->text(GroupSetupDialog::ColGroupNo), QStringLiteral("6"));
            QCOMPARE(list->topLevelItem(2)->text(GroupSetupDialog::ColGroupName), QStringLiteral("Atrium"));

            // Space on a row takes it as a click does; the arrow keys alone do not.
            list->setFocus();
            list->setCurrentItem(list->topLevelItem(0));
            QTest::keyClick(list, Qt::Key_Down); // to Bravo; Atrium, clicked last, stays current
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 0);
            QTest::keyClick(list, Qt::Key_Space);
            QCOMPARE(dlg->findChild<QLineEdit*>(QStringLiteral("groupNameBox"))->text(), QStringLiteral("Bravo"));
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 1);

            // Clicking "Charlie" makes it current; a tick makes Hall its member.
            clickGroupRow(list, 0);
            QVERIFY(dlg->deleteGroupButton()->isEnabled());
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 0);
            tick(grid, "127.0.0.32");
            // Delete it: no group is current, and a tick changes nothing.
            QTest::mouseClick(dlg->deleteGroupButton(), Qt::LeftButton);
            QCOMPARE(column(list, GroupSetupDialog::ColGroupNo), QStringList({"20", "6"}));
            QCOMPARE(column(list, GroupSetupDialog::ColSn), QStringList({"1", "2"}));
            QCOMPARE(dlg->findChild<QLineEdit*>(QStringLiteral("groupNameBox"))->text(),
                     QStringLiteral("No group selected"));
            tick(grid, "127.0.0.31");
            // A click on empty space selects no group.
            clickGroupRow(list, 0);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
            QApplication::processEvents();
            QVERIFY(list->selectedItems().isEmpty());
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 0);
        }));
        const GroupList saved = LoadGroupInfoFile(groupFilePath(s.dir.path()));
        QCOMPARE(saved.size(), std::size_t(2));
        QCOMPARE(saved[0].number(), 20);
        QCOMPARE(saved[0].members.size(), std::size_t(1)); // untouched by the tick after the delete
        QCOMPARE(saved[1].number(), 6);
        QCOMPARE(saved[1].header.nameBytes(), std::string("Atrium"));
    }

    // A group file that cannot be written (the settings opened from the
    // application menu): the person decides, nothing is lost silently.
    void aGroupFileThatCannotBeWrittenIsSaidAndDecided()
    {
        Site s;
        std::filesystem::create_directory(s.dir.path() / "group"); // a rename cannot replace it
        QVERIFY(s.open({simDevice("127.0.0.31", 31, 31, "Lobby")}));
        QVERIFY(s.inSettings([&](GroupSetupDialog* dlg) {
            addGroup(dlg, "3", "Porch");
            if (QTest::currentTestFailed())
                return;
            // Retry fails again and asks again; that box is answered with Cancel.
            const struct {
                QStringList clicks;
                bool staysOpen;
            } answers[] = {{{"&Cancel"}, true}, {{"&Retry", "&Cancel"}, true}, {{"Close &Without Saving"}, false}};
            for (const auto& a : answers) {
                QStringList said, buttons;
                ui::answerBoxes(a.clicks, &said, &buttons);
                dlg->close();
                QCOMPARE(said.size(), a.clicks.size());
                for (const QString& text : said)
                    QVERIFY2(text.startsWith(QStringLiteral(
                                 "The group file could not be saved; the groups stay as they were on disk!\n\n")),
                             qPrintable(text));
                buttons.sort();
                QCOMPARE(buttons, QStringList({"&Cancel", "&Retry", "Close &Without Saving"}));
                QCOMPARE(dlg->isVisible(), a.staysOpen);
            }
        }, true));
        QVERIFY(std::filesystem::is_directory(s.dir.path() / "group"));
        bool logged = false;
        for (const QString& line : s.window->logPane()->lines())
            logged = logged || line.startsWith(QStringLiteral("The group file could not be saved"));
        QVERIFY(logged);
    }

    void groupsAreTickedDownloadedAndSaved()
    {
        Site s;
        auto gate = simDevice("127.0.0.33", 33, 33, "Gate");
        gate.groups = {5, 6}; // set elsewhere: the download takes them away
        QVERIFY(s.open({simDevice("127.0.0.31", 31, 31, "Lobby"), simDevice("127.0.0.32", 32, 32, "Hall"), gate}));
        s.clickDevice("127.0.0.31");
        QTRY_COMPARE(s.paneGroups(), QStringLiteral("0,0,0,0,0,0,0,0"));
        QSignalSpy progress(s.window->deviceView(), &DeviceView::groupProgress);
        QVERIFY(s.inSettings([&](GroupSetupDialog* dlg) {
            CheckGrid* grid = dlg->deviceGrid();
            QCOMPARE(grid->rowCount(), 3);

            // Nothing to download yet.
            QCOMPARE(ui::pressFor(dlg->downloadButton(), dlg).text, QStringLiteral("No device grouping!"));

            addGroup(dlg, "7", "Zone A",
                     {{"0", "Zone A", "Group NO setting error!\n\n"},
                      {"256", "Zone A", "Group NO setting error!\n\n"},
                      {"7", "", "Group name cannot be empty!\n\n"},
                      {"7", "Sixteen byte nam", "The group name is too long and cannot exceed 15 bytes!\n\n"}});
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(dlg->groupList()->topLevelItemCount(), 1);
            tick(grid, "127.0.0.31");
            tick(grid, "127.0.0.32");
            addGroup(dlg, "9", "Zone B", {{"7", "Zone B", "Group NO already exists, please re-enter!\n\n"}});
            if (QTest::currentTestFailed())
                return;
            // The new group is current and starts with no ticks.
            QCOMPARE(grid->cellCheck(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColCheck), 0);
            tick(grid, "127.0.0.32");
            ui::saveScreenshot(*dlg, "group-dialog-ticked.png");

            // The question names how many are written and who loses numbers;
            // No sends nothing.
            QStringList said, buttons;
            ui::answerBoxes({QStringLiteral("&No")}, &said, &buttons, dlg);
            QTest::mouseClick(dlg->downloadButton(), Qt::LeftButton);
            QCOMPARE(said.size(), 1);
            QVERIFY2(said[0].startsWith(QStringLiteral("The group numbers of 3 online devices will be written.")),
                     qPrintable(said[0]));
            QVERIFY2(said[0].contains(QStringLiteral("1 device loses group numbers it has now:\n"
                                                     "Gate(127.0.0.33) loses 5, 6 (has 5, 6)")),
                     qPrintable(said[0]));
            QCOMPARE(buttons, QStringList({QStringLiteral("&Yes"), QStringLiteral("&No")}));
            QVERIFY(dlg->downloadButton()->isEnabled());
            for (const char* addr : {"127.0.0.31", "127.0.0.32", "127.0.0.33"})
                for (const auto& e : s.site.traffic(ip(addr)))
                    QVERIFY(e.command != CMD_READ_SYS_PARA && e.command != CMD_WRITE_SYS_PARA);

            ui::answerBoxes({QStringLiteral("&Yes")}, &said, &buttons, dlg);
            QTest::mouseClick(dlg->downloadButton(), Qt::LeftButton);
            QCOMPARE(said.size(), 2);
            for (QWidget* c : std::initializer_list<QWidget*>{dlg->groupList(), grid, dlg->newGroupButton(),
                                                                dlg->deleteGroupButton(), dlg->downloadButton()})
                QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
            // Escape, like closing, is refused while the download runs.
            const auto refused = ui::boxAfter([dlg] { QTest::keyClick(dlg, Qt::Key_Escape); }, dlg);
            QCOMPARE(refused.text, QStringLiteral("Downloading group information, cannot close!"));
            QVERIFY(dlg->isVisible());

            QTRY_COMPARE_WITH_TIMEOUT(dlg->progressText()->text(), QStringLiteral("100%"), 20000);
            QCOMPARE(dlg->progressBar()->value(), 100);
            QTRY_COMPARE_WITH_TIMEOUT(grid->cellText(gridRow(grid, "127.0.0.33"), GroupSetupDialog::ColResult),
                                      QStringLiteral("set grouping completed."), 20000);
            ui::saveScreenshot(*dlg, "group-dialog-downloading.png");
            QTRY_VERIFY_WITH_TIMEOUT(dlg->downloadButton()->isEnabled(), 10000);
            ui::saveScreenshot(*dlg, "group-dialog.png");
            QVERIFY(dlg->groupList()->isEnabled() && grid->isEnabled() && dlg->newGroupButton()->isEnabled());
            QCOMPARE(dlg->resultText()->text(), QStringLiteral("Group numbers set on 3 of 3 online devices."));
            // The properties pane shows the numbers the device confirmed, at once.
            QTRY_COMPARE(s.paneGroups(), QStringLiteral("7,0,0,0,0,0,0,0"));

            // A device that stops answering writes: its row and the log say so.
            sim::Faults mute;
            mute.silentCommands = {CMD_WRITE_SYS_PARA};
            s.site.setFaults(ip("127.0.0.33"), mute);
            ui::answerBoxes({QStringLiteral("&Yes")}, &said, &buttons, dlg);
            QTest::mouseClick(dlg->downloadButton(), Qt::LeftButton);
            QVERIFY2(said.back().contains(QStringLiteral("No device loses group numbers it has now.")),
                     qPrintable(said.back()));
            QTRY_VERIFY_WITH_TIMEOUT(dlg->downloadButton()->isEnabled(), 30000);
            const int gate = gridRow(grid, "127.0.0.33");
            QCOMPARE(grid->cellText(gate, GroupSetupDialog::ColResult), QStringLiteral("grouping setting failed"));
            QCOMPARE(grid->cellText(gridRow(grid, "127.0.0.31"), GroupSetupDialog::ColResult),
                     QStringLiteral("set grouping completed."));
            QVERIFY(s.logged(QString::fromUtf8("Gate(127.0.0.33) grouping setting failed\xEF\xBC\x81")));
            QVERIFY(dlg->resultText()->text().startsWith(
                QStringLiteral("Group numbers set on 2 of 3 online devices.")));
            dlg->close();
            QVERIFY(!dlg->isVisible());
        }));

        QCOMPARE(groupBytes(s.site, "127.0.0.31"), std::vector<int>({7, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(groupBytes(s.site, "127.0.0.32"), std::vector<int>({7, 9, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(groupBytes(s.site, "127.0.0.33"), std::vector<int>(8, 0));
        QVERIFY(s.logged(QStringLiteral("Hall(127.0.0.32) set grouping completed.")));
        // Per device: 50 for the read, 50 for the write, over three devices;
        // the view shows the latest of the steps that came while it was busy.
        QList<int> shown;
        for (int i = 0; i < progress.count() && (shown.isEmpty() || shown.back() != 100); ++i)
            shown << progress.at(i).at(0).toInt();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.back(), 100);
        for (int i = 0; i < shown.size(); ++i) {
            QVERIFY2(QList<int>({16, 33, 50, 66, 83, 100}).contains(shown[i]), qPrintable(QString::number(shown[i])));
            QVERIFY(i == 0 || shown[i] > shown[i - 1]);
        }

        // Closing after changes wrote the group file.
        const GroupList saved = LoadGroupInfoFile(groupFilePath(s.dir.path()));
        QCOMPARE(saved.size(), std::size_t(2));
        QCOMPARE(saved[0].number(), 7);
        QCOMPARE(saved[0].header.nameBytes(), std::string("Zone A"));
        QCOMPARE(saved[0].members.size(), std::size_t(2));
        QCOMPARE(saved[1].number(), 9);
        QCOMPARE(saved[1].members.size(), std::size_t(1));
        QCOMPARE(saved[1].members[0].devIp, ip("127.0.0.32"));
    }
};

QTEST_MAIN(GroupDialogTest)
#include "GroupDialogTest.moc"
