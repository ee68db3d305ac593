#include "rollout/Commission.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <nlohmann/json.hpp>

#include "devices/DeviceList.h"
#include "params/ParaBackups.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/AtATime.h"
#include "util/AtomicFile.h"
#include "util/Csv.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira {

namespace {

using Outcome = CommissionResult::Outcome;

// Where one device's exchanges go, copied under the list's lock.
struct Peer {
    std::string localIp;
    std::uint32_t ip = 0;
    bool unicast = false;
    std::array<std::uint8_t, 6> mac{};
    std::string tag;
};

int exchange(const Peer& peer, std::uint16_t command, ConstBytes payload, int waitReply)
{
    auto request = std::make_unique<Packet>(Packet::request(command, static_cast<std::uint16_t>(payload.size())));
    auto reply = std::make_unique<Packet>();
    std::copy(payload.begin(), payload.end(), request->payloadArea().begin());
    return peer.unicast ? ExchangeUnicast(peer.localIp, peer.ip, *request, *reply, waitReply)
                        : ExchangeBroadcast(peer.localIp, peer.ip, *request, *reply, waitReply);
}

std::string isoTime(std::chrono::system_clock::time_point t)
{
    if (t == std::chrono::system_clock::time_point{})
        return {};
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &secs);
#else
    gmtime_r(&secs, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : " ") + n;
    return s;
}

} // namespace

int commissionPercent(CommissionStep step)
{
    switch (step) {
    case CommissionStep::Waiting: return 0;
    case CommissionStep::BackedUp: return 20;
    case CommissionStep::Written: return 50;
    case CommissionStep::Applied: return 60;
    case CommissionStep::Done: return 100;
    }
    return 0;
}

std::string CommissionResult::resultText() const
{
    switch (outcome) {
    case Outcome::Confirmed: return "confirmed";
    case Outcome::Written: return "written";
    case Outcome::Unchanged: return "unchanged";
    case Outcome::NotFound: return "not found";
    case Outcome::ReadFailed: return "not read";
    case Outcome::Refused: return "refused";
    case Outcome::NoBackup: return "not backed up";
    case Outcome::WriteFailed: return "not written";
    case Outcome::NotConfirmed: return "written but not confirmed";
    case Outcome::Cancelled: return "cancelled";
    }
    return {};
}

bool CommissionResult::succeeded() const
{
    return outcome == Outcome::Confirmed || outcome == Outcome::Written || outcome == Outcome::Unchanged;
}

CommissionResult commissionRowOf(const DeviceList& list, const PlannedDevice& d, std::size_t index)
{
    CommissionResult r;
    r.index = index;
    r.line = d.line;
    r.device = d.device;
    for (const auto& c : d.changes)
        r.fields.emplace_back(kSysParaFields[c.field].name);
    if (!d.found()) {
        r.outcome = Outcome::NotFound;
        r.detail = "no device of the site answers to " + d.device;
        return r;
    }
    {
        std::lock_guard lock(list.mutex());
        r.mac = formatMac(d.item->devItem.mac());
        r.name = ansiToUtf8(d.item->devItem.devName());
        r.ipBefore = r.ipAfter = formatIp(d.item->ip);
    }
    if (!d.readable()) {
        r.outcome = Outcome::ReadFailed;
        r.detail = exchangeResultText(d.readResult);
    } else if (!d.refused.empty()) {
        r.outcome = Outcome::Refused;
        r.detail = d.refused.front().message();
    } else if (!d.changing()) {
        r.outcome = Outcome::Unchanged;
    } else {
        r.outcome = Outcome::Cancelled;
        r.detail = "the run was cancelled before the device was written";
    }
    return r;
}

