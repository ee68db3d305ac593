#pragma once
// The device grid with tick boxes that the grouping, address book and upgrade
// dialogs share: a table view over a CheckGridModel, a header that carries a
// tick box for the check columns, and a delegate that draws progress cells.
//
// Two notifications: checkBoxClicked(row, column) when the user toggles a
// tick box (row -1 when the header ticked or unticked the whole column, sent
// once), and columnClicked(column) for every header click.
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

#include "controls/CheckGridModel.h"

namespace aulira::app {

class CheckGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit CheckGridHeader(QWidget* parent = nullptr);
    // The tick box's rectangle inside a section's rectangle.
    QRect checkBoxRect(const QRect& sectionRect) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

class CheckGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr QRgb kProgressField = 0xE0E0E0;
};

class CheckGrid : public QTableView {
    Q_OBJECT
public:
    explicit CheckGrid(QWidget* parent = nullptr);

    CheckGridModel* gridModel() const { return model_; }
    CheckGridHeader* checkHeader() const { return header_; }

    // Convenience forwarding to the model, as the dialogs use it.
    void setColumns(const QStringList& titles) { model_->setColumns(titles); }
    void setCheckColumn(int column, bool on = true) { model_->setCheckColumn(column, on); }
    int addRow(int row, const QString& text) { return model_->addRow(row, text); }
    void removeAllRows() { model_->removeAllRows(); }
    int rowCount() const { return model_->rowCount(); }
    bool setCellText(int row, int column, const QString& t) { return model_->setCellText(row, column, t); }
    QString cellText(int row, int column) const { return model_->cellText(row, column); }
    bool setCellCheck(int row, int column, int state) { return model_->setCellCheck(row, column, state); }
    int cellCheck(int row, int column) const { return model_->cellCheck(row, column); }
    bool setRowEnabled(int row, bool enabled) { return model_->setRowEnabled(row, enabled); }
    bool isRowEnabled(int row) const { return model_->isRowEnabled(row); }
    bool setRowData(int row, void* data) { return model_->setRowData(row, data); }
    void* rowData(int row) const { return model_->rowData(row); }
    bool headerChecked(int column) const { return model_->headerChecked(column); }
    bool setCellTextColor(int row, int column, const QColor& c) { return model_->setCellTextColor(row, column, c); }
    bool setCellBackground(int row, int column, const QColor& c) { return model_->setCellBackground(row, column, c); }
    bool setCellToolTip(int row, int column, const QString& tip) { return model_->setCellToolTip(row, column, tip); }
    bool showCellProgress(int row, int column) { return model_->showCellProgress(row, column); }
    bool setCellProgress(int row, int column, int percent) { return model_->setCellProgress(row, column, percent); }
    bool hideCellProgress(int row, int column) { return model_->hideCellProgress(row, column); }
    bool resetProgressCell(int row, int column) { return model_->resetProgressCell(row, column); }

    // Where a cell is drawn (viewport coordinates), for hosts and tests.
    QRect cellRect(int row, int column) const { return visualRect(model_->index(row, column)); }

signals:
    void checkBoxClicked(int row, int column);
    void columnClicked(int column);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void onSectionClicked(int column);
    bool clickCell(QMouseEvent* event);

    CheckGridModel* model_;
    CheckGridHeader* header_;
};

} // namespace aulira::app
