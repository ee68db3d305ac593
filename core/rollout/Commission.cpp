#include "rollout/Commission.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>

#include <nlohmann/json.hpp>

#include "devices/DeviceList.h"
#include "params/ParaBackups.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "protocol/Timing.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "upgrade/UpgradeReport.h"
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

// UTC, as the upgrade report writes it; empty for no time.
std::string isoTime(std::chrono::system_clock::time_point t)
{
    if (t == std::chrono::system_clock::time_point{})
        return {};
    return upgradeIsoTime(t);
}

std::string joined(const std::vector<std::string>& names)
{
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : " ") + n;
    return s;
}

// The device other than `self` that answers at `ip` now, as "Name(ip)"; empty for none.
std::string addressHolder(const DeviceList& list, const DeviceItemPtr& self, std::uint32_t ip)
{
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    for (const auto& item : items)
        if (item != self && isOnlineState(item->state) && (item->ip == ip || item->devItem.ip() == ip))
            return deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
    return {};
}

bool runnable(const PlannedDevice& d) { return d.readable() && d.refused.empty() && d.changing(); }

// The order a run takes the devices in: input order, except that a device
// whose new address another device of the run holds now comes after that
// one (the holders it waits for in `holders`). Devices whose addresses go
// round in a circle, or wait on such a circle, cannot be placed: `circle`.
struct RunOrder {
    std::vector<std::size_t> order;
    std::vector<std::vector<std::size_t>> holders;
    std::vector<std::uint32_t> target; // the address the device takes, 0 when it keeps its own
    std::vector<bool> circle;
};

