#include "params/pages/RecordingParaPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace aulira::app {

RecordingParaPage::RecordingParaPage(QWidget* parent) : ParaPage({SysParaPage::Recording}, parent)
{
    setObjectName(QStringLiteral("recordingPage"));
    auto* input = new QGroupBox(tr("Input"), this);
    auto* inGrid = new QGridLayout(input);
    addRadioRow(inGrid, 0, tr("Audio Source:"), bindRadios("recordInput", input));
    addRow(inGrid, 0, tr("Gain:"), bindSpin("recordGain", input), 2);
    addRow(inGrid, 1, tr("Samplerate(Hz):"), bindCombo("sampleRate", input));
    addRow(inGrid, 2, tr("Trigger Delay(s):"), bindSpin("triggerDelay", input));
    addRow(inGrid, 2, tr("Trigger Value:"), bindSpin("triggerValue", input), 2);
    inGrid->setColumnStretch(1, 1);
    inGrid->setColumnStretch(3, 1);

    auto* sound = new QGroupBox(tr("Sound"), this);
    auto* sGrid = new QGridLayout(sound);
    addRadioRow(sGrid, 0, tr("Sound"), bindRadios("promptSound", sound), {1, 0});
    addRow(sGrid, 0, tr("Prompt Volume:"), bindSpin("promptVolume", sound), 2);
    sGrid->setColumnStretch(1, 1);
    sGrid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(input);
    layout->addWidget(sound);
    layout->addStretch();
}

} // namespace aulira::app
