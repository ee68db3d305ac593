#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "controls/IpAddressEdit.h"
#include "devices/DeviceItem.h"
#include "params/pages/BasicParaPage.h"
#include "params/SysParaSettings.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

using namespace aulira;
using aulira::app::BasicParaPage;

namespace {

// A record whose basic section holds the given settings, as a device sends it.
SysParaBuffer recordWith(bool ext, std::initializer_list<std::pair<const char*, const char*>> fields)
{
    SysParaBuffer r{};
    auto s = SysParaSettings::load(r, ext);
    for (const auto& [name, value] : fields)
        if (auto e = s.set(name, value); !e.empty())
            qFatal("%s", e.c_str());
    if (s.savePage(SysParaPage::Basic, r))
        qFatal("the test record was refused");
    return r;
}

const std::initializer_list<std::pair<const char*, const char*>> kLobby = {
    {"deviceNo", "21"},           {"deviceName", "Lobby"},        {"userName", "admin"},
    {"password", "1234"},         {"dhcp", "no"},                 {"ip", "192.168.1.21"},
    {"mask", "255.255.255.0"},    {"gateway", "192.168.1.1"},     {"autoDns", "no"},
    {"dns1", "8.8.8.8"},          {"dns2", "8.8.4.4"},            {"serverIp", "192.168.1.2"},
    {"altServerIp", "10.9.8.7"},  {"serverPort", "8890"},         {"heartbeat", "5"},
};

std::string shown(const SysParaBuffer& r, bool ext, const char* name)
{
    const auto s = SysParaSettings::load(r, ext);
    return s.display(static_cast<std::size_t>(sysParaFieldIndex(name)));
}

// The page loaded from a record (the lobby's by default); Save stores into it.
struct Page {
    explicit Page(const SysParaBuffer& r = recordWith(true, kLobby), bool ext = true)
        : record(r), settings(SysParaSettings::load(r, ext))
    {
        page.setWarnHandler([this](QWidget*, const QString& text) { warnings << text; });
        page.load(settings);
    }
    bool save() { return page.saveTo(settings, record); }

    SysParaBuffer record;
    SysParaSettings settings;
    BasicParaPage page;
    QStringList warnings;
};

QString table(int id) { return QString::fromUtf8(stringText(id)); }

} // namespace

class BasicParaPageTest : public QObject {
    Q_OBJECT
private slots:
    void loadsEveryControl()
    {
        Page p;
        QCOMPARE(p.page.deviceNoEdit()->text(), QStringLiteral("21"));
        QCOMPARE(p.page.deviceNameEdit()->text(), QStringLiteral("Lobby"));
        QCOMPARE(p.page.passwordEdit()->echoMode(), QLineEdit::Password);
        QVERIFY(p.page.staticIpRadio()->isChecked());
        QCOMPARE(formatIp(*p.page.gatewayEdit()->address()), std::string("192.168.1.1"));
        QCOMPARE(formatIp(*p.page.dns2Edit()->address()), std::string("8.8.4.4"));
        QCOMPARE(p.page.portSpin()->value(), 8890);
        QCOMPARE(p.page.heartbeatSpin()->value(), 5);
        QVERIFY(!p.page.heartbeatSpin()->isHidden());
        QVERIFY(p.page.altServerIpEdit()->isHidden());
    }

    void radiosEnableTheirAddressFields()
    {
        Page p;
        QVERIFY(p.page.ipEdit()->isEnabled());
        QTest::mouseClick(p.page.dhcpRadio(), Qt::LeftButton);
        QVERIFY(p.page.dhcpRadio()->isChecked());
        QVERIFY(!p.page.ipEdit()->isEnabled());
        QVERIFY(!p.page.maskEdit()->isEnabled());
        QVERIFY(!p.page.gatewayEdit()->isEnabled());
        QVERIFY(p.page.dns1Edit()->isEnabled());
        QTest::mouseClick(p.page.autoDnsRadio(), Qt::LeftButton);
        QVERIFY(!p.page.dns1Edit()->isEnabled());
        QVERIFY(!p.page.dns2Edit()->isEnabled());
        QTest::mouseClick(p.page.manualDnsRadio(), Qt::LeftButton);
        QVERIFY(p.page.dns2Edit()->isEnabled());
        QTest::mouseClick(p.page.staticIpRadio(), Qt::LeftButton);
        QVERIFY(p.page.gatewayEdit()->isEnabled());

        // A device that obtains both shows its fields disabled from the start.
        Page dhcp(recordWith(true, {{"ip", "10.0.0.1"}, {"mask", "255.0.0.0"}, {"gateway", "10.0.0.254"},
                                    {"dhcp", "yes"}, {"autoDns", "yes"}}));
        QVERIFY(dhcp.page.dhcpRadio()->isChecked() && !dhcp.page.ipEdit()->isEnabled());
        QVERIFY(dhcp.page.autoDnsRadio()->isChecked() && !dhcp.page.dns1Edit()->isEnabled());
    }

