#include "devices/DeviceView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QMetaObject>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <future>
#include <mutex>

#include "common/FilePath.h"
#include "common/MessageBox.h"
#include "devices/DeviceTableModel.h"
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
    void onWriteMacFailed(const DeviceItemPtr& item, int result) override
    {
        deliver([item, result](DeviceView* v) { emit v->writeMacFailed(item, result); });
    }
    // Progress is only shown: the download need not wait for each step to be
    // painted, and steps that come faster than the view takes them are shown
    // by their latest value (hand-overs per step would slow a large site's
    // download on a busy machine). It is queued before the end, so the bar
    // still reaches its last value first.
    void onGroupProgress(int percent) override
    {
        if (progress_.exchange(percent) >= 0)
            return; // a hand-over is on its way and takes the new value
        guard_->post([this](DeviceView* v) { emit v->groupProgress(progress_.exchange(-1)); });
    }
    void onGroupDownloaded() override
    {
        deliver([](DeviceView* v) { emit v->groupDownloaded(); });
    }
    void onBookDownloaded(int result) override
    {
        deliver([result](DeviceView* v) { emit v->bookDownloaded(result); });
    }
    void onBookCleared(int result) override
    {
        deliver([result](DeviceView* v) { emit v->bookCleared(result); });
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
    std::atomic<int> progress_{-1}; // the latest percent not yet handed over
};

DeviceView::DeviceView(DeviceManager& manager, QWidget* parent)
    : QTableView(parent), manager_(manager), guard_(std::make_shared<Guard>())
{
    setObjectName(QStringLiteral("deviceView"));
    guard_->view = this;
    workerBridge_ = std::make_unique<WorkerBridge>(guard_);

    model_ = new DeviceTableModel(manager_.devices(), this);
    // Connected before the selection model is: the view notes that the
    // shown row goes before Qt moves the current index to a neighbour.
    connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { rowsGoing(first, last); });
    setModel(model_);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowChanged(current); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { rowsGone(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { clearCurrent(); });
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                filterRows(topLeft.row(), bottomRight.row());
                const QModelIndex current = currentIndex();
                if (shown_ && current.isValid() && current.row() >= topLeft.row() && current.row() <= bottomRight.row())
                    showCurrent();
            });
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { filterRows(first, last); });
    connect(model_, &QAbstractItemModel::rowsMoved, this, [this] { filterRows(0, model_->rowCount() - 1); });
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { filterRows(0, model_->rowCount() - 1); });

    // Every change to the saved part reaches the file at once, so a crash
    // or a power cut loses nothing; the model reports each change.
    saveTimer_ = new QTimer(this);
    saveTimer_->setSingleShot(true);
    saveTimer_->setInterval(0);
    connect(saveTimer_, &QTimer::timeout, this, &DeviceView::saveList);
    lastSaveTry_ = manager_.devices().changeCount();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, signal, this, &DeviceView::scheduleSave);
    connect(model_, &QAbstractItemModel::dataChanged, this, &DeviceView::scheduleSave);
    connect(model_, &QAbstractItemModel::modelReset, this, &DeviceView::scheduleSave);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The status column holds the icon and "Offline" in the default font, the
    // type column "Audio Converter".
    static constexpr int widths[kDeviceColumnCount] = {80, 40, 120, 120, 100, 115, 115, 120, 120, 100};
    for (int c = 0; c < kDeviceColumnCount; ++c)
        setColumnWidth(c, widths[c]);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DeviceView::sortSection);
    // A click on a column title sorts; it must not also select every row
    // (the table's default), which a following Delete would act on.
    disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this, nullptr);

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
    // The list is saved when the view goes, whatever closed it.
    manager_.saveDeviceList();
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
    // The entries a Delete took may come back from the file or not at all.
    if (!lastDeleted_.empty()) {
        lastDeleted_.clear();
        emit undoAvailable(false);
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
    // Keys go back to the list, also where no window manager hands the
    // focus back from the progress window.
    const bool hadFocus = progress_->isActiveWindow();
    progress_->hide();
    if (hadFocus)
        activateWindow();
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
        if (isRowHidden(idx.row()))
            continue;
        else if (auto item = model_->itemAt(idx.row()))
            out.push_back(item);
    return out;
}

DeviceItemPtr DeviceView::currentItem() const
{
    const QModelIndex idx = currentIndex();
    return idx.isValid() && !isRowHidden(idx.row()) ? model_->itemAt(idx.row()) : nullptr;
}

void DeviceView::openCurrent() { activateItem(currentItem()); }

