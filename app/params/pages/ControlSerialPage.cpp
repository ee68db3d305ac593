#include "params/pages/ControlSerialPage.h"

namespace aulira::app {

ControlSerialPage::ControlSerialPage(QWidget* parent)
    : SerialParaPage(SysParaPage::ControlSerial, "controlSerial", parent)
{
    setObjectName(QStringLiteral("controlSerialPage"));
}

} // namespace aulira::app
