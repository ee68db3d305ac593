#include "addrbook/BookGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>
#include <mutex>

#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::app {

namespace {

QString text(int id) { return QString::fromStdString(oneLine(stringText(id))); }

} // namespace

std::vector<BookDevice> bookDevices(const DeviceList& list)
{
    const auto items = list.snapshot();
    std::vector<BookDevice> out;
    out.reserve(items.size());
    std::lock_guard lock(list.mutex());
    for (const auto& item : items)
        out.push_back({item, item->devItem, item->ip, item->searchOnly != 0, isOnlineState(item->state)});
    return out;
}

std::vector<DeviceInfo_Type> recordsOf(const std::vector<BookDevice>& devices)
{
    std::vector<DeviceInfo_Type> out;
    out.reserve(devices.size());
    for (const auto& d : devices)
        out.push_back(d.info);
    return out;
}

QString shownText(const std::string& ansi) { return QString::fromStdString(displayText(ansi)); }

BookGrid::BookGrid(Kind kind, std::vector<int> widths64, QWidget* parent)
    : CheckGrid(parent), kind_(kind), widths64_(std::move(widths64))
{
    QStringList titles{QStringLiteral(" ")};
    if (kind_ == Kind::Groups)
        titles << tr("Group NO") << tr("Group Name");
    else
        titles << text(IDS_COL_NO) << text(IDS_COL_NAME) << text(IDS_COL_DEVICE_TYPE) << text(IDS_COL_IP)
               << text(IDS_COL_LOCATION);
    setColumns(titles);
    setCheckColumn(0);
    reversed_.assign(static_cast<std::size_t>(titles.size()), false);
    connect(this, &CheckGrid::columnClicked, this, &BookGrid::sortBy);
}

void BookGrid::showGroups(const GroupList& groups)
{
    removeAllRows();
    for (const auto& g : groups)
        fillRow(addRow(rowCount(), {}), &g);
}

void BookGrid::showDevices(const std::vector<BookDevice>& devices, const QString& local, const QString& saved)
{
    local_ = local;
    saved_ = saved;
    removeAllRows();
    for (const auto& d : devices)
        fillRow(addRow(rowCount(), {}), &d);
}

void BookGrid::fillRow(int row, const void* record)
{
    setCellCheck(row, 0, CheckGridModel::Unchecked);
    setRowData(row, const_cast<void*>(record));
    if (kind_ == Kind::Groups) {
        const auto* g = static_cast<const GroupItem_Type*>(record);
        setCellText(row, 1, QString::number(g->number()));
        setCellText(row, 2, shownText(g->header.nameBytes()));
        return;
    }
    const auto* d = static_cast<const BookDevice*>(record);
    setCellText(row, 1, QString::number(d->info.devNo()));
    setCellText(row, 2, shownText(d->info.devName()));
    setCellText(row, 3, shownText(d->info.deviceType()));
    setCellText(row, 4, QString::fromStdString(formatIp(d->ip)));
    setCellText(row, 5, d->searchOnly ? local_ : saved_);
}

const GroupItem_Type* BookGrid::groupAt(int row) const
{
    return kind_ == Kind::Groups ? static_cast<const GroupItem_Type*>(rowData(row)) : nullptr;
}

const BookDevice* BookGrid::deviceAt(int row) const
{
    return kind_ == Kind::Devices ? static_cast<const BookDevice*>(rowData(row)) : nullptr;
}

std::vector<DevItem_Type> BookGrid::tickedEntries() const
{
    std::vector<DevItem_Type> out;
    for (int r = 0; r < rowCount(); ++r) {
        if (cellCheck(r, 0) != CheckGridModel::Checked)
            continue;
        if (const auto* g = groupAt(r))
            out.push_back(groupEntry(*g));
        else if (const auto* d = deviceAt(r))
            out.push_back(deviceEntry(d->info));
    }
    return out;
}

void BookGrid::tickFrom(const std::vector<DevItem_Type>& entries)
{
    for (int r = 0; r < rowCount(); ++r) {
        const std::uint32_t id = groupAt(r) ? groupAt(r)->header.id : deviceAt(r)->info.ip();
        const bool ticked =
            std::any_of(entries.begin(), entries.end(), [id](const DevItem_Type& e) { return e.id == id; });
        setCellCheck(r, 0, ticked ? CheckGridModel::Checked : CheckGridModel::Unchecked);
    }
}

void BookGrid::sortBy(int column)
{
    if (column <= 0 || column >= static_cast<int>(reversed_.size()))
        return; // the tick column does not reorder
    const bool ascending = reversed_[static_cast<std::size_t>(column)];
    reversed_[static_cast<std::size_t>(column)] = !ascending;

    struct Row {
        const void* record;
        int check;
    };
    std::vector<Row> rows;
    for (int r = 0; r < rowCount(); ++r)
        rows.push_back({rowData(r), cellCheck(r, 0)});
    // Names compare byte by byte as stored; numbers and addresses as numbers.
    auto key = [this, column](const void* p) -> std::pair<std::int64_t, std::string> {
        if (kind_ == Kind::Groups) {
            const auto* g = static_cast<const GroupItem_Type*>(p);
            return column == 1 ? std::pair<std::int64_t, std::string>{g->number(), {}}
                               : std::pair<std::int64_t, std::string>{0, g->header.nameBytes()};
        }
        const auto* d = static_cast<const BookDevice*>(p);
        switch (column) {
        case 1:
            return {d->info.devNo(), {}};
        case 2:
            return {0, d->info.devName()};
        case 3:
            return {0, d->info.deviceType()};
        case 4:
            return {static_cast<std::int64_t>(d->info.ip()), {}};
        default:
            return {d->searchOnly ? 1 : 0, {}};
        }
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        return ascending ? key(a.record) < key(b.record) : key(b.record) < key(a.record);
    });
    removeAllRows();
    for (const auto& row : rows) {
        const int r = addRow(rowCount(), {});
        fillRow(r, row.record);
        setCellCheck(r, 0, row.check);
    }
}

void BookGrid::resizeEvent(QResizeEvent* event)
{
    CheckGrid::resizeEvent(event);
    applyWidths();
}

void BookGrid::keyPressEvent(QKeyEvent* event)
{
    const int row = currentIndex().row();
    if (event->key() != Qt::Key_Space || row < 0) {
        CheckGrid::keyPressEvent(event);
        return;
    }
    if (isRowEnabled(row) && gridModel()->toggleCell(row, 0))
        emit checkBoxClicked(row, 0);
    event->accept();
}

void BookGrid::applyWidths()
{
    const int w = width() - 2 - style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (std::size_t c = 0; c + 1 < widths64_.size(); ++c)
        setColumnWidth(static_cast<int>(c), widths64_[c] * w / 64);
}

} // namespace aulira::app
