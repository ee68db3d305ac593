#pragma once
// A plan against the site: every row matched to a device of the list, the
// devices' records read, and each device's planned record made by the
// settings pages' rules. What is refused here (a field the device's layout
// lacks, the key 3 mode only one model has, an address the basic page would
// refuse, a number or an address another device already has) is an error
// with the row's line and the cell's column; nothing has been written yet.
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"
#include "protocol/Packet.h"
#include "rollout/SitePlan.h"

namespace aulira {

class DeviceList;

// A device's record as read from it.
struct DeviceRecord {
    DeviceItemPtr item;
    int result = RES_OK; // of the read, a RES_* code
    SysParaBuffer record{};
    bool ext = true;
    bool read() const { return result == RES_OK; }
};

// Reads the records of the devices, `parallel` at a time (unicast where the
// poll reached the device, else a broadcast carrying its address), and keeps
// each one in its entry as the protocol worker's read does. Results in the
// order given. Devices after a cancel are not read (result RES_NO_REPLY).
std::vector<DeviceRecord> readDeviceRecords(DeviceList& list, const std::vector<DeviceItemPtr>& items, int parallel,
                                            const std::atomic<bool>* cancel = nullptr);

// One field a device will change: its name and the values as the pages show them.
struct PlannedChange {
    std::size_t field = 0; // index into kSysParaFields
    std::string now;
    std::string planned;
};

// One plan row against its device.
struct PlannedDevice {
    std::size_t row = 0;    // index into SitePlan::rows
    int line = 0;           // the row's line in the file
    std::string device;     // the row's first cell
    DeviceItemPtr item;     // null: no device of the list matches the row
    int readResult = RES_OK; // of the parameter read
    bool ext = true;        // the device's layout
    SysParaBuffer before{}; // as read
    SysParaBuffer after{};  // what will be written
    std::vector<PlannedChange> changes;
    std::size_t otherBytes = 0;    // bytes outside the fields that differ (none from a plan)
    std::vector<PlanError> refused; // cells refused for this device (also in the review's errors)

    bool found() const { return item != nullptr; }
    bool readable() const { return found() && readResult == RES_OK; }
    bool changing() const { return !changes.empty() || otherBytes != 0; }
};

struct PlanReview {
    std::vector<PlannedDevice> devices; // one per plan row, in row order
    std::vector<PlanError> errors;      // the plan's and the devices', by line and column
    bool ok() const { return errors.empty(); }
    std::size_t notFound() const;
};

// The device a row names in the list (by MAC, or by address, MAC or number),
// or null.
DeviceItemPtr findPlanDevice(const DeviceList& list, PlanKey key, const std::string& device);

// Matches every row, reads the matched devices' records and checks the plan
// against them (checkPlanDevices). Rows that match no device are kept, not
// found; a device two rows name is an error.
PlanReview reviewPlan(const SitePlan& plan, DeviceList& list, int parallel = 8,
                      const std::atomic<bool>* cancel = nullptr);

// The checks against the devices, for rows already matched and read: fills
// each device's planned record and changes and returns every error. `list` is
// the whole site, for numbers and addresses of devices outside the plan.
std::vector<PlanError> checkPlanDevices(const SitePlan& plan, std::vector<PlannedDevice>& devices,
                                        const DeviceList& list);

// The reviewed devices made again on the records they hold now, for a run
// that follows an earlier one (a retry): each device is read again, and its
// reviewed changes (the fields that change, with their planned values) are
// applied to the record just read, so whatever else changed on the device
// since the review stays. A device that cannot be read now is not read
// (readResult); a value the record no longer takes, or a layout that
// changed, is refused for the device. Devices not found stay so.
std::vector<PlannedDevice> replanDevices(DeviceList& list, const std::vector<PlannedDevice>& reviewed, int parallel,
                                         const std::atomic<bool>* cancel = nullptr);

} // namespace aulira
