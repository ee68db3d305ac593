#include "controls/CheckGridModel.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>

namespace aulira::app {

namespace {
constexpr int kToolTipMaxChars = 80;
} // namespace

CheckGridModel::CheckGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void CheckGridModel::setColumns(const QStringList& titles)
{
    beginResetModel();
    columns_.clear();
    for (const QString& t : titles)
        columns_.push_back(Column{t, false, false});
    // Rows hold one cell per column; a new column layout starts an empty grid.
    rows_.clear();
    endResetModel();
}

void CheckGridModel::setCheckColumn(int column, bool on)
{
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<std::size_t>(column)].checkColumn = on;
    updateHeader(column);
}

bool CheckGridModel::isCheckColumn(int column) const
{
    return column >= 0 && column < columnCount() && columns_[static_cast<std::size_t>(column)].checkColumn;
}

bool CheckGridModel::headerChecked(int column) const
{
    return isCheckColumn(column) && columns_[static_cast<std::size_t>(column)].headerChecked;
}

int CheckGridModel::addRow(int row, const QString& text)
{
    if (row < 0 || row > rowCount() || columns_.empty())
        return -1;
    Row r;
    r.cells.resize(columns_.size());
    r.cells[0].text = text;
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, std::move(r));
    endInsertRows();
    for (int c = 0; c < columnCount(); ++c)
        updateHeader(c);
    return row;
}

void CheckGridModel::removeAllRows()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
    for (int c = 0; c < columnCount(); ++c)
        updateHeader(c);
}

CheckGridModel::Cell* CheckGridModel::cell(int row, int column)
{
    if (row < 0 || row >= rowCount() || column < 0)
        return nullptr;
    auto& cells = rows_[static_cast<std::size_t>(row)].cells;
    return static_cast<std::size_t>(column) < cells.size() ? &cells[static_cast<std::size_t>(column)] : nullptr;
}

const CheckGridModel::Cell* CheckGridModel::cell(int row, int column) const
{
    return const_cast<CheckGridModel*>(this)->cell(row, column);
}

void CheckGridModel::changed(int row, int column)
{
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i);
}

void CheckGridModel::updateHeader(int column)
{
    if (!isCheckColumn(column))
        return;
    bool any = false;
    bool all = true;
    for (int r = 0; r < rowCount(); ++r) {
        const Cell* c = cell(r, column);
        if (!c || c->check == NoCheck)
            continue;
        any = true;
        all = all && c->check == Checked;
    }
    const bool ticked = any && all;
    Column& col = columns_[static_cast<std::size_t>(column)];
    if (col.headerChecked != ticked) {
        col.headerChecked = ticked;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }
}

bool CheckGridModel::setCellText(int row, int column, const QString& text)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->text = text;
    changed(row, column);
    return true;
}

QString CheckGridModel::cellText(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c ? c->text : QString();
}

bool CheckGridModel::setCellCheck(int row, int column, int state)
{
    Cell* c = cell(row, column);
    if (!c || state < NoCheck || state > Checked)
        return false;
    c->check = state;
    changed(row, column);
    updateHeader(column);
    return true;
}

int CheckGridModel::cellCheck(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c ? c->check : NoCheck;
}

bool CheckGridModel::isCellModified(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c && c->modified;
}

bool CheckGridModel::setRowEnabled(int row, bool enabled)
{
    if (row < 0 || row >= rowCount())
        return false;
    rows_[static_cast<std::size_t>(row)].enabled = enabled;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

bool CheckGridModel::isRowEnabled(int row) const
{
    return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].enabled;
}

bool CheckGridModel::setRowData(int row, void* data)
{
    if (row < 0 || row >= rowCount())
        return false;
    rows_[static_cast<std::size_t>(row)].data = data;
    return true;
}

void* CheckGridModel::rowData(int row) const
{
    return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].data : nullptr;
}

bool CheckGridModel::setCellTextColor(int row, int column, const QColor& color)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->textColor = color;
    changed(row, column);
    return true;
}

bool CheckGridModel::setCellBackground(int row, int column, const QColor& color)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->background = color;
    changed(row, column);
    return true;
}

QColor CheckGridModel::cellTextColor(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c ? c->textColor : QColor();
}

QColor CheckGridModel::cellBackground(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c ? c->background : QColor();
}

