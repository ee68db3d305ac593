#include "devices/DeviceView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>

#include <future>
#include <mutex>

#include "devices/AddDeviceDialog.h"
#include "devices/DeviceTableModel.h"
#include "shell/MessageBox.h"
#include "devices/SearchProgressDialog.h"
#include "shell/Strings.h"

namespace aulira::app {

// Lets core threads reach the view only while it exists: they post under the
// lock, and the view clears the pointer under the same lock as it goes
// (events already posted to it are dropped with it).
struct DeviceView::Guard {
    std::mutex m;
    DeviceView* view = nullptr;

    template <typename F>
    bool post(F&& f)
    {
        std::lock_guard lock(m);
        if (!view)
            return false;
        DeviceView* v = view;
        QMetaObject::invokeMethod(
            v, [v, f = std::forward<F>(f)]() mutable { f(v); }, Qt::QueuedConnection);
        return true;
    }
};

// The worker waits until the view has taken each result (never the other
// way round: the view does not wait for the worker).
class DeviceView::WorkerBridge : public WorkerListener {
public:
    explicit WorkerBridge(std::shared_ptr<Guard> guard) : guard_(std::move(guard)) {}

    void onReadParaDone(const DeviceItemPtr& item, int result) override
    {
        deliver([item, result](DeviceView* v) { emit v->readParaDone(item, result); });
    }
    void onWriteParaDone(const DeviceItemPtr& item, int result) override
    {
        deliver([item, result](DeviceView* v) { emit v->writeParaDone(item, result); });
    }

private:
    template <typename F>
    void deliver(F f)
    {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> taken = done->get_future();
        // A result dropped because the view went away breaks the promise,
        // which also ends the wait.
        const bool posted = guard_->post([f = std::move(f), done = std::move(done)](DeviceView* v) {
            f(v);
            done->set_value();
        });
        if (posted)
            taken.wait();
    }

    std::shared_ptr<Guard> guard_;
};

DeviceView::DeviceView(DeviceManager& manager, QWidget* parent)
    : QTableView(parent), manager_(manager), guard_(std::make_shared<Guard>())
{
    setObjectName(QStringLiteral("deviceView"));
    guard_->view = this;
    workerBridge_ = std::make_unique<WorkerBridge>(guard_);

    model_ = new DeviceTableModel(manager_.devices(), this);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The status column holds the icon and "Offline" in the default font.
    static constexpr int widths[kDeviceColumnCount] = {80, 40, 120, 120, 100, 100, 115, 120, 120, 100};
    for (int c = 0; c < kDeviceColumnCount; ++c)
        setColumnWidth(c, widths[c]);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DeviceView::sortSection);

    progress_ = new SearchProgressDialog(this);
    progress_->hide();

    std::weak_ptr<Guard> weak = guard_;
    manager_.setSearchFinishedHandler([weak](int found) {
        if (auto g = weak.lock())
            g->post([found](DeviceView* v) { v->searchDone(found); });
    });
}

DeviceView::~DeviceView()
{
    manager_.setSearchFinishedHandler({});
    std::lock_guard lock(guard_->m);
    guard_->view = nullptr;
}

WorkerListener* DeviceView::workerListener() { return workerBridge_.get(); }

void DeviceView::start()
{
    // Without an adapter the first search could only fail; say so once.
    if (manager_.localIps().empty()) {
        showWarningText(this, IDS_NO_ADAPTER_INFO);
        return;
    }
    QTimer::singleShot(kAutoSearchDelayMs, this, &DeviceView::startSearch);
}

void DeviceView::startSearch()
{
    switch (manager_.StartSearch()) {
    case DeviceManager::SearchStart::NoAdapter:
        showWarningText(this, IDS_NO_LOCAL_ADAPTER);
        return;
    case DeviceManager::SearchStart::AlreadyRunning:
        return;
    case DeviceManager::SearchStart::Started:
        break;
    }
    progress_->show();
    emit searchStarted();
    // The search reloaded the saved list: a damaged file (moved aside by
    // the load) is told here, as is one found when the program started.
    if (const std::string problem = manager_.takeFileProblem(); !problem.empty())
        showWarning(this, QString::fromStdString(problem));
}

