#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "devices/DeviceInfo.h"
#include "mainwindow/PropertiesPane.h"
#include "util/Ipv4.h"

using aulira::DeviceInfo_Type;
using aulira::parseIp;
using aulira::app::PropertiesPane;

namespace {
DeviceInfo_Type device()
{
    DeviceInfo_Type d;
    d.setIp(*parseIp("192.168.1.20"));
    d.setMask(*parseIp("255.255.255.0"));
    d.setGateway(0); // reported no gateway
    d.setDns1(*parseIp("8.8.8.8"));
    d.setDns2(*parseIp("1.1.1.1"));
    d.setServerIp(*parseIp("192.168.1.2"));
    d.setAltServerIp(*parseIp("192.168.1.3"));
    d.setGroupNo(0, 3);
    d.setGroupNo(1, 7);
    return d;
}
} // namespace

class PropertiesPaneTest : public QObject {
    Q_OBJECT
private slots:
    // The rows in their order, each address as the device reports it.
    void showsTheNetworkConfiguration()
    {
        PropertiesPane pane;
        const DeviceInfo_Type d = device();
        pane.showDevice(&d);
        pane.showDevice(&d); // shown again, not added twice
        QCOMPARE(pane.tree()->topLevelItemCount(), 1);
        QTreeWidgetItem* group = pane.tree()->topLevelItem(0);
        QStringList rows;
        for (int i = 0; i < group->childCount(); ++i)
            rows << group->child(i)->text(0) + QLatin1Char('=') + group->child(i)->text(1);
        QCOMPARE(rows, QStringList({"Subnet Mask=255.255.255.0", "Gateway=0.0.0.0", "Preferred DNS=8.8.8.8",
                                    "Alternative DNS=1.1.1.1", "Preferred Server=192.168.1.2",
                                    "Alternative Server=192.168.1.3", "Affiliated Group=3,7,0,0,0,0,0,0"}));
    }

    void nothingIsEditable()
    {
        PropertiesPane pane;
        const DeviceInfo_Type d = device();
        pane.showDevice(&d);
        pane.show();
        QTreeWidgetItem* gateway = pane.tree()->topLevelItem(0)->child(1);
        const QRect r = pane.tree()->visualItemRect(gateway);
        const QPoint valuePos(pane.tree()->header()->sectionViewportPosition(1) + 10, r.center().y());
        QTest::mouseDClick(pane.tree()->viewport(), Qt::LeftButton, {}, valuePos);
        QTest::keyClick(pane.tree(), Qt::Key_F2);
        QTest::keyClicks(pane.tree(), "9");
        QVERIFY(!pane.tree()->findChild<QLineEdit*>()); // no editor opened
        QCOMPARE(gateway->text(1), QStringLiteral("0.0.0.0"));
    }

    void theSelectedRowIsDescribed()
    {
        PropertiesPane pane;
        const DeviceInfo_Type d = device();
        pane.showDevice(&d);
        pane.show();
        QTreeWidgetItem* groups = pane.tree()->topLevelItem(0)->child(6);
        QTest::mouseClick(pane.tree()->viewport(), Qt::LeftButton, {},
                          pane.tree()->visualItemRect(groups).center());
        QCOMPARE(pane.tree()->currentItem(), groups);
        QCOMPARE(pane.descriptionTitle(), QStringLiteral("Affiliated Group"));
        QCOMPARE(pane.findChild<QLabel*>(QStringLiteral("propertyDescription"))->text(),
                 QStringLiteral("The 8 broadcast group numbers the device has joined"));

        QTest::keyClick(pane.tree(), Qt::Key_Up);
        QCOMPARE(pane.descriptionText(), QStringLiteral("Alternative Audio Server IP"));
        pane.showDevice(nullptr); // no device: no rows, no description
        QCOMPARE(pane.tree()->topLevelItemCount(), 0);
        QVERIFY(pane.descriptionText().isEmpty());
    }
};

QTEST_MAIN(PropertiesPaneTest)
#include "PropertiesPaneTest.moc"