bool CheckGridModel::setCellToolTip(int row, int column, const QString& tip)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->toolTip = tip.left(kToolTipMaxChars);
    return true;
}

bool CheckGridModel::showCellProgress(int row, int column)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->progressShown = true;
    c->progress = 0;
    c->progressLabelShown = true;
    c->progressText.clear();
    changed(row, column);
    return true;
}

bool CheckGridModel::setCellProgress(int row, int column, int percent)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->progress = std::clamp(percent, 0, 100);
    changed(row, column);
    return true;
}

bool CheckGridModel::hideCellProgress(int row, int column)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->progressShown = false;
    c->progress = 0;
    changed(row, column);
    return true;
}

bool CheckGridModel::setCellProgressText(int row, int column, const QString& format)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->progressText = format;
    changed(row, column);
    return true;
}

bool CheckGridModel::setCellProgressLabelShown(int row, int column, bool shown)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->progressLabelShown = shown;
    changed(row, column);
    return true;
}

bool CheckGridModel::resetProgressCell(int row, int column)
{
    Cell* c = cell(row, column);
    if (!c)
        return false;
    c->text = QStringLiteral("0%");
    c->textColor = QColor(Qt::black);
    c->background = QColor(247, 202, 202);
    changed(row, column);
    return true;
}

bool CheckGridModel::isProgressShown(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c && c->progressShown;
}

int CheckGridModel::cellProgress(int row, int column) const
{
    const Cell* c = cell(row, column);
    return c ? c->progress : 0;
}

QString CheckGridModel::progressLabel(int row, int column) const
{
    const Cell* c = cell(row, column);
    if (!c || !c->progressShown || !c->progressLabelShown)
        return {};
    if (c->progressText.isEmpty())
        return QStringLiteral("%1%").arg(c->progress);
    return c->progressText.contains(QStringLiteral("%1")) ? c->progressText.arg(c->progress) : c->progressText;
}

bool CheckGridModel::toggleCell(int row, int column)
{
    Cell* c = cell(row, column);
    if (!c || c->check == NoCheck || !isRowEnabled(row))
        return false;
    c->check = c->check == Checked ? Unchecked : Checked;
    c->modified = true;
    changed(row, column);
    updateHeader(column);
    return true;
}

void CheckGridModel::setColumnChecked(int column, bool checked)
{
    if (column < 0 || column >= columnCount())
        return;
    for (int r = 0; r < rowCount(); ++r) {
        Cell* c = cell(r, column);
        if (!c || c->check == NoCheck)
            continue;
        c->check = checked ? Checked : Unchecked;
        c->modified = true;
    }
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
    if (isCheckColumn(column)) {
        // The header follows the click even on an empty grid; it is corrected
        // again by the next single tick.
        Column& col = columns_[static_cast<std::size_t>(column)];
        col.headerChecked = checked;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }
}

int CheckGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CheckGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant CheckGridModel::data(const QModelIndex& index, int role) const
{
    const Cell* c = index.isValid() ? cell(index.row(), index.column()) : nullptr;
    if (!c)
        return {};
    const bool enabled = isRowEnabled(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return c->progressShown ? QVariant() : QVariant(c->text);
    case Qt::ToolTipRole:
        return c->toolTip.isEmpty() ? QVariant() : QVariant(c->toolTip);
    case Qt::ForegroundRole:
        if (!enabled)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return c->textColor.isValid() ? QVariant(QBrush(c->textColor)) : QVariant();
    case Qt::BackgroundRole:
        return c->background.isValid() ? QVariant(QBrush(c->background)) : QVariant();
    case Qt::CheckStateRole:
        if (c->check == NoCheck || c->progressShown)
            return {};
        return c->check == Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case ProgressShownRole:
        return c->progressShown;
    case ProgressPercentRole:
        return c->progress;
    case ProgressLabelRole:
        return progressLabel(index.row(), index.column());
    case RowEnabledRole:
        return enabled;
    default:
        return {};
    }
}

QVariant CheckGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column& col = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return col.title;
    if (role == Qt::CheckStateRole && col.checkColumn)
        return col.headerChecked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags CheckGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Without ItemIsEnabled the view neither selects a disabled row nor stops
    // on it when the arrow or page keys move the selection.
    return isRowEnabled(index.row()) ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

} // namespace aulira::app
