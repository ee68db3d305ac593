#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "controls/IpAddressEdit.h"
#include "util/Ipv4.h"

using aulira::app::IpAddressEdit;

class IpAddressEditTest : public QObject {
    Q_OBJECT
private slots:
    void storedOrderRoundTrips()
    {
        IpAddressEdit e;
        e.setAddress(*aulira::parseIp("192.168.1.20"));
        QCOMPARE(e.field(0)->text(), QStringLiteral("192"));
        QCOMPARE(e.field(3)->text(), QStringLiteral("20"));
        QCOMPARE(aulira::formatIp(*e.address()), std::string("192.168.1.20"));
    }

    void aBlankFieldMakesTheAddressIncomplete()
    {
        IpAddressEdit e;
        QVERIFY(e.isBlank());
        QVERIFY(!e.address());
        QTest::keyClicks(e.field(0), "10");
        QTest::keyClicks(e.field(1), "0");
        QTest::keyClicks(e.field(3), "5");
        QVERIFY(!e.isBlank());
        QVERIFY(e.isIncomplete());
        QVERIFY(!e.address());
        QCOMPARE(aulira::formatIp(e.addressOrZero()), std::string("10.0.0.5"));
        e.clear();
        QVERIFY(e.isBlank());
    }

    void typingKeepsEachFieldAnOctet()
    {
        IpAddressEdit e;
        QSignalSpy changed(&e, &IpAddressEdit::addressChanged);
        QTest::keyClicks(e.field(1), "16.");
        QCOMPARE(e.field(1)->text(), QStringLiteral("16")); // the dot moves on, it is not typed
        QTest::keyClicks(e.field(3), "999");
        QCOMPARE(e.field(3)->text(), QStringLiteral("99"));
        QTest::keyClicks(e.field(2), "x");
        QVERIFY(e.field(2)->text().isEmpty());
        QVERIFY(changed.count() >= 3);
    }
};

QTEST_MAIN(IpAddressEditTest)
#include "IpAddressEditTest.moc"