    void savesTheEditsAndCarriesTheHiddenServerThrough()
    {
        Page p;
        p.page.deviceNameEdit()->setText(QStringLiteral("Hall"));
        p.page.portSpin()->setValue(65535);
        p.page.heartbeatSpin()->setValue(60);
        p.page.dns1Edit()->clear(); // blank DNS is stored as 0, no message
        QVERIFY(p.save());
        QVERIFY(p.warnings.isEmpty());
        QCOMPARE(shown(p.record, true, "deviceName"), std::string("Hall"));
        QCOMPARE(shown(p.record, true, "serverPort"), std::string("65535"));
        QCOMPARE(shown(p.record, true, "heartbeat"), std::string("60"));
        QCOMPARE(shown(p.record, true, "dns1"), std::string("0.0.0.0"));
        QCOMPARE(shown(p.record, true, "altServerIp"), std::string("10.9.8.7"));
        Page again(p.record);
        QCOMPARE(again.page.portSpin()->value(), 65535);
    }

    void aFifteenByteNameIsTakenSixteenAreRefused()
    {
        Page p;
        p.page.deviceNameEdit()->setText(QString(15, QLatin1Char('n')));
        QVERIFY(p.save());
        p.page.deviceNameEdit()->setText(QString(16, QLatin1Char('n')));
        QVERIFY(!p.save());
        QCOMPARE(p.warnings, QStringList{table(IDS_DEVICE_NAME_OVER_15)});
        QCOMPARE(shown(p.record, true, "deviceName"), std::string(15, 'n'));
    }

    void refusalsComeInThePagesOrder()
    {
        Page p;
        p.page.userNameEdit()->setText(QString(20, QLatin1Char('u')));
        p.page.ipEdit()->clear();
        QVERIFY(!p.save());
        p.page.userNameEdit()->setText(QStringLiteral("op"));
        QVERIFY(!p.save());
        QTest::mouseClick(p.page.dhcpRadio(), Qt::LeftButton); // DHCP still needs a complete address
        QVERIFY(!p.save());
        QCOMPARE(p.warnings, (QStringList{table(IDS_USER_NAME_OVER_15), table(IDS_ENTER_IP), table(IDS_ENTER_IP)}));
        QVERIFY(p.warnings.last().endsWith(QStringLiteral("\n\n"))); // shown as stored
    }

    void anIncompleteGatewayLeavesTheEarlierFieldsStored()
    {
        Page p;
        p.page.deviceNoEdit()->setText(QStringLiteral("77"));
        p.page.deviceNameEdit()->setText(QStringLiteral("Gate"));
        QTest::mouseClick(p.page.dhcpRadio(), Qt::LeftButton);
        p.page.maskEdit()->setAddress(*parseIp("255.255.0.0"));
        p.page.gatewayEdit()->field(3)->clear();
        p.page.serverIpEdit()->setAddress(*parseIp("1.2.3.4"));
        QVERIFY(!p.save());
        QCOMPARE(p.warnings, QStringList{table(IDS_ENTER_GATEWAY)});
        QCOMPARE(shown(p.record, true, "deviceNo"), std::string("77"));
        QCOMPARE(shown(p.record, true, "deviceName"), std::string("Gate"));
        QCOMPARE(shown(p.record, true, "mask"), std::string("255.255.0.0"));
        QCOMPARE(shown(p.record, true, "dhcp"), std::string("Automatically Obtain IP Address"));
        QCOMPARE(shown(p.record, true, "serverIp"), std::string("192.168.1.2")); // after the refusal: untouched
    }

    void theShortRecordHasNoHeartbeat()
    {
        const SysParaBuffer before = recordWith(false, {{"deviceName", "Old"}, {"ip", "10.0.0.1"},
                                                        {"mask", "255.0.0.0"}, {"gateway", "10.0.0.254"}});
        Page p(before, false);
        QVERIFY(p.page.heartbeatSpin()->isHidden());
        QCOMPARE(p.page.heartbeatSpin()->value(), 3);
        p.page.heartbeatSpin()->setValue(40);
        QVERIFY(p.save());
        QCOMPARE(p.record, before); // nothing changed, and no heartbeat byte written
    }

    void anEmptyNumberStoresZero()
    {
        Page p;
        p.page.deviceNoEdit()->clear();
        QTest::keyClicks(p.page.deviceNoEdit(), "4a2");
        QCOMPARE(p.page.deviceNoEdit()->text(), QStringLiteral("42")); // digits only
        p.page.deviceNoEdit()->clear();
        QVERIFY(p.save());
        QCOMPARE(shown(p.record, true, "deviceNo"), std::string("0"));
    }

    void anUnloadedPageStoresNothing()
    {
        BasicParaPage page;
        QStringList warnings;
        page.setWarnHandler([&](QWidget*, const QString& t) { warnings << t; });
        SysParaBuffer r{};
        auto s = SysParaSettings::load(r, true);
        QVERIFY(page.saveTo(s, r)); // blank addresses, yet nothing refused
        QCOMPARE(r, SysParaBuffer{});
        QVERIFY(warnings.isEmpty());
    }
};

QTEST_MAIN(BasicParaPageTest)
#include "BasicParaPageTest.moc"
