#pragma once
// The group download: every online device gets the numbers of the groups it
// belongs to in the group bytes of its parameter record, which is read first
// when the program does not hold it yet, then written and applied. It runs on
// the protocol worker; progress goes to the worker's listener
// (onGroupProgress) and per-device results to the operation log.
#include <functional>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"
#include "grouping/GroupTypes.h"

namespace aulira {

class DeviceList;
class ProtocolWorker;

// The text of a device whose record was written and applied but read back
// without its new group numbers (or not at all).
inline constexpr const char* kNotConfirmedText = "written but not confirmed";
// The text of a device that answered without its new group numbers after
// write and apply were sent again: it did not take them.
inline constexpr const char* kNotTakenText = "did not take the group numbers";

struct GroupDownloadFailure {
    std::string device; // the device's address
    std::string tag;    // name(address), as the log lines name it
    std::string text;   // what went wrong
};

struct GroupDownloadSummary {
    int online = 0;      // devices taken into the download
    int completed = 0;   // devices that took their group numbers (and, confirming, showed them)
    int unconfirmed = 0; // written and applied, but not confirmed by a read-back
    std::vector<GroupDownloadFailure> failures; // every device that did not complete, in list order
};

// One device's step, reported in list order as its log line is written, so a
// front end can show each device's progress beside it.
enum class GroupStep { Read, Written, Confirmed };
struct GroupStepReport {
    DeviceItemPtr item;
    GroupStep step = GroupStep::Read;
    bool ok = true;
    std::string text; // what the log line says about the device; empty for a read that went well
};

struct GroupDownloadOptions {
    // Devices read and written at once; progress and log lines still come in
    // list order, as with one at a time.
    int parallel = 1;
    // After the last write, read every written device's record back (by MAC,
    // retrying while it restarts its network) and compare the group bytes and
    // the other bytes the write changed; a device that answers without them
    // gets write and apply again, `retries` times at most.
    bool confirm = false;
    // An unanswered read or write is tried this many more times; -1 takes
    // protocolConfig().retries.
    int retries = -1;
    // Called on the worker thread; must not block on the caller of the download.
    std::function<void(const GroupStepReport&)> onStep = {};
};

// What a download would do, worked out before it starts: every online device
// is written (its group bytes replaced by the numbers of its groups), and
// some of them lose group numbers they hold now (set elsewhere, or from an
// older group file).
struct GroupPlanDevice {
    DeviceItemPtr item;
    std::uint32_t ip = 0;             // the device's own address
    std::string name;                 // UTF-8
    std::string tag;                  // name(address), as the log lines name it
    std::vector<int> now;             // the group numbers the device reports now
    std::vector<int> after;           // the numbers the download writes (at most eight)
    std::vector<int> lost;            // in `now` but not in `after`
};
struct GroupDownloadPlan {
    std::vector<GroupPlanDevice> written; // every online device, in list order
    // The devices of `written` that lose numbers, in list order.
    std::vector<const GroupPlanDevice*> losing() const;
};
GroupDownloadPlan planGroupDownload(const DeviceList& list, const GroupList& groups);
// "7, 9" for the numbers {7, 9}; "none" for no number.
std::string groupNumbersText(const std::vector<int>& numbers);

// Runs on the calling thread (the worker). Progress is 50 per device over the
// first pass (reads), then 50 per device written over the second, each
// divided by the online count: two devices give 25, 50, 75, 100.
GroupDownloadSummary DownloadGrouping(ProtocolWorker& worker, DeviceList& list, const GroupList& groups,
                                      const GroupDownloadOptions& options = {});

// Queues the download on the worker with a copy of the groups, so the caller
// may go on changing its own list. `done`, when given, runs on the worker
// right after the download, before onGroupDownloaded.
void postDownloadGrouping(ProtocolWorker& worker, DeviceList& list, GroupList groups,
                          std::function<void(const GroupDownloadSummary&)> done = {},
                          GroupDownloadOptions options = {});

} // namespace aulira
