#pragma once
// Cell store of the device grids with tick boxes: every cell keeps its own
// check state, colours, tool tip and progress bar, and each row an enabled
// flag and the host's pointer. The view (CheckGrid) and the dialogs talk to it
// by row and column; an index outside the grid makes an operation do nothing.
#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>

#include <vector>

namespace aulira::app {

class CheckGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum CheckState { NoCheck = -1, Unchecked = 0, Checked = 1 };
    enum Role {
        ProgressShownRole = Qt::UserRole + 1, // bool
        ProgressPercentRole,                  // int 0..100
        ProgressLabelRole,                    // QString, empty when the bar has no label
        RowEnabledRole,                       // bool
    };

    explicit CheckGridModel(QObject* parent = nullptr);

    // Columns come first: a row gets cells for the columns that exist when it is added.
    void setColumns(const QStringList& titles);
    // A check column shows a tick box in its header that ticks or unticks every row.
    void setCheckColumn(int column, bool on);
    bool isCheckColumn(int column) const;
    // Header tick of a check column: true once every row is ticked.
    bool headerChecked(int column) const;

    // Inserts a row at `row` (0..rowCount) with `text` in column 0; the new
    // row's index, or -1 for an index outside the grid.
    int addRow(int row, const QString& text);
    void removeAllRows();

    bool setCellText(int row, int column, const QString& text);
    QString cellText(int row, int column) const;

    // -1 takes the check box away, 0 unticks, 1 ticks.
    bool setCellCheck(int row, int column, int state);
    int cellCheck(int row, int column) const;
    bool isCellModified(int row, int column) const;

    bool setRowEnabled(int row, bool enabled);
    bool isRowEnabled(int row) const;

    bool setRowData(int row, void* data);
    void* rowData(int row) const;

    bool setCellTextColor(int row, int column, const QColor& color);
    bool setCellBackground(int row, int column, const QColor& color);
    QColor cellTextColor(int row, int column) const;
    QColor cellBackground(int row, int column) const;

    // Shown for at most 80 characters.
    bool setCellToolTip(int row, int column, const QString& tip);

    // Bar at 0 % with the percentage as label.
    bool showCellProgress(int row, int column);
    bool setCellProgress(int row, int column, int percent);
    bool hideCellProgress(int row, int column);
    // Label format; "%1" takes the percent. Empty gives "0%".."100%".
    bool setCellProgressText(int row, int column, const QString& format);
    bool setCellProgressLabelShown(int row, int column, bool shown);
    // Marks a cell that waits for its progress: "0%", black on light red.
    bool resetProgressCell(int row, int column);
    bool isProgressShown(int row, int column) const;
    int cellProgress(int row, int column) const;
    QString progressLabel(int row, int column) const;

    // A user's click or a header tick: toggles, marks modified. Used by the view.
    bool toggleCell(int row, int column);
    // The header's flip: every row's cell with a check box takes the new state.
    void setColumnChecked(int column, bool checked);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Cell {
        QString text;
        QString toolTip;
        QColor textColor;  // invalid: the palette's text colour
        QColor background; // invalid: the palette's base colour
        bool modified = false;
        bool progressShown = false;
        int progress = 0;
        QString progressText;
        bool progressLabelShown = true;
        int check = NoCheck;
    };
    struct Row {
        std::vector<Cell> cells;
        bool enabled = true;
        void* data = nullptr;
    };
    struct Column {
        QString title;
        bool checkColumn = false;
        bool headerChecked = false;
    };

    Cell* cell(int row, int column);
    const Cell* cell(int row, int column) const;
    void changed(int row, int column);
    void updateHeader(int column);

    std::vector<Column> columns_;
    std::vector<Row> rows_;
};

} // namespace aulira::app
