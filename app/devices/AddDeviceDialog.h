#pragma once
// Manual entry of devices the search cannot reach (other subnets), and the
// edit of a saved device that is offline. In add mode the dialog stays open
// after each added device; in edit mode OK stores and closes.
#include <QDialog>

#include "devices/DeviceList.h"
#include "devices/DeviceRules.h"

class QLineEdit;
class QPushButton;

namespace aulira::app {

class IpAddressEdit;

class AddDeviceDialog : public QDialog {
    Q_OBJECT
public:
    // Add mode: new entries go to the front of `list`.
    AddDeviceDialog(DeviceList& list, QWidget* parent = nullptr);
    // Edit mode for `item`, an entry of `list`.
    AddDeviceDialog(DeviceList& list, DeviceItemPtr item, QWidget* parent = nullptr);

    EntryMode mode() const { return mode_; }
    // The string id of the last refusal, 0 after a stored entry.
    int lastRefusal() const { return lastRefusal_; }

signals:
    void deviceAdded(const aulira::DeviceItemPtr& item);
    void deviceModified(const aulira::DeviceItemPtr& item);

public slots:
    void accept() override;

private:
    void build();
    DeviceEntry entry() const;

    DeviceList& list_;
    DeviceItemPtr item_;
    EntryMode mode_;
    int lastRefusal_ = 0;
    QLineEdit* noEdit_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    IpAddressEdit* ipEdit_ = nullptr;
    IpAddressEdit* maskEdit_ = nullptr;
};

} // namespace aulira::app
