#include "rollout/PlanReview.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>

#include "devices/DeviceList.h"
#include "params/SysParaSettings.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "shell/TextCodec.h"
#include "util/AtATime.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

std::string tagOf(const DeviceItem_Type& item) { return deviceTag(ansiToUtf8(item.devItem.devName()), item.ip); }

// The entry's tag and model, read under the list's lock (a search may change them).
std::pair<std::string, std::string> tagAndModel(const DeviceList& list, const DeviceItem_Type& item)
{
    std::lock_guard lock(list.mutex());
    return {tagOf(item), item.devItem.modelText()};
}

void sortErrors(std::vector<PlanError>& errors)
{
    std::stable_sort(errors.begin(), errors.end(), [](const PlanError& a, const PlanError& b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
}

// The device's settings with the row's values in, and the refusals met on
// the way, each at its cell.
void planDevice(const SitePlan& plan, PlannedDevice& d, const std::string& tag, const std::string& model)
{
    const PlanRow& row = plan.rows[d.row];
    auto refuse = [&](int column, std::string_view field, std::string text) {
        d.refused.push_back({row.line, column, std::string(field), std::move(text)});
    };
    SysParaSettings settings = SysParaSettings::load(d.before, d.ext);
    settings.setIntercomStatusOffered(offersIntercomStatus(model));
    for (const auto& v : row.values) {
        const SysParaField& f = kSysParaFields[v.field];
        if (!f.in(d.ext))
            refuse(v.column, f.name,
                   tag + " keeps the 392-byte parameter record, which has no " + std::string(f.name));
        else if (auto e = settings.set(f.name, v.text); !e.empty())
            refuse(v.column, f.name, tag + ": " + e);
    }
    d.after = d.before;
    for (std::size_t tries = 0; tries <= row.values.size(); ++tries) {
        auto refusal = settings.save(d.after);
        if (!refusal)
            break;
        const int column = planColumnOf(plan, refusal->field);
        refuse(column, refusal->field, tag + ": " + refusalText(*refusal));
        // Back to the device's own value, so the remaining refusals are found too.
        const auto i = static_cast<std::size_t>(sysParaFieldIndex(refusal->field));
        settings.value(i) = readField(kSysParaFields[i], d.before, d.ext);
    }
    // An address, mask or gateway the plan gives must be one the device can keep.
    if (row.value("ip") || row.value("mask") || row.value("gateway") || row.value("serverIp") ||
        row.value("altServerIp"))
        if (auto refusal = checkReachableAddresses(settings)) {
            int column = planColumnOf(plan, refusal->field);
            if (!row.value(refusal->field))
                column = row.value("ip") ? row.value("ip")->column : column;
            refuse(column, refusal->field, tag + ": " + refusalText(*refusal));
        }
    const RecordDiff diff = diffRecords(d.before, d.after, d.ext);
    const auto was = SysParaSettings::load(d.before, d.ext), will = SysParaSettings::load(d.after, d.ext);
    for (auto i : diff.fields)
        d.changes.push_back({i, was.display(i), will.display(i)});
    d.otherBytes = diff.otherBytes;
}

} // namespace

std::size_t PlanReview::notFound() const
{
    return static_cast<std::size_t>(std::count_if(devices.begin(), devices.end(),
                                                  [](const PlannedDevice& d) { return !d.found(); }));
}

std::vector<DeviceRecord> readDeviceRecords(DeviceList& list, const std::vector<DeviceItemPtr>& items, int parallel,
                                            const std::atomic<bool>* cancel)
{
    std::vector<DeviceRecord> out(items.size());
    runAtATime(items.size(), parallel, [&](std::size_t i) {
        DeviceRecord& r = out[i];
        r.item = items[i];
        if (cancel && cancel->load()) {
            r.result = RES_NO_REPLY;
            return;
        }
        std::string localIp;
        std::uint32_t ip = 0;
        bool unicast = false;
        std::array<std::uint8_t, 6> mac{};
        {
            std::lock_guard lock(list.mutex());
            localIp = r.item->localIp;
            ip = r.item->ip;
            unicast = r.item->unicastOk == 1;
            std::copy_n(r.item->devItem.mac(), 6, mac.begin());
        }
        auto request = std::make_unique<Packet>(Packet::request(CMD_READ_SYS_PARA, 6));
        auto reply = std::make_unique<Packet>();
        std::copy(mac.begin(), mac.end(), request->payloadArea().begin());
        r.result = unicast ? ExchangeUnicast(localIp, ip, *request, *reply, 1)
                           : ExchangeBroadcast(localIp, ip, *request, *reply, 1);
        if (r.result != RES_OK)
            return;
        const auto got = takeSysParaReply(reply->payload());
        if (!got) {
            r.result = RES_SHORT_RECORD;
            return;
        }
        r.record = got->record;
        r.ext = got->paraExt != 0;
        std::lock_guard lock(list.mutex());
        if (!r.item->sysPara)
            r.item->sysPara = std::make_unique<SysParaBuffer>();
        *r.item->sysPara = got->record;
        r.item->paraExt = got->paraExt;
    });
    return out;
}

DeviceItemPtr findPlanDevice(const DeviceList& list, PlanKey key, const std::string& device)
{
    std::uint8_t mac[6];
    const bool isMac = parseMac(device, mac);
    std::optional<std::uint32_t> ip;
    std::optional<std::int32_t> no;
    if (!isMac && key == PlanKey::Device) {
        ip = parseIp(device);
        std::int32_t n = 0;
        const auto [p, ec] = std::from_chars(device.data(), device.data() + device.size(), n);
        if (!ip && ec == std::errc() && p == device.data() + device.size() && !device.empty())
            no = n;
    }
    if (!isMac && !ip && !no)
        return nullptr;
    // Only devices the search or the poll found: a saved device that did not
    // answer cannot be commissioned.
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    for (const auto& item : items) {
        if (!isOnlineState(item->state))
            continue;
        if ((isMac && std::memcmp(item->devItem.mac(), mac, 6) == 0) || (ip && item->ip == *ip) ||
            (no && item->devItem.devNo() == *no))
            return item;
    }
    return nullptr;
}

std::vector<PlanError> checkPlanDevices(const SitePlan& plan, std::vector<PlannedDevice>& devices,
                                        const DeviceList& list)
{
    std::vector<PlanError> errors;
    struct Final {
        std::int32_t no;
        std::uint32_t ip;
        std::string tag;
    };
    std::vector<Final> finals(devices.size());
    // Devices that take each other's addresses in a circle (two that swap, or
    // more): whichever moves first would answer on an address another device
    // of the circle still holds. A free address in between would be a guess
    // (an address no device answered on may still be a host's or a switched-off
    // device's), and a run stopped halfway would leave a device there, so the
    // plan is refused and the installer breaks the circle with a plan of its own.
    auto refuseAddressCircles = [&](const SitePlan& p, std::vector<PlannedDevice>& ds, const std::vector<Final>& f) {
        const std::size_t n = ds.size();
        std::vector<std::uint32_t> now(n, 0);
        for (std::size_t k = 0; k < n; ++k)
            if (ds[k].readable() && p.rows[ds[k].row].value("ip"))
                now[k] = ds[k].item->ip;
        auto moving = [&](std::size_t k) { return now[k] != 0 && f[k].ip != now[k]; };
        // Each moving device takes the address of at most one other: follow the chain from each.
        auto holderOf = [&](std::size_t k) -> std::optional<std::size_t> {
            for (std::size_t j = 0; j < n; ++j)
                if (j != k && moving(j) && now[j] == f[k].ip)
                    return j;
            return std::nullopt;
        };
        for (std::size_t k = 0; k < n; ++k) {
            if (!moving(k))
                continue;
            std::vector<std::size_t> circle{k};
            for (auto j = holderOf(k); j && circle.size() <= n; j = holderOf(*j)) {
                if (*j == k)
                    break;
                circle.push_back(*j);
                if (circle.size() > n)
                    break;
            }
            const auto last = holderOf(circle.back());
            if (!last || *last != k)
                continue;
            std::vector<int> lines;
            for (std::size_t j : circle)
                lines.push_back(ds[j].line);
            std::sort(lines.begin(), lines.end());
            std::string named;
            for (int l : lines)
                named += (named.empty() ? "" : ", ") + std::to_string(l);
            const PlanRow& row = p.rows[ds[k].row];
            ds[k].refused.push_back(
                {row.line, row.value("ip")->column, "ip",
                 "the address " + formatIp(f[k].ip) + " is " + f[circle[1]].tag + "'s (line " +
                     std::to_string(ds[circle[1]].line) + "), and the devices of lines " + named +
                     " take each other's addresses in a circle, so none can move first: move one of them to a "
                     "free address with a plan of its own first"});
        }
    };
    for (std::size_t k = 0; k < devices.size(); ++k) {
        PlannedDevice& d = devices[k];
        d.changes.clear();
        d.refused.clear();
        d.otherBytes = 0;
        if (!d.readable())
            continue;
        const auto [tag, model] = tagAndModel(list, *d.item);
        planDevice(plan, d, tag, model);
        const SysParaLayout& layout = sysParaLayout(d.ext);
        finals[k] = {readI32(d.after, layout.devNo), readIp(d.after, layout.ip), tag};
    }
    // Numbers and addresses the plan gives must end with one device: not with
    // another device of the plan that keeps its own, nor with a device the
    // plan does not name. (Two rows giving the same one is the plan's own error.)
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    for (std::size_t k = 0; k < devices.size(); ++k) {
        PlannedDevice& d = devices[k];
        if (!d.readable())
            continue;
        const PlanRow& row = plan.rows[d.row];
        for (const char* field : {"deviceNo", "ip"}) {
            const PlanValue* given = row.value(field);
            if (!given)
                continue;
            const bool isIp = field[0] == 'i';
            const std::string what = isIp ? "the address " + formatIp(finals[k].ip)
                                          : "the device number " + std::to_string(finals[k].no);
            auto same = [&](const Final& o) { return isIp ? o.ip == finals[k].ip : o.no == finals[k].no; };
            for (std::size_t j = 0; j < devices.size(); ++j)
                if (j != k && devices[j].readable() && !plan.rows[devices[j].row].value(field) && same(finals[j]))
                    d.refused.push_back({row.line, given->column, field,
                                         what + " stays with " + finals[j].tag + " (line " +
                                             std::to_string(devices[j].line) + "), which the plan does not renumber"});
                else if (j != k && isIp && devices[j].found() && !devices[j].readable() &&
                         devices[j].item->ip == finals[k].ip)
                    d.refused.push_back({row.line, given->column, field,
                                         what + " belongs to " + tagOf(*devices[j].item) + " (line " +
                                             std::to_string(devices[j].line) + "), whose record could not be read"});
            for (const auto& item : items) {
                const bool inPlan = std::any_of(devices.begin(), devices.end(),
                                                [&](const PlannedDevice& p) { return p.item == item; });
                if (inPlan)
                    continue;
                const bool taken = isIp ? (item->ip == finals[k].ip || item->devItem.ip() == finals[k].ip)
                                        : item->devItem.devNo() == finals[k].no;
                if (taken)
                    d.refused.push_back({row.line, given->column, field,
                                         what + " already belongs to " + tagOf(*item) + ", which the plan does not name"});
            }
        }
    }
    refuseAddressCircles(plan, devices, finals);
    for (const auto& d : devices)
        errors.insert(errors.end(), d.refused.begin(), d.refused.end());
    sortErrors(errors);
    return errors;
}

PlanReview reviewPlan(const SitePlan& plan, DeviceList& list, int parallel, const std::atomic<bool>* cancel)
{
    PlanReview review;
    review.errors = checkPlanValues(plan);
    std::vector<DeviceItemPtr> toRead;
    for (std::size_t r = 0; r < plan.rows.size(); ++r) {
        PlannedDevice d;
        d.row = r;
        d.line = plan.rows[r].line;
        d.device = plan.rows[r].device;
        d.item = findPlanDevice(list, plan.key, d.device);
        for (const auto& other : review.devices)
            if (d.item && other.item == d.item) {
                // Named once: the plan's own check finds the same device written the same way.
                if (std::none_of(review.errors.begin(), review.errors.end(),
                                 [&](const PlanError& e) { return e.line == d.line && e.column == 1; }))
                    review.errors.push_back({d.line, 1, plan.columns.empty() ? std::string() : plan.columns[0],
                                             "this is the device of line " + std::to_string(other.line) + " again"});
                d.item = nullptr;
                break;
            }
        if (d.item)
            toRead.push_back(d.item);
        review.devices.push_back(std::move(d));
    }
    const auto records = readDeviceRecords(list, toRead, parallel, cancel);
    for (auto& d : review.devices) {
        if (!d.item)
            continue;
        const auto it = std::find_if(records.begin(), records.end(), [&](const DeviceRecord& r) { return r.item == d.item; });
        d.readResult = it->result;
        d.before = it->record;
        d.ext = it->ext;
    }
    // A cell the plan's own check refused is named once, not again per device.
    auto more = checkPlanDevices(plan, review.devices, list);
    for (auto& e : more)
        if (std::none_of(review.errors.begin(), review.errors.end(),
                         [&](const PlanError& p) { return p.line == e.line && p.column == e.column; }))
            review.errors.push_back(std::move(e));
    sortErrors(review.errors);
    return review;
}

std::vector<PlannedDevice> replanDevices(DeviceList& list, const std::vector<PlannedDevice>& reviewed, int parallel,
                                         const std::atomic<bool>* cancel)
{
    std::vector<PlannedDevice> out = reviewed;
    std::vector<DeviceItemPtr> toRead;
    for (const auto& d : reviewed)
        if (d.readable())
            toRead.push_back(d.item);
    const auto records = readDeviceRecords(list, toRead, parallel, cancel);
    std::size_t next = 0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        PlannedDevice& d = out[k];
        if (!reviewed[k].readable())
            continue;
        const DeviceRecord& fresh = records[next++];
        if (cancel && cancel->load())
            continue; // not read again: the run that follows starts nothing either
        d.readResult = fresh.result;
        d.changes.clear();
        d.otherBytes = 0;
        if (!fresh.read())
            continue;
        const auto [tag, model] = tagAndModel(list, *d.item);
        d.before = fresh.record;
        d.after = fresh.record;
        if (fresh.ext != reviewed[k].ext) {
            d.ext = fresh.ext;
            d.refused.push_back({d.line, 1, {}, tag + " now keeps a record of another layout than reviewed"});
            continue;
        }
        SysParaSettings settings = SysParaSettings::load(d.before, d.ext);
        settings.setIntercomStatusOffered(offersIntercomStatus(model));
        for (const PlannedChange& c : reviewed[k].changes)
            settings.value(c.field) = readField(kSysParaFields[c.field], reviewed[k].after, d.ext);
        if (auto refusal = settings.save(d.after)) {
            d.after = d.before;
            d.refused.push_back({d.line, 1, std::string(refusal->field), tag + ": " + refusalText(*refusal)});
            continue;
        }
        const RecordDiff diff = diffRecords(d.before, d.after, d.ext);
        const auto was = SysParaSettings::load(d.before, d.ext), will = SysParaSettings::load(d.after, d.ext);
        for (auto i : diff.fields)
            d.changes.push_back({i, was.display(i), will.display(i)});
        d.otherBytes = diff.otherBytes;
    }
    return out;
}

} // namespace aulira