std::vector<CommissionResult> commissionSite(DeviceList& list, const std::vector<PlannedDevice>& devices,
                                             const CommissionOptions& options)
{
    std::vector<CommissionResult> results(devices.size());
    auto step = [&](std::size_t i, CommissionStep s) {
        if (options.onStep)
            options.onStep(i, s);
    };
    auto runnable = [&](const PlannedDevice& d) { return d.readable() && d.refused.empty() && d.changing(); };
    // The backups are made ahead, in device order, on a thread of their own:
    // the file system's flushes then overlap the other devices' exchanges
    // instead of lengthening each device's turn; twice as many at once as
    // devices are written, since they wait on the disk, not on the network.
    // A device is written only once its own backup is on disk.
    std::mutex backupMutex;
    std::condition_variable backupDone;
    std::vector<std::optional<std::string>> backups(devices.size()); // empty text: kept
    const int atATime = std::max(options.parallel, 1);
    std::jthread backupper([&] {
        runAtATime(devices.size(), 2 * atATime, [&](std::size_t i) {
            std::string error;
            if (!runnable(devices[i]) || (options.cancel && options.cancel->load()))
                error = "not needed";
            else if (options.backupDir.empty())
                error = "no data folder for the backup";
            else if (backupRecord(options.backupDir, devices[i].before, &error).empty() && error.empty())
                error = "the backup could not be written";
            std::lock_guard lock(backupMutex);
            backups[i] = std::move(error);
            backupDone.notify_all();
        });
    });
    auto backupOf = [&](std::size_t i) {
        std::unique_lock lock(backupMutex);
        backupDone.wait(lock, [&] { return backups[i].has_value(); });
        return *backups[i];
    };
    runAtATime(devices.size(), atATime, [&](std::size_t i) {
        const PlannedDevice& d = devices[i];
        CommissionResult& r = results[i];
        r = commissionRowOf(list, d, i);
        r.start = std::chrono::system_clock::now();
        auto finish = [&](Outcome outcome, std::string detail = {}) {
            r.outcome = outcome;
            if (!detail.empty())
                r.detail = std::move(detail);
            r.end = std::chrono::system_clock::now();
            step(i, CommissionStep::Done);
            if (options.onResult)
                options.onResult(r);
        };
        if (!runnable(d) || (options.cancel && options.cancel->load()))
            return finish(r.outcome);
        r.detail.clear();

        Peer peer;
        {
            std::lock_guard lock(list.mutex());
            peer = {d.item->localIp, d.item->ip, d.item->unicastOk == 1, {}, {}};
            std::copy_n(d.item->devItem.mac(), 6, peer.mac.begin());
            peer.tag = deviceTag(ansiToUtf8(d.item->devItem.devName()), d.item->ip);
        }
        // The record as the device holds it is kept first; no backup, no write.
        if (const std::string error = backupOf(i); !error.empty()) {
            if (error == "not needed") // cancelled while the backups went ahead
                return finish(Outcome::Cancelled, "the run was cancelled before the device was written");
            OutputLog("%s parameters not backed up, not written: %s", peer.tag.c_str(), error.c_str());
            return finish(Outcome::NoBackup, error);
        }
        step(i, CommissionStep::BackedUp);
        const SysParaLayout& layout = sysParaLayout(d.ext);
        int result = exchange(peer, CMD_WRITE_SYS_PARA, ConstBytes(d.after).first(layout.size), 1);
        if (result != RES_OK) {
            OutputLog("%s set system para error!", peer.tag.c_str());
            return finish(Outcome::WriteFailed, exchangeResultText(result));
        }
        step(i, CommissionStep::Written);
        result = exchange(peer, CMD_APPLY_SYS_PARA, peer.mac, 0);
        if (result != RES_OK)
            return finish(Outcome::WriteFailed, exchangeResultText(result));
        // The device is where the record puts it from now on: the entry, the
        // read-back and the saved list follow it there.
        std::string newTag;
        {
            std::lock_guard lock(list.mutex());
            if (!d.item->sysPara)
                d.item->sysPara = std::make_unique<SysParaBuffer>();
            *d.item->sysPara = d.after;
            takeWrittenIdentity(*d.item, d.after, d.ext);
            peer.ip = d.item->ip;
            r.ipAfter = formatIp(peer.ip);
            r.name = ansiToUtf8(d.item->devItem.devName());
            newTag = deviceTag(r.name, peer.ip);
        }
        list.identityChanged(d.item);
        if (options.saveToList)
            list.addSelected({d.item});
        step(i, CommissionStep::Applied);
        if (!options.confirm) {
            OutputLog("%s parameters written", newTag.c_str());
            return finish(Outcome::Written);
        }
        result = ConfirmSysPara({peer.localIp, peer.ip, peer.unicast, peer.mac}, d.after, d.ext);
        if (result != RES_OK) {
            OutputLog("%s written but not confirmed", newTag.c_str());
            return finish(Outcome::NotConfirmed, exchangeResultText(result));
        }
        OutputLog("%s parameters written and confirmed", newTag.c_str());
        finish(Outcome::Confirmed);
    });
    return results;
}

std::string commissionReportCsv(const std::vector<CommissionResult>& rows)
{
    const CsvRow header{"Line", "Device", "MAC", "Name", "IP before", "IP after", "Fields changed", "Result",
                        "Detail", "Start", "End"};
    std::vector<CsvRow> lines;
    for (const auto& r : rows)
        lines.push_back({std::to_string(r.line), r.device, r.mac, r.name, r.ipBefore, r.ipAfter, joined(r.fields),
                         r.resultText(), r.detail, isoTime(r.start), isoTime(r.end)});
    return csvTable(header, lines, true);
}

std::string commissionReportJson(const std::vector<CommissionResult>& rows)
{
    using json = nlohmann::ordered_json;
    json arr = json::array();
    for (const auto& r : rows)
        arr.push_back({{"line", r.line}, {"device", r.device}, {"mac", r.mac}, {"name", r.name},
                       {"ip_before", r.ipBefore}, {"ip_after", r.ipAfter}, {"fields", r.fields},
                       {"result", r.resultText()}, {"detail", r.detail}, {"start", isoTime(r.start)},
                       {"end", isoTime(r.end)}});
    return arr.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeCommissionReport(const std::filesystem::path& path, const std::vector<CommissionResult>& rows,
                           std::string* error)
{
    std::string ext = pathToUtf8(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string text = ext == ".json" ? commissionReportJson(rows) : commissionReportCsv(rows);
    return writeFileAtomically(path, ConstBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                               error);
}

} // namespace aulira
