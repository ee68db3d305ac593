#pragma once
// The device list: found and saved devices with their list states, the merge
// of search replies, the saved part's file, and the list commands (Add,
// Delete, manual entries). Every change happens under one mutex and is then
// reported to the listeners (outside the lock, on the thread that made it).
#include <array>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "devices/DeviceItem.h"
#include "devices/DeviceListFile.h"
#include "util/Bytes.h"
#include "util/DataFile.h"

namespace aulira {

class DeviceListListener {
public:
    virtual ~DeviceListListener() = default;
    virtual void deviceInserted(const DeviceItemPtr&, bool /*atTop*/) {}
    virtual void deviceChanged(const DeviceItemPtr&) {}
    virtual void deviceRemoved(const DeviceItemPtr&) {}
    virtual void listCleared() {}
};

class DeviceList {
public:
    using LocalSubnetTest = std::function<bool(std::uint32_t ip, std::uint32_t mask)>;

    explicit DeviceList(LocalSubnetTest isLocal = {});

    void setLocalSubnetTest(LocalSubnetTest isLocal);
    void addListener(DeviceListListener* l);
    void removeListener(DeviceListListener* l);

    // Guards the sequence and the fields of its entries; hold it to read
    // entry fields that another thread may write.
    std::mutex& mutex() const { return mutex_; }

    std::vector<DeviceItemPtr> snapshot() const;
    std::size_t size() const;

    // --- the file ---------------------------------------------------------
    // Writes the saved entries (searchOnly 0) when the list changed since the
    // last save. On failure the change flag stays set and error says why.
    // Once the file has been loaded or saved, what another program saved to
    // it since is taken in first (call with the data folder's lock held):
    // entries are matched by MAC (by address when it is all zero); this
    // program's changes win for the entries it changed, an entry it deleted
    // stays deleted, and the other program's additions, edits and deletions
    // of the rest are kept.
    bool save(const std::filesystem::path& file, std::string* error = nullptr);
    // Appends the saved devices, each in state 3 or 4 and shown "Offline".
    // A damaged file is moved aside and reported (also in the operation
    // log); the devices read completely from it are appended and the list
    // counts as changed, so the next save writes them to a new file.
    FileLoadReport load(const std::filesystem::path& file);
    void clear();
    // What reloading the file gives, taken from memory: search results go,
    // saved entries stay in list order, offline until seen again. For a
    // search that starts while the file could not be written, so its older
    // content does not replace changes that are not saved yet.
    void keepSavedOnly();
    bool listModified() const;
    void setListModified(bool modified);
    // Counts the changes to the saved part. A front end that saves after
    // every change compares it with the count it last tried to save, so a
    // failing save is tried (and reported) once per change, not per redraw.
    std::uint64_t changeCount() const;

    // --- discovery ----------------------------------------------------------
    // Merges one search reply; returns 1 when it added a new device. Past
    // kMaxSearchOnlyDevices entries found by search alone, new ones are not
    // added (logged once), so a flood of invented devices cannot exhaust memory.
    int mergeSearchReply(const std::string& adapter, ConstBytes datagram);
    static constexpr std::size_t kMaxSearchOnlyDevices = 10000;
    // Entries in states 0, 1 and 2.
    int countOnline() const;

    // --- commands -------------------------------------------------------
    // Add: entries of `selected` in state 0 become saved (state 1). Returns
    // false when none was in state 0 (the caller then offers a manual entry).
    bool addSelected(const std::vector<DeviceItemPtr>& selected);
    // Every entry in state 0 becomes saved.
    void addAllFound();
    // Delete: state 1 goes back to a search result, 2 to 4 are removed.
    // Returns false when nothing was given.
    bool deleteItems(const std::vector<DeviceItemPtr>& items);
    // A manually added device goes to the front in state 3 or 4.
    void insertManual(const DeviceItemPtr& item);
    // After a manual edit: the list changed; the entry's state follows its subnet.
    void editedManual(const DeviceItemPtr& item);
    // Reports a change made to an entry by another part of the program; call
    // it after changing an entry's address or MAC so searches match it again.
    void notifyChanged(const DeviceItemPtr& item);
    // After a parameter write or MAC change moved an entry to another number,
    // address or MAC: searches match it under the new identity, and a saved
    // entry makes the list changed so the file keeps the new values.
    void identityChanged(const DeviceItemPtr& item);

