#include "params/pages/BasicParaPage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/BuddyNames.h"
#include "controls/IpAddressEdit.h"

namespace aulira::app {

namespace {

// What the box offers for typing (seconds), as the field's rules say.
const int kHeartbeatMax = static_cast<int>(sysParaField("heartbeat").max);

IpAddressEdit* addressEdit(QWidget* parent, const char* name)
{
    auto* e = new IpAddressEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QLineEdit* lineEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(49); // the longest text the page reads; the model refuses what the field cannot hold
    return e;
}

} // namespace

BasicParaPage::BasicParaPage(QWidget* parent) : ParaPage({SysParaPage::Basic}, parent)
{
    setObjectName(QStringLiteral("basicPage"));

    auto* info = new QGroupBox(tr("Device Information"), this);
    deviceNo_ = lineEdit(info, "deviceNo");
    deviceNo_->setMaxLength(10);
    deviceNo_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), deviceNo_));
    deviceName_ = lineEdit(info, "deviceName");
    userName_ = lineEdit(info, "userName");
    password_ = lineEdit(info, "password");
    password_->setEchoMode(QLineEdit::Password);
    auto* infoGrid = new QGridLayout(info);
    infoGrid->addWidget(buddyLabel(tr("Local Machine NO:"), deviceNo_, info), 0, 0);
    infoGrid->addWidget(deviceNo_, 0, 1);
    infoGrid->addWidget(buddyLabel(tr("Device Name:"), deviceName_, info), 0, 2);
    infoGrid->addWidget(deviceName_, 0, 3);
    infoGrid->addWidget(buddyLabel(tr("User Name:"), userName_, info), 1, 0);
    infoGrid->addWidget(userName_, 1, 1);
    infoGrid->addWidget(buddyLabel(tr("Password:"), password_, info), 1, 2);
    infoGrid->addWidget(password_, 1, 3);

    auto* ipBox = new QGroupBox(tr("IP Address"), this);
    staticIp_ = new QRadioButton(tr("Use the Following IP Address"), ipBox);
    staticIp_->setObjectName(QStringLiteral("staticIpRadio"));
    dhcp_ = new QRadioButton(tr("Automatically Obtain IP Address"), ipBox);
    dhcp_->setObjectName(QStringLiteral("dhcpRadio"));
    auto* ipGroup = new QButtonGroup(ipBox);
    ipGroup->addButton(staticIp_);
    ipGroup->addButton(dhcp_);
    ip_ = addressEdit(ipBox, "ipAddress");
    mask_ = addressEdit(ipBox, "subnetMask");
    gateway_ = addressEdit(ipBox, "gateway");
    auto* ipGrid = new QGridLayout(ipBox);
    ipGrid->addWidget(staticIp_, 0, 0, 1, 2);
    ipGrid->addWidget(dhcp_, 0, 2, 1, 2);
    ipGrid->addWidget(buddyLabel(tr("IP Address:"), ip_, ipBox), 1, 0);
    ipGrid->addWidget(ip_, 1, 1);
    ipGrid->addWidget(buddyLabel(tr("Subnet Mask:"), mask_, ipBox), 1, 2);
    ipGrid->addWidget(mask_, 1, 3);
    ipGrid->addWidget(buddyLabel(tr("Default Gateway:"), gateway_, ipBox), 2, 0);
    ipGrid->addWidget(gateway_, 2, 1);

    auto* dnsBox = new QGroupBox(tr("DNS"), this);
    autoDns_ = new QRadioButton(tr("Automatic"), dnsBox);
    autoDns_->setObjectName(QStringLiteral("autoDnsRadio"));
    manualDns_ = new QRadioButton(tr("Manual Settings"), dnsBox);
    manualDns_->setObjectName(QStringLiteral("manualDnsRadio"));
    auto* dnsGroup = new QButtonGroup(dnsBox);
    dnsGroup->addButton(autoDns_);
    dnsGroup->addButton(manualDns_);
    dns1_ = addressEdit(dnsBox, "preferredDns");
    dns2_ = addressEdit(dnsBox, "alternativeDns");
    auto* dnsGrid = new QGridLayout(dnsBox);
    dnsGrid->addWidget(autoDns_, 0, 0, 1, 2);
    dnsGrid->addWidget(manualDns_, 0, 2, 1, 2);
    dnsGrid->addWidget(buddyLabel(tr("Preferred DNS:"), dns1_, dnsBox), 1, 0);
    dnsGrid->addWidget(dns1_, 1, 1);
    dnsGrid->addWidget(buddyLabel(tr("Alternative DNS:"), dns2_, dnsBox), 1, 2);
    dnsGrid->addWidget(dns2_, 1, 3);

    auto* serverBox = new QGroupBox(tr("Server Setting"), this);
    serverIp_ = addressEdit(serverBox, "serverIp");
    altServerIp_ = addressEdit(serverBox, "altServerIp");
    altServerIp_->hide();
    port_ = new QSpinBox(serverBox);
    port_->setObjectName(QStringLiteral("serverPort"));
    port_->setRange(0, 65535);
    port_->setValue(8890);
    heartbeat_ = new QSpinBox(serverBox);
    heartbeat_->setObjectName(QStringLiteral("heartbeat"));
    heartbeat_->setRange(0, kHeartbeatMax);
    heartbeat_->setValue(3);
    heartbeatLabel_ = buddyLabel(tr("Heartbeat Time:"), heartbeat_, serverBox);
    heartbeatUnit_ = new QLabel(tr("sec"), serverBox);
    auto* serverGrid = new QGridLayout(serverBox);
    serverGrid->addWidget(buddyLabel(tr("Server IP:"), serverIp_, serverBox), 0, 0);
    serverGrid->addWidget(serverIp_, 0, 1);
    serverGrid->addWidget(buddyLabel(tr("Port:"), port_, serverBox), 0, 2);
    serverGrid->addWidget(port_, 0, 3);
    serverGrid->addWidget(heartbeatLabel_, 1, 0);
    auto* heartbeatRow = new QHBoxLayout;
    heartbeatRow->addWidget(heartbeat_);
    heartbeatRow->addWidget(heartbeatUnit_);
    heartbeatRow->addStretch();
    serverGrid->addLayout(heartbeatRow, 1, 1);
    serverGrid->setColumnStretch(1, 1);
    serverGrid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(info);
    layout->addWidget(ipBox);
    layout->addWidget(dnsBox);
    layout->addWidget(serverBox);
    layout->addStretch();

    staticIp_->setChecked(true);
    manualDns_->setChecked(true);
    // The radios act at once; nothing reaches the record before a save.
    connect(staticIp_, &QRadioButton::toggled, this, &BasicParaPage::updateView);
    connect(autoDns_, &QRadioButton::toggled, this, &BasicParaPage::updateView);
    updateView();
}

