// Taking in what another program (auctl, a second window) saved to the
// device list file since this list last loaded or saved it, so neither
// program's save drops the other's work.
#include "devices/DeviceList.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace aulira {

namespace {

// Entries are the same device when their MACs match; manual entries, whose
// MAC is all zero until a search finds them, by their address.
std::uint64_t mergeKey(const DeviceInfo_Type& info, std::uint32_t ip)
{
    std::uint64_t mac = 0;
    for (int i = 0; i < 6; ++i)
        mac = (mac << 8) | info.mac()[i];
    return mac != 0 ? mac : (1ull << 48) | ip;
}

bool sameRecord(const DeviceListRecord& a, const DeviceListRecord& b)
{
    return a.bParaExt == b.bParaExt && a.ip == b.ip
           && std::equal(a.info.bytes().begin(), a.info.bytes().end(), b.info.bytes().begin(), b.info.bytes().end());
}

} // namespace

void DeviceList::mergeFileLocked(const std::filesystem::path& file, std::vector<DeviceItemPtr>& added,
                                 std::vector<DeviceItemPtr>& changed, std::vector<DeviceItemPtr>& removed)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(file, bytes))
        return; // gone or unreadable: this list's save puts it back
    const auto content = decodeDeviceListFile(bytes);
    if (!content.intact())
        return; // a damaged file is not a record of anyone's intent
    std::map<std::uint64_t, const DeviceListRecord*> base, disk;
    for (const auto& r : baseline_)
        base.emplace(mergeKey(r.info, r.ip), &r);
    for (const auto& r : content.records)
        disk.emplace(mergeKey(r.info, r.ip), &r);

    std::map<std::uint64_t, DeviceItemPtr> mine, found;
    for (const auto& item : items_) {
        if (item->searchOnly != 0) {
            found.emplace(mergeKey(item->devItem, item->ip), item);
            continue;
        }
        const std::uint64_t key = mergeKey(item->devItem, item->ip);
        mine.emplace(key, item);
        if (touched_.count(item.get()))
            continue; // this program's change wins
        const auto d = disk.find(key);
        const auto b = base.find(key);
        if (d == disk.end()) {
            if (b == base.end())
                continue;
            // Deleted by the other program, as Delete does here: a device
            // found by the search stays on screen as a search result.
            if (item->state == STATE_SAVED_FOUND) {
                item->state = STATE_FOUND;
                item->searchOnly = 1;
                changed.push_back(item);
            } else {
                removed.push_back(item);
            }
            continue;
        }
        if (b != base.end() && sameRecord(*d->second, *b->second))
            continue; // the other program left it alone
        // Edited by the other program: its number, name and address are taken.
        item->paraExt = static_cast<std::int32_t>(d->second->bParaExt);
        item->devItem = d->second->info;
        item->devItem.setWorkState(0);
        item->ip = item->devItem.ip();
        if (!isOnlineState(item->state))
            item->state = savedState(item->devItem, item->ip);
        changed.push_back(item);
    }
    for (const auto& item : removed)
        std::erase(items_, item);
    // Saved by the other program and never part of this list: added there.
    for (const auto& r : content.records) {
        const std::uint64_t key = mergeKey(r.info, r.ip);
        if (mine.count(key) || base.count(key))
            continue;
        if (const auto f = found.find(key); f != found.end()) {
            // On screen from a search: it is saved now.
            f->second->searchOnly = 0;
            if (f->second->state == STATE_FOUND)
                f->second->state = STATE_SAVED_FOUND;
            changed.push_back(f->second);
            continue;
        }
        auto item = std::make_shared<DeviceItem_Type>();
        item->paraExt = static_cast<std::int32_t>(r.bParaExt);
        item->searchOnly = 0;
        item->devItem = r.info;
        item->devItem.setWorkState(0);
        item->ip = item->devItem.ip();
        item->state = savedState(item->devItem, item->ip);
        items_.push_back(item);
        added.push_back(item);
        mine.emplace(key, item);
    }
    if (!added.empty() || !changed.empty() || !removed.empty())
        indexDirty_ = true;
}

} // namespace aulira
