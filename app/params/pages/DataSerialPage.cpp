#include "params/pages/DataSerialPage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>

namespace aulira::app {

DataSerialPage::DataSerialPage(QWidget* parent) : SerialParaPage(SysParaPage::DataSerial, "dataSerial", parent)
{
    setObjectName(QStringLiteral("dataSerialPage"));
    // Not offered on the page; the device's values are carried through.
    bindSpin(field("maxFrame"), networkBox_)->hide();
    bindCombo(field("protocol"), networkBox_)->hide();
    bindCombo(field("workMode"), networkBox_)->hide();
    bindSpin(field("keepalive"), networkBox_)->hide();
}

} // namespace aulira::app
