#include "devices/DeviceTableModel.h"

#include <QMetaObject>

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "common/Resources.h"
#include "shell/Strings.h"

namespace aulira::app {

// Receives the list's reports on whichever thread made the change and posts
// them to the model. The model detaches it under its lock before it goes, so
// no report is posted to a destroyed model.
class DeviceTableModel::Bridge : public DeviceListListener {
public:
    Bridge(DeviceTableModel* model, DeviceList& list) : model_(model), list_(list) {}

    void detach()
    {
        std::lock_guard lock(m_);
        model_ = nullptr;
    }

    void deviceInserted(const DeviceItemPtr& item, bool atTop) override
    {
        Row row = rowFor(list_, item);
        post([row = std::move(row), atTop](DeviceTableModel* m) mutable { m->inserted(std::move(row), atTop); });
    }
    void deviceChanged(const DeviceItemPtr& item) override
    {
        Row row = rowFor(list_, item);
        post([row = std::move(row)](DeviceTableModel* m) mutable { m->changed(std::move(row)); });
    }
    void deviceRemoved(const DeviceItemPtr& item) override
    {
        post([item](DeviceTableModel* m) { m->removed(item); });
    }
    void listCleared() override
    {
        post([](DeviceTableModel* m) { m->cleared(); });
    }

private:
    template <typename F>
    void post(F&& f)
    {
        std::lock_guard lock(m_);
        if (!model_)
            return;
        DeviceTableModel* m = model_;
        // Always queued, also from the model's own thread, so reports are
        // applied in the order they were made.
        QMetaObject::invokeMethod(
            m, [m, f = std::forward<F>(f)]() mutable { f(m); }, Qt::QueuedConnection);
    }

    std::mutex m_;
    DeviceTableModel* model_;
    DeviceList& list_;
};

DeviceTableModel::DeviceTableModel(DeviceList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), bridge_(std::make_shared<Bridge>(this, list))
{
    list_.addListener(bridge_.get());
    // Entries already listed; a report queued meanwhile for one of them is
    // taken as a change (see inserted()).
    for (const auto& item : list_.snapshot()) {
        present_.insert(item.get());
        rows_.push_back(rowFor(list_, item));
    }
}

DeviceTableModel::~DeviceTableModel()
{
    list_.removeListener(bridge_.get());
    bridge_->detach();
}

DeviceTableModel::Row DeviceTableModel::rowFor(const DeviceList& list, const DeviceItemPtr& item)
{
    Row row;
    row.item = item;
    std::lock_guard lock(list.mutex());
    const auto cells = deviceColumns(*item);
    for (int c = 0; c < kDeviceColumnCount; ++c)
        row.text[static_cast<std::size_t>(c)] = QString::fromStdString(cells[static_cast<std::size_t>(c)]);
    row.state = item->state;
    return row;
}

int DeviceTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DeviceTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kDeviceColumnCount;
}

QVariant DeviceTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r.text[static_cast<std::size_t>(index.column())];
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(stateIcon(r.state)) : QVariant();
    case StateRole:
        return r.state;
    case Qt::ToolTipRole:
        return index.column() == 0 ? QVariant(stateLegend(r.state)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section == 0)
        return stateLegend();
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kDeviceColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const auto titles = deviceColumnTitles();
    return QString::fromStdString(oneLine(titles[static_cast<std::size_t>(section)]));
}

DeviceItemPtr DeviceTableModel::itemAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].item;
}

int DeviceTableModel::rowOf(const DeviceItemPtr& item) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item == item)
            return static_cast<int>(i);
    return -1;
}

std::vector<DeviceItemPtr> DeviceTableModel::items() const
{
    std::vector<DeviceItemPtr> out;
    out.reserve(rows_.size());
    for (const auto& r : rows_)
        out.push_back(r.item);
    return out;
}

void DeviceTableModel::inserted(Row row, bool atTop)
{
    if (present_.count(row.item.get())) {
        changed(std::move(row));
        return;
    }
    int at = sortedPosition(row.item, -1);
    if (at < 0)
        at = atTop ? 0 : rowCount();
    beginInsertRows({}, at, at);
    present_.insert(row.item.get());
    rows_.insert(rows_.begin() + at, std::move(row));
    endInsertRows();
}

void DeviceTableModel::changed(Row row)
{
    const int r = rowOf(row.item);
    if (r < 0)
        return; // removed meanwhile
    rows_[static_cast<std::size_t>(r)] = std::move(row);
    emit dataChanged(index(r, 0), index(r, kDeviceColumnCount - 1));
    keepSorted(r);
}

bool DeviceTableModel::sortAscending() const
{
    // The flag says how the next sort of the column goes.
    const int c = sort_.sortColumn;
    return c >= 0 && sort_.nextAscending[static_cast<std::size_t>(c)] == 0;
}

void DeviceTableModel::restoreSort(int column, bool ascending)
{
    if (column < 0 || column >= kDeviceColumnCount)
        return;
    sort_.nextAscending[static_cast<std::size_t>(column)] = ascending ? 1 : 0;
    sortByColumn(column);
}

