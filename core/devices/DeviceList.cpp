#include "devices/DeviceList.h"

#include <algorithm>
#include <cstring>

#include "devices/DeviceListFile.h"
#include "protocol/Packet.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/AtomicFile.h"
#include "util/Ipv4.h"

namespace aulira {

DeviceList::DeviceList(LocalSubnetTest isLocal) : isLocal_(std::move(isLocal)) {}

void DeviceList::setLocalSubnetTest(LocalSubnetTest isLocal)
{
    std::lock_guard lock(mutex_);
    isLocal_ = std::move(isLocal);
}

void DeviceList::addListener(DeviceListListener* l)
{
    std::lock_guard lock(listenersMutex_);
    listeners_.push_back(l);
}

void DeviceList::removeListener(DeviceListListener* l)
{
    std::lock_guard lock(listenersMutex_);
    std::erase(listeners_, l);
}

template <typename F>
void DeviceList::notify(F&& f)
{
    std::vector<DeviceListListener*> ls;
    {
        std::lock_guard lock(listenersMutex_);
        ls = listeners_;
    }
    for (auto* l : ls)
        f(*l);
}

std::vector<DeviceItemPtr> DeviceList::snapshot() const
{
    std::lock_guard lock(mutex_);
    return items_;
}

std::size_t DeviceList::size() const
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

bool DeviceList::listModified() const
{
    std::lock_guard lock(mutex_);
    return modified_;
}

void DeviceList::setListModified(bool modified)
{
    std::lock_guard lock(mutex_);
    if (modified)
        markModifiedLocked();
    else
        modified_ = false;
}

std::uint64_t DeviceList::changeCount() const
{
    std::lock_guard lock(mutex_);
    return changes_;
}

void DeviceList::markModifiedLocked()
{
    modified_ = true;
    ++changes_;
}

std::uint8_t DeviceList::savedState(const DeviceInfo_Type& info, std::uint32_t ip) const
{
    const bool local = isLocal_ && isLocal_(ip, info.mask());
    return local ? STATE_LOCAL_OFFLINE : STATE_REMOTE_OFFLINE;
}

bool DeviceList::save(const std::filesystem::path& file, std::string* error)
{
    std::vector<DeviceListRecord> records;
    std::vector<DeviceItemPtr> added, changed, removed;
    std::uint64_t written = 0;
    {
        std::lock_guard lock(mutex_);
        if (!modified_)
            return true;
        if (baselineKnown_)
            mergeFileLocked(file, added, changed, removed);
        written = changes_;
        for (const auto& item : items_) {
            if (item->searchOnly != 0)
                continue;
            DeviceListRecord r;
            r.bParaExt = static_cast<std::uint32_t>(item->paraExt);
            r.ip = item->ip;
            r.searchOnly = 0;
            r.hasRecord = 1;
            r.info = item->devItem;
            records.push_back(r);
        }
    }
    const auto bytes = encodeDeviceListFile(records);
    const bool saved = writeFileAtomically(file, bytes, error);
    if (saved) {
        std::lock_guard lock(mutex_);
        baseline_ = std::move(records);
        baselineKnown_ = true;
        // A change made by another thread while the file was written is not in
        // it: the list stays changed for the next save.
        if (changes_ == written) {
            modified_ = false;
            touched_.clear();
        }
    }
    for (const auto& item : added)
        notify([&](DeviceListListener& l) { l.deviceInserted(item, false); });
    for (const auto& item : changed)
        notify([&](DeviceListListener& l) { l.deviceChanged(item); });
    for (const auto& item : removed)
        notify([&](DeviceListListener& l) { l.deviceRemoved(item); });
    return saved;
}

FileLoadReport DeviceList::load(const std::filesystem::path& file)
{
    FileLoadReport report;
    std::vector<std::uint8_t> bytes;
    std::string error;
    report.status = readDataFile(file, bytes, &error);
    if (report.status == LoadStatus::Unreadable) {
        report = unreadableFileReport(file, "device list file", error);
        OutputLog("%s", report.message.c_str());
        return report;
    }
    if (report.status == LoadStatus::Missing) {
        // No file yet: whatever another program saves from now on is new.
        std::lock_guard lock(mutex_);
        baseline_.clear();
        baselineKnown_ = true;
        touched_.clear();
    }
    if (report.status != LoadStatus::Loaded)
        return report;
    const auto content = decodeDeviceListFile(bytes);
    if (!content.intact()) {
        report = damagedFileReport(file, "device list file",
                                   damageReason(content.magicOk, content.complete, content.extraBytes),
                                   content.records.size(), "saved devices");
        OutputLog("%s", report.message.c_str());
    }
    std::vector<DeviceItemPtr> added;
    {
        std::lock_guard lock(mutex_);
        for (const auto& r : content.records) {
            auto item = std::make_shared<DeviceItem_Type>();
            item->paraExt = static_cast<std::int32_t>(r.bParaExt);
            item->searchOnly = r.searchOnly;
            item->devItem = r.info;
            item->devItem.setWorkState(0);
            item->ip = item->devItem.ip();
            item->state = savedState(item->devItem, item->devItem.ip());
            items_.push_back(item);
            added.push_back(item);
            indexDirty_ = true;
        }
        if (report.status == LoadStatus::Damaged && !added.empty())
            modified_ = true;
        baseline_ = content.records;
        baselineKnown_ = true;
        touched_.clear();
    }
    for (const auto& item : added)
        notify([&](DeviceListListener& l) { l.deviceInserted(item, false); });
    return report;
}

void DeviceList::keepSavedOnly()
{
    std::vector<DeviceItemPtr> kept;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(items_, [](const DeviceItemPtr& i) { return i->searchOnly != 0; });
        for (const auto& item : items_) {
            item->devItem.setWorkState(0);
            item->state = savedState(item->devItem, item->ip);
        }
        kept = items_;
        index_.clear();
        indexDirty_ = true;
    }
    notify([](DeviceListListener& l) { l.listCleared(); });
    for (const auto& item : kept)
        notify([&](DeviceListListener& l) { l.deviceInserted(item, false); });
}

