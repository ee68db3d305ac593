#include "params/pages/SerialParaPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/IpAddressEdit.h"

namespace aulira::app {

SerialParaPage::SerialParaPage(SysParaPage page, std::string_view prefix, QWidget* parent)
    : ParaPage({page}, parent), prefix_(prefix)
{
    serialBox_ = new QGroupBox(tr("Serial Port"), this);
    serialGrid_ = new QGridLayout(serialBox_);
    addRow(serialGrid_, 0, tr("Baud Rate:"), bindCombo(field("baudRate"), serialBox_));
    addRow(serialGrid_, 0, tr("Parity:"), bindCombo(field("parity"), serialBox_), 2);
    addRow(serialGrid_, 1, tr("Data Bits:"), bindCombo(field("dataBits"), serialBox_));
    addRow(serialGrid_, 1, tr("Stop Bit:"), bindCombo(field("stopBits"), serialBox_), 2);
    // Not offered on the page; the device's values are carried through.
    bindCombo(field("flowControl"), serialBox_)->hide();
    bindSpin(field("frameInterval"), serialBox_)->hide();
    serialGrid_->setColumnStretch(1, 1);
    serialGrid_->setColumnStretch(3, 1);

    networkBox_ = new QGroupBox(tr("Network"), this);
    networkGrid_ = new QGridLayout(networkBox_);
    addRow(networkGrid_, 0, tr("Target IP:"), bindAddress(field("targetIp"), networkBox_));
    addRow(networkGrid_, 1, tr("Local Port:"), bindSpin(field("localPort"), networkBox_));
    addRow(networkGrid_, 1, tr("Target Port:"), bindSpin(field("targetPort"), networkBox_), 2);
    networkGrid_->setColumnStretch(1, 1);
    networkGrid_->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(serialBox_);
    layout->addWidget(networkBox_);
    layout->addStretch();
}

std::string SerialParaPage::field(std::string_view name) const { return prefix_ + "." + std::string(name); }

} // namespace aulira::app
