#include "params/pages/SessionParaPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace aulira::app {

SessionParaPage::SessionParaPage(QWidget* parent) : ParaPage({SysParaPage::Session}, parent)
{
    setObjectName(QStringLiteral("sessionPage"));
    auto* input = new QGroupBox(tr("Input Audio Source"), this);
    auto* inGrid = new QGridLayout(input);
    addRadioRow(inGrid, 0, tr("Input:"), bindRadios("sessionInput", input));
    addRow(inGrid, 0, tr("Gain:"), bindSpin("sessionGain", input), 2);
    inGrid->setColumnStretch(1, 1);
    inGrid->setColumnStretch(3, 1);

    auto* session = new QGroupBox(tr("Session Processing"), this);
    auto* sGrid = new QGridLayout(session);
    addRow(sGrid, 0, tr("Ring Volume:"), bindSpin("ringVolume", session));
    addRow(sGrid, 0, tr("Session Volume:"), bindSpin("sessionVolume", session), 2);
    addRow(sGrid, 1, tr("Ring Count:"), bindSpin("ringCount", session));
    sGrid->addWidget(new QLabel(tr("(Rings before automatic answer)"), session), 1, 2, 1, 2);
    addRow(sGrid, 2, tr("Busy Tone:"), bindCombo("busyTone", session));
    sGrid->addWidget(new QLabel(tr("(End of Conversation Busy tone)"), session), 2, 2, 1, 2);
    // Position 1 is "Enable": shown first, as people read it.
    addRadioRow(sGrid, 3, tr("Call Key Hang Up:"), bindRadios("callKeyHangUp", session), {1, 0});
    sGrid->setColumnStretch(1, 1);
    sGrid->setColumnStretch(3, 1);

    auto* dsp = new QGroupBox(tr("DSP Processing"), this);
    auto* dGrid = new QGridLayout(dsp);
    addRow(dGrid, 0, tr("Usage Environment:"), bindCombo("environment", dsp));
    addRow(dGrid, 0, tr("Encoding:"), bindCombo("encoding", dsp), 2);
    addRow(dGrid, 1, tr("Session Cache Size:"), bindSpin("sessionCache", dsp));
    dGrid->setColumnStretch(1, 1);
    dGrid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(input);
    layout->addWidget(session);
    layout->addWidget(dsp);
    layout->addStretch();
}

} // namespace aulira::app
