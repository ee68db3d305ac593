#pragma once
// The group download: every online device gets the numbers of the groups it
// belongs to in the group bytes of its parameter record, which is read first
// when the program does not hold it yet, then written and applied. It runs on
// the protocol worker; progress goes to the worker's listener
// (onGroupProgress) and per-device results to the operation log.
#include <functional>

#include "grouping/GroupTypes.h"

namespace aulira {

class DeviceList;
class ProtocolWorker;

struct GroupDownloadSummary {
    int online = 0;    // devices taken into the download
    int completed = 0; // devices that took their group numbers
};

// Runs on the calling thread (the worker). Progress is 50 per device over the
// first pass (reads), then 50 per device written over the second, each
// divided by the online count: two devices give 25, 50, 75, 100.
GroupDownloadSummary DownloadGrouping(ProtocolWorker& worker, DeviceList& list, const GroupList& groups);

// Queues the download on the worker with a copy of the groups, so the caller
// may go on changing its own list. `done`, when given, runs on the worker
// right after the download, before onGroupDownloaded.
void postDownloadGrouping(ProtocolWorker& worker, DeviceList& list, GroupList groups,
                          std::function<void(const GroupDownloadSummary&)> done = {});

} // namespace aulira
