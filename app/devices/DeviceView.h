#pragma once
// The main device list: a table over the device manager's list with the list
// commands (search, Add, Delete), the click that feeds the properties pane,
// the double-click that reads a device's parameters or edits a manual entry,
// and the MAC context menu.
#include <QTableView>

class QAction;
class QTimer;

#include <functional>
#include <memory>

#include "devices/DeviceManager.h"
#include "protocol/ProtocolWorker.h"


namespace aulira::app {

class DeviceTableModel;
class SearchProgressDialog;

class DeviceView : public QTableView {
    Q_OBJECT
public:
    explicit DeviceView(DeviceManager& manager, QWidget* parent = nullptr);
    ~DeviceView() override;

    DeviceTableModel* deviceModel() const { return model_; }
    SearchProgressDialog* searchProgress() const { return progress_; }
    DeviceManager& manager() const { return manager_; }

    // Parameter reads go to this worker. Its results reach the view through
    // workerListener(), which the owner installs on the worker (or forwards to).
    void setWorker(ProtocolWorker* worker) { worker_ = worker; }
    // Hands results from the worker thread to the view's thread and waits
    // until the view has taken them, so jobs finish in the order they report.
    WorkerListener* workerListener();

    // Further commands of the context menu, after the view's own; each keeps
    // its own enabled state.
    void addContextAction(QAction* action) { contextActions_.push_back(action); }

    // Whether the MAC context menu is offered at all (an application setting).
    void setMacMenuEnabled(std::function<bool()> enabled) { macMenuEnabled_ = std::move(enabled); }
    // The context menu's conditions for the current selection.
    bool macMenuAllowed() const;

    // Selected entries in list order; rows hidden by the filter never count.
    std::vector<DeviceItemPtr> selectedItems() const;
    // The entry at the selection mark (the current row), or null.
    DeviceItemPtr currentItem() const;

    static constexpr int kAutoSearchDelayMs = 500;

    // Shows only the rows where some column contains `text` (any case);
    // empty shows all.
    void setFilterText(const QString& text);
    QString filterText() const { return filter_; }
    // Restores a remembered sort (column -1: none) and its header arrow.
    void restoreSort(int column, bool ascending);

    // Writes the saved part of the list when it changed since the last try.
    // A failure is logged and shown in a message box; the change stays
    // pending. Returns false when a change could not be written.
    bool saveList();
    // Saving as the window closes: on failure the person chooses to retry,
    // close without saving, or stay. Returns false to keep the window open.
    bool saveBeforeClose();
    bool canUndoDelete() const { return !lastDeleted_.empty(); }

public slots:
    // The first search, shortly after the window shows.
    void start();
    void startSearch();
    // Selected search results join the saved list; with none, manual entry.
    void addDevices();
    // The entries found by search among `items` join the saved list, each
    // with a line in the log. False when none was a search result.
    bool addToSavedList(const std::vector<aulira::DeviceItemPtr>& items);
    void deleteDevices();
    // Brings back what the last Delete took from the saved list.
    void undoDelete();
    // Opens the current device, as a double-click on it does.
    void openCurrent();
    // What a double-click on the entry does.
    void activateItem(const aulira::DeviceItemPtr& item);

signals:
    void searchStarted();
    void searchFinished(int found);
    // The current row's record, again whenever it changes: the properties
    // pane shows it.
    void deviceShown(const aulira::DeviceInfo_Type& info);
    // No current row (a click on empty space, the row went, a new search):
    // the properties pane shows nothing.
    void deviceShownCleared();
    // Something the status bar says for a while.
    void statusMessage(const QString& text);
    void undoAvailable(bool available);
    // The saved list could not be written (after the log line and the box).
    void saveFailed(const QString& error);
    // A parameter read went to the worker; readParaDone follows.
    void readParaRequested(const aulira::DeviceItemPtr& item);
    void readParaDone(const aulira::DeviceItemPtr& item, int result);
    void writeParaDone(const aulira::DeviceItemPtr& item, int result);
    // A MAC change that failed; a done one reports through writeParaDone.
    void writeMacFailed(const aulira::DeviceItemPtr& item, int result);
    void macChangeRequested(const aulira::DeviceItemPtr& item);
    // The group download's progress and end, passed on to the group settings.
    void groupProgress(int percent);
    void groupDownloaded();
    // An address book transfer of the worker ended.
    void bookDownloaded(int result);
    void bookCleared(int result);
    // A manual entry was edited and stored.
    void deviceEdited(const aulira::DeviceItemPtr& item);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class WorkerBridge;
    struct Guard;

    void searchDone(int found);
    void editItem(const DeviceItemPtr& item);
    void readPara(const DeviceItemPtr& item);
    void sortSection(int column);
    void currentRowChanged(const QModelIndex& current);
    void showCurrent();
    void clearCurrent();
    void rowsGoing(int first, int last);
    void rowsGone();
    bool rowMatches(int row) const;
    void filterRows(int first, int last);
    void scheduleSave();

    struct Deleted {
        DeviceItemPtr item;
        int state = 0;
    };

    DeviceManager& manager_;
    DeviceTableModel* model_ = nullptr;
    SearchProgressDialog* progress_ = nullptr;
    ProtocolWorker* worker_ = nullptr;
    std::function<bool()> macMenuEnabled_;
    std::vector<QAction*> contextActions_;
    std::shared_ptr<Guard> guard_;
    std::unique_ptr<WorkerBridge> workerBridge_;
    DeviceItemPtr shown_;
    bool shownGoing_ = false;
    QString filter_;
    std::vector<Deleted> lastDeleted_;
    QTimer* saveTimer_ = nullptr;
    std::uint64_t lastSaveTry_ = 0;
    bool saving_ = false;
};

} // namespace aulira::app
