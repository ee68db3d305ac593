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

    void showsItsIcon()
    {
        AboutDialog d;
        QVERIFY(!d.findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull()); // the resource is built in
    }

    // The fifth left double-click (on the box or on its text) turns the MAC
    // editing on and each further one toggles it; other clicks do not count.
    void doubleClicksSwitchTheMacEditing_data()
    {
        QTest::addColumn<QString>("clicks"); // L, T (on the text), R: double-clicks; s: a single click
        QTest::addColumn<bool>("enabled");
        QTest::newRow("four") << "LLLL" << false;
        QTest::newRow("five") << "LLLLL" << true;
        QTest::newRow("six") << "LLLLLL" << false;
        QTest::newRow("seven") << "LLLLLLL" << true;
        QTest::newRow("on the text") << "TTTTT" << true;
        QTest::newRow("right and single") << "RsRsRsRsRs" << false;
    }
    void doubleClicksSwitchTheMacEditing()
    {
        QFETCH(QString, clicks);
        QFETCH(bool, enabled);
        AboutDialog d;
        d.show();
        for (QChar c : clicks) {
            if (c == QLatin1Char('T'))
                QTest::mouseDClick(d.findChild<QLabel*>(QStringLiteral("aboutVersion")), Qt::LeftButton);
            else if (c == QLatin1Char('s'))
                QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(4, 4));
            else
                QTest::mouseDClick(&d, c == QLatin1Char('R') ? Qt::RightButton : Qt::LeftButton, {}, QPoint(4, 4));
        }
        QCOMPARE(macEditMenuEnabled, enabled);
    }

    void theSwitchSurvivesReopeningAndTheCountRestarts()
    {
        AboutDialog d;
        d.show();
        doubleClicks(d, 5);
        QVERIFY(macEditMenuEnabled);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("aboutOk")), Qt::LeftButton);
        QVERIFY(!d.isVisible());

        d.show(); // opened again: four more double-clicks change nothing
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
