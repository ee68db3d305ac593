// Whether the list offers its "Modify MAC address" entry (and Ctrl+M).
#include "devices/DeviceView.h"

#include <QItemSelectionModel>

#include <mutex>

#include "devices/DeviceManager.h"
#include "devices/DeviceTableModel.h"

namespace aulira::app {

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

} // namespace aulira::app
