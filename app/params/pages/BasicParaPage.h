#pragma once
// The "Basic Settings" page: device number, names and login, IP and DNS
// configuration, and the audio server. A view over SysParaSettings; the
// model decides what is refused and how each field is written.
#include "params/pages/ParaPage.h"

class QLineEdit;

namespace aulira::app {

class BasicParaPage : public ParaPage {
    Q_OBJECT
public:
    explicit BasicParaPage(QWidget* parent = nullptr);

    void load(const SysParaSettings& settings) override;
    void store(SysParaSettings& settings) const override;

    QLineEdit* deviceNoEdit() const { return deviceNo_; }
    QLineEdit* deviceNameEdit() const { return deviceName_; }
    QLineEdit* userNameEdit() const { return userName_; }
    QLineEdit* passwordEdit() const { return password_; }
    QRadioButton* staticIpRadio() const { return staticIp_; }
    QRadioButton* dhcpRadio() const { return dhcp_; }
    IpAddressEdit* ipEdit() const { return ip_; }
    IpAddressEdit* maskEdit() const { return mask_; }
    IpAddressEdit* gatewayEdit() const { return gateway_; }
    QRadioButton* autoDnsRadio() const { return autoDns_; }
    QRadioButton* manualDnsRadio() const { return manualDns_; }
    IpAddressEdit* dns1Edit() const { return dns1_; }
    IpAddressEdit* dns2Edit() const { return dns2_; }
    IpAddressEdit* serverIpEdit() const { return serverIp_; }
    IpAddressEdit* altServerIpEdit() const { return altServerIp_; }
    QSpinBox* portSpin() const { return port_; }
    QSpinBox* heartbeatSpin() const { return heartbeat_; }

protected:
    void updateView() override;
    // Its boxes are laid out as pairs of columns of their own; nothing to line up.
    void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }

private:

    QLineEdit* deviceNo_;
    QLineEdit* deviceName_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QRadioButton* staticIp_;
    QRadioButton* dhcp_;
    IpAddressEdit* ip_;
    IpAddressEdit* mask_;
    IpAddressEdit* gateway_;
    QRadioButton* autoDns_;
    QRadioButton* manualDns_;
    IpAddressEdit* dns1_;
    IpAddressEdit* dns2_;
    IpAddressEdit* serverIp_;
    IpAddressEdit* altServerIp_; // never shown: carries the stored value through
    QSpinBox* port_;
    QLabel* heartbeatLabel_;
    QSpinBox* heartbeat_;
    QLabel* heartbeatUnit_;
};

} // namespace aulira::app
