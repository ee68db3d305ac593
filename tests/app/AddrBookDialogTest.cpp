// The address book commands of the desktop app on a simulated site, driven
// as a person drives them: the ribbon's buttons, typing, ticking rows, the
// wizard's Next and Finish, the dialog's buttons. What counts is what the
// stations and the address book file end up holding.
#include <QAbstractButton>
#include <QTabBar>
#include <QTableWidget>
#include <QWizard>

#include "GuiSupport.h"
#include "addrbook/AddrBookDownloadDlg.h"
#include "addrbook/AddrBookFile.h"
#include "addrbook/NewBookWizard.h"
#include "grouping/GroupFile.h"
#include "protocol/Packet.h"
#include "mainwindow/RibbonBar.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;
using aulira::test::simDevice;

namespace {

// Chooses an item of a closed drop-down list with the arrow keys.
void choose(QComboBox* combo, const QString& text)
{
    const int want = combo->findText(text);
    QVERIFY2(want >= 0, qPrintable(text));
    combo->setFocus();
    while (combo->currentIndex() < want)
        QTest::keyClick(combo, Qt::Key_Down);
    while (combo->currentIndex() > want)
        QTest::keyClick(combo, Qt::Key_Up);
}

} // namespace

class AddrBookDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        app = std::make_unique<ui::AppSite>();
        protocolConfig().timing.confirmWindowMs = 800;
        // Two call stations (one known by its model name, one by its model
        // text alone) and a terminal, which takes no address book.
        auto reception = simDevice("127.0.0.61", 61, 61, "Reception");
        reception.modelText = "KS-530A";
        reception.modelName = "Call Station";
        auto office = simDevice("127.0.0.62", 62, 62, "Office");
        office.modelText = "KS-530D";
        writeGroups({{1, "Hall"}, {2, "Garden"}});
        QVERIFY(app->open({reception, office, simDevice("127.0.0.63", 63, 63, "Warehouse with a long name")}));
    }

    void cleanup() { app.reset(); }

    // The ribbon's commands refuse what they cannot do (their place is checked with the main window).
    void commandsRefuseWithoutABookOrWithDuplicateNumbers()
    {
        auto* add = app->window->findChild<QToolButton*>(QStringLiteral("bookWizardActionButton"));
        auto* download = app->window->findChild<QToolButton*>(QStringLiteral("bookDownloadActionButton"));
        QVERIFY(add && download);

        // No book yet: the download command says so and opens nothing.
        showCallStationTab();
        const auto seen = ui::pressFor(download, app->window.get());
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QCOMPARE(seen.text, QStringLiteral("No address book has been set. Please create an address book first!"));

        // Two stations with one number: both commands stop at the duplicate check.
        QVERIFY(app->site.addDevice(simDevice("127.0.0.64", 61, 64, "Copy")));
        app->window->deviceView()->startSearch();
        QTRY_VERIFY_WITH_TIMEOUT(app->window->deviceView()->deviceModel()->rowCount() == 4, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!app->context.manager().searching(), 15000);
        QCOMPARE(ui::pressFor(add, app->window.get()).text, QStringLiteral("Device NO is duplicate!"));
        QCOMPARE(fileBooks().size(), std::size_t(0));
    }

    // Each page's refusal, then a book of groups and devices that reaches the
    // station as the image the core builds (what auctl sends), without the
    // station's own entry.
    void wizardBookIsDownloadedIntoTheStation()
    {
        QStringList refusals;
        runWizard([&](NewBookWizardSheet* w) {
            QAbstractButton* next = w->button(QWizard::NextButton);
            refusals << ui::pressFor(next, w).text; // no name
            QVERIFY(ui::clickInto(w, w->namePage()->nameEdit()));
            ui::typeKeys(w, QStringLiteral("Lobby"));
            ui::clickButton(next);
            QCOMPARE(w->currentPage(), w->groupPage());
            BookGrid* groups = w->groupPage()->groupGrid();
            QCOMPARE(ui::gridColumn(groups, 2), QStringList({"Hall", "Garden"}));
            ui::clickSection(groups->horizontalHeader(), 1); // by number, descending first
            QCOMPARE(ui::gridColumn(groups, 1), QStringList({"2", "1"}));
            ui::tick(groups, 2, QStringLiteral("Garden"));
            ui::tick(groups, 2, QStringLiteral("Hall"));
            ui::saveScreenshot(*w, "book-wizard-groups.png");
            ui::clickButton(next);
            BookGrid* cast = w->castPage()->deviceGrid();
            QCOMPARE(cast->rowCount(), 3);
            ui::tick(cast, 2, QStringLiteral("Reception"));
            ui::tick(cast, 2, QStringLiteral("Warehouse with a long name"));
            ui::saveScreenshot(*w, "book-wizard-broadcast.png");
            ui::clickButton(next);
            BookGrid* call = w->callPage()->deviceGrid();
            ui::tick(call, 4, QStringLiteral("127.0.0.62"));
            ui::saveScreenshot(*w, "book-wizard-intercom.png");
            ui::clickButton(w->button(QWizard::FinishButton));
        });
        QCOMPARE(refusals, QStringList({"The address book name cannot be empty!"}));

        AddrBookList books = fileBooks();
        QCOMPARE(books.size(), std::size_t(1));
        const AddrBook_Type& book = books[0];
        QCOMPARE(book.name, std::string("Lobby"));
        QCOMPARE(book.groups.size(), std::size_t(2));
        QCOMPARE(book.groups[0].id, 2u); // row order after the sort
        QCOMPARE(book.groups[0].nameBytes(), std::string("Garden"));
        QCOMPARE(book.broadcast.size(), std::size_t(2));
        QCOMPARE(book.broadcast[1].nameBytes(), std::string("Warehouse with ")); // 15 bytes
        QCOMPARE(book.intercom.size(), std::size_t(1));
        QCOMPARE(book.intercom[0].id, ip("127.0.0.62"));
        QTRY_VERIFY(app->logged(QStringLiteral("Add Address Book \"Lobby\" Complete.")));

        // Into Reception, which is one of the broadcast devices.
        const std::uint32_t target = ip("127.0.0.61");
        QString status;
        ui::SeenBox result;
        runDownload([&](AddrBookDownloadDlg* d) {
            QCOMPARE(d->bookCombo()->currentText(), QStringLiteral("Lobby"));
            QStringList stations;
            for (int i = 0; i < d->deviceCombo()->count(); ++i)
                stations << d->deviceCombo()->itemText(i);
            stations.sort();
            QCOMPARE(stations, QStringList({"Office#62#127.0.0.62", "Reception#61#127.0.0.61"}));
            choose(d->deviceCombo(), QStringLiteral("Reception#61#127.0.0.61"));
            // Search results, not saved.
            QCOMPARE(ui::gridColumn(d->castGrid(), 5).first(), QStringLiteral("Local Network"));
            QCOMPARE(ui::gridColumn(d->callGrid(), 5).first(), QStringLiteral("Local Network"));
            QCOMPARE(d->castGrid()->cellCheck(ui::gridRow(d->castGrid(), 2, "Reception"), 0), 1);
            QCOMPARE(d->callGrid()->cellCheck(ui::gridRow(d->callGrid(), 2, "Reception"), 0), 0);
            ui::saveScreenshot(*d, "book-download.png");
            ui::closeNextMessageBox(&result, d);
            ui::clickButton(d->downloadButton());
            // Busy: the choices, Delete, Download and the lists wait; Clear and the tabs do not.
            const bool locked = !d->bookCombo()->isEnabled() && !d->deviceCombo()->isEnabled() &&
                                !d->deleteButton()->isEnabled() && !d->downloadButton()->isEnabled() &&
                                !d->groupGrid()->isEnabled() && d->clearButton()->isEnabled() &&
                                d->tabs()->isEnabled();
            QVERIFY(locked || !d->busy());
            QTRY_VERIFY_WITH_TIMEOUT(!result.text.isEmpty(), 10000);
            QVERIFY(d->downloadButton()->isEnabled() && d->groupGrid()->isEnabled());
            status = d->statusLabel()->text();
            d->close();
        });
        QCOMPARE(result.text,
                 QStringLiteral("Address book \"Lobby\" to Reception#61#127.0.0.61: sent; stations do not confirm."));
        QCOMPARE(result.icon, int(QMessageBox::Information));
        QVERIFY2(status.contains(QStringLiteral("not confirmed")), qPrintable(status));
        QTRY_COMPARE_WITH_TIMEOUT(app->site.device(target)->addrBookUpdates, 1, 5000);
        std::vector<DeviceInfo_Type> records;
        for (auto a : app->site.deviceIps())
            records.push_back(app->site.device(a)->info);
        const auto want = BuildBookImage(book, target, records);
        QCOMPARE(app->site.device(target)->addrBook, want); // the image leaves the station itself out
        QTRY_VERIFY(app->logged(
            QStringLiteral("Reception(127.0.0.61) download address book successfully.")));
    }

    // Refusals of the name and the last page; a second book whose name differs only in case.
    void wizardPagesRefuseAndCancelKeepsTheFile()
    {
        AddrBook_Type first;
        first.name = "Lobby";
        first.groups.push_back(groupOf(1, "Hall"));
        QVERIFY(SaveAddrBookFile(addrBookPath(app->dir.path()), {first}));
        reopenWindow();

        QStringList refusals;
        runWizard([&](NewBookWizardSheet* w) {
            QAbstractButton* next = w->button(QWizard::NextButton);
            QVERIFY(ui::clickInto(w, w->namePage()->nameEdit()));
            ui::typeKeys(w, QStringLiteral("Lobby"));
            ui::saveScreenshot(*w, "book-wizard-name.png");
            refusals << ui::pressFor(next, w).text;
            QCOMPARE(w->currentPage(), w->namePage());
            QVERIFY(ui::clickInto(w, w->namePage()->nameEdit()));
            QTest::keyClick(w->namePage()->nameEdit(), Qt::Key_End);
            ui::typeKeys(w, QStringLiteral("\b\b\b\b\blobby"));
            ui::clickButton(next);
            ui::tick(w->groupPage()->groupGrid(), 2, QStringLiteral("Hall"));
            ui::clickButton(next);
            ui::clickButton(next);
            ui::clickButton(w->button(QWizard::BackButton));
            ui::clickButton(w->button(QWizard::BackButton));
            ui::tick(w->groupPage()->groupGrid(), 2, QStringLiteral("Hall")); // untick again
            ui::clickButton(next);
            ui::clickButton(next);
            refusals << ui::pressFor(w->button(QWizard::FinishButton), w).text;
            QCOMPARE(w->currentPage(), w->callPage());
            ui::clickButton(w->button(QWizard::CancelButton));
        });
        QCOMPARE(refusals, QStringList({"An address book with that name already exists!",
                                        "No group or device selected!"}));
        QCOMPARE(fileBooks(), AddrBookList({first}));

        runWizard([&](NewBookWizardSheet* w) {
            QVERIFY(ui::clickInto(w, w->namePage()->nameEdit()));
            ui::typeKeys(w, QStringLiteral("lobby"));
            ui::clickButton(w->button(QWizard::NextButton));
            ui::clickButton(w->button(QWizard::NextButton));
            ui::clickButton(w->button(QWizard::NextButton));
            // By keyboard: a click on the name makes the row current, Space ticks it.
            BookGrid* call = w->callPage()->deviceGrid();
            const int office = ui::gridRow(call, 2, QStringLiteral("Office"));
            QTest::mouseClick(call->viewport(), Qt::LeftButton, {}, call->cellRect(office, 2).center());
            QTest::keyClick(call, Qt::Key_Space);
            ui::clickButton(w->button(QWizard::FinishButton));
        });
        const AddrBookList books = fileBooks();
        QCOMPARE(books.size(), std::size_t(2));
        QCOMPARE(books[1].name, std::string("lobby"));
        QVERIFY(books[1].groups.empty() && books[1].broadcast.empty());
        QCOMPARE(books[1].intercom.size(), std::size_t(1));
    }

    // Delete (after a Cancel), Clear, the renamed group brought up to date,
    // and a station that stops answering.
    void deleteClearRefreshAndASilentStation()
    {
        AddrBook_Type a, b;
        a.name = "First";
        a.groups.push_back(groupOf(2, "Old garden"));
        b.name = "Second";
        b.intercom.push_back(deviceEntry(app->site.device(ip("127.0.0.62"))->info));
        QVERIFY(SaveAddrBookFile(addrBookPath(app->dir.path()), {a, b}));
        reopenWindow();

        const std::uint32_t office = ip("127.0.0.62");
        QStringList boxes;
        QString failure;
        runDownload([&](AddrBookDownloadDlg* d) {
            QCOMPARE(d->groupGrid()->cellCheck(ui::gridRow(d->groupGrid(), 2, "Garden"), 0), 1);
            // Cancel keeps the book; OK deletes it and the next one is shown.
            boxes << ui::pressFor(d->deleteButton(), d, QMessageBox::Cancel).text;
            QCOMPARE(d->bookCombo()->count(), 2);
            boxes << ui::pressFor(d->deleteButton(), d).text;
            QCOMPARE(d->bookCombo()->count(), 1);
            QCOMPARE(d->bookCombo()->currentText(), QStringLiteral("Second"));
            QCOMPARE(d->callGrid()->cellCheck(ui::gridRow(d->callGrid(), 2, "Office"), 0), 1);

            choose(d->deviceCombo(), QStringLiteral("Office#62#127.0.0.62"));
            ui::SeenBox cleared;
            ui::closeNextMessageBox(&cleared, d);
            ui::clickButton(d->clearButton());
            QTRY_VERIFY_WITH_TIMEOUT(!cleared.text.isEmpty(), 10000);
            boxes << cleared.text;

            // Switched off: every packet goes, nothing comes back.
            sim::Faults off;
            off.dropRate = 1.0;
            app->site.setFaults(office, off);
            ui::SeenBox silent;
            ui::clickButton(d->downloadButton());
            QVERIFY(d->busy());
            boxes << ui::pressFor(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close), d).text;
            QVERIFY(d->isVisible());
            ui::closeNextMessageBox(&silent, d);
            QTRY_VERIFY_WITH_TIMEOUT(!silent.text.isEmpty(), 10000);
            failure = silent.text;
            QVERIFY(d->statusLabel()->text() == failure);
            QVERIFY(d->downloadButton()->isEnabled());
            d->close();
        });
        QCOMPARE(boxes, QStringList({"Confirm deletion of address book\n\n\"First\"?",
                                     "Confirm deletion of address book\n\n\"First\"?",
                                     "Clearing the address book of Office#62#127.0.0.62: sent; stations do not "
                                     "confirm.",
                                     "Downloading address book, unable to close!"}));
        QCOMPARE(failure, QStringLiteral("The address book \"Second\" was sent to Office#62#127.0.0.62, but the "
                                         "station did not answer afterwards."));
        QCOMPARE(app->site.device(office)->addrBook, emptyBookImage());
        QCOMPARE(app->site.device(office)->addrBookUpdates, 1);
        QTRY_VERIFY(app->logged(QStringLiteral("Delete address book \"First\" Complete.")));
        QTRY_VERIFY(app->logged(
            QStringLiteral("Office(127.0.0.62) did not answer after the address book was sent.")));
        QCOMPARE(fileBooks(), AddrBookList({b}));

        // A renamed group is brought up to date when its book is shown, and kept.
        writeGroups({{1, "Hall"}, {2, "Rose garden"}});
        a.groups[0].setNameBytes("Garden");
        QVERIFY(SaveAddrBookFile(addrBookPath(app->dir.path()), {a}));
        reopenWindow();
        runDownload([&](AddrBookDownloadDlg* d) { d->close(); });
        QCOMPARE(fileBooks().at(0).groups.at(0).nameBytes(), std::string("Rose garden"));

        // A tick changes the book at once; the book takes the rows' order.
        reopenWindow();
        runDownload([&](AddrBookDownloadDlg* d) {
            ui::tick(d->groupGrid(), 2, QStringLiteral("Hall"));
            d->close();
        });
        const AddrBookList after = fileBooks();
        QCOMPARE(after.size(), std::size_t(1));
        QCOMPARE(after[0].groups.size(), std::size_t(2));
        QCOMPARE(after[0].groups[0].nameBytes(), std::string("Hall"));
        QCOMPARE(after[0].groups[1].nameBytes(), std::string("Rose garden"));
    }

    // A book whose image would not fit a station is refused before anything is sent.
    void oversizedBookIsRefused()
    {
        AddrBook_Type big;
        big.name = "Big";
        for (int n = 1; n <= 1638; ++n) // 20 * 1638 + 18 = 32778 bytes
            big.groups.push_back(groupOf(100 + n, "G"));
        QVERIFY(SaveAddrBookFile(addrBookPath(app->dir.path()), {big}));
        reopenWindow();
        app->site.clearTraffic();
        QString text;
        runDownload([&](AddrBookDownloadDlg* d) {
            text = ui::pressFor(d->downloadButton(), d).text;
            QVERIFY(!d->busy());
            d->close();
        });
        QCOMPARE(text, QStringLiteral("Address book size exceeds capacity!"));
        for (const auto& e : app->site.traffic())
            QVERIFY(e.command != CMD_ADDR_BOOK);
    }

