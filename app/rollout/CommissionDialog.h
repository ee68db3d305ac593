#pragma once
// The run of a reviewed rollout: a row per device with its progress and
// result, a few devices at a time on the commission engine's threads. It
// refuses to close while devices are being written; afterwards the failed
// devices can be tried again and every device's result saved as a report.
#include <QDialog>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "rollout/Commission.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace aulira {
class DeviceList;
}

namespace aulira::app {

class CheckGrid;

class CommissionDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { ColTick, ColNo, ColName, ColIp, ColMac, ColChanges, ColProgress, ColCount };

    // `devices`: every reviewed device, one row each; `ticked` says which
    // are written. Devices that cannot be written (not found, not read, a
    // refused cell) show why at once and take part in the report.
    CommissionDialog(DeviceList& list, std::vector<PlannedDevice> devices, const std::vector<bool>& ticked,
                     std::filesystem::path backupDir, QWidget* parent = nullptr);
    ~CommissionDialog() override;

    CheckGrid* grid() const { return grid_; }
    QPushButton* startButton() const { return startButton_; }
    QPushButton* stopButton() const { return stopButton_; }
    QPushButton* retryButton() const { return retryButton_; }
    QPushButton* reportButton() const { return reportButton_; }
    QSpinBox* atATimeBox() const { return atATime_; }
    bool isRunning() const { return running_; }
    const std::vector<CommissionResult>& results() const { return results_; }

    // Per-user setting: how many devices are written at once.
    static constexpr const char* kAtATimeKey = "CommissionDialog/DevicesAtATime";
    static constexpr int kMaxAtATime = 32;

signals:
    // A run ended and its rows show their results.
    void runFinished();

public slots:
    void start();
    void stop();
    void retryFailed();
    void saveReport();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fillRows(const std::vector<bool>& ticked);
    void layoutColumns();
    // Rows that ran before (Retry failed, or Start again) are read again
    // first, and their reviewed changes are made on what they hold now.
    void run(const std::vector<int>& rows);
    void updateButtons();
    bool refuseClose();
    bool retryable(int row) const;

    // From the engine's threads, queued onto this one.
    void onStep(int row, CommissionStep step);
    void onResult(int row, const CommissionResult& result);
    // The result in the row's progress cell; returns the text shown.
    QString showResult(int row, const CommissionResult& result);
    void onRunEnd();

    DeviceList& list_;
    std::vector<PlannedDevice> devices_;
    std::filesystem::path backupDir_;
    std::vector<CommissionResult> results_;
    std::vector<bool> taken_; // rows some run has worked on
    std::vector<bool> writable_; // rows the review let through
    std::vector<int> runRows_;

    CheckGrid* grid_ = nullptr;
    QSpinBox* atATime_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* retryButton_ = nullptr;
    QPushButton* reportButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* status_ = nullptr;

    bool running_ = false;
    std::atomic<bool> cancel_{false};
    std::jthread thread_;
};

} // namespace aulira::app