void DeviceList::clear()
{
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        index_.clear();
        indexDirty_ = true;
        capLogged_ = false;
    }
    notify([](DeviceListListener& l) { l.listCleared(); });
}

DeviceList::Key DeviceList::keyOf(const DeviceInfo_Type& info)
{
    std::uint64_t mac = 0;
    for (int i = 0; i < 6; ++i)
        mac = (mac << 8) | info.mac()[i];
    return Key{info.ip(), mac};
}

DeviceItemPtr DeviceList::findByKeyLocked(const Key& key)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (indexDirty_) {
            index_.clear();
            for (const auto& item : items_)
                index_.emplace(keyOf(item->devItem), item);
            indexDirty_ = false;
        }
        auto it = index_.find(key);
        if (it == index_.end())
            return nullptr;
        if (keyOf(it->second->devItem) == key)
            return it->second;
        indexDirty_ = true; // an entry changed behind the index's back
    }
    return nullptr;
}

int DeviceList::mergeSearchReply(const std::string& adapter, ConstBytes datagram)
{
    if (!PacketChecksumOk(datagram))
        return 0;
    const auto info = DeviceInfo_Type::fromPayload(datagram.subspan(kHeaderSize, readU16(datagram, hdr::length)));
    DeviceItemPtr changed, added;
    bool capHit = false;
    {
        std::lock_guard lock(mutex_);
        const Key key = keyOf(info);
        if (auto found = findByKeyLocked(key)) {
            if (found->searchOnly == 0) {
                found->state = STATE_SAVED_FOUND;
                found->devItem = info;
                found->localIp = adapter;
                found->ip = info.ip();
                changed = found;
            }
        } else if (items_.size() >= kMaxSearchOnlyDevices &&
                   static_cast<std::size_t>(std::count_if(items_.begin(), items_.end(), [](const auto& i) {
                       return i->searchOnly != 0;
                   })) >= kMaxSearchOnlyDevices) {
            if (!capLogged_) {
                capLogged_ = true;
                capHit = true;
            }
        } else {
            added = std::make_shared<DeviceItem_Type>();
            added->localIp = adapter;
            added->devItem = info;
            added->ip = info.ip();
            added->searchOnly = 1;
            added->paraExt = -1;
            added->state = STATE_FOUND;
            items_.push_back(added);
            if (!indexDirty_)
                index_.emplace(key, added);
        }
    }
    if (capHit)
        OutputLog("The list holds %d devices found by search; further devices are not added.",
                  static_cast<int>(kMaxSearchOnlyDevices));
    if (changed)
        notify([&](DeviceListListener& l) { l.deviceChanged(changed); });
    if (!added)
        return 0;
    notify([&](DeviceListListener& l) { l.deviceInserted(added, false); });
    OutputLog("%s:%s", stringText(IDS_FOUND_DEVICE), formatIp(info.ip()).c_str());
    return 1;
}

