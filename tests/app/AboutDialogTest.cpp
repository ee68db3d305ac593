#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "mainwindow/AboutDialog.h"
#include "mainwindow/AppFlags.h"

using aulira::app::AboutDialog;
using aulira::app::macEditMenuEnabled;

namespace {
void doubleClicks(AboutDialog& d, int n)
{
    for (int i = 0; i < n; ++i)
        QTest::mouseDClick(&d, Qt::LeftButton, {}, QPoint(4, 4));
}
} // namespace

class AboutDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { macEditMenuEnabled = false; }

    void showsTitleVersionIconAndOk()
    {
        AboutDialog d;
        QCOMPARE(d.windowTitle(), QStringLiteral("About AUCT"));
        QCOMPARE(d.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(), QStringLiteral("AUCT V3.5.12"));
        QVERIFY(!d.findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull());
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("aboutOk")), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
    }

    void theFifthDoubleClickSwitchesAndEachFurtherToggles()
    {
        AboutDialog d;
        d.show();
        doubleClicks(d, 4);
        QCOMPARE(d.doubleClickCount(), 4);
        QVERIFY(!macEditMenuEnabled);
        doubleClicks(d, 1);
        QVERIFY(macEditMenuEnabled);
        doubleClicks(d, 1);
        QVERIFY(!macEditMenuEnabled);
        doubleClicks(d, 1);
        QVERIFY(macEditMenuEnabled);
    }

    void rightDoubleClicksAndSingleClicksDoNotCount()
    {
        AboutDialog d;
        d.show();
        for (int i = 0; i < 6; ++i) {
            QTest::mouseDClick(&d, Qt::RightButton, {}, QPoint(4, 4));
            QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(4, 4));
        }
        QVERIFY(!macEditMenuEnabled);
    }

    void doubleClicksOnTheTextCount()
    {
        AboutDialog d;
        d.show();
        auto* version = d.findChild<QLabel*>(QStringLiteral("aboutVersion"));
        for (int i = 0; i < 5; ++i)
            QTest::mouseDClick(version, Qt::LeftButton);
        QVERIFY(macEditMenuEnabled);
    }

    void theSwitchSurvivesReopeningAndTheCountRestarts()
    {
        AboutDialog d;
        d.show();
        doubleClicks(d, 5);
        QVERIFY(macEditMenuEnabled);
        d.accept();

        d.show(); // opened again: four more double-clicks change nothing
        QCOMPARE(d.doubleClickCount(), 0);
        QVERIFY(macEditMenuEnabled);
        doubleClicks(d, 4);
        QVERIFY(macEditMenuEnabled);
        d.accept();

        AboutDialog fresh; // a new box from the menu command
        QTimer::singleShot(0, &fresh, [&fresh] {
            doubleClicks(fresh, 5);
            fresh.accept();
        });
        fresh.exec();
        QVERIFY(!macEditMenuEnabled);
    }
};

QTEST_MAIN(AboutDialogTest)
#include "AboutDialogTest.moc"
