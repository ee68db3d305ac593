#include "params/pages/KeyParaPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/IpAddressEdit.h"

namespace aulira::app {

namespace {

SysParaPage pageOf(int key) { return static_cast<SysParaPage>(static_cast<int>(SysParaPage::Key1) + key - 1); }

} // namespace

KeyParaPage::KeyParaPage(int key, QWidget* parent) : ParaPage({pageOf(key)}, parent), key_(key)
{
    setObjectName(QStringLiteral("key%1Page").arg(key));

    auto* modeBox = new QGroupBox(tr("Key Input Mode"), this);
    auto* modeRow = new QHBoxLayout(modeBox);
    const auto modes = bindRadios(field("mode"), modeBox);
    for (auto* r : modes)
        modeRow->addWidget(r);
    modeRow->addStretch();
    if (key == 3) {
        intercomStatus_ = modes.at(static_cast<std::size_t>(kKey3IntercomStatus));
        intercomStatus_->hide();
    }

    // The call settings: one service target, or four on key 1.
    call_ = new QWidget(this);
    call_->setObjectName(QStringLiteral("callSettings"));
    auto* service = new QGroupBox(tr("Customer Service"), call_);
    auto* sGrid = new QGridLayout(service);
    addRadioRow(sGrid, 0, tr("Call Type:"), bindRadios(field("callType"), service));
    if (key == 1) {
        addTargetRow(sGrid, 1, tr("Customer Service:"), bindTarget("key1.target1", service));
        addTargetRow(sGrid, 2, tr("Service Target 2:"), bindTarget("key1.target2", service));
        addTargetRow(sGrid, 3, tr("Service Target 3:"), bindTarget("key1.target3", service));
        addTargetRow(sGrid, 4, tr("Service Target 4:"), bindTarget("key1.target4", service));
    } else {
        addTargetRow(sGrid, 1, tr("Customer Service:"), bindTarget(field("target"), service));
    }
    sGrid->setColumnStretch(1, 1);
    auto* forwarding = new QGroupBox(tr("Call Forwarding"), call_);
    auto* fGrid = new QGridLayout(forwarding);
    addRadioRow(fGrid, 0, tr("Call Forwarding:"), bindRadios(field("forwarding"), forwarding), {1, 0});
    addRadioRow(fGrid, 1, tr("Forwarding Type:"), bindRadios(field("forwardingType"), forwarding));
    addTargetRow(fGrid, 2, tr("Forwarding Target:"), bindTarget(field("forwardingTarget"), forwarding));
    fGrid->setColumnStretch(1, 1);
    // With forwarding off, its type and target are still stored as they stand.
    const auto forwardingOn = [this] { return shownPosition(field("forwarding")) == 1; };
    enableWhen(field("forwardingType"), forwardingOn);
    enableWhen(field("forwardingTarget"), forwardingOn);
    auto* callLayout = new QVBoxLayout(call_);
    callLayout->setContentsMargins(0, 0, 0, 0);
    callLayout->addWidget(service);
    callLayout->addWidget(forwarding);

    transmission_ = new QGroupBox(tr("Transmission Target"), this);
    transmission_->setObjectName(QStringLiteral("transmissionSettings"));
    auto* tGrid = new QGridLayout(transmission_);
    addRadioRow(tGrid, 0, tr("Output Mode:"), bindRadios(field("outputMode"), transmission_));
    addTargetRow(tGrid, 1, tr("Target:"), bindTarget(field("outputTarget"), transmission_));
    addRow(tGrid, 2, tr("Priority:"), bindSpin(field("priority"), transmission_));
    tGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(modeBox);
    layout->addWidget(call_);
    layout->addWidget(transmission_);
    layout->addStretch();
    updateView();
}

std::string KeyParaPage::field(std::string_view name) const
{
    return "key" + std::to_string(key_) + "." + std::string(name);
}

void KeyParaPage::setIntercomStatusOffered(bool offered)
{
    // A device that holds the mode anyway keeps it: the radio stays checked, out of sight.
    if (intercomStatus_)
        intercomStatus_->setVisible(offered);
}

void KeyParaPage::updateView()
{
    ParaPage::updateView();
    const int mode = shownPosition(field("mode"));
    call_->setVisible(mode == 0);
    transmission_->setVisible(mode == 1);
}

} // namespace aulira::app