void BasicParaPage::updateView()
{
    ParaPage::updateView();
    const bool manualIp = staticIp_->isChecked();
    ip_->setEnabled(manualIp);
    mask_->setEnabled(manualIp);
    gateway_->setEnabled(manualIp);
    const bool manualDns = !autoDns_->isChecked();
    dns1_->setEnabled(manualDns);
    dns2_->setEnabled(manualDns);
}

namespace {

void setAddress(IpAddressEdit* e, const FieldValue& v)
{
    if (v.blank)
        e->clear();
    else
        e->setAddress(static_cast<std::uint32_t>(v.number));
}

void putAddress(const IpAddressEdit* e, FieldValue& v)
{
    const auto a = e->address();
    v.blank = !a.has_value();
    v.number = e->addressOrZero();
}

} // namespace

void BasicParaPage::load(const SysParaSettings& s)
{
    ParaPage::load(s);
    deviceNo_->setText(QString::number(s.value("deviceNo").number));
    deviceName_->setText(QString::fromStdString(s.value("deviceName").text));
    userName_->setText(QString::fromStdString(s.value("userName").text));
    password_->setText(QString::fromStdString(s.value("password").text));
    (s.value("dhcp").number ? dhcp_ : staticIp_)->setChecked(true);
    setAddress(ip_, s.value("ip"));
    setAddress(mask_, s.value("mask"));
    setAddress(gateway_, s.value("gateway"));
    (s.value("autoDns").number ? autoDns_ : manualDns_)->setChecked(true);
    setAddress(dns1_, s.value("dns1"));
    setAddress(dns2_, s.value("dns2"));
    setAddress(serverIp_, s.value("serverIp"));
    setAddress(altServerIp_, s.value("altServerIp"));
    port_->setValue(static_cast<int>(s.value("serverPort").number));
    // The short record has no heartbeat: the control keeps its initial value, out of sight.
    heartbeatLabel_->setVisible(ext());
    heartbeat_->setVisible(ext());
    heartbeatUnit_->setVisible(ext());
    if (ext()) {
        // A device may hold more than the box offers for typing: the box
        // widens for it, so a Save without an edit writes the value back as it was.
        const int stored = static_cast<int>(s.value("heartbeat").number);
        heartbeat_->setRange(0, std::max(kHeartbeatMax, stored));
        heartbeat_->setValue(stored);
    }
    updateView();
}

void BasicParaPage::store(SysParaSettings& s) const
{
    // Ten digits at most: a number beyond 32 bits reaches the rules, which refuse it.
    s.value("deviceNo").number = deviceNo_->text().toLongLong();
    s.value("deviceName").text = deviceName_->text().toStdString();
    s.value("userName").text = userName_->text().toStdString();
    s.value("password").text = password_->text().toStdString();
    s.value("dhcp").number = staticIp_->isChecked() ? 0 : 1;
    putAddress(ip_, s.value("ip"));
    putAddress(mask_, s.value("mask"));
    putAddress(gateway_, s.value("gateway"));
    s.value("autoDns").number = autoDns_->isChecked() ? 1 : 0;
    putAddress(dns1_, s.value("dns1"));
    putAddress(dns2_, s.value("dns2"));
    putAddress(serverIp_, s.value("serverIp"));
    putAddress(altServerIp_, s.value("altServerIp"));
    s.value("serverPort").number = port_->value();
    if (s.ext())
        s.value("heartbeat").number = heartbeat_->value();
}

} // namespace aulira::app
