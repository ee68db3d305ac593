#pragma once
// The main device list: a table over the device manager's list with the list
// commands (search, Add, Delete), the click that feeds the properties pane,
// the double-click that reads a device's parameters or edits a manual entry,
// and the MAC context menu.
#include <QTableView>

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

    // Whether the MAC context menu is offered at all (an application setting).
    void setMacMenuEnabled(std::function<bool()> enabled) { macMenuEnabled_ = std::move(enabled); }
    // The context menu's conditions for the current selection.
    bool macMenuAllowed() const;

    std::vector<DeviceItemPtr> selectedItems() const;
    // The entry at the selection mark (the current row), or null.
    DeviceItemPtr currentItem() const;

    static constexpr int kAutoSearchDelayMs = 500;

public slots:
    // The first search, shortly after the window shows.
    void start();
    void startSearch();
    // Selected search results join the saved list; with none, manual entry.
    void addDevices();
    void deleteDevices();
    // What a double-click on the entry does.
    void activateItem(const aulira::DeviceItemPtr& item);

signals:
    void searchStarted();
    void searchFinished(int found);
    // A click on a row: the properties pane shows this record.
    void deviceClicked(const aulira::DeviceInfo_Type& info);
    // A click on empty space: the properties pane shows nothing.
    void deviceClickCleared();
    // A parameter read went to the worker; readParaDone follows.
    void readParaRequested(const aulira::DeviceItemPtr& item);
    void readParaDone(const aulira::DeviceItemPtr& item, int result);
    void writeParaDone(const aulira::DeviceItemPtr& item, int result);
    void macChangeRequested(const aulira::DeviceItemPtr& item);
    // A manual entry was edited and stored.
    void deviceEdited(const aulira::DeviceItemPtr& item);

protected:
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

    DeviceManager& manager_;
    DeviceTableModel* model_ = nullptr;
    SearchProgressDialog* progress_ = nullptr;
    ProtocolWorker* worker_ = nullptr;
    std::function<bool()> macMenuEnabled_;
    std::shared_ptr<Guard> guard_;
    std::unique_ptr<WorkerBridge> workerBridge_;
};

} // namespace aulira::app
