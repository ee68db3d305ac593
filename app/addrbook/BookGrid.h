#pragma once
// The grids of the address book wizard and download dialog: the broadcast
// groups or the devices of the device list, each row with a tick box, sorted
// by a click on a column title (first descending, then each further click on
// the same column reverses it; the tick column does not sort).
#include <QStringList>

#include <cstdint>
#include <vector>

#include "addrbook/AddrBook.h"
#include "controls/CheckGrid.h"
#include "devices/DeviceList.h"
#include "grouping/GroupTypes.h"

namespace aulira::app {

// What the book grids show of a device-list entry, copied when a dialog opens.
struct BookDevice {
    DeviceItemPtr item;
    DeviceInfo_Type info;
    std::uint32_t ip = 0; // the entry's address, as the list shows it
    bool searchOnly = false;
    bool online = false;
};
std::vector<BookDevice> bookDevices(const DeviceList& list);
std::vector<DeviceInfo_Type> recordsOf(const std::vector<BookDevice>& devices);

// A record text (ANSI bytes) as shown.
QString shownText(const std::string& ansi);

class BookGrid : public CheckGrid {
    Q_OBJECT
public:
    enum class Kind { Groups, Devices };
    // Column widths in 64ths of the list's width; the last column takes the rest.
    BookGrid(Kind kind, std::vector<int> widths64, QWidget* parent = nullptr);

    // Rows refer to the records, which must outlive the grid's rows.
    void showGroups(const GroupList& groups);
    // The "Location" column says `local` for search results, `saved` for saved entries.
    void showDevices(const std::vector<BookDevice>& devices, const QString& local, const QString& saved);

    const GroupItem_Type* groupAt(int row) const;
    const BookDevice* deviceAt(int row) const;

    // Entries of the ticked rows in row order, as a book holds them.
    std::vector<DevItem_Type> tickedEntries() const;
    // Ticks the rows whose group number or device address one of the entries names.
    void tickFrom(const std::vector<DevItem_Type>& entries);

    void sortBy(int column);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Space ticks or unticks the current row, as a click on its tick box does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillRow(int row, const void* record);
    void applyWidths();

    Kind kind_;
    std::vector<int> widths64_;
    std::vector<bool> reversed_; // per column: the next sort is ascending
    QString local_, saved_;
};

} // namespace aulira::app
