#pragma once
// The batch upgrade dialogs: device firmware ("Firmware Batch Upgrade") and
// call-station screen firmware ("Batch Upgrade of Microphone Screen
// Firmware"). Both list the devices their batch may upgrade with a tick box
// each, check the chosen upgrade file, run the batch on core's thread and
// show each device's progress or failure in its row. They refuse to close
// while a batch runs. After a batch, the failed devices can be tried once
// more, the results saved as a report, and (device firmware) the upgraded
// devices are asked whether they now run the file's version.
#include <QDialog>

#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeReport.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace aulira {
class DeviceList;
}

namespace aulira::app {

class CheckGrid;

class UpgradeDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { ColTick, ColNo, ColName, ColIp, ColMac, ColProgress, ColVersion, ColCount };

    ~UpgradeDialog() override;

    CheckGrid* grid() const { return grid_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QPushButton* upgradeButton() const { return upgradeButton_; }
    QPushButton* retryButton() const { return retryButton_; }
    QPushButton* reportButton() const { return reportButton_; }
    QSpinBox* atATimeBox() const { return atATime_; }
    bool isUpgrading() const { return upgrading_; }
    // A version check after the batch is still asking the devices.
    bool isVerifying() const { return verifying_; }

    // Per-user setting: how many devices a batch upgrades at once.
    static constexpr const char* kAtATimeKey = "UpgradeDialog/DevicesAtATime";
    // How long the upgraded devices are given to come back with the new version.
    static int verifyTimeoutMs();
    static void setVerifyTimeoutMs(int ms);
    // Per-user setting: seconds the upgraded devices are given to restart
    // before they are first asked for their version.
    static constexpr const char* kRestartWaitKey = "UpgradeDialog/RestartWaitSeconds";
    int restartWaitMs() const;

signals:
    // The batch-ended notification was handled (its outcome box shown).
    void batchFinished();
    // The version check after a batch has its answers.
    void verifyFinished();

public slots:
    void upgrade();
    void retryFailed();
    void saveReport();
    void browse();

protected:
    UpgradeDialog(UpgradeBatch::Kind kind, DeviceList& list, QWidget* parent);

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Listener;

    void fillRows();
    void layoutColumns();
    // silent: only Upgrade and the header fields follow the path (typing);
    // otherwise a file that cannot be used is also said in a box.
    void checkFile(bool silent);
    bool refuseClose();
    void startBatch(const std::vector<int>& rows, bool resetEveryRow);
    int rowOf(const DeviceItemPtr& item) const;
    void updateButtons();
    void showVersionCell(int row);

    // From the batch's thread, queued onto this one.
    void onProgress(const DeviceItemPtr& item, int percent);
    void onFailure(const DeviceItemPtr& item, const QString& text);
    void onDeviceStart(const DeviceItemPtr& item, UpgradeResult::TimePoint when);
    void onDeviceEnd(const DeviceItemPtr& item, bool upgraded, UpgradeResult::TimePoint when);
    void onBatchEnd();
    // "N of M upgraded", with an icon that fits.
    void showOutcome(int upgraded, int total);
    void startVerify();
    // One device's answer to the version check, as it comes.
    void onVersionAnswer(const UpgradeResult& answer);
    void onVerified(std::vector<UpgradeResult> results);
    // A row Retry failed takes: failed, not reached, or still on its old version.
    static bool needsRetry(const UpgradeResult& res);

    const UpgradeBatch::Kind kind_;
    DeviceList& list_;
    CheckGrid* grid_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QLineEdit* versionEdit_ = nullptr;
    QLineEdit* dateEdit_ = nullptr;
    QSpinBox* atATime_ = nullptr;
    QSpinBox* restartWait_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* upgradeButton_ = nullptr;
    QPushButton* retryButton_ = nullptr;
    QPushButton* reportButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QLabel* status_ = nullptr;

    // The rows' entries, in row order, as handed to the batch.
    std::vector<DeviceItemPtr> devices_;
    std::filesystem::path file_;
    bool upgrading_ = false;
    bool verifying_ = false;
    bool fileOk_ = false;
    QString lastRefused_; // the path whose refusal was last shown
    QString batchSummary_;
    std::string fileModel_, fileVersion_;

    // Each row's latest result; `taken_` marks rows ticked in some batch.
    std::vector<UpgradeResult> results_;
    std::vector<bool> taken_;
    std::vector<int> batchRows_; // rows ticked in the running or last batch

    std::unique_ptr<Listener> listener_;
    UpgradeBatch batch_;
    std::jthread verify_;
};

// The device firmware batch: every online device.
class FirmwareUpgradeDialog : public UpgradeDialog {
    Q_OBJECT
public:
    explicit FirmwareUpgradeDialog(DeviceList& list, QWidget* parent = nullptr);
};

// The screen firmware batch: the online call stations with a screen.
class ScreenUpgradeDialog : public UpgradeDialog {
    Q_OBJECT
public:
    explicit ScreenUpgradeDialog(DeviceList& list, QWidget* parent = nullptr);
};

} // namespace aulira::app
