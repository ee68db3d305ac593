#include "GuiSupport.h"
#include "devices/AddDeviceDialog.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceRules.h"
#include "common/MessageBox.h"

using namespace aulira;
using namespace aulira::app;
using aulira::test::ip;

namespace {

struct Fields {
    QLineEdit* no;
    QLineEdit* name;
    IpAddressEdit* ip;
    IpAddressEdit* mask;
    QPushButton* ok;
};

Fields fieldsOf(QDialog& d)
{
    return {d.findChild<QLineEdit*>("deviceNoEdit"), d.findChild<QLineEdit*>("deviceNameEdit"),
            d.findChild<IpAddressEdit*>("ipAddressEdit"), d.findChild<IpAddressEdit*>("subnetMaskEdit"),
            d.findChild<QPushButton*>("okButton")};
}

DeviceItemPtr manual(int no, const char* addr, const char* name = "Gate")
{
    DeviceEntry e{std::to_string(no), name, ip(addr), ip("255.255.255.0")};
    return newManualDevice(e);
}

} // namespace

class AddDeviceDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        dir = std::make_unique<aulira::test::TempDir>();
        manager = std::make_unique<DeviceManager>(dir->path());
        manager->setAdapters({"127.0.0.1"}, {"255.0.0.0"});
    }
    void cleanup()
    {
        manager.reset();
        dir.reset();
    }

    void refusalsComeInOrderWithTheirTexts()
    {
        manager->devices().insertManual(manual(5, "10.1.1.5"));
        AddDeviceDialog d(manager->devices());
        d.show();
        auto f = fieldsOf(d);
        QVERIFY(f.no && f.name && f.ip && f.mask && f.ok);
        QCOMPARE(formatIp(*f.mask->address()), std::string("255.255.255.0"));
        f.mask->clear();

        auto refusal = [&](int expected) {
            const auto seen = ui::pressFor(f.ok, &d);
            QCOMPARE(d.lastRefusal(), expected);
            QCOMPARE(seen.title, QStringLiteral("Aulira"));
            QCOMPARE(seen.icon, int(QMessageBox::Warning));
            QCOMPARE(seen.text, boxText(QString::fromUtf8(stringText(expected)))); // as English shows it
            QVERIFY(d.isVisible());
        };
        refusal(IDS_ENTER_DEVICE_NO); // empty number
        QTest::keyClicks(f.no, "0");
        refusal(IDS_ENTER_DEVICE_NO);
        f.no->clear();
        QTest::keyClicks(f.no, "x5"); // digits only
        QCOMPARE(f.no->text(), QStringLiteral("5"));
        refusal(IDS_DEVICE_NO_DUPLICATE);
        f.no->setText(QStringLiteral("6"));
        refusal(IDS_ENTER_DEVICE_NAME);
        QTest::keyClicks(f.name, "Hall");
        refusal(IDS_ENTER_IP);
        QTest::keyClicks(f.ip->field(0), "10");
        refusal(IDS_ENTER_IP); // half an address is no address
        f.ip->setAddress(ip("10.2.0.9"));
        refusal(IDS_ENTER_MASK);
        // Values that would strand the device, as auctl refuses them.
        const struct {
            const char *no, *ip, *mask;
            int refusal;
        } stranding[] = {
            {"2147483648", "10.2.0.9", "255.255.255.0", IDS_DEVICE_NO_RANGE},
            {"6", "10.1.1.5", "255.255.255.0", IDS_IP_IN_LIST},
            {"6", "10.2.0.9", "255.0.255.0", IDS_MASK_NOT_CONTIGUOUS},
            {"6", "10.2.0.255", "255.255.255.0", IDS_IP_NOT_HOST},
            {"6", "10.2.0.0", "255.255.255.0", IDS_IP_NOT_HOST},
            {"6", "224.0.0.9", "255.255.255.0", IDS_IP_NOT_HOST},
        };
        for (const auto& c : stranding) {
            f.no->clear();
            QTest::keyClicks(f.no, c.no);
            f.ip->setAddress(ip(c.ip));
            f.mask->setAddress(ip(c.mask));
            refusal(c.refusal);
        }
        QCOMPARE(manager->devices().size(), std::size_t(1));
    }

    void twoAddsInARowClearTheFieldsButTheMask()
    {
        AddDeviceDialog d(manager->devices());
        QSignalSpy added(&d, &AddDeviceDialog::deviceAdded);
        d.show();
        auto f = fieldsOf(d);
        f.mask->setAddress(ip("255.255.0.0"));

        QTest::keyClicks(f.no, "21");
        QTest::keyClicks(f.name, "Stage");
        f.ip->setAddress(ip("10.7.0.21"));
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(d.lastRefusal(), 0);
        QVERIFY(d.isVisible());
        QVERIFY(f.no->text().isEmpty());
        QVERIFY(f.name->text().isEmpty());
        QVERIFY(f.ip->isBlank());
        QCOMPARE(formatIp(*f.mask->address()), std::string("255.255.0.0"));

        QTest::keyClicks(f.no, "22");
        QTest::keyClicks(f.name, "Local");
        f.ip->setAddress(ip("127.0.0.22"));
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(added.count(), 2);

        ui::saveScreenshot(d, "add-device-dialog.png");

        // Newest first; the state follows the subnet.
        const auto items = manager->devices().snapshot();
        QCOMPARE(items.size(), std::size_t(2));
        QCOMPARE(items[0]->devItem.devNo(), 22);
        QCOMPARE(int(items[0]->state), int(STATE_LOCAL_OFFLINE));
        QCOMPARE(items[1]->devItem.devNo(), 21);
        QCOMPARE(items[1]->devItem.devName(), std::string("Stage"));
        QCOMPARE(formatIp(items[1]->devItem.mask()), std::string("255.255.0.0"));
        QCOMPARE(int(items[1]->state), int(STATE_REMOTE_OFFLINE));
        QCOMPARE(items[1]->searchOnly, 0u);
        QVERIFY(manager->devices().listModified());
    }

    void editKeepsItsOwnNumberAndCloses()
    {
        auto gate = manual(8, "10.3.3.8");
        manager->devices().insertManual(gate);
        manager->devices().insertManual(manual(9, "10.3.3.9"));
        AddDeviceDialog d(manager->devices(), gate);
        QSignalSpy modified(&d, &AddDeviceDialog::deviceModified);
        d.show();
        auto f = fieldsOf(d);
        QCOMPARE(d.windowTitle(), QStringLiteral("Edit Device"));
        QCOMPARE(f.no->text(), QStringLiteral("8"));
        QCOMPARE(f.name->text(), QStringLiteral("Gate"));
        QCOMPARE(formatIp(*f.ip->address()), std::string("10.3.3.8"));

        f.no->setText(QStringLiteral("9"));
        QCOMPARE(ui::pressFor(f.ok, &d).text, QString::fromUtf8(stringText(IDS_DEVICE_NO_DUPLICATE)).trimmed());

        f.no->setText(QStringLiteral("8"));
        f.name->setText(QStringLiteral("Gate East"));
        f.ip->setAddress(ip("127.0.0.8"));
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(modified.count(), 1);
        QCOMPARE(gate->devItem.devName(), std::string("Gate East"));
        QCOMPARE(formatIp(gate->ip), std::string("127.0.0.8"));
        QCOMPARE(int(gate->state), int(STATE_LOCAL_OFFLINE)); // now inside the loopback subnet
    }

    // Typed as a person does, Tab from field to field, into the empty add
    // dialog and over a stored entry in the edit dialog (the editor's own
    // keys are checked with the editor).
    void typedAddressesReachTheList_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("ipKeys");
        QTest::addColumn<QString>("maskKeys");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("mask");
        QTest::newRow("add, short fields") << false << "127.20.0.5" << "255.0.0.0" << "127.20.0.5" << "255.0.0.0";
        QTest::newRow("edit, digits only") << true << "172016000009" << "255255254000" << "172.16.0.9"
                                           << "255.255.254.0";
    }

    void typedAddressesReachTheList()
    {
        QFETCH(bool, edit);
        QFETCH(QString, ipKeys);
        QFETCH(QString, maskKeys);
        QFETCH(QString, ip);
        QFETCH(QString, mask);
        auto stored = manual(5, "10.1.1.5");
        manager->devices().insertManual(stored);
        auto dialog = edit ? std::make_unique<AddDeviceDialog>(manager->devices(), stored)
                           : std::make_unique<AddDeviceDialog>(manager->devices());
        AddDeviceDialog& d = *dialog;
        auto f = fieldsOf(d);
        QVERIFY(ui::clickInto(&d, f.no));
        if (edit) {
            f.no->selectAll();
            f.name->clear();
        }
        ui::typeKeys(&d, QStringLiteral("6\tHall\t") + ipKeys + QLatin1Char('\t') + maskKeys);
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(d.lastRefusal(), 0);
        const auto entry = edit ? stored : manager->devices().snapshot().front();
        QVERIFY(entry != (edit ? nullptr : stored));
        std::lock_guard lock(manager->devices().mutex());
        QCOMPARE(entry->devItem.devNo(), 6);
        QCOMPARE(entry->devItem.devName(), std::string("Hall"));
        QCOMPARE(QString::fromStdString(formatIp(entry->ip)), ip);
        QCOMPARE(QString::fromStdString(formatIp(entry->devItem.mask())), mask);
    }

private:
    std::unique_ptr<aulira::test::TempDir> dir;
    std::unique_ptr<DeviceManager> manager;
};

QTEST_MAIN(AddDeviceDialogTest)
#include "AddDeviceDialogTest.moc"
