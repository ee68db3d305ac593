#include <QAbstractSpinBox>
#include <QGroupBox>
#include <QTreeWidgetItemIterator>
#include <QWizard>

#include <QStatusBar>
#include <QDockWidget>
#include <QShortcut>
#include <QTabBar>

#include "GuiSupport.h"
#include "params/EditMacDialog.h"
#include "params/pages/BasicParaPage.h"
#include "params/SettingsSheet.h"
#include "params/SysParaSettings.h"
#include "mainwindow/RibbonBar.h"
#include "shell/Log.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;

namespace {

// Entries of a menu that share their '&' key with an earlier one.
QStringList clashes(const QList<QAction*>& actions)
{
    QStringList keys, out;
    for (QAction* a : actions) {
        const QString key = QKeySequence::mnemonic(a->text()).toString();
        if (key.isEmpty())
            continue;
        if (keys.contains(key))
            out << a->text();
        keys << key;
    }
    return out;
}

// The Alt keys live in the window now ("Alt+S searchActionButton"): key tips,
// '&' keys of buttons, tabs and labels with a buddy.
QStringList altKeys(QWidget* window)
{
    QStringList out;
    auto add = [&out](const QKeySequence& key, const QString& who) {
        if (!key.isEmpty() && (key[0].keyboardModifiers() & Qt::AltModifier))
            out << key.toString() + QLatin1Char(' ') + who;
    };
    for (auto* s : window->findChildren<QShortcut*>())
        if (auto* owner = qobject_cast<QWidget*>(s->parent()); s->isEnabled() && owner && owner->isVisible())
            add(s->key(), owner->objectName());
    for (auto* b : window->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled())
            add(b->shortcut(), b->objectName());
    for (auto* l : window->findChildren<QLabel*>())
        if (l->isVisible() && l->buddy())
            add(QKeySequence::mnemonic(l->text()), l->text());
    for (auto* bar : window->findChildren<QTabBar*>())
        if (bar->isVisible())
            for (int i = 0; i < bar->count(); ++i)
                add(QKeySequence::mnemonic(bar->tabText(i)), bar->tabText(i));
    return out;
}

// Chinese, Japanese and Korean script and the full-width forms (a colon "：").
bool hasCjk(const QString& s)
{
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) || (u >= 0xF900 && u <= 0xFAFF) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

void modelTexts(const QAbstractItemModel* m, const QModelIndex& parent, QStringList& out)
{
    for (int c = 0; c < m->columnCount(parent); ++c)
        for (int role : {Qt::DisplayRole, Qt::ToolTipRole})
            out << m->headerData(c, Qt::Horizontal, role).toString();
    for (int r = 0; r < m->rowCount(parent); ++r)
        for (int c = 0; c < m->columnCount(parent); ++c) {
            const QModelIndex i = m->index(r, c, parent);
            out << i.data(Qt::DisplayRole).toString() << i.data(Qt::ToolTipRole).toString();
            if (c == 0 && m->hasChildren(i))
                modelTexts(m, i, out);
        }
}

// Every text `root` and the widgets in it hold (shown now or on another page
// or tab): titles, labels, buttons, items, headers, tool tips; those with a
// CJK character, each with where it is.
QStringList cjkTexts(QWidget* root)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    QStringList bad;
    for (QWidget* w : widgets) {
        QStringList t{w->windowTitle(), w->toolTip(), w->statusTip(), w->accessibleName()};
        if (auto* l = qobject_cast<QLabel*>(w))
            t << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            t << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w))
            t << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            t << e->text() << e->placeholderText();
        if (auto* s = qobject_cast<QAbstractSpinBox*>(w))
            t << s->text() << s->specialValueText();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                t << c->itemText(i);
        if (auto* bar = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < bar->count(); ++i)
                t << bar->tabText(i) << bar->tabToolTip(i);
        if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model() && !qobject_cast<QHeaderView*>(w))
            modelTexts(v->model(), {}, t);
        if (auto* p = qobject_cast<QWizardPage*>(w))
            t << p->title() << p->subTitle();
        if (auto* box = qobject_cast<QMessageBox*>(w))
            t << box->text() << box->informativeText();
        for (QAction* a : w->actions())
            t << a->text() << a->toolTip();
        for (const QString& text : t)
            if (hasCjk(text))
                bad << root->objectName() + QLatin1Char('/') + w->objectName() + QStringLiteral(": ") + text;
    }
    return bad;
}

} // namespace