int DeviceList::countOnline() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(
        std::count_if(items_.begin(), items_.end(), [](const DeviceItemPtr& i) { return isOnlineState(i->state); }));
}

bool DeviceList::addSelected(const std::vector<DeviceItemPtr>& selected)
{
    std::vector<DeviceItemPtr> changed;
    {
        std::lock_guard lock(mutex_);
        for (const auto& item : selected) {
            if (item->state != STATE_FOUND)
                continue;
            item->state = STATE_SAVED_FOUND;
            item->searchOnly = 0;
            touchLocked(item);
            changed.push_back(item);
        }
        if (!changed.empty())
            markModifiedLocked();
    }
    for (const auto& item : changed)
        notify([&](DeviceListListener& l) { l.deviceChanged(item); });
    return !changed.empty();
}

void DeviceList::addAllFound() { addSelected(snapshot()); }

bool DeviceList::deleteItems(const std::vector<DeviceItemPtr>& items)
{
    if (items.empty())
        return false;
    std::vector<DeviceItemPtr> changed, removed;
    {
        std::lock_guard lock(mutex_);
        for (const auto& item : items) {
            if (std::find(items_.begin(), items_.end(), item) == items_.end())
                continue;
            if (item->state == STATE_FOUND)
                continue;
            if (item->state == STATE_SAVED_FOUND) {
                item->state = STATE_FOUND;
                item->searchOnly = 1;
                changed.push_back(item);
            } else {
                std::erase(items_, item);
                removed.push_back(item);
                indexDirty_ = true;
            }
        }
        if (!changed.empty() || !removed.empty())
            markModifiedLocked();
    }
    for (const auto& item : changed)
        notify([&](DeviceListListener& l) { l.deviceChanged(item); });
    for (const auto& item : removed)
        notify([&](DeviceListListener& l) { l.deviceRemoved(item); });
    return true;
}

void DeviceList::insertManual(const DeviceItemPtr& item)
{
    {
        std::lock_guard lock(mutex_);
        item->state = savedState(item->devItem, item->ip);
        items_.insert(items_.begin(), item);
        touchLocked(item);
        markModifiedLocked();
        indexDirty_ = true;
    }
    notify([&](DeviceListListener& l) { l.deviceInserted(item, true); });
}

void DeviceList::editedManual(const DeviceItemPtr& item)
{
    {
        std::lock_guard lock(mutex_);
        touchLocked(item);
        markModifiedLocked();
        indexDirty_ = true;
        item->state = savedState(item->devItem, item->ip);
    }
    notify([&](DeviceListListener& l) { l.deviceChanged(item); });
}

void DeviceList::notifyChanged(const DeviceItemPtr& item)
{
    {
        std::lock_guard lock(mutex_);
        indexDirty_ = true;
    }
    notify([&](DeviceListListener& l) { l.deviceChanged(item); });
}

