#include "params/pages/GpioParaPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/IpAddressEdit.h"

namespace aulira::app {

GpioParaPage::GpioParaPage(QWidget* parent) : ParaPage({SysParaPage::Gpio}, parent)
{
    setObjectName(QStringLiteral("gpioPage"));
    auto* server = new QGroupBox(tr("Event Server"), this);
    auto* sGrid = new QGridLayout(server);
    addRow(sGrid, 0, tr("Server IP:"), bindAddress("gpio.serverIp", server));
    addRow(sGrid, 0, tr("Server Port:"), bindSpin("gpio.serverPort", server), 2);
    sGrid->setColumnStretch(1, 1);
    sGrid->setColumnStretch(3, 1);

    // "Mode:" heads four lists, line 1 to 4 from left to right; each list is
    // named by the line number above it.
    auto* mode = new QGroupBox(tr("Work Mode"), this);
    auto* mGrid = new QGridLayout(mode);
    mGrid->addWidget(new QLabel(tr("Mode:"), mode), 1, 0);
    constexpr std::string_view lines[] = {"gpio.line1", "gpio.line2", "gpio.line3", "gpio.line4"};
    for (int l = 0; l < 4; ++l) {
        QComboBox* list = bindCombo(lines[l], mode);
        mGrid->addWidget(label(tr("GPIO %1").arg(l + 1), list, mode), 0, l + 1);
        mGrid->addWidget(list, 1, l + 1);
    }
    mGrid->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(server);
    layout->addWidget(mode);
    layout->addStretch();
}

} // namespace aulira::app
