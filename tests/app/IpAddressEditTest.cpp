#include <QClipboard>
#include <QVBoxLayout>

#include "GuiSupport.h"

using aulira::app::IpAddressEdit;

namespace {

// The four fields as shown, blanks included: "127..20.5".
QString shown(const IpAddressEdit& e)
{
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << e.field(i)->text();
    return parts.join(QLatin1Char('.'));
}

struct Host {
    Host()
    {
        // The focus starts before the editor, as in the dialogs.
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before = new QLineEdit(&window));
        layout->addWidget(edit = new IpAddressEdit(&window));
        layout->addWidget(new QLineEdit(&window));
    }
    QWidget window;
    QLineEdit* before;
    IpAddressEdit* edit;
};

} // namespace

class IpAddressEditTest : public QObject {
    Q_OBJECT
private slots:
    // A blank field leaves no address (the typing cases show the fields' order).
    void aBlankFieldLeavesNoAddress()
    {
        IpAddressEdit e;
        QVERIFY(e.isBlank() && !e.address());
        e.field(0)->setText(QStringLiteral("10"));
        e.field(3)->setText(QStringLiteral("5"));
        QVERIFY(!e.isBlank() && e.isIncomplete() && !e.address());
        QCOMPARE(aulira::formatIp(e.addressOrZero()), std::string("10.0.0.5"));
    }

    void typingKeystrokeByKeystroke_data()
    {
        QTest::addColumn<QString>("start"); // empty: a blank editor
        QTest::addColumn<int>("clicked");   // the field clicked before typing; -1: Tab into the editor
        QTest::addColumn<QString>("keys");  // '\b' is Backspace
        QTest::addColumn<QString>("result");
        QTest::newRow("whole address over a filled one") << "127.0.0.200" << 0 << "192.168.1.10" << "192.168.1.10";
        QTest::newRow("short fields into an empty one") << "" << 0 << "127.20.0.5" << "127.20.0.5";
        QTest::newRow("dot after three digits is swallowed") << "" << 0 << "10.100.1.255" << "10.100.1.255";
        QTest::newRow("digits alone move on") << "" << 0 << "1921681" << "192.168.1.";
        QTest::newRow("dot in an empty field does nothing") << "" << 0 << ".1..2.3.4" << "1.2.3.4";
        QTest::newRow("over 255 refused in place") << "" << 0 << "300.256.25.9" << "30.25.25.9";
        QTest::newRow("backspace in an empty field goes back") << "" << 0 << "10.\b\b5.1.1.1" << "15.1.1.1";
        QTest::newRow("part of a filled one") << "10.0.0.1" << 0 << "172.16" << "172.16.0.1";
        QTest::newRow("tabbed into a filled one") << "127.0.0.200" << -1 << "192.168.1.10" << "192.168.1.10";
        QTest::newRow("a click into the last field") << "10.0.0.1" << 3 << "254" << "10.0.0.254";
        QTest::newRow("dots step over kept fields") << "10.0.0.1" << 0 << "..7" << "10.0.7.1";
        QTest::newRow("backspace walks back over fields") << "10.0.0.1" << 3 << "\b\b\b9" << "10.0.9.";
    }

    void typingKeystrokeByKeystroke()
    {
        QFETCH(QString, start);
        QFETCH(int, clicked);
        QFETCH(QString, keys);
        QFETCH(QString, result);
        Host h;
        if (!start.isEmpty())
            h.edit->setAddress(*aulira::parseIp(start.toStdString()));
        if (clicked < 0) {
            QVERIFY(ui::clickInto(&h.window, h.before));
            QTest::keyClick(h.before, Qt::Key_Tab);
        } else {
            QVERIFY(ui::clickInto(&h.window, h.edit->field(clicked)));
        }
        ui::typeKeys(&h.window, keys);
        QCOMPARE(shown(*h.edit), result);
    }

    void aPastedAddressFillsAllFour()
    {
        Host h;
        h.edit->setAddress(*aulira::parseIp("127.0.0.200"));
        QVERIFY(ui::clickInto(&h.window, h.edit->field(2)));
        QSignalSpy changed(h.edit, &IpAddressEdit::addressChanged);
        QApplication::clipboard()->setText(QStringLiteral(" 192.168.1.10\n"));
        QTest::keyClick(h.window.focusWidget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(shown(*h.edit), QStringLiteral("192.168.1.10"));
        QVERIFY(changed.count() >= 1);
        QCOMPARE(h.window.focusWidget(), h.edit->field(3));

        // Not an address: nothing changes, not even the field pasted into.
        QApplication::clipboard()->setText(QStringLiteral("192.168.1"));
        QTest::keyClick(h.window.focusWidget(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(shown(*h.edit), QStringLiteral("192.168.1.10"));

        // The field's own menu pastes through the same door.
        QApplication::clipboard()->setText(QStringLiteral("10.20.30.40"));
        h.edit->field(1)->selectAll();
        h.edit->field(1)->paste();
        QTRY_COMPARE(shown(*h.edit), QStringLiteral("10.20.30.40"));
    }

    void tabLeavesTheEditor()
    {
        Host h;
        QVERIFY(ui::clickInto(&h.window, h.edit->field(0)));
        QTest::keyClick(h.window.focusWidget(), Qt::Key_Tab);
        QVERIFY(!h.edit->isAncestorOf(h.window.focusWidget()));
    }
};

QTEST_MAIN(IpAddressEditTest)
#include "IpAddressEditTest.moc"