void DeviceView::searchDone(int found)
{
    progress_->hide();
    emit searchFinished(found);
}

std::vector<DeviceItemPtr> DeviceView::selectedItems() const
{
    std::vector<DeviceItemPtr> out;
    if (!selectionModel())
        return out;
    auto rows = selectionModel()->selectedRows();
    // In list order, as the commands expect.
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const auto& idx : rows)
        if (auto item = model_->itemAt(idx.row()))
            out.push_back(item);
    return out;
}

DeviceItemPtr DeviceView::currentItem() const
{
    const QModelIndex idx = currentIndex();
    return idx.isValid() ? model_->itemAt(idx.row()) : nullptr;
}

void DeviceView::addDevices()
{
    if (manager_.devices().addSelected(selectedItems()))
        return;
    AddDeviceDialog dialog(manager_.devices(), this);
    dialog.exec();
}

void DeviceView::deleteDevices()
{
    const auto items = selectedItems();
    if (items.empty()) {
        showWarningText(this, IDS_SELECT_TO_DELETE);
        return;
    }
    manager_.devices().deleteItems(items);
}

void DeviceView::activateItem(const DeviceItemPtr& item)
{
    if (!item)
        return;
    DeviceInfo_Type info;
    int state = 0;
    {
        std::lock_guard lock(manager_.devices().mutex());
        info = item->devItem;
        state = item->state;
    }
    const bool online = isOnlineState(static_cast<std::uint8_t>(state));
    const bool readable = info.typeCode() >= 0;
    if (!manager_.isLocalSubnet(info.ip(), info.mask())) {
        if (!readable)
            return;
        if (online) {
            readPara(item);
            return;
        }
        editItem(item);
        return;
    }
    // Inside a local subnet a running search may still replace the record.
    if (!manager_.searching() && readable && online) {
        readPara(item);
        return;
    }
    if (online)
        return;
    editItem(item);
}

void DeviceView::readPara(const DeviceItemPtr& item)
{
    if (!worker_)
        return;
    emit readParaRequested(item);
    worker_->postReadPara(item);
}

void DeviceView::editItem(const DeviceItemPtr& item)
{
    AddDeviceDialog dialog(manager_.devices(), item, this);
    if (dialog.exec() == QDialog::Accepted)
        emit deviceEdited(item);
}

void DeviceView::sortSection(int column)
{
    const bool ascending = model_->sortByColumn(column);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void DeviceView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex idx = indexAt(event->position().toPoint());
    const auto item = idx.isValid() ? model_->itemAt(idx.row()) : nullptr;
    if (!item) {
        emit deviceClickCleared();
        return;
    }
    DeviceInfo_Type info;
    {
        std::lock_guard lock(manager_.devices().mutex());
        info = item->devItem;
    }
    emit deviceClicked(info);
}

void DeviceView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (idx.isValid())
        activateItem(model_->itemAt(idx.row()));
}

bool DeviceView::macMenuAllowed() const
{
    if (!macMenuEnabled_ || !macMenuEnabled_())
        return false;
    if (!selectionModel() || selectionModel()->selectedRows().size() != 1)
        return false;
    const auto item = currentItem();
    if (!item)
        return false;
    DeviceInfo_Type info;
    int state = 0;
    {
        std::lock_guard lock(manager_.devices().mutex());
        info = item->devItem;
        state = item->state;
    }
    return manager_.isLocalSubnet(info.ip(), info.mask()) && info.typeCode() >= 0
           && isOnlineState(static_cast<std::uint8_t>(state));
}

void DeviceView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!macMenuAllowed())
        return;
    const auto item = currentItem();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("deviceContextMenu"));
    QAction* change = menu.addAction(tr("Modify MAC address(&M)"));
    change->setObjectName(QStringLiteral("modifyMacAction"));
    change->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    if (menu.exec(event->globalPos()) == change)
        emit macChangeRequested(item);
}

} // namespace aulira::app
