#pragma once
// The "Basic Settings" page: device number, names and login, IP and DNS
// configuration, and the audio server. A view over SysParaSettings; the
// model decides what is refused and how each field is written.
#include <QWidget>

#include <functional>

#include "params/SysParaSettings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace aulira::app {

class IpAddressEdit;

class BasicParaPage : public QWidget {
    Q_OBJECT
public:
    // Shows a refusal to the user; replaceable so tests see the text.
    using WarnHandler = std::function<void(QWidget* owner, const QString& text)>;

    explicit BasicParaPage(QWidget* parent = nullptr);

    void setWarnHandler(WarnHandler warn) { warn_ = std::move(warn); }

    // Fills the controls from the settings and marks the page loaded.
    void load(const SysParaSettings& settings);
    bool isLoaded() const { return loaded_; }
    void unload() { loaded_ = false; }

    // Puts what the controls hold into the settings, without any check.
    void store(SysParaSettings& settings) const;

    // Stores the page into the record through the settings' rules. True when
    // stored (or never loaded); false after a refusal, whose message has been
    // shown. Fields before the refused one are in the record either way.
    bool saveTo(SysParaSettings& settings, Bytes record);

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

private:
    void updateEnabled();

    bool loaded_ = false;
    bool ext_ = true;
    WarnHandler warn_;

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
