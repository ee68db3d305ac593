#pragma once
// What became of each ticked device in a batch upgrade, as the front ends
// show it and as the report file keeps it: filled from the batch's listener
// calls, settled once the batch has ended, and checked against the file's
// version once the devices have restarted.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"
#include "upgrade/UpgradeVerify.h"

namespace aulira {

class DeviceList;

struct UpgradeResult {
    using TimePoint = std::chrono::system_clock::time_point;
    enum class Outcome { NotReached, OtherModel, Upgraded, Failed };

    DeviceItemPtr item;
    // Texts in UTF-8.
    std::string ip, mac, name, model, versionBefore, versionAfter;
    Outcome outcome = Outcome::NotReached;
    std::string failure; // the last failure text of this batch
    bool touched = false; // the batch said anything about the device
    std::optional<VerifyResult> verified;
    std::optional<TimePoint> start, end;

    // The device as it stands before the batch; the caller holds the list's lock.
    static UpgradeResult of(const DeviceItemPtr& item);

    // Back to "nothing heard yet", for the next batch.
    void reset();
    // The batch's listener calls, as they arrive.
    void onProgress();
    void onFailure(const std::string& text);
    void onStart(TimePoint when = std::chrono::system_clock::now());
    void onEnd(bool upgraded, TimePoint when = std::chrono::system_clock::now());

    bool succeeded(bool verifying) const;
    std::string resultText() const;
    // Seconds from start to end, empty when either is missing.
    std::string durationText() const;
};

// Once a batch has ended: a ticked device no call was about was passed over,
// either for another model than the file's (firmware batches) or because the
// batch ended before it. `note` hears about each such device.
void settleUpgradeResults(std::vector<UpgradeResult>& results, bool firmware, const std::string& fileModel,
                          DeviceList& list, const std::function<void(const UpgradeResult&)>& note = {});

// Asks the upgraded devices among `results`, once restartWaitMs have passed,
// until they report `version` (at most timeoutMs) and records each outcome.
// Each answer also goes into the device's entry at once (the version it
// reports; the list reports the change), and `onAnswer`, when given, hears the
// result it changed, from the asking threads, several at once. Returns how
// many were asked.
std::size_t verifyUpgradeResults(const std::vector<UpgradeResult*>& results, const std::string& version,
                                 int timeoutMs, DeviceList& list, std::stop_token stop = {},
                                 int restartWaitMs = 0,
                                 const std::function<void(const UpgradeResult&)>& onAnswer = {});

// The report: a header line and one line per result. With `bom` it starts
// with the UTF-8 byte order mark that spreadsheet programs look for.
std::string upgradeReportCsv(const std::vector<UpgradeResult>& results, bool bom = false);
// Written whole beside the target and renamed over it.
bool writeUpgradeReportCsv(const std::filesystem::path& path, const std::vector<UpgradeResult>& results, bool bom,
                           std::string* error);

// UTC, "2026-01-31T12:00:00Z"; empty for no time.
std::string upgradeIsoTime(const std::optional<UpgradeResult::TimePoint>& t);

} // namespace aulira
