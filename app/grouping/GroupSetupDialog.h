#pragma once
// The group settings: the broadcast groups on the left, every device of the
// list with a tick box on the right, ticked when it belongs to the current
// group, and the download that writes each online device's group numbers.
//
// The groups are the program's own list (the caller keeps it); the dialog
// edits it in place and writes the group file when it closes after a change.
// The download runs on the protocol worker with a copy of the groups; its
// progress comes back through groupProgress()/groupDownloaded() (the worker's
// listener) and each device's steps through queued calls, in batches, shown
// in the device's row. While it runs the editing controls are off and the dialog
// cannot be closed; they come back kRestoreDelayMs after the end.
#include <QDialog>

#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "devices/DeviceList.h"
#include "grouping/GroupDownload.h"
#include "grouping/GroupTypes.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace aulira {
class ProtocolWorker;
}

namespace aulira::app {

class CheckGrid;

class GroupSetupDialog : public QDialog {
    Q_OBJECT
public:
    GroupSetupDialog(GroupList& groups, std::filesystem::path groupFile, DeviceList& list, ProtocolWorker& worker,
                     QWidget* parent = nullptr);
    ~GroupSetupDialog() override;

    enum DeviceColumn { ColCheck, ColNo, ColName, ColIp, ColResult, kDeviceColumns };
    enum GroupColumn { ColSn, ColGroupNo, ColGroupName, kGroupColumns };
    static constexpr int kRestoreDelayMs = 3000;

    QTreeWidget* groupList() const { return groupList_; }
    CheckGrid* deviceGrid() const { return grid_; }
    QPushButton* newGroupButton() const { return newButton_; }
    QPushButton* deleteGroupButton() const { return deleteButton_; }
    QPushButton* downloadButton() const { return downloadButton_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* progressText() const { return progressText_; }
    QLabel* resultText() const { return result_; }
    bool downloading() const { return downloading_; }
    bool changed() const { return changed_; }

public slots:
    void groupProgress(int percent);
    void groupDownloaded();
    // The close button and Escape both end here: refused while downloading,
    // and the groups are written first when they changed.
    void reject() override;

signals:
    // A line for the main window's status bar (the download's result).
    void statusMessage(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Inbox;
    static std::shared_ptr<Inbox> makeInbox(GroupSetupDialog* dialog);
    struct DeviceRow {
        DeviceItemPtr item;
        DeviceInfo_Type info; // as the row shows it
    };

    void fillDevices();
    void fillGroups();
    void showChecks();
    void groupClicked();
    void selectGroupRow(int groupIndex);
    void checkBoxClicked();
    void newGroup();
    void deleteGroup();
    void editGroup();
    void sortGroups(int column);
    void sortDevices(int column);
    void startDownload();
    void takeInbox();
    void stepDone(const GroupStepReport& report);
    void downloadFinished(const GroupDownloadSummary& summary);
    void setEditing(bool on);
    int rowOfItem(const DeviceItemPtr& item) const;
    void showRowResult(int row, const QString& text, bool failed);
    // Writes the groups when they changed; false keeps the dialog open.
    bool mayClose();

    GroupList& groups_;
    GroupList loadedGroups_; // as the file held them when the dialog opened
    std::filesystem::path groupFile_;
    DeviceList& list_;
    ProtocolWorker& worker_;

    int current_ = -1;               // index into groups_, -1 none
    std::vector<std::size_t> order_; // the group list's rows, as indices into groups_
    std::vector<DeviceRow> rows_;
    bool changed_ = false;
    bool downloading_ = false;
    std::array<bool, kGroupColumns> groupAscending_{};
    std::array<bool, kDeviceColumns> deviceAscending_{};

    QTreeWidget* groupList_ = nullptr;
    QPushButton* newButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    CheckGrid* grid_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QTimer* restore_ = nullptr;
    std::shared_ptr<Inbox> inbox_;
};

} // namespace aulira::app