bool DeviceList::containsLocked(const DeviceItemPtr& item) const
{
    return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void DeviceList::identityChanged(const DeviceItemPtr& item)
{
    {
        std::lock_guard lock(mutex_);
        // A job may finish for an entry that was deleted meanwhile; the list
        // has nothing to keep or show for it then.
        if (!containsLocked(item))
            return;
        indexDirty_ = true;
        if (item->searchOnly == 0) {
            touchLocked(item);
            markModifiedLocked();
        }
    }
    notify([&](DeviceListListener& l) { l.deviceChanged(item); });
}

void DeviceList::applyPollReply(const DeviceItemPtr& item, const std::string& adapter, ConstBytes payload)
{
    bool listed;
    {
        std::lock_guard lock(mutex_);
        const std::size_t n = std::min(payload.size(), devinfo::size);
        std::copy_n(payload.begin(), n, item->devItem.raw.begin());
        item->localIp = adapter;
        item->unicastOk = 1;
        if (item->state == STATE_REMOTE_OFFLINE)
            item->state = STATE_REMOTE_ONLINE;
        listed = containsLocked(item);
        if (listed)
            indexDirty_ = true;
    }
    if (listed)
        notify([&](DeviceListListener& l) { l.deviceChanged(item); });
}

DeviceItemPtr DeviceList::findByIp(std::uint32_t ip) const
{
    std::lock_guard lock(mutex_);
    for (const auto& i : items_)
        if (i->ip == ip)
            return i;
    return nullptr;
}

DeviceItemPtr DeviceList::findByMac(const std::uint8_t* mac) const
{
    std::lock_guard lock(mutex_);
    for (const auto& i : items_)
        if (std::memcmp(i->devItem.mac(), mac, 6) == 0)
            return i;
    return nullptr;
}

DeviceItemPtr DeviceList::findByNo(std::int32_t no) const
{
    std::lock_guard lock(mutex_);
    for (const auto& i : items_)
        if (i->devItem.devNo() == no)
            return i;
    return nullptr;
}

std::array<std::string, kDeviceColumnCount> deviceColumnTitles()
{
    return {stringText(IDS_COL_STATUS),      stringText(IDS_COL_NO),       stringText(IDS_COL_IP),
            "MAC",                           stringText(IDS_COL_DEVICE_NAME), stringText(IDS_COL_DEVICE_TYPE),
            stringText(IDS_COL_FIRMWARE),    stringText(IDS_COL_SERVER_IP), stringText(IDS_COL_DEVICE_STATUS),
            stringText(IDS_COL_LOCATION)};
}

std::array<std::string, kDeviceColumnCount> deviceColumns(const DeviceItem_Type& item)
{
    const auto& r = item.devItem;
    return {stringText(isOnlineState(item.state) ? IDS_ONLINE : IDS_WORKSTATE_OFFLINE),
            std::to_string(r.devNo()),
            formatIp(item.ip),
            r.macText(),
            displayText(r.devName()),
            displayText(r.deviceType()),
            displayText(r.firmwareVersion()),
            formatIp(r.serverIp()),
            workStateText(r.workState()),
            stringText(item.searchOnly == 1 ? IDS_LOCATION_LOCAL : IDS_LOCATION_BOOK)};
}

namespace {
template <typename T>
int cmp(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}
} // namespace

int compareDevices(const DeviceItem_Type& a, const DeviceItem_Type& b, int column)
{
    const auto& ra = a.devItem;
    const auto& rb = b.devItem;
    // Addresses sort as they read, first byte first; texts as the column shows them.
    switch (column) {
    case 1: return cmp(ra.devNo(), rb.devNo());
    case 2: return cmp(ipToHostOrder(a.ip), ipToHostOrder(b.ip));
    case 3: return std::memcmp(ra.mac(), rb.mac(), 6);
    case 4: return compareFixedText(ra.bytes(), rb.bytes(), devinfo::devName, 32);
    case 5: return ra.deviceType().compare(rb.deviceType());
    case 6: return compareFixedText(ra.bytes(), rb.bytes(), devinfo::firmwareVersion, 16);
    case 7: return cmp(ipToHostOrder(ra.serverIp()), ipToHostOrder(rb.serverIp()));
    case 8: return cmp(ra.workState(), rb.workState());
    case 9: return cmp(a.searchOnly, b.searchOnly);
    default: return 0;
    }
}

void SortState::sort(std::vector<DeviceItemPtr>& rows, int column)
{
    if (column < 0 || column >= kDeviceColumnCount)
        return;
    sortColumn = column;
    const bool asc = nextAscending[static_cast<std::size_t>(column)] == 1;
    std::stable_sort(rows.begin(), rows.end(), [&](const DeviceItemPtr& x, const DeviceItemPtr& y) {
        int c = compareDevices(*x, *y, column);
        return asc ? c < 0 : c > 0;
    });
    auto& flag = nextAscending[static_cast<std::size_t>(column)];
    flag = flag == 1 ? 0 : 1;
}

} // namespace aulira
