#include "params/EditMacDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageBox.h"
#include "controls/BuddyNames.h"
#include "controls/IpAddressEdit.h"
#include "params/MacText.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"

namespace aulira::app {

EditMacDialog::EditMacDialog(DeviceList& list, DeviceItemPtr item, QWidget* parent)
    : QDialog(parent), list_(list), item_(std::move(item))
{
    setObjectName(QStringLiteral("editMacDialog"));
    setWindowTitle(tr("Modify MAC Address"));
    auto* box = new QGroupBox(tr("MAC Address Settings"), this);
    auto* form = new QFormLayout(box);
    number_ = new QLineEdit(box);
    number_->setObjectName(QStringLiteral("macDeviceNo"));
    number_->setReadOnly(true);
    name_ = new QLineEdit(box);
    name_->setObjectName(QStringLiteral("macDeviceName"));
    name_->setReadOnly(true);
    ip_ = new IpAddressEdit(box);
    ip_->setObjectName(QStringLiteral("macDeviceIp"));
    ip_->setEnabled(false);
    auto* macRow = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        auto* f = new QLineEdit(box);
        f->setObjectName(QStringLiteral("macByte%1").arg(i + 1));
        f->setMaxLength(2);
        f->setFixedWidth(f->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
        f->setAccessibleName(tr("MAC Address"));
        f->setAccessibleDescription(tr("byte %1 of 6").arg(i + 1));
        mac_[static_cast<std::size_t>(i)] = f;
        macRow->addWidget(f);
        if (i < 5)
            macRow->addWidget(new QLabel(QStringLiteral("-"), box));
    }
    macRow->addStretch();
    form->addRow(tr("Device NO:"), number_);
    form->addRow(tr("Device Name:"), name_);
    form->addRow(tr("Device IP:"), ip_);
    form->addRow(tr("MAC Address:"), macRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("macOkButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &EditMacDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(buttons);
    nameBuddies(this);

    if (item_) {
        std::lock_guard lock(list_.mutex());
        const DeviceInfo_Type& info = item_->devItem;
        number_->setText(QString::number(info.devNo()));
        name_->setText(QString::fromStdString(ansiToUtf8(info.devName())));
        ip_->setAddress(info.ip());
        for (int i = 0; i < 6; ++i)
            mac_[static_cast<std::size_t>(i)]->setText(
                QStringLiteral("%1").arg(info.mac()[i], 2, 16, QLatin1Char('0')).toUpper());
    }
}

void EditMacDialog::accept()
{
    std::array<std::string, 6> edits;
    for (int i = 0; i < 6; ++i)
        edits[static_cast<std::size_t>(i)] = mac_[static_cast<std::size_t>(i)]->text().toStdString();
    const MacTextResult r = parseMacEdits(edits);
    if (!r.mac) {
        QLineEdit* bad = mac_[static_cast<std::size_t>(r.badEdit)];
        bad->setFocus();
        bad->selectAll();
        showWarning(this, QString::fromStdString(stringText(IDS_MAC_INCORRECT)));
        return;
    }
    // The rule auctl's MAC command applies: no address a device cannot own.
    if (const int refusal = checkAssignableMac(*r.mac)) {
        mac_[0]->setFocus();
        mac_[0]->selectAll();
        showWarningText(this, refusal);
        return;
    }
    if (item_) {
        std::lock_guard lock(list_.mutex());
        std::copy_n(item_->devItem.mac(), 6, item_->oldMac.begin());
        item_->devItem.setMac(r.mac->data());
    }
    QDialog::accept();
}

} // namespace aulira::app
