#include "grouping/GroupDownload.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "devices/DeviceList.h"
#include "grouping/GroupRules.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "protocol/Timing.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/AtATime.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

using Mac = std::array<std::uint8_t, 6>;

// Where one device's exchanges go and how its log lines name it, copied
// under the list's lock.
struct Peer {
    std::string localIp;
    std::uint32_t ip = 0;    // where requests go
    std::uint32_t devIp = 0; // what group members are matched by
    Mac mac{};
    std::string tag;
};

Peer peerOf(const DeviceItem_Type& item)
{
    Peer p;
    p.localIp = item.localIp;
    p.ip = item.ip;
    p.devIp = item.devItem.ip();
    std::copy_n(item.devItem.mac(), 6, p.mac.begin());
    p.tag = deviceTag(ansiToUtf8(item.devItem.devName()), item.devItem.ip());
    return p;
}

ParaPlace placeOf(const Peer& peer) { return {peer.localIp, peer.ip, true, peer.mac}; }

void sendProgress(ProtocolWorker& worker, int percent)
{
    if (auto* l = worker.listener())
        l->onGroupProgress(percent);
}

using GroupBytes = std::array<std::uint8_t, kGroupNosPerDevice>;

// The entry shows the group numbers the device holds now; the list reports
// the change, so its row and the properties follow at once.
void showGroupBytes(DeviceList& list, const DeviceItemPtr& item, const GroupBytes& bytes)
{
    {
        std::lock_guard lock(list.mutex());
        for (int k = 0; k < static_cast<int>(bytes.size()); ++k)
            item->devItem.setGroupNo(k, bytes[static_cast<std::size_t>(k)]);
    }
    list.notifyChanged(item);
}

std::vector<int> groupNumbersOf(const DeviceInfo_Type& info)
{
    std::vector<int> out;
    for (int k = 0; k < static_cast<int>(kGroupNosPerDevice); ++k)
        if (const int n = info.groupNo(k); n != 0 && std::find(out.begin(), out.end(), n) == out.end())
            out.push_back(n);
    return out;
}

} // namespace

std::vector<const GroupPlanDevice*> GroupDownloadPlan::losing() const
{
    std::vector<const GroupPlanDevice*> out;
    for (const auto& d : written)
        if (!d.lost.empty())
            out.push_back(&d);
    return out;
}

GroupDownloadPlan planGroupDownload(const DeviceList& list, const GroupList& groups)
{
    GroupDownloadPlan plan;
    const auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    for (const auto& item : items) {
        if (!isOnlineState(item->state))
            continue;
        GroupPlanDevice d;
        d.item = item;
        d.ip = item->devItem.ip();
        d.name = ansiToUtf8(item->devItem.devName());
        d.tag = deviceTag(d.name, d.ip);
        d.now = groupNumbersOf(item->devItem);
        // What the download writes: the first eight, each a byte.
        std::vector<std::int32_t> numbers = groupNumbersOfDevice(groups, item->devItem.ip());
        if (numbers.size() > kGroupNosPerDevice)
            numbers.resize(kGroupNosPerDevice);
        for (const std::int32_t n : numbers)
            d.after.push_back(static_cast<std::uint8_t>(n));
        for (const int n : d.now)
            if (std::find(d.after.begin(), d.after.end(), n) == d.after.end())
                d.lost.push_back(n);
        plan.written.push_back(std::move(d));
    }
    return plan;
}

