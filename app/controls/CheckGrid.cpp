#include "controls/CheckGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace aulira::app {

// ---- header ----------------------------------------------------------------

CheckGridHeader::CheckGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
}

QRect CheckGridHeader::checkBoxRect(const QRect& sectionRect) const
{
    QStyleOptionButton opt;
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
    QRect r(QPoint(0, 0), box.size());
    r.moveCenter(sectionRect.center());
    return r;
}

void CheckGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const QVariant check = model() ? model()->headerData(logicalIndex, orientation(), Qt::CheckStateRole) : QVariant();
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (!check.isValid())
        return;
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = checkBoxRect(rect);
    opt.state |= check.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, painter, this);
}

// ---- delegate --------------------------------------------------------------

void CheckGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!index.data(CheckGridModel::ProgressShownRole).toBool()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const int percent = index.data(CheckGridModel::ProgressPercentRole).toInt();
    const QString label = index.data(CheckGridModel::ProgressLabelRole).toString();
    const QPalette& pal = option.palette;
    const QVariant fg = index.data(Qt::ForegroundRole);
    const QColor textColor = fg.isValid() ? fg.value<QBrush>().color() : pal.color(QPalette::Text);

    painter->save();
    // Field one pixel in from the left and up from the bottom, framed dark
    // at top and left, shadow at bottom and right.
    const QRect field = option.rect.adjusted(1, 0, 0, -1);
    painter->fillRect(field, QColor::fromRgb(kProgressField));
    painter->setPen(Qt::black);
    painter->drawLine(field.topLeft(), field.topRight());
    painter->drawLine(field.topLeft(), field.bottomLeft());
    painter->setPen(pal.color(QPalette::Dark));
    painter->drawLine(field.bottomLeft(), field.bottomRight());
    painter->drawLine(field.topRight(), field.bottomRight());

    const QRect inner = field.adjusted(1, 1, -1, -1);
    QRect bar = inner;
    bar.setWidth(inner.width() * percent / 100);
    if (percent > 0)
        painter->fillRect(bar, pal.color(QPalette::Highlight));
    if (!label.isEmpty()) {
        painter->setFont(option.font);
        // Label in the highlight-text colour over the bar, the cell's colour elsewhere.
        painter->setClipRect(bar);
        painter->setPen(pal.color(QPalette::HighlightedText));
        painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, label);
        QRegion rest(inner);
        rest -= QRegion(bar);
        painter->setClipRegion(rest);
        painter->setPen(textColor);
        painter->drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, label);
    }
    painter->restore();
}

// ---- view ------------------------------------------------------------------

CheckGrid::CheckGrid(QWidget* parent)
    : QTableView(parent), model_(new CheckGridModel(this)), header_(new CheckGridHeader(this))
{
    setHorizontalHeader(header_);
    setModel(model_);
    setItemDelegate(new CheckGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    header_->setStretchLastSection(true);
    connect(header_, &QHeaderView::sectionClicked, this, &CheckGrid::onSectionClicked);
}

void CheckGrid::onSectionClicked(int column)
{
    emit columnClicked(column);
    if (!model_->isCheckColumn(column))
        return;
    model_->setColumnChecked(column, !model_->headerChecked(column));
    emit checkBoxClicked(-1, column);
}

bool CheckGrid::clickCell(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return false;
    if (!model_->isRowEnabled(index.row()))
        return true; // a disabled row swallows the click
    if (model_->toggleCell(index.row(), index.column()))
        emit checkBoxClicked(index.row(), index.column());
    return false;
}

void CheckGrid::mousePressEvent(QMouseEvent* event)
{
    if (clickCell(event)) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

} // namespace aulira::app
