#pragma once
// How the operation log names a device in a line about a change made to it
// or to its entry: "NO 5 Lobby(127.0.0.5) MAC 02:4b:50:00:00:05". The lines
// reach the log pane and the daily log file alike.
#include <QString>

#include "devices/DeviceItem.h"

namespace aulira {
class DeviceList;
}

namespace aulira::app {

// Without `withMac`, or for an entry that has no MAC yet (typed by hand),
// the MAC is left out.
QString deviceLogName(const DeviceList& list, const DeviceItemPtr& item, bool withMac = true);
void logLine(const QString& line);

} // namespace aulira::app
