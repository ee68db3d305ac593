#pragma once
// "Modify MAC Address": the device's number, name and address for reference,
// and six two-digit fields for the new MAC address. On OK the entry holds the
// new address in its identity record and the old one in oldMac, ready for the
// worker's MAC change.
#include <QDialog>

#include <array>

#include "devices/DeviceList.h"

class QLineEdit;

namespace aulira::app {

class IpAddressEdit;

class EditMacDialog : public QDialog {
    Q_OBJECT
public:
    EditMacDialog(DeviceList& list, DeviceItemPtr item, QWidget* parent = nullptr);

    QLineEdit* macField(int i) const { return mac_[static_cast<std::size_t>(i)]; }

public slots:
    void accept() override;

private:
    DeviceList& list_;
    DeviceItemPtr item_;
    QLineEdit* number_;
    QLineEdit* name_;
    IpAddressEdit* ip_;
    std::array<QLineEdit*, 6> mac_{};
};

} // namespace aulira::app
