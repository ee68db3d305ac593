#pragma once
// The About box. Besides the version it hides the service switch for the MAC
// address menu: from the fifth double-click on its client area in one
// opening, that double-click and every further one toggles macEditMenuEnabled.
#include <QDialog>

namespace aulira::app {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMacMenuDoubleClicks = 5;

    explicit AboutDialog(QWidget* parent = nullptr);

    // Double-clicks counted since the box was last opened.
    int doubleClickCount() const { return doubleClicks_; }

protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int doubleClicks_ = 0;
};

} // namespace aulira::app
