#include "rollout/PlanReview.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <tuple>

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
    if (row.value("ip") || row.value("mask") || row.value("gateway"))
        if (auto refusal = checkImportedAddresses(settings)) {
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
        r.ext = got->bParaExt != 0;
        std::lock_guard lock(list.mutex());
        if (!r.item->sysPara)
            r.item->sysPara = std::make_unique<SysParaBuffer>();
        *r.item->sysPara = got->record;
        r.item->bParaExt = got->bParaExt;
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
    for (std::size_t k = 0; k < devices.size(); ++k) {
        PlannedDevice& d = devices[k];
        d.changes.clear();
        d.refused.clear();
        d.otherBytes = 0;
        if (!d.readable())
            continue;
        std::string tag, model;
        {
            std::lock_guard lock(list.mutex());
            tag = tagOf(*d.item);
            model = d.item->devItem.modelText();
        }
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

} // namespace aulira
