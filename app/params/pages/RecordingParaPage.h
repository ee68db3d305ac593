#pragma once
// The "Recording Settings" page: the input used for recording and the prompt sound.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class RecordingParaPage : public ParaPage {
    Q_OBJECT
public:
    explicit RecordingParaPage(QWidget* parent = nullptr);
};

} // namespace aulira::app