// The whole program on its simulated site: what a person sees after
// `auct --demo`.
class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The ribbon and the application menu as an installer meets them: their
    // layout, and the key tips that reach each category and command.
    void ribbonAndMenuAreLaidOutAndReachedByKeys()
    {
        ui::AppSite app;
        QVERIFY(app.start({}) && app.show());
        MainWindow& window = *app.window;
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
                             "He&lp | Help: &About, Contact &Support",
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
                              "Help(&L): About(&A), Contact Support(&C)"}));
        QCOMPARE(menu.last(), QStringLiteral("Exit(&X)"));
        // No two entries of a menu share their key, nor two keys live while
        // a ribbon tab is shown (the tabs', File's and the filter's included).
        for (QMenu* m : window.findChildren<QMenu*>())
            QVERIFY2(clashes(m->actions()).isEmpty(), qPrintable(m->title() + ": " + clashes(m->actions()).join(' ')));
        auto* logList = window.logPane()->findChild<QWidget*>(QStringLiteral("logList"));
        QVERIFY2(clashes(logList->actions()).isEmpty(), qPrintable(clashes(logList->actions()).join(' ')));
        for (int t = 0; t < ribbon->tabs()->count(); ++t) {
            ribbon->tabs()->setCurrentIndex(t);
            const QStringList keys = altKeys(&window);
            QVERIFY2(keys.size() >= 7, qPrintable(keys.join(' ')));
            QStringList seen, twice;
            for (const QString& k : keys)
                (seen.contains(k.section(' ', 0, 0)) ? twice : seen) << k;
            QVERIFY2(twice.isEmpty(), qPrintable(ribbon->tabs()->tabText(t) + ": " + keys.join(", ")));
        }
        ribbon->tabs()->setCurrentIndex(0);

        // A menu entry follows its command: Delete waits for a selection.
        auto* deleteEntry = window.findChild<QAction*>(QStringLiteral("deleteMenuAction"));
        QVERIFY(deleteEntry);
        QVERIFY(!deleteEntry->isEnabled());

        // Key tips: Alt with the category's letter, then the command's.
        for (const auto& [key, tab] : std::vector<std::pair<Qt::Key, int>>{
                 {Qt::Key_C, 1}, {Qt::Key_L, 2}, {Qt::Key_H, 0}, {Qt::Key_C, 1}}) {
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
            QVERIFY(app.activate());
        }
    }

    // The settings sheet as a person meets it on a site where one device does
    // not answer reads and another drops writes: real double-clicks and Save.
    void theSheetReportsEveryReadAndWrite()
    {
        ui::AppSite app;
        QVERIFY(app.open({simDevice("127.0.0.31", 31, 31, "Lobby"), simDevice("127.0.0.32", 32, 32, "Hall"),
                          simDevice("127.0.0.33", 33, 33, "Gate")}));
        MainWindow& window = *app.window;
        DeviceView* view = window.deviceView();
        DeviceTableModel* model = view->deviceModel();
        ui::saveScreenshot(window, "main-window.png");
        // Hiding the records keeps logging; showing them again shows the lines.
        window.action(QStringLiteral("outputWindowAction"))->setChecked(false);
        QVERIFY(window.logDock()->isHidden());
        OutputLog("while hidden");
        window.action(QStringLiteral("outputWindowAction"))->setChecked(true);
        QTRY_VERIFY(app.logged(QStringLiteral("while hidden")));

        sim::Faults mute;
        mute.silentCommands = {CMD_READ_SYS_PARA};
        app.site.setFaults(ip("127.0.0.32"), mute);
        sim::Faults dropWrites;
        dropWrites.silentCommands = {CMD_WRITE_SYS_PARA};
        app.site.setFaults(ip("127.0.0.33"), dropWrites);

        // A read that gets no answer: busy while it waits, then said in the log and the status bar.
        ui::doubleClickRow(view, app.rowOf("127.0.0.32"));
        QVERIFY(QApplication::overrideCursor());
        QVERIFY(window.statusBar()->currentMessage().startsWith(QStringLiteral("Reading the parameters of NO 32 Hall(127.0.0.32)")));
        const QString readFailed =
            QStringLiteral("Cannot read the parameters of NO 32 Hall(127.0.0.32): the device did not answer.");
        QTRY_VERIFY_WITH_TIMEOUT(app.logged(readFailed), 10000);
        QCOMPARE(window.statusBar()->currentMessage(), readFailed);
        QVERIFY(!QApplication::overrideCursor());
        SettingsSheet* sheet = window.settingsSheet();
        QVERIFY(!sheet->isVisible());

        // With another row selected, the sheet's "Save device to list" adds the device it edits.
        ui::clickRow(view, app.rowOf("127.0.0.32"));
        const DeviceItemPtr lobby = model->itemAt(app.rowOf("127.0.0.31"));
        const DeviceItemPtr hall = model->itemAt(app.rowOf("127.0.0.32"));
        ui::doubleClickRow(view, app.rowOf("127.0.0.31"));
        QTRY_VERIFY_WITH_TIMEOUT(sheet->isVisible(), 10000);
        QVERIFY(sheet->windowTitle().endsWith(QStringLiteral("NO 31 Lobby(127.0.0.31)")));
        view->selectRow(app.rowOf("127.0.0.32"));
        sheet->showPage(SettingsSheet::BasicSettings);
        sheet->basicPage()->deviceNameEdit()->setText(QStringLiteral("Foyer"));
        sheet->basicPage()->deviceNoEdit()->setText(QStringLiteral("41"));
        QTest::mouseClick(sheet->findChild<QCheckBox*>(QStringLiteral("saveToListCheck")), Qt::LeftButton);
        QTest::mouseClick(sheet->saveButton(), Qt::LeftButton);
        QVERIFY(sheet->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->isVisible(), 10000);
        // The row shows the new name and number as soon as the device took them.
        QTRY_COMPARE(model->index(app.rowOf("127.0.0.31"), 4).data().toString(), QStringLiteral("Foyer"));
        QCOMPARE(model->index(app.rowOf("127.0.0.31"), 1).data().toString(), QStringLiteral("41"));
        QTRY_VERIFY(app.logged(QStringLiteral("Parameters saved to NO 41 Foyer(127.0.0.31).")));
        {
            std::lock_guard lock(app.context.manager().devices().mutex());
            QCOMPARE(int(lobby->state), int(STATE_SAVED_FOUND));
            QCOMPARE(int(hall->state), int(STATE_FOUND));
        }

        // A device that drops the write: the sheet stays open with the edit, and says so.
        ui::doubleClickRow(view, app.rowOf("127.0.0.33"));
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
        QVERIFY(app.logged(QStringLiteral("set system para error!")));
        QCOMPARE(model->index(app.rowOf("127.0.0.33"), 4).data().toString(), QStringLiteral("Gate"));

        // A new search hides the sheet.
        window.action(QStringLiteral("searchAction"))->trigger();
        QVERIFY(!sheet->isVisible());
        app.context.manager().waitSearchDone();
    }

    // Every window, dialog and page of the English program, walked as a
    // person opens them: none may show a Chinese character, and no message
    // box ends in blank lines.
    void theEnglishWindowsShowNoChinese()
    {
        ui::AppSite app;
        QVERIFY(app.start({}, [](StartupOptions& o) { o.demo = true; }) && app.show() && app.searched(11));
        MainWindow& window = *app.window;
        DeviceView* view = window.deviceView();
        QStringList bad = cjkTexts(&window);
        QStringList boxes; // message box texts that end in a line feed

        // Opens a dialog from the main window, lets `inside` work in it, then
        // checks it and every box it showed, and closes it.
        auto walk = [&](const char* what, const std::function<void()>& open,
                        const std::function<void(QWidget*)>& inside = {}) {
            bool seen = false;
            ui::whenModal([&](QWidget* w) {
                seen = true;
                if (inside)
                    inside(w);
                bad << cjkTexts(w);
                w->close();
            });
            open();
            QVERIFY2(seen, what);
            QVERIFY(app.activate());
        };
        // Presses `button` in `owner`, which shows a box; checks and closes it.
        auto boxFrom = [&](QAbstractButton* button, QWidget* owner) {
            ui::whenModal(
                [&](QWidget* w) {
                    bad << cjkTexts(w);
                    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->text().endsWith(QLatin1Char('\n')))
                        boxes << box->text();
                    w->close();
                },
                owner);
            QTest::mouseClick(button, Qt::LeftButton);
        };
        auto trigger = [&](const char* action) { return [&window, action] { window.action(action)->trigger(); }; };

        // The settings sheet, page by page.
        ui::doubleClickRow(view, 0);
        SettingsSheet* sheet = window.settingsSheet();
        QTRY_VERIFY_WITH_TIMEOUT(sheet->isVisible() && sheet->pageTree()->topLevelItemCount() > 0, 5000);
        for (QTreeWidgetItemIterator it(sheet->pageTree()); *it; ++it) {
            sheet->pageTree()->setCurrentItem(*it);
            bad << cjkTexts(sheet);
        }
        QTest::keyClick(sheet, Qt::Key_Escape); // nothing edited: it closes at once
        QVERIFY(!sheet->isVisible());
        QVERIFY(app.activate());

        // The add dialog, with the box its empty OK gives.
        view->clearSelection();
        walk("add", [&] { QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier); },
             [&](QWidget* w) { boxFrom(w->findChild<QPushButton*>(QStringLiteral("okButton")), w); });
        // The book wizard page by page (with the box of an empty name); its
        // book lets the download dialog open.
        walk("wizard", trigger("bookWizardAction"), [&](QWidget* w) {
            auto* wizard = qobject_cast<QWizard*>(w);
            QVERIFY(wizard);
            boxFrom(wizard->button(QWizard::NextButton), wizard);
            QTest::keyClicks(wizard->findChild<QLineEdit*>(QStringLiteral("bookNameEdit")), "Desk");
            for (int page = 0; page < 3; ++page) {
                QTest::mouseClick(wizard->button(QWizard::NextButton), Qt::LeftButton);
                bad << cjkTexts(wizard);
            }
            auto* calls = wizard->findChild<CheckGrid*>(QStringLiteral("bookCallGrid"));
            QTest::mouseClick(calls->viewport(), Qt::LeftButton, {}, calls->cellRect(0, 0).center());
            bad << cjkTexts(wizard);
            QTest::mouseClick(wizard->button(QWizard::FinishButton), Qt::LeftButton);
        });
        walk("download", trigger("bookDownloadAction"));
        for (const char* action : {"groupAction", "upgradeAction", "screenUpgradeAction", "aboutAction"})
            walk(action, trigger(action));
        EditMacDialog mac(app.context.manager().devices(), view->deviceModel()->itemAt(0), &window);
        bad << cjkTexts(&mac);

        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QLatin1Char('\n'))));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1String("|"))));
    }

    void noAdapterSaysHowToChooseOne()
    {
        ui::AppSite app;
        Log::instance().holdUntilFirstSink();
        // Not an address of this machine: left out.
        QVERIFY(app.start({}, [](StartupOptions& o) { o.adapters = {"192.0.2.1"}; }) && app.show());
        MainWindow& window = *app.window;
        const auto seen = ui::boxAfter([&window] { window.start(); });
        QCOMPARE(seen.text, QString::fromUtf8(stringText(IDS_NO_ADAPTER_INFO)).trimmed());
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QTRY_VERIFY(!window.logPane()->lines().filter(QStringLiteral("No network adapter to search through")).isEmpty());
        const QString hint = window.logPane()->lines().filter(QStringLiteral("No network adapter")).constFirst();
        QVERIFY(hint.contains(QStringLiteral("--adapter")) && hint.contains(QStringLiteral("Adapters=")) &&
                hint.contains(QStringLiteral("--demo")));
        QVERIFY(!app.context.manager().searching());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