void DeviceView::setFilterText(const QString& text)
{
    filter_ = text.trimmed();
    const int rows = model_->rowCount();
    for (int r = 0; r < rows; ++r)
        setRowHidden(r, !rowMatches(r));
    // Commands never act on rows the person cannot see.
    for (const QModelIndex& idx : selectionModel()->selectedRows())
        if (isRowHidden(idx.row()))
            selectionModel()->select(idx, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (currentIndex().isValid() && isRowHidden(currentIndex().row()))
        clearCurrent();
}

bool DeviceView::rowMatches(int row) const
{
    if (filter_.isEmpty())
        return true;
    for (int c = 0; c < kDeviceColumnCount; ++c)
        if (model_->index(row, c).data().toString().contains(filter_, Qt::CaseInsensitive))
            return true;
    return false;
}

void DeviceView::filterRows(int first, int last)
{
    if (filter_.isEmpty())
        return;
    for (int r = std::max(first, 0); r <= last && r < model_->rowCount(); ++r)
        setRowHidden(r, !rowMatches(r));
}

void DeviceView::restoreSort(int column, bool ascending)
{
    if (column < 0 || column >= kDeviceColumnCount)
        return;
    model_->restoreSort(column, ascending);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void DeviceView::currentRowChanged(const QModelIndex&)
{
    // While the shown row is being removed Qt moves the current index to a
    // neighbour; the pane clears instead (rowsGone).
    if (shownGoing_)
        return;
    showCurrent();
}

void DeviceView::showCurrent()
{
    const auto item = currentItem();
    if (!item) {
        const bool was = shown_ != nullptr;
        shown_.reset();
        if (was)
            emit deviceShownCleared();
        return;
    }
    DeviceInfo_Type info;
    {
        std::lock_guard lock(manager_.devices().mutex());
        info = item->devItem;
    }
    shown_ = item;
    emit deviceShown(info);
}

void DeviceView::clearCurrent()
{
    shownGoing_ = false;
    shown_.reset();
    if (selectionModel())
        selectionModel()->clearCurrentIndex();
    emit deviceShownCleared();
}

void DeviceView::rowsGoing(int first, int last)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() >= first && current.row() <= last)
        shownGoing_ = true;
}

void DeviceView::rowsGone()
{
    if (!shownGoing_)
        return;
    clearCurrent();
    clearSelection();
}

void DeviceView::scheduleSave()
{
    if (manager_.devices().changeCount() != lastSaveTry_)
        saveTimer_->start();
}

bool DeviceView::saveList()
{
    auto& list = manager_.devices();
    if (saving_)
        return !list.listModified(); // the save under way looks again when its box closes
    const auto count = list.changeCount();
    if (count == lastSaveTry_)
        return !list.listModified(); // a failed change is tried again with the next one
    lastSaveTry_ = count;
    std::string error;
    if (manager_.saveDeviceList(&error))
        return true;
    saving_ = true;
    const QString why = QString::fromStdString(error);
    showWarning(this, tr("The device list could not be saved to %1:\n%2\n\n"
                         "The changes are kept and saved again with the next change and when the program closes.")
                          .arg(fromPath(manager_.deviceListPath()), why));
    saving_ = false;
    activateWindow();
    emit saveFailed(why);
    scheduleSave();
    return false;
}

bool DeviceView::saveBeforeClose()
{
    for (;;) {
        std::string error;
        if (manager_.saveDeviceList(&error))
            return true;
        QMessageBox box(QMessageBox::Warning, tr("Aulira"),
                        tr("The device list could not be saved to %1:\n%2\n\n"
                           "Closing without saving loses the changes made to the list since it was last saved.")
                            .arg(fromPath(manager_.deviceListPath()),
                                 QString::fromStdString(error)),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("saveOnCloseBox"));
        QPushButton* retry = box.addButton(tr("&Retry"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(tr("Close &Without Saving"), QMessageBox::DestructiveRole);
        box.addButton(tr("&Cancel"), QMessageBox::RejectRole);
        box.setDefaultButton(retry);
        box.exec();
        if (box.clickedButton() == retry)
            continue;
        return box.clickedButton() == discard;
    }
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

void DeviceView::sortSection(int column)
{
    const bool ascending = model_->sortByColumn(column);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void DeviceView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        openCurrent();
        event->accept();
        return;
    }
    // Ctrl+M, shown beside the menu entry, works wherever the entry is offered.
    if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_M)) {
        if (macMenuAllowed())
            emit macChangeRequested(currentItem());
        return;
    }
    QTableView::keyPressEvent(event);
}

void DeviceView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    // A click beside every row: no current device (the pane clears).
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid())
        clearCurrent();
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

void DeviceView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex idx = event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    const auto item = idx.isValid() ? model_->itemAt(idx.row()) : nullptr;
    if (!item)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("deviceContextMenu"));
    QAction* open = menu.addAction(tr("&Open"));
    open->setObjectName(QStringLiteral("openDeviceAction"));
    open->setShortcut(QKeySequence(Qt::Key_Return));
    menu.setDefaultAction(open);
    QAction* change = nullptr;
    if (macMenuAllowed()) {
        change = menu.addAction(tr("Modify MAC address(&M)"));
        change->setObjectName(QStringLiteral("modifyMacAction"));
        change->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    }
    if (!contextActions_.empty())
        menu.addSeparator();
    for (QAction* a : contextActions_)
        menu.addAction(a);
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(visualRect(idx).center());
    QAction* chosen = menu.exec(at);
    if (chosen == open)
        activateItem(item);
    else if (chosen && chosen == change)
        emit macChangeRequested(item);
}

} // namespace aulira::app
