#pragma once
// What the two serial pages share: the "Serial Port" box (baud rate, parity,
// data bits, stop bit, and the flow control kept out of sight) and the
// "Network" box of the bridge.
#include "params/pages/ParaPage.h"

class QGridLayout;
class QGroupBox;

namespace aulira::app {

class SerialParaPage : public ParaPage {
    Q_OBJECT
protected:
    // `prefix` names the block: "controlSerial" or "dataSerial".
    SerialParaPage(SysParaPage page, std::string_view prefix, QWidget* parent);

    std::string field(std::string_view name) const;

    QGroupBox* serialBox_;
    QGridLayout* serialGrid_;
    QGroupBox* networkBox_;
    QGridLayout* networkGrid_;

private:
    std::string prefix_;
};

} // namespace aulira::app
