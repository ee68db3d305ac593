#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QListWidget>
#include <QMainWindow>
#include <QTabWidget>
#include <QTest>

#include <thread>

#include "shell/Log.h"
#include "shell/LogPane.h"

using aulira::OutputLog;
using aulira::app::LogPane;

namespace {
// Lines from the log are posted to the pane; deliver them.
void deliver()
{
    QCoreApplication::sendPostedEvents();
}
} // namespace

class LogPaneTest : public QObject {
    Q_OBJECT
private slots:
    void linesAppearExactlyAsWritten()
    {
        LogPane pane;
        OutputLog("sendto error:%d", 10054);
        OutputLog("Synchronization time completed.");
        deliver();
        QCOMPARE(pane.lines(), QStringList({QStringLiteral("sendto error:10054"),
                                            QStringLiteral("Synchronization time completed.")}));
        QCOMPARE(pane.list()->currentRow(), 1); // the newest line is selected
        QCOMPARE(pane.findChild<QTabWidget*>(QStringLiteral("logTabs"))->tabText(0), QStringLiteral("Output"));
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

    void copyPutsEveryLineOnTheClipboard()
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
    }

    void clearEmptiesTheList()
    {
        LogPane pane;
        pane.appendLine(QStringLiteral("a"));
        QVERIFY(pane.list()->actions().contains(pane.clearAction()));
        pane.clearAction()->trigger();
        QCOMPARE(pane.list()->count(), 0);
    }

    void linesFromAnotherThreadArrive()
    {
        LogPane pane;
        std::thread worker([] {
            for (int i = 0; i < 50; ++i)
                OutputLog("worker %d", i);
        });
        worker.join();
        deliver();
        QCOMPARE(pane.list()->count(), 50);
        QCOMPARE(pane.list()->item(0)->text(), QStringLiteral("worker 0"));
        QCOMPARE(pane.list()->item(49)->text(), QStringLiteral("worker 49"));
    }

    void aHiddenPaneKeepsLogging()
    {
        QMainWindow frame;
        auto* dock = new QDockWidget(LogPane::title(), &frame);
        auto* pane = new LogPane(dock);
        dock->setWidget(pane);
        frame.addDockWidget(Qt::BottomDockWidgetArea, dock);
        frame.show();
        dock->hide();
        OutputLog("while hidden");
        deliver();
        dock->show();
        QVERIFY(pane->isVisible());
        QCOMPARE(pane->lines(), QStringList{QStringLiteral("while hidden")});
        QCOMPARE(dock->windowTitle(), QStringLiteral("Operation Records"));
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