int DeviceTableModel::sortedPosition(const DeviceItemPtr& item, int skipRow) const
{
    const int column = sort_.sortColumn;
    if (column < 0)
        return -1;
    const bool asc = sortAscending();
    std::lock_guard lock(list_.mutex());
    // Upper bound over the rows in their order, leaving out skipRow.
    int lo = 0;
    int hi = rowCount() - (skipRow >= 0 ? 1 : 0);
    auto at = [&](int i) -> const DeviceItem_Type& {
        const int r = skipRow >= 0 && i >= skipRow ? i + 1 : i;
        return *rows_[static_cast<std::size_t>(r)].item;
    };
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = compareDevices(*item, at(mid), column);
        const bool before = asc ? c < 0 : c > 0;
        if (before)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void DeviceTableModel::keepSorted(int row)
{
    const int to = sortedPosition(rows_[static_cast<std::size_t>(row)].item, row);
    if (to < 0 || to == row)
        return;
    // beginMoveRows takes the destination in the numbering before the move.
    const int dest = to > row ? to + 1 : to;
    if (!beginMoveRows({}, row, row, {}, dest))
        return;
    Row moving = std::move(rows_[static_cast<std::size_t>(row)]);
    rows_.erase(rows_.begin() + row);
    rows_.insert(rows_.begin() + to, std::move(moving));
    endMoveRows();
}

void DeviceTableModel::removed(const DeviceItemPtr& item)
{
    const int r = rowOf(item);
    if (r < 0)
        return;
    beginRemoveRows({}, r, r);
    present_.erase(item.get());
    rows_.erase(rows_.begin() + r);
    endRemoveRows();
}

void DeviceTableModel::cleared()
{
    beginResetModel();
    rows_.clear();
    present_.clear();
    endResetModel();
}

bool DeviceTableModel::sortByColumn(int column)
{
    if (column < 0 || column >= kDeviceColumnCount)
        return false;
    const bool ascending = sort_.nextAscending[static_cast<std::size_t>(column)] == 1;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<DeviceItemPtr> order = items();
    {
        // The comparison reads record fields the poll thread may write.
        std::lock_guard lock(list_.mutex());
        sort_.sort(order, column);
    }
    std::unordered_map<const DeviceItem_Type*, int> oldRow;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        oldRow.emplace(rows_[i].item.get(), static_cast<int>(i));
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOf(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int from = oldRow.at(order[i].get());
        newRowOf[static_cast<std::size_t>(from)] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(from)]));
    }
    rows_ = std::move(sorted);
    const auto persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const auto& idx : persistent)
        moved.push_back(index(newRowOf[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return ascending;
}

namespace {

struct StateLook {
    const char* icon;
    const char* meaning;
};

// Found only, saved and found, remote and answering, local offline, remote
// offline: a ring, a tick, a globe for online; a bar and a grey globe for
// offline, so the state reads without telling colours apart.
constexpr std::array<StateLook, 5> kStateLooks{{
    {"state-found", QT_TRANSLATE_NOOP("aulira::app::DeviceTableModel",
                                      "Online: found by the search, not in the saved list")},
    {"state-saved", QT_TRANSLATE_NOOP("aulira::app::DeviceTableModel",
                                      "Online: in the saved list and found by the search")},
    {"state-remote-online",
     QT_TRANSLATE_NOOP("aulira::app::DeviceTableModel", "Online: in the saved list, in another subnet, answering")},
    {"state-local-offline",
     QT_TRANSLATE_NOOP("aulira::app::DeviceTableModel", "Offline: in the saved list, not found by the search")},
    {"state-remote-offline",
     QT_TRANSLATE_NOOP("aulira::app::DeviceTableModel", "Offline: in the saved list, in another subnet, no answer yet")},
}};

} // namespace

QIcon DeviceTableModel::stateIcon(int state)
{
    static std::array<QIcon, 5> icons;
    const auto i = static_cast<std::size_t>(std::clamp(state, 0, 4));
    if (icons[i].isNull()) {
        // A selected row keeps the state's own colours rather than a tint.
        icons[i] = appIcon(QString::fromLatin1(kStateLooks[i].icon), {QIcon::Normal, QIcon::Selected, QIcon::Active});
    }
    return icons[i];
}

QString DeviceTableModel::stateLegend(int state)
{
    QString html = QStringLiteral("<table>");
    for (std::size_t i = 0; i < kStateLooks.size(); ++i) {
        QString meaning = tr(kStateLooks[i].meaning).toHtmlEscaped();
        if (static_cast<int>(i) == state)
            meaning = QStringLiteral("<b>%1</b>").arg(meaning);
        html += QStringLiteral("<tr><td><img src=\"%1\" width=\"16\" height=\"16\"></td><td style=\"white-space:nowrap\">%2</td></tr>")
                    .arg(QString::fromLatin1(kStateLooks[i].icon), meaning);
    }
    return html + QStringLiteral("</table>");
}

} // namespace aulira::app
