#pragma once
// The "Control 1" to "Control 4" pages: the key's mode radios, and the call
// and transmission settings embedded below them. Mode 0 ("Intercom") shows
// the call settings, mode 1 ("Encode") the transmission settings, the
// function modes neither; both are stored whatever the mode, so a key that
// changes mode keeps its blocks as loaded.
#include "params/pages/ParaPage.h"

namespace aulira::app {

class KeyParaPage : public ParaPage {
    Q_OBJECT
public:
    // `key`: 1 to 4.
    KeyParaPage(int key, QWidget* parent = nullptr);

    int key() const { return key_; }
    // Key 3's "Intercom Status" radio is offered for one model only.
    void setIntercomStatusOffered(bool offered);
    QWidget* callSettings() const { return call_; }
    QWidget* transmissionSettings() const { return transmission_; }

protected:
    void updateView() override;

private:
    std::string field(std::string_view name) const;

    int key_;
    QWidget* call_;
    QWidget* transmission_;
    QRadioButton* intercomStatus_ = nullptr;
};

} // namespace aulira::app
