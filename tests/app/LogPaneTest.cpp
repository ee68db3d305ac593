#include <QClipboard>
#include <QDockWidget>
#include <QListWidget>
#include <QMainWindow>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QTemporaryDir>

#include <thread>

#include "shell/Log.h"
#include "GuiSupport.h"

using aulira::OutputLog;
using aulira::app::LogPane;

namespace {
// Lines from the log are posted to the pane; deliver them.
void deliver()
{
    QCoreApplication::sendPostedEvents();
}
// Takes the "file" URLs the pane asks the desktop to open, so no file
// manager starts.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};
} // namespace

class LogPaneTest : public QObject {
    Q_OBJECT
private slots:
    // Lines from any thread appear exactly as written, the newest selected.
    void linesAppearExactlyAsWritten()
    {
        LogPane pane;
        std::thread worker([] {
            for (int i = 0; i < 50; ++i)
                OutputLog("worker %d", i);
        });
        worker.join();
        OutputLog("sendto error:%d", 10054);
        deliver();
        QCOMPARE(pane.list()->count(), 51);
        QCOMPARE(pane.list()->item(0)->text(), QStringLiteral("worker 0"));
        QCOMPARE(pane.list()->item(49)->text(), QStringLiteral("worker 49"));
        QCOMPARE(pane.list()->item(50)->text(), QStringLiteral("sendto error:10054"));
        QCOMPARE(pane.list()->currentRow(), 50);
    }

    void theLineAfterTwoThousandEmptiesTheList()
    {
        LogPane pane;
        for (int i = 1; i <= 2000; ++i)
            pane.appendLine(QStringLiteral("line %1").arg(i));
        QCOMPARE(pane.list()->count(), 2000);
        QCOMPARE(pane.list()->item(1999)->text(), QStringLiteral("line 2000"));
        pane.appendLine(QStringLiteral("line 2001"));
        QCOMPARE(pane.list()->count(), 0);
        pane.appendLine(QStringLiteral("line 2002"));
        QCOMPARE(pane.lines(), QStringList{QStringLiteral("line 2002")});
    }

    void copyPutsEveryLineOnTheClipboardAndClearEmptiesTheList()
    {
        LogPane pane;
        QApplication::clipboard()->setText(QStringLiteral("before"));
        pane.copyAction()->trigger(); // empty log: clipboard untouched
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));

        OutputLog("Found device:%d.%d.%d.%d", 10, 0, 0, 5);
        OutputLog("Search completed");
        deliver();
        pane.copyAction()->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Found device:10.0.0.5\nSearch completed\n"));
        pane.clearAction()->trigger();
        QCOMPARE(pane.list()->count(), 0);
    }

    void openLogFolderIsReachedByTabAndByTheContextMenu()
    {
        UrlCatcher catcher;
        QTemporaryDir data;
        const QString folder = data.path() + QStringLiteral("/logs");
        QMainWindow frame;
        auto* pane = new LogPane(&frame);
        pane->setLogFolder(folder);
        frame.setCentralWidget(pane);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto* button = pane->findChild<QToolButton*>(QStringLiteral("logOpenFolderButton"));
        QVERIFY(button);
        QCOMPARE(button->accessibleName(), QStringLiteral("Open log folder"));

        // From the list, Tab reaches the button; Space presses it.
        pane->list()->setFocus();
        for (int i = 0; i < 6 && QApplication::focusWidget() != button; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
        QVERIFY(QDir(folder).exists()); // made when nothing was logged yet

        // The keyboard's menu key on the list, then the item clicked.
        QString menuItems;
        ui::whenMenu([pane, &menuItems](QMenu* menu) {
            for (QAction* a : menu->actions())
                menuItems += a->text() + QLatin1Char('|');
            ui::clickEntry(menu, pane->openFolderAction());
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                  pane->list()->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(pane->list()->viewport(), &menuKey);
        QTRY_COMPARE(catcher.opened.size(), 2);
        QCOMPARE(menuItems, QStringLiteral("&Copy|C&lear||Open Log &Folder|"));
        QCOMPARE(catcher.opened.last(), QUrl::fromLocalFile(folder));
        QCOMPARE(QApplication::focusWidget(), pane->list());
    }

    void aFolderThatCannotBeOpenedIsSaid()
    {
        UrlCatcher catcher;
        QTemporaryDir data;
        // A plain file where the folder would be: it cannot be made.
        QFile blocker(data.path() + QStringLiteral("/logs"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        LogPane pane;
        pane.setLogFolder(data.path() + QStringLiteral("/logs/sub"));
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        ui::SeenBox seen;
        ui::closeNextMessageBox(&seen);
        QTest::mouseClick(pane.findChild<QToolButton*>(QStringLiteral("logOpenFolderButton")), Qt::LeftButton);
        QTRY_COMPARE(seen.text, QStringLiteral("The log folder %1 could not be opened.")
                                    .arg(QDir::toNativeSeparators(data.path() + QStringLiteral("/logs/sub"))));
        QCOMPARE(seen.icon, int(QMessageBox::Warning));
        QVERIFY(catcher.opened.isEmpty());
    }

    void startUpLinesReachTheDailyFileAndStillThePane()
    {
        aulira::test::ProtocolConfigGuard guard;
        aulira::test::TempDir dir;
        QStringList shown;
        {
            // As main() starts: lines before the pane are held for it.
            aulira::Log::instance().holdUntilFirstSink();
            aulira::app::StartupOptions o;
            o.dataDir = dir.path().string();
            o.adapters = {"127.0.0.1"};
            aulira::app::AppContext context;
            QCOMPARE(context.open(o), std::string());
            LogPane pane;
            OutputLog("after the pane");
            deliver();
            shown = pane.lines();
        } // the context ends the file's writer, which writes what it holds
        QVERIFY2(shown.size() >= 3, qPrintable(shown.join(QLatin1Char('|'))));
        QCOMPARE(shown.first(), QStringLiteral("Local network card1:"));
        const auto bytes = aulira::test::readAll(dir.path() / "logs" /
                                                 aulira::FileLog::dailyFileName(std::chrono::system_clock::now()));
        const QStringList inFile = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<qsizetype>(bytes.size()))
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(inFile.size(), shown.size());
        const QString tag = QStringLiteral(" auct[%1]: ").arg(QCoreApplication::applicationPid());
        for (int i = 0; i < shown.size(); ++i) {
            const int at = inFile[i].indexOf(tag);
            QVERIFY2(at == 23, qPrintable(inFile[i])); // after "YYYY-MM-DD HH:MM:SS.mmm"
            QCOMPARE(inFile[i].mid(at + tag.size()), shown[i]);
        }
    }

    void aDestroyedPaneNoLongerListens()
    {
        {
            LogPane pane;
            OutputLog("posted but not delivered");
        }
        deliver(); // the pending line died with the pane
        OutputLog("nobody listens");
        LogPane fresh;
        deliver();
        QCOMPARE(fresh.list()->count(), 0);
    }
};

QTEST_MAIN(LogPaneTest)
#include "LogPaneTest.moc"
