#pragma once
// The "GPIO" page: the event server and the modes of the four GPIO lines.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class GpioParaPage : public ParaPage {
    Q_OBJECT
public:
    explicit GpioParaPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
