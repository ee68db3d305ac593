#pragma once
// The "Control and Status" page: the key input mode and the signal-failure delays.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class ControlStatusPage : public ParaPage {
    Q_OBJECT
public:
    explicit ControlStatusPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
