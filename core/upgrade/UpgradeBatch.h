#pragma once
// Batch upgrades of device firmware and of call-station screen firmware. A
// batch goes over the entries a front end listed, in order, upgrades the
// ticked ones (`selected`) on a socket of its own per device, one after the
// other or several at a time, and reports through an UpgradeListener.
// upgradeRunning is set while it works, so the status poller keeps off the
// network.
#include <atomic>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "devices/DeviceItem.h"

namespace aulira {

class DeviceList;

// Per-device failure texts, as the devices' installers know them.
namespace upgrade_text {
inline constexpr const char* connectFail = "connect device fail!";
inline constexpr const char* typeFail = "get device type fail!";
inline constexpr const char* enterBootFail = "Enter boot fail!";
inline constexpr const char* firstPacketFail = "first packet fail!";
inline constexpr const char* typeNotMatch = "device type not match!";
inline constexpr const char* upgradeError = "upgrade error!";
inline constexpr const char* packetFail = "%d packet fail!"; // with the packet number from 1
inline constexpr const char* screenStatusFail = "get screen status fail!";
inline constexpr const char* enterBootMode = "please enter boot mode!";
inline constexpr const char* startFail = "start upgrade fail!";
inline constexpr const char* writeBufferFail = "write buffer fail!";
inline constexpr const char* writeFlashFail = "write flash fail!";
inline constexpr const char* endFail = "end upgrade fail!";
inline constexpr const char* enterAppFail = "enter app fail!";
// Added to a failure once the device is in its boot loader.
inline constexpr const char* leftInBootLoader = "left in the boot loader: run the upgrade again";
} // namespace upgrade_text

// "first packet fail! (left in the boot loader: run the upgrade again)"
std::string leftInBootLoaderText(const std::string& failure);
// The same when an enter-boot request went unanswered and the device then
// answered nothing: it may have switched.
std::string maybeInBootLoaderText(const std::string& failure);
// Whether a failure text says the device was left in its boot loader.
bool saysLeftInBootLoader(const std::string& failure);

// The model whose screen firmware the screen batch writes.
inline constexpr const char* kScreenFileModel = "KM-220";

// What a batch tells its front end. Calls come one at a time (from the
// batch's thread, or with several devices at a time from one of its device
// threads) and the batch waits for each to return: a front end that must show
// them on another thread hands them over synchronously.
class UpgradeListener {
public:
    virtual ~UpgradeListener() = default;
    // percent 0..100 of the entry being upgraded.
    virtual void progress(const DeviceItemPtr& item, int percent) = 0;
    // The entry failed (or, with "connect device fail!" and "get device type
    // fail!", the whole batch ends after it).
    virtual void failure(const DeviceItemPtr& item, const std::string& text) = 0;
    // Last call of every batch, also when the file could not be had.
    virtual void batchEnd() = 0;
    // A ticked entry of the right model is taken up (once, however many
    // attempts follow), and its last attempt has ended: upgraded or not.
    virtual void deviceStart(const DeviceItemPtr&) {}
    virtual void deviceEnd(const DeviceItemPtr&, bool /*upgraded*/) {}
};

inline constexpr int kMaxUpgradeParallel = 32;

struct UpgradeBatchInput {
    std::filesystem::path file;
    // Every listed entry in row order, ticked or not; `selected` says which.
    std::vector<DeviceItemPtr> devices;
    UpgradeListener* listener = nullptr;
    // The list the entries belong to: its lock guards their fields while other
    // threads (a search) may change them. May be null when nobody else does.
    DeviceList* list = nullptr;
    // Devices upgraded at once (1 to kMaxUpgradeParallel). With 1 the entries
    // go one after the other and a socket or device-type failure ends the
    // batch; with more, every failure ends only its own device.
    int parallel = 1;
    // Further attempts at a device whose sequence failed, right after it.
    int retries = 0;
};

// The batch runners; each returns after batchEnd(). Run them on a thread of
// their own (UpgradeBatch does).
void FirmwareUpgradeThreadProc(const UpgradeBatchInput& input);
void ScreenUpgradeThreadProc(const UpgradeBatchInput& input);

// One batch on its own thread.
class UpgradeBatch {
public:
    enum class Kind { Firmware, Screen };

    UpgradeBatch() = default;
    ~UpgradeBatch(); // waits for a running batch
    UpgradeBatch(const UpgradeBatch&) = delete;
    UpgradeBatch& operator=(const UpgradeBatch&) = delete;

    // Starts a batch; false while the previous one still runs.
    bool start(Kind kind, UpgradeBatchInput input);
    // Blocks until the running batch (if any) has sent batchEnd().
    void wait();
    bool running() const { return running_; }

private:
    std::thread thread_;
    std::atomic<bool> running_{false};
};

// The model text of an identity record: NUL-terminated from its model field on.
std::string upgradeModelText(const DeviceInfo_Type& info);
// The call-station models whose screens can be upgraded.
bool isScreenUpgradeModel(std::string_view modelText);

// The entries each batch lists, in list order: the firmware batch every
// online entry (state below 3), the screen batch the online call stations of
// the screen models.
std::vector<DeviceItemPtr> firmwareBatchDevices(const DeviceList& list);
std::vector<DeviceItemPtr> screenBatchDevices(const DeviceList& list);

// Ticks exactly the entries of `ticked` among `rows` (sets their `selected`
// to 1 and every other row's to 0), under the list's lock.
void tickUpgradeRows(DeviceList& list, const std::vector<DeviceItemPtr>& rows,
                     const std::vector<DeviceItemPtr>& ticked);

} // namespace aulira
