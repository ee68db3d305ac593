#pragma once
// The "Session Settings" page: input, ringing and intercom conversation processing.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class SessionParaPage : public ParaPage {
    Q_OBJECT
public:
    explicit SessionParaPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
