#pragma once
// Commissioning a site from a reviewed plan: each device's planned record is
// written a few devices at a time by the rules of a parameter write (the
// record as read kept as a backup first, then write, apply, and a read-back
// that confirms it), at the device's new address when the record moves it.
// One result row per planned device.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "rollout/PlanReview.h"

namespace aulira {

class DeviceList;

// Where a device's run stands, for a progress bar.
enum class CommissionStep { Waiting, BackedUp, Written, Applied, Done };
int commissionPercent(CommissionStep step);

struct CommissionResult {
    enum class Outcome {
        Confirmed,    // written, applied and read back as planned
        Written,      // written and applied; not read back (confirming was off)
        Unchanged,    // the device already holds the plan: nothing was sent
        NotFound,     // no device of the site matches the row
        ReadFailed,   // found, but its record could not be read
        Refused,      // a cell is refused for this device: nothing was sent
        NoBackup,     // the record as read could not be kept: nothing was written
        WriteFailed,  // the write or the apply did not go through
        NotConfirmed, // written and applied, but not read back as planned
        Cancelled,    // the run was cancelled before this device started
        AddressHeld,  // its new address is still another device's: nothing was sent
    };

    std::size_t index = 0; // of the device in the run's input
    int line = 0;          // the plan row's line
    std::string device;    // the plan row's first cell
    std::string mac;
    std::string name;      // the device name, as planned once written
    std::string ipBefore;
    std::string ipAfter;   // where the device is now (as before when nothing was written)
    std::vector<std::string> fields; // the names of the fields changed
    Outcome outcome = Outcome::NotFound;
    std::string detail; // why, for failures
    std::chrono::system_clock::time_point start{}, end{};

    // "confirmed", "written", "unchanged", "not found", ...
    std::string resultText() const;
    // The device holds its plan (as far as confirming was asked for).
    bool succeeded() const;
};

struct CommissionOptions {
    int parallel = 4;        // devices at a time
    bool confirm = true;     // read every written record back
    std::filesystem::path backupDir; // the data folder the backups go to; required for writes
    // A written device becomes a saved device of the list (at its new
    // address), so it is found there again, also in another subnet.
    bool saveToList = true;
    const std::atomic<bool>* cancel = nullptr; // devices not started when it turns true are Cancelled
    // Called on the engine's threads, for several devices at once: the
    // receiver serialises. index is the device's place in the input.
    std::function<void(std::size_t index, CommissionStep step)> onStep = {};
    std::function<void(const CommissionResult&)> onResult = {};
};

// Runs the devices (from reviewPlan, possibly a subset) and returns one row
// per device, in input order. Devices not found, not read or with refused
// cells get their row without any exchange. Blocks until all are done.
// A device whose new address another device of the run holds is written
// only once that device has moved away (whatever `parallel`); when it did not
// move, or any other device still answers there, the device is AddressHeld
// and nothing is sent to it. Devices whose addresses go round in a circle are
// AddressHeld too (the plan check refuses such plans first).
std::vector<CommissionResult> commissionSite(DeviceList& list, const std::vector<PlannedDevice>& devices,
                                             const CommissionOptions& options);

// The row of a device that takes no part in a run (not found, not read,
// refused, or cancelled before it started).
CommissionResult commissionRowOf(const DeviceList& list, const PlannedDevice& device, std::size_t index);

// The report: one row per device, CSV (UTF-8 with a byte-order mark) or JSON
// by the file's extension, written whole beside the target and renamed over it.
std::string commissionReportCsv(const std::vector<CommissionResult>& rows);
std::string commissionReportJson(const std::vector<CommissionResult>& rows);
bool writeCommissionReport(const std::filesystem::path& path, const std::vector<CommissionResult>& rows,
                           std::string* error = nullptr);

} // namespace aulira
