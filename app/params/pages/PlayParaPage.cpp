#include "params/pages/PlayParaPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace aulira::app {

PlayParaPage::PlayParaPage(QWidget* parent) : ParaPage({SysParaPage::Play}, parent)
{
    setObjectName(QStringLiteral("playPage"));
    auto* groups = new QGroupBox(tr("Affiliated Group"), this);
    auto* groupGrid = new QGridLayout(groups);
    const QString labels[] = {tr("First Group:"), tr("Second Group:"),  tr("Third Group:"),   tr("Fourth Group:"),
                              tr("Fifth Group:"), tr("Sixth Group :"), tr("Seventh Group:"), tr("Eighth Group :")};
    for (int g = 0; g < 8; ++g)
        addRow(groupGrid, g / 2, labels[g], bindSpin("groups", groups, g), 2 * (g % 2));
    groupGrid->setColumnStretch(1, 1);
    groupGrid->setColumnStretch(3, 1);

    auto* output = new QGroupBox(tr("Output Characteristic"), this);
    auto* outGrid = new QGridLayout(output);
    addRow(outGrid, 0, tr("Output Cache Size:"), bindSpin("outputCache", output));
    addRow(outGrid, 0, tr("Volume:"), bindSpin("volume", output), 2);
    outGrid->addWidget(bindCheck("prohibitBroadcast", tr("Prohibit audio broadcast streaming"), output), 1, 0, 1, 4);
    // Not offered on the page; the device's value is carried through.
    for (auto* r : bindRadios("gradualVolume", output))
        r->hide();
    outGrid->setColumnStretch(1, 1);
    outGrid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(groups);
    layout->addWidget(output);
    layout->addStretch();
}

} // namespace aulira::app
