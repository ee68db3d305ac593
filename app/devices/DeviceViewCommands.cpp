// The list commands of the device view: Add (search results and manual
// entries), Delete and its undo, and the edit of a manual entry. Each change
// to the saved list leaves a line in the operation log naming the device.
#include "devices/DeviceView.h"

#include <mutex>

#include "common/DeviceLog.h"
#include "common/MessageBox.h"
#include "devices/AddDeviceDialog.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira::app {

bool DeviceView::addToSavedList(const std::vector<DeviceItemPtr>& items)
{
    auto& list = manager_.devices();
    std::vector<DeviceItemPtr> found; // the entries Add turns into saved ones
    {
        std::lock_guard lock(list.mutex());
        for (const auto& item : items)
            if (item->state == STATE_FOUND)
                found.push_back(item);
    }
    if (!list.addSelected(items))
        return false;
    for (const auto& item : found)
        logLine(tr("Device added to the list: %1.").arg(deviceLogName(list, item)));
    return true;
}

void DeviceView::addDevices()
{
    if (addToSavedList(selectedItems()))
        return;
    AddDeviceDialog dialog(manager_.devices(), this);
    connect(&dialog, &AddDeviceDialog::deviceAdded, this, [this](const DeviceItemPtr& item) {
        logLine(tr("Device added to the list by hand: %1.").arg(deviceLogName(manager_.devices(), item)));
    });
    dialog.exec();
}

void DeviceView::deleteDevices()
{
    const auto items = selectedItems();
    if (items.empty()) {
        showWarningText(this, IDS_SELECT_TO_DELETE);
        return;
    }
    std::vector<Deleted> taken;
    {
        std::lock_guard lock(manager_.devices().mutex());
        for (const auto& item : items)
            if (item->state != STATE_FOUND)
                taken.push_back({item, item->state});
    }
    manager_.devices().deleteItems(items);
    if (taken.empty()) {
        // Delete leaves search results alone; say so rather than do nothing.
        emit statusMessage(tr("Only devices in the saved list can be removed; search results are found again "
                              "by every search."));
        return;
    }
    for (const auto& d : taken)
        logLine(tr("Device removed from the list: %1.").arg(deviceLogName(manager_.devices(), d.item)));
    lastDeleted_ = std::move(taken);
    emit undoAvailable(true);
    emit statusMessage(lastDeleted_.size() == 1
                           ? tr("1 device removed from the saved list; Ctrl+Z brings it back.")
                           : tr("%1 devices removed from the saved list; Ctrl+Z brings them back.")
                                 .arg(lastDeleted_.size()));
}

void DeviceView::undoDelete()
{
    if (lastDeleted_.empty())
        return;
    const auto taken = std::move(lastDeleted_);
    lastDeleted_.clear();
    emit undoAvailable(false);
    auto& list = manager_.devices();
    const auto listed = list.snapshot();
    // Backwards, so entries put back at the top keep their order.
    for (auto it = taken.rbegin(); it != taken.rend(); ++it) {
        const bool present = std::find(listed.begin(), listed.end(), it->item) != listed.end();
        if (it->state == STATE_SAVED_FOUND) {
            if (present)
                list.addSelected({it->item});
        } else if (!present) {
            list.insertManual(it->item);
        }
    }
    for (const auto& d : taken)
        logLine(tr("Device back in the list (Delete undone): %1.").arg(deviceLogName(list, d.item)));
    emit statusMessage(taken.size() == 1 ? tr("1 device back in the saved list.")
                                         : tr("%1 devices back in the saved list.").arg(taken.size()));
}

void DeviceView::editItem(const DeviceItemPtr& item)
{
    auto& list = manager_.devices();
    // The entry as the log names it, with the mask the edit may change too.
    auto entryText = [this, &list, &item] {
        std::uint32_t mask = 0;
        {
            std::lock_guard lock(list.mutex());
            mask = item->devItem.mask();
        }
        return tr("%1, subnet mask %2").arg(deviceLogName(list, item), QString::fromStdString(formatIp(mask)));
    };
    const QString before = entryText();
    AddDeviceDialog dialog(list, item, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const QString after = entryText(); after != before)
        logLine(tr("Device entry edited: %1 (was %2).").arg(after, before));
    emit deviceEdited(item);
}

} // namespace aulira::app
