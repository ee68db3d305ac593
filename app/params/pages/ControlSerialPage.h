#pragma once
// The "Control Serial" page: the control serial port and its network bridge.
#include "params/pages/SerialParaPage.h"

namespace aulira::app {

class ControlSerialPage : public SerialParaPage {
    Q_OBJECT
public:
    explicit ControlSerialPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