    // --- status poll --------------------------------------------------------
    // An entry answered a poll through `adapter`: its identity record takes
    // the reply (at most 224 bytes), the adapter and the unicast flag are
    // remembered, and a device waiting to be seen (state 4) comes online.
    void applyPollReply(const DeviceItemPtr& item, const std::string& adapter, ConstBytes payload);

    DeviceItemPtr findByIp(std::uint32_t ip) const;
    DeviceItemPtr findByMac(const std::uint8_t* mac) const;
    DeviceItemPtr findByNo(std::int32_t no) const;

private:
    // Search replies are matched by address and MAC; the index keeps that
    // match constant-time for large sites. It maps each key to the first
    // entry in list order and is rebuilt after changes other than appends.
    struct Key {
        std::uint32_t ip;
        std::uint64_t mac;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept
        {
            return std::hash<std::uint64_t>()((static_cast<std::uint64_t>(k.ip) << 16) ^ (k.mac * 0x9E3779B97F4A7C15ull));
        }
    };
    static Key keyOf(const DeviceInfo_Type& info);
    DeviceItemPtr findByKeyLocked(const Key& key);
    bool containsLocked(const DeviceItemPtr& item) const;

    std::uint8_t savedState(const DeviceInfo_Type& info, std::uint32_t ip) const;
    template <typename F>
    void notify(F&& f);

    mutable std::mutex mutex_;
    std::vector<DeviceItemPtr> items_;
    void markModifiedLocked();
    // The entry was added, edited or moved by this program since the last load or save.
    void touchLocked(const DeviceItemPtr& item) { touched_.insert(item.get()); }
    void mergeFileLocked(const std::filesystem::path& file, std::vector<DeviceItemPtr>& added,
                         std::vector<DeviceItemPtr>& changed, std::vector<DeviceItemPtr>& removed);
    std::vector<DeviceListRecord> baseline_; // the saved records as the file held them at the last load or save
    bool baselineKnown_ = false;
    std::unordered_set<const DeviceItem_Type*> touched_;

    bool modified_ = false;
    std::uint64_t changes_ = 0;
    std::unordered_map<Key, DeviceItemPtr, KeyHash> index_;
    bool indexDirty_ = true;
    bool capLogged_ = false; // the search-only limit was reported since the last clear
    LocalSubnetTest isLocal_;
    std::mutex listenersMutex_;
    std::vector<DeviceListListener*> listeners_;
};

// The ten columns of the device list: Status, NO, IP Address, MAC, Device
// Name, Device Type, Firmware Version, Server IP, Device Status, Location.
inline constexpr int kDeviceColumnCount = 10;
std::array<std::string, kDeviceColumnCount> deviceColumnTitles();
// Cell texts of one entry (UTF-8). Call with the list's mutex held when other
// threads may write the entry.
std::array<std::string, kDeviceColumnCount> deviceColumns(const DeviceItem_Type& item);

// Column comparison for sorting (negative, 0, positive): addresses by their
// value (127.0.1.11 before 127.0.1.200), the device status by its word, the
// location by where the entry came from; column 0 has no order.
int compareDevices(const DeviceItem_Type& a, const DeviceItem_Type& b, int column);

// The sort memory of the list: the first click on a column sorts ascending,
// the next one descending, and so on per column.
struct SortState {
    int sortColumn = -1;
    std::array<int, kDeviceColumnCount> nextAscending{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    // Sorts rows by column and flips that column's direction.
    void sort(std::vector<DeviceItemPtr>& rows, int column);
};

} // namespace aulira