private:
    void writeGroups(const std::vector<std::pair<int, std::string>>& groups)
    {
        GroupList list;
        for (const auto& [no, name] : groups) {
            GroupItem_Type g;
            g.header = groupOf(no, name);
            GroupDev_Type m;
            m.devNo = 62;
            m.devIp = ip("127.0.0.62");
            m.setNameBytes("Office");
            g.members.push_back(m);
            list.push_back(g);
        }
        QVERIFY(SaveGroupInfoFile(groupFilePath(app->dir.path()), list));
    }

    static DevItem_Type groupOf(int no, const std::string& name)
    {
        DevItem_Type h;
        h.kind = kDevItemGroup;
        h.id = static_cast<std::uint32_t>(no);
        h.setNameBytes(name);
        return h;
    }

    AddrBookList fileBooks() const
    {
        AddrBookList out;
        LoadAddrBookFile(addrBookPath(app->dir.path()), out);
        return out;
    }

    void showCallStationTab()
    {
        RibbonBar* ribbon = app->window->findChild<RibbonBar*>();
        QTabBar* bar = ribbon->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QCOMPARE(ribbon->tabs()->currentIndex(), 1);
    }

    template <typename Dialog>
    void runModal(const char* button, std::function<void(Dialog*)> drive)
    {
        showCallStationTab();
        bool opened = false;
        ui::whenModalIs<Dialog>([&](Dialog* d) {
            opened = true;
            drive(d);
            if (d->isVisible())
                d->reject();
        });
        ui::clickButton(app->window->findChild<QToolButton*>(QLatin1String(button)));
        QVERIFY(opened);
    }
    void runWizard(std::function<void(NewBookWizardSheet*)> drive)
    {
        runModal<NewBookWizardSheet>("bookWizardActionButton", std::move(drive));
    }
    void runDownload(std::function<void(AddrBookDownloadDlg*)> drive)
    {
        runModal<AddrBookDownloadDlg>("bookDownloadActionButton", std::move(drive));
    }

    // The books are read when the window is set up.
    void reopenWindow() { QVERIFY(app->show()); }

    std::unique_ptr<ui::AppSite> app;
};

QTEST_MAIN(AddrBookDialogTest)
#include "AddrBookDialogTest.moc"