RunOrder runOrder(const DeviceList& list, const std::vector<PlannedDevice>& devices)
{
    const std::size_t n = devices.size();
    RunOrder o;
    o.holders.resize(n);
    o.target.assign(n, 0);
    o.circle.assign(n, false);
    std::vector<std::uint32_t> now(n, 0);
    {
        std::lock_guard lock(list.mutex());
        for (std::size_t i = 0; i < n; ++i) {
            if (!runnable(devices[i]))
                continue;
            now[i] = devices[i].item->ip;
            const std::uint32_t to = readIp(devices[i].after, sysParaLayout(devices[i].ext).ip);
            o.target[i] = to != now[i] ? to : 0;
        }
    }
    std::vector<std::vector<std::size_t>> next(n);
    std::vector<std::size_t> waiting(n, 0);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; o.target[k] != 0 && j < n; ++j)
            if (j != k && runnable(devices[j]) && now[j] == o.target[k]) {
                o.holders[k].push_back(j);
                next[j].push_back(k);
                ++waiting[k];
            }
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> ready;
    for (std::size_t i = 0; i < n; ++i)
        if (waiting[i] == 0)
            ready.push(i);
    while (!ready.empty()) {
        const std::size_t i = ready.top();
        ready.pop();
        o.order.push_back(i);
        for (std::size_t k : next[i])
            if (--waiting[k] == 0)
                ready.push(k);
    }
    for (std::size_t i = 0; i < n; ++i)
        if (waiting[i] != 0) {
            o.circle[i] = true;
            o.order.push_back(i);
        }
    return o;
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
    case Outcome::AddressHeld: return "address in use";
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
    const RunOrder order = runOrder(list, devices);
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    std::vector<char> done(devices.size(), 0);
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
        runAtATime(order.order.size(), 2 * atATime, [&](std::size_t pos) {
            const std::size_t i = order.order[pos];
            std::string error;
            if (!runnable(devices[i]) || order.circle[i] || (options.cancel && options.cancel->load()))
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
    runAtATime(order.order.size(), atATime, [&](std::size_t pos) {
        const std::size_t i = order.order[pos];
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
            std::lock_guard lock(doneMutex);
            done[i] = 1;
            doneChanged.notify_all();
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
        if (order.circle[i]) {
            std::string lines;
            for (std::size_t j : order.holders[i])
                lines += ", " + std::to_string(devices[j].line);
            OutputLog("%s not written: its new address goes round in a circle with line%s %s", peer.tag.c_str(),
                      order.holders[i].size() == 1 ? "" : "s", lines.substr(2).c_str());
            return finish(Outcome::AddressHeld, "the new address " + formatIp(order.target[i]) +
                                                    " goes round in a circle with line" +
                                                    (order.holders[i].size() == 1 ? " " : "s ") + lines.substr(2));
        }
        // The record as the device holds it is kept first; no backup, no write.
        if (const std::string error = backupOf(i); !error.empty()) {
            if (error == "not needed") // cancelled while the backups went ahead
                return finish(Outcome::Cancelled, "the run was cancelled before the device was written");
            OutputLog("%s parameters not backed up, not written: %s", peer.tag.c_str(), error.c_str());
            return finish(Outcome::NoBackup, error);
        }
        step(i, CommissionStep::BackedUp);
        if (order.target[i] != 0) {
            // The address is taken only once its holder in this run has left it, and only when nobody answers there.
            {
                std::unique_lock lock(doneMutex);
                doneChanged.wait(lock, [&] {
                    return std::all_of(order.holders[i].begin(), order.holders[i].end(),
                                       [&](std::size_t j) { return done[j] != 0; });
                });
            }
            if (options.cancel && options.cancel->load())
                return finish(Outcome::Cancelled, "the run was cancelled before the device was written");
            for (std::size_t j : order.holders[i])
                if (!results[j].succeeded()) {
                    const std::string holder = results[j].name + "(" + results[j].ipBefore + ")";
                    OutputLog("%s not written: its new address %s may still be %s's", peer.tag.c_str(),
                              formatIp(order.target[i]).c_str(), holder.c_str());
                    return finish(Outcome::AddressHeld, "the new address " + formatIp(order.target[i]) +
                                                            " may still be " + holder + "'s (line " +
                                                            std::to_string(results[j].line) + ": " +
                                                            results[j].resultText() + "): nothing was sent");
                }
            if (const std::string holder = addressHolder(list, d.item, order.target[i]); !holder.empty()) {
                OutputLog("%s not written: its new address %s is still %s's", peer.tag.c_str(),
                          formatIp(order.target[i]).c_str(), holder.c_str());
                return finish(Outcome::AddressHeld, "the new address " + formatIp(order.target[i]) + " is still " +
                                                        holder + "'s: nothing was sent");
            }
        }
        const SysParaLayout& layout = sysParaLayout(d.ext);
        ParaWrite w;
        w.after = {peer.localIp, peer.ip, peer.unicast, peer.mac};
        w.writePayload.assign(d.after.begin(), d.after.begin() + static_cast<std::ptrdiff_t>(layout.size));
        w.applyMac = peer.mac;
        w.written = d.after;
        w.ext = d.ext;
        // Only what the plan changed decides; bytes the device keeps for itself never do.
        w.mask = changedFieldBytes(&d.before, ConstBytes(d.after), d.ext);
        w.retries = protocolConfig().retries.load();
        // An unanswered write is sent again: the same record twice does no harm.
        int result = WriteAndApply(w.after, w.writePayload, w.applyMac, w.retries);
        if (result != RES_OK) {
            OutputLog("%s set system para error!", peer.tag.c_str());
            return finish(Outcome::WriteFailed, exchangeResultText(result));
        }
        step(i, CommissionStep::Written);
        // The device is where the record puts it from now on: the entry, the
        // read-back and the saved list follow it there.
        std::string newTag;
        {
            std::lock_guard lock(list.mutex());
            if (!d.item->sysPara)
                d.item->sysPara = std::make_unique<SysParaBuffer>();
            *d.item->sysPara = d.after;
            takeWrittenIdentity(*d.item, d.after, d.ext);
            if (d.item->ip != peer.ip)
                w.before = w.after;
            peer.ip = d.item->ip;
            w.after.ip = peer.ip;
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
        result = ConfirmParaWrite(w).result;
        if (result == RES_NOT_TAKEN) {
            // It answered, after every repeat, with what it held before: so does its entry.
            {
                std::lock_guard lock(list.mutex());
                *d.item->sysPara = d.before;
                takeWrittenIdentity(*d.item, d.before, d.ext);
            }
            list.identityChanged(d.item);
            OutputLog("%s did not take the written parameters", newTag.c_str());
            return finish(Outcome::WriteFailed, exchangeResultText(result));
        }
        if (result != RES_OK) {
            OutputLog("%s written but not confirmed", newTag.c_str());
            return finish(Outcome::NotConfirmed, exchangeResultText(result));
        }
        {
            std::lock_guard lock(list.mutex());
            d.item->heldPara = std::make_unique<SysParaBuffer>(d.after);
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