std::string groupNumbersText(const std::vector<int>& numbers)
{
    if (numbers.empty())
        return "none";
    std::string text;
    for (const int n : numbers)
        text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

GroupDownloadSummary DownloadGrouping(ProtocolWorker& worker, DeviceList& list, const GroupList& groups,
                                      const GroupDownloadOptions& options)
{
    // The online set is fixed at the start, so a device the poll brings online
    // or loses meanwhile cannot push the progress past 100 or leave it short.
    std::vector<DeviceItemPtr> online;
    {
        const auto items = list.snapshot();
        std::lock_guard lock(list.mutex());
        for (const auto& item : items)
            if (isOnlineState(item->state))
                online.push_back(item);
    }
    GroupDownloadSummary summary;
    summary.online = static_cast<int>(online.size());
    const int n = summary.online;
    const std::size_t count = online.size();
    const int atATime = std::max(options.parallel, 1);
    const int retries = options.retries >= 0 ? options.retries : protocolConfig().retries.load();

    // What each device's steps found, handed from its (maybe concurrent) work
    // to the in-order reporting.
    struct DeviceRun {
        Peer peer;
        bool haveRecord = false;
        int result = RES_OK;
        std::string newTag;
        std::uint32_t newIp = 0;
        const SysParaLayout* layout = nullptr;
        std::array<std::uint8_t, kGroupNosPerDevice> groupBytes{};
        bool tooMany = false;
        bool confirmed = true;
        ParaWrite write; // what the read-back compares, and what is sent again
        int confirmResult = RES_OK;
    };
    std::vector<DeviceRun> runs(count);
    auto fail = [&](const DeviceRun& r, const char* text) {
        summary.failures.push_back({formatIp(r.peer.ip), r.peer.tag, text});
    };
    auto step = [&](std::size_t i, GroupStep what, bool ok, std::string text) {
        if (options.onStep)
            options.onStep({online[i], what, ok, std::move(text)});
    };

    int s1 = 0;
    runAtATimeInOrder(
        count, atATime,
        [&](std::size_t i) {
            const auto& item = online[i];
            DeviceRun& r = runs[i];
            {
                std::lock_guard lock(list.mutex());
                r.haveRecord = item->sysPara != nullptr;
                r.peer = peerOf(*item);
            }
            auto reply = std::make_unique<Packet>();
            if (r.haveRecord || ReadParaRetrying(placeOf(r.peer), *reply, retries) != RES_OK)
                return;
            // A reply shorter than the layout it claims is no record: taking it
            // would write zeros over the device's address.
            const ConstBytes payload = reply->payload();
            if (payload.size() < kLayout392.size)
                return;
            auto record = std::make_unique<SysParaBuffer>();
            std::copy_n(payload.begin(), std::min(payload.size(), kSysParaBufferSize), record->begin());
            // Without this a device never opened keeps the default long
            // layout and a V1.0.7 one would be sent a record it refuses.
            const std::int32_t ext = paraExtFromVersion(*record);
            if (ext != 0 && payload.size() < kLayout436.size)
                return;
            std::lock_guard lock(list.mutex());
            if (!item->sysPara) {
                item->heldPara = std::make_unique<SysParaBuffer>(*record);
                item->sysPara = std::move(record);
                item->paraExt = ext;
            }
            r.haveRecord = true;
        },
        [&](std::size_t i) {
            if (!runs[i].haveRecord)
                OutputLog("%s failed to read system parameters!", runs[i].peer.tag.c_str());
            step(i, GroupStep::Read, runs[i].haveRecord, runs[i].haveRecord ? "" : "failed to read system parameters!");
            s1 += 50;
            sendProgress(worker, s1 / n);
        });

    int s2 = 0;
    runAtATimeInOrder(
        count, atATime,
        [&](std::size_t i) {
            const auto& item = online[i];
            DeviceRun& r = runs[i];
            SysParaBuffer record;
            std::optional<SysParaBuffer> held;
            bool ext = true;
            {
                std::lock_guard lock(list.mutex());
                r.peer = peerOf(*item);
                r.haveRecord = item->sysPara != nullptr;
                if (r.haveRecord) {
                    record = *item->sysPara;
                    ext = item->paraExt != 0;
                }
                if (item->heldPara)
                    held = *item->heldPara;
            }
            if (!r.haveRecord)
                return;
            r.layout = &sysParaLayout(ext);
            std::vector<std::int32_t> numbers = groupNumbersOfDevice(groups, r.peer.devIp);
            if (numbers.size() > kGroupNosPerDevice) {
                r.tooMany = true;
                numbers.resize(kGroupNosPerDevice);
            }
            // Every byte is rewritten, so a device taken out of a group leaves it.
            for (std::size_t k = 0; k < numbers.size(); ++k)
                r.groupBytes[k] = static_cast<std::uint8_t>(numbers[k]);
            std::copy(r.groupBytes.begin(), r.groupBytes.end(),
                      record.begin() + static_cast<std::ptrdiff_t>(r.layout->groupNos));
            {
                std::lock_guard lock(list.mutex());
                if (item->sysPara)
                    std::copy(r.groupBytes.begin(), r.groupBytes.end(),
                              item->sysPara->begin() + static_cast<std::ptrdiff_t>(r.layout->groupNos));
            }
            ParaWrite& w = r.write;
            w.after = placeOf(r.peer);
            w.written = record;
            w.ext = ext;
            w.writePayload.assign(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(r.layout->size));
            w.applyMac = r.peer.mac;
            w.retries = retries;
            // The group bytes are what this download is about: compared even where they did not change.
            w.mask = changedFieldBytes(held ? &*held : nullptr, record, ext);
            compareAlso(w.mask, r.layout->groupNos, kGroupNosPerDevice);
            r.result = WriteAndApply(w.after, w.writePayload, w.applyMac, retries);
            if (r.result == RES_OK) {
                std::lock_guard lock(list.mutex());
                item->devItem.setDevNo(readI32(record, r.layout->devNo));
                item->devItem.setIp(readIp(record, r.layout->ip));
                // Later exchanges and the list go to where the device now is.
                item->ip = item->devItem.ip();
                r.newIp = item->ip;
                if (r.newIp != w.after.ip)
                    w.before = w.after;
                w.after.ip = r.newIp;
                r.newTag = deviceTag(ansiToUtf8(item->devItem.devName()), item->devItem.ip());
            }
        },
        [&](std::size_t i) {
            const DeviceRun& r = runs[i];
            if (!r.haveRecord) {
                OutputLog("%s grouping setting failed\xEF\xBC\x81", r.peer.tag.c_str());
                fail(r, "grouping setting failed");
                step(i, GroupStep::Written, false, "grouping setting failed");
                return;
            }
            if (r.tooMany)
                OutputLog("%s the data belonging to the group exceeds 8\xEF\xBC\x81", r.peer.tag.c_str());
            if (r.result == RES_OK) {
                {
                    // The device took the record: its identity shows the new numbers.
                    std::lock_guard lock(list.mutex());
                    for (int k = 0; k < static_cast<int>(kGroupNosPerDevice); ++k)
                        online[i]->devItem.setGroupNo(k, r.groupBytes[static_cast<std::size_t>(k)]);
                }
                list.identityChanged(online[i]);
                OutputLog("%s set grouping completed.", r.newTag.c_str());
                ++summary.completed;
                step(i, GroupStep::Written, true, "set grouping completed.");
            } else {
                OutputLog("%s grouping setting failed\xEF\xBC\x81", r.peer.tag.c_str());
                fail(r, "grouping setting failed");
                step(i, GroupStep::Written, false, "grouping setting failed");
            }
            s2 += 50;
            sendProgress(worker, s2 / n + 50);
        });

    // The apply is not answered, so a lost one looks like success: one pass at
    // the end reads every written device back.
    if (options.confirm) {
        std::vector<std::size_t> written;
        for (std::size_t i = 0; i < count; ++i)
            if (runs[i].haveRecord && runs[i].result == RES_OK)
                written.push_back(i);
        runAtATimeInOrder(
            written.size(), std::max(atATime, 8),
            [&](std::size_t k) {
                DeviceRun& r = runs[written[k]];
                r.confirmResult = ConfirmParaWrite(r.write).result;
                r.confirmed = r.confirmResult == RES_OK;
                if (r.confirmed) {
                    std::lock_guard lock(list.mutex());
                    online[written[k]]->heldPara = std::make_unique<SysParaBuffer>(r.write.written);
                }
            },
            [&](std::size_t k) {
                DeviceRun& r = runs[written[k]];
                // A device that answers without its group numbers after every
                // repeat did not take them: a failure, not an unknown.
                const bool taken = r.confirmResult != RES_NOT_TAKEN;
                const char* text = r.confirmed ? "confirmed" : taken ? kNotConfirmedText : kNotTakenText;
                // What the device confirmed is what it holds now.
                if (r.confirmed)
                    showGroupBytes(list, online[written[k]], r.groupBytes);
                step(written[k], GroupStep::Confirmed, r.confirmed, text);
                if (r.confirmed)
                    return;
                OutputLog("%s %s", r.newTag.c_str(), text);
                --summary.completed;
                if (taken)
                    ++summary.unconfirmed;
                summary.failures.push_back({formatIp(r.newIp), r.newTag, text});
            });
    }
    return summary;
}

void postDownloadGrouping(ProtocolWorker& worker, DeviceList& list, GroupList groups,
                          std::function<void(const GroupDownloadSummary&)> done, GroupDownloadOptions options)
{
    worker.postDownloadGroup([&worker, &list, groups = std::move(groups), done = std::move(done), options] {
        const GroupDownloadSummary summary = DownloadGrouping(worker, list, groups, options);
        if (done)
            done(summary);
    });
}

} // namespace aulira
