#pragma once
// The "Play Settings" page: the broadcast groups the device belongs to and its output.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class PlayParaPage : public ParaPage {
    Q_OBJECT
public:
    explicit PlayParaPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
