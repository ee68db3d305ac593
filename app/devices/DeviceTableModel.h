#pragma once
// The device list as a table: ten columns, a state icon in the first one.
// The model mirrors the core list row by row. Changes reported by the list
// (often on search, poll or worker threads) are queued to the model's thread
// as row inserts, row changes and removals; the texts of a row are taken from
// the entry under the list's lock when the change is reported, so painting
// never waits for the lock.
#include <QAbstractTableModel>
#include <QIcon>

#include <array>
#include <memory>
#include <unordered_set>
#include <vector>

#include "devices/DeviceList.h"

namespace aulira::app {

class DeviceTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The role that carries an entry's list state (0 to 4) for every cell.
    static constexpr int StateRole = Qt::UserRole + 1;

    explicit DeviceTableModel(DeviceList& list, QObject* parent = nullptr);
    ~DeviceTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    DeviceItemPtr itemAt(int row) const;
    int rowOf(const DeviceItemPtr& item) const;
    std::vector<DeviceItemPtr> items() const;

    // Sorts by column: ascending on the first request for a column, then
    // alternating. Returns true when this sort was ascending.
    bool sortByColumn(int column);
    const SortState& sortState() const { return sort_; }
    // The column and direction of the last sort, column -1 when unsorted.
    int sortColumn() const { return sort_.sortColumn; }
    bool sortAscending() const;
    // Sorts as a sort on `column` in that direction would (a remembered
    // sort); the next request for the column reverses it.
    void restoreSort(int column, bool ascending);

    // The icon of a list state (0 to 4): each state its own shape, drawn
    // from vector images so it stays sharp at any scale, and the same when
    // its row is selected.
    static QIcon stateIcon(int state);
    // What each state icon means, as rich text with the icons, the given
    // state (or none for -1) marked.
    static QString stateLegend(int state = -1);

private:
    struct Row {
        DeviceItemPtr item;
        std::array<QString, kDeviceColumnCount> text;
        int state = 0;
    };
    class Bridge;

    static Row rowFor(const DeviceList& list, const DeviceItemPtr& item);
    void inserted(Row row, bool atTop);
    // Where a row goes under the current sort: after its equals, so rows
    // that compare equal keep their arrival order. -1 when unsorted.
    int sortedPosition(const DeviceItemPtr& item, int skipRow) const;
    // A changed row moves to its place under the current sort.
    void keepSorted(int row);
    void changed(Row row);
    void removed(const DeviceItemPtr& item);
    void cleared();

    DeviceList& list_;
    std::vector<Row> rows_;
    std::unordered_set<const DeviceItem_Type*> present_;
    SortState sort_;
    std::shared_ptr<Bridge> bridge_;
};

} // namespace aulira::app
