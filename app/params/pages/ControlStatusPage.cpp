#include "params/pages/ControlStatusPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace aulira::app {

ControlStatusPage::ControlStatusPage(QWidget* parent) : ParaPage({SysParaPage::ControlStatus}, parent)
{
    setObjectName(QStringLiteral("controlStatusPage"));
    auto* mode = new QGroupBox(tr("Key Input Mode"), this);
    auto* mGrid = new QGridLayout(mode);
    addRadioRow(mGrid, 0, tr("Key Input Mode"), bindRadios("keyInputMode", mode));
    mGrid->setColumnStretch(1, 1);

    // The boxes offer up to 600 seconds; the byte holds 255, and the save refuses more.
    auto* delay = new QGroupBox(tr("Signal Failure Delay"), this);
    auto* dGrid = new QGridLayout(delay);
    addRow(dGrid, 0, tr("Play Output(sec):"), bindSpin("playFailureDelay", delay));
    addRow(dGrid, 0, tr("Audio Input(sec):"), bindSpin("inputFailureDelay", delay), 2);
    dGrid->setColumnStretch(1, 1);
    dGrid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mode);
    layout->addWidget(delay);
    layout->addStretch();
}

} // namespace aulira::app
