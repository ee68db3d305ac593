#include "GuiSupport.h"
#include "params/EditMacDialog.h"
#include "support/FakeDevice.h"

using namespace aulira;
using namespace aulira::app;

class EditMacDialogTest : public QObject {
    Q_OBJECT
private slots:
    // The dialog's rules; the typed address reaching the device is checked
    // with the main window.
    void fieldsFollowTheRules()
    {
        DeviceList list;
        auto item = std::make_shared<DeviceItem_Type>();
        item->devItem = aulira::test::deviceInfo(61, "127.0.0.61", 0x3d);
        const std::array<std::uint8_t, 6> mac = {0x02, 0x4b, 0x50, 0, 0, 0x3d};
        EditMacDialog dialog(list, item);
        QCOMPARE(dialog.macField(5)->text(), QStringLiteral("3D"));
        dialog.macField(2)->setText(QStringLiteral("G1"));
        const auto seen = ui::boxAfter([&dialog] { dialog.accept(); });
        QCOMPARE(seen.text, QStringLiteral("The MAC address entered is incorrect!"));
        QCOMPARE(seen.title, QStringLiteral("Aulira"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected)); // still open
        QCOMPARE(dialog.macField(2)->selectedText(), QStringLiteral("G1"));

        // Addresses no single device may own, refused as auctl's MAC command does.
        const struct {
            std::array<const char*, 6> bytes;
            int refusal;
        } refused[] = {{{"00", "00", "00", "00", "00", "00"}, IDS_MAC_ZERO},
                       {{"FF", "FF", "FF", "FF", "FF", "FF"}, IDS_MAC_GROUP},
                       {{"01", "00", "5e", "00", "00", "01"}, IDS_MAC_GROUP}};
        for (const auto& r : refused) {
            for (int i = 0; i < 6; ++i) {
                dialog.macField(i)->clear();
                QTest::keyClicks(dialog.macField(i), r.bytes[static_cast<std::size_t>(i)]);
            }
            QCOMPARE(ui::boxAfter([&dialog] { dialog.accept(); }).text, QString::fromUtf8(stringText(r.refusal)));
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QVERIFY(std::equal(mac.begin(), mac.end(), item->devItem.mac())); // untouched
        const std::array<QString, 6> typed = {"02", "aa", "", "0c", "d", "7"};
        for (int i = 0; i < 6; ++i)
            dialog.macField(i)->setText(typed[static_cast<std::size_t>(i)]);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const std::uint8_t want[6] = {0x02, 0xAA, 0x00, 0x0C, 0x0D, 0x07};
        QVERIFY(std::equal(want, want + 6, item->devItem.mac()));
        QVERIFY(std::equal(mac.begin(), mac.end(), item->oldMac.begin()));
    }
};

QTEST_MAIN(EditMacDialogTest)
#include "EditMacDialogTest.moc"
