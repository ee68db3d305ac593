#pragma once
// Shown while a search runs. The bar fills in about two seconds and then
// stays full; the user cannot close it, the view hides it when the search ends.
#include <QBasicTimer>
#include <QDialog>

class QProgressBar;

namespace aulira::app {

class SearchProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit SearchProgressDialog(QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return bar_; }
    bool ticking() const { return timer_.isActive(); }

    static constexpr int kTickMs = 200;
    static constexpr int kStep = 200;
    static constexpr int kRange = 2000;

public slots:
    void reject() override; // Escape does not close it either

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QProgressBar* bar_ = nullptr;
    QBasicTimer timer_;
    int position_ = 0;
};

} // namespace aulira::app
