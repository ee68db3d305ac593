#include "devices/AddDeviceDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <mutex>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "controls/IpAddressEdit.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

AddDeviceDialog::AddDeviceDialog(DeviceList& list, QWidget* parent)
    : QDialog(parent), list_(list), mode_(EntryMode::Add)
{
    build();
    setWindowTitle(tr(oneLine(stringText(IDS_ADD_DEVICE)).c_str()));
    maskEdit_->setAddress(*parseIp("255.255.255.0"));
}

AddDeviceDialog::AddDeviceDialog(DeviceList& list, DeviceItemPtr item, QWidget* parent)
    : QDialog(parent), list_(list), item_(std::move(item)), mode_(EntryMode::Edit)
{
    build();
    setWindowTitle(tr(oneLine(stringText(IDS_EDIT_DEVICE)).c_str()));
    if (item_) {
        std::lock_guard lock(list_.mutex());
        const auto& r = item_->devItem;
        noEdit_->setText(QString::number(r.devNo()));
        nameEdit_->setText(QString::fromStdString(ansiToUtf8(r.devName())));
        ipEdit_->setAddress(r.ip());
        maskEdit_->setAddress(r.mask());
    }
}

void AddDeviceDialog::build()
{
    setObjectName(QStringLiteral("addDeviceDialog"));
    setModal(true);

    noEdit_ = new QLineEdit(this);
    noEdit_->setObjectName(QStringLiteral("deviceNoEdit"));
    noEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), noEdit_));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("deviceNameEdit"));
    ipEdit_ = new IpAddressEdit(this);
    ipEdit_->setObjectName(QStringLiteral("ipAddressEdit"));
    maskEdit_ = new IpAddressEdit(this);
    maskEdit_->setObjectName(QStringLiteral("subnetMaskEdit"));

    auto* form = new QFormLayout;
    form->addRow(tr("Device NO:"), noEdit_);
    form->addRow(tr("Device Name:"), nameEdit_);
    form->addRow(tr("IP Address:"), ipEdit_);
    form->addRow(tr("Subnet Mask:"), maskEdit_);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &AddDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddDeviceDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    nameBuddies(this);
}

DeviceEntry AddDeviceDialog::entry() const
{
    DeviceEntry e;
    e.noText = noEdit_->text().toStdString();
    e.name = nameEdit_->text().toStdString();
    // A half-filled address counts as blank: the rules then refuse it.
    e.ip = ipEdit_->address();
    e.mask = maskEdit_->address();
    return e;
}

void AddDeviceDialog::accept()
{
    const DeviceEntry e = entry();
    // The rules auctl applies to a typed entry: a duplicate address, a mask
    // with holes or an address no single device can own strand the device.
    // An empty number gets the dialog's own message, as it always has.
    lastRefusal_ = e.noText.empty() ? IDS_ENTER_DEVICE_NO
                                    : checkTypedDeviceEntry(mode_, e, list_.snapshot(),
                                                            mode_ == EntryMode::Edit ? item_.get() : nullptr);
    if (lastRefusal_ != 0) {
        showWarningText(this, lastRefusal_);
        return;
    }
    if (mode_ == EntryMode::Add) {
        auto item = newManualDevice(e);
        list_.insertManual(item);
        emit deviceAdded(item);
        // Ready for the next device; the mask usually stays the same.
        noEdit_->clear();
        nameEdit_->clear();
        ipEdit_->clear();
        noEdit_->setFocus();
        return;
    }
    {
        std::lock_guard lock(list_.mutex());
        storeDeviceEntry(e, *item_);
    }
    list_.editedManual(item_);
    emit deviceModified(item_);
    QDialog::accept();
}

} // namespace aulira::app
