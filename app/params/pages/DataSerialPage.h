#pragma once
// The "Data Serial" page: the data serial port and its network bridge.
#include "params/pages/SerialParaPage.h"

namespace aulira::app {

class DataSerialPage : public SerialParaPage {
    Q_OBJECT
public:
    explicit DataSerialPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
