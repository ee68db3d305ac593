#include "grouping/GroupDownload.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "devices/DeviceList.h"
#include "grouping/GroupRules.h"
#include "protocol/Exchange.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
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

int exchange(const Peer& peer, std::uint16_t command, ConstBytes payload, Packet& reply, int waitReply)
{
    Packet request = Packet::request(command, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), request.payloadArea().begin());
    return ExchangeUnicast(peer.localIp, peer.ip, request, reply, waitReply);
}

void sendProgress(ProtocolWorker& worker, int percent)
{
    if (auto* l = worker.listener())
        l->onGroupProgress(percent);
}

} // namespace

GroupDownloadSummary DownloadGrouping(ProtocolWorker& worker, DeviceList& list, const GroupList& groups)
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
    auto reply = std::make_unique<Packet>();

    int s1 = 0;
    for (const auto& item : online) {
        Peer peer;
        bool haveRecord;
        {
            std::lock_guard lock(list.mutex());
            haveRecord = item->sysPara != nullptr;
            peer = peerOf(*item);
        }
        if (!haveRecord && exchange(peer, CMD_READ_SYS_PARA, peer.mac, *reply, 1) == RES_OK) {
            std::lock_guard lock(list.mutex());
            if (!item->sysPara) {
                item->sysPara = std::make_unique<SysParaBuffer>();
                const ConstBytes payload = reply->payload();
                std::copy_n(payload.begin(), std::min(payload.size(), kSysParaBufferSize), item->sysPara->begin());
                // Without this a device never opened keeps the default long
                // layout and a V1.0.7 one would be sent a record it refuses.
                item->bParaExt = paraExtFromVersion(*item->sysPara);
            }
            haveRecord = true;
        }
        if (!haveRecord)
            OutputLog("%s failed to read system parameters!", peer.tag.c_str());
        s1 += 50;
        sendProgress(worker, s1 / n);
    }

    int s2 = 0;
    for (const auto& item : online) {
        Peer peer;
        SysParaBuffer record;
        bool ext = true;
        bool haveRecord;
        {
            std::lock_guard lock(list.mutex());
            peer = peerOf(*item);
            haveRecord = item->sysPara != nullptr;
            if (haveRecord) {
                record = *item->sysPara;
                ext = item->bParaExt != 0;
            }
        }
        if (!haveRecord) {
            OutputLog("%s grouping setting failed\xEF\xBC\x81", peer.tag.c_str());
            continue;
        }
        const SysParaLayout& layout = sysParaLayout(ext);
        std::vector<std::int32_t> numbers = groupNumbersOfDevice(groups, peer.devIp);
        if (numbers.size() > kGroupNosPerDevice) {
            OutputLog("%s the data belonging to the group exceeds 8\xEF\xBC\x81", peer.tag.c_str());
            numbers.resize(kGroupNosPerDevice);
        }
        // Every byte is rewritten, so a device taken out of a group leaves it.
        std::array<std::uint8_t, kGroupNosPerDevice> groupBytes{};
        for (std::size_t i = 0; i < numbers.size(); ++i)
            groupBytes[i] = static_cast<std::uint8_t>(numbers[i]);
        std::copy(groupBytes.begin(), groupBytes.end(), record.begin() + static_cast<std::ptrdiff_t>(layout.groupNos));
        {
            std::lock_guard lock(list.mutex());
            if (item->sysPara)
                std::copy(groupBytes.begin(), groupBytes.end(),
                          item->sysPara->begin() + static_cast<std::ptrdiff_t>(layout.groupNos));
        }

        int result = exchange(peer, CMD_WRITE_SYS_PARA, ConstBytes(record).first(layout.size), *reply, 1);
        if (result == RES_OK)
            result = exchange(peer, CMD_APPLY_SYS_PARA, peer.mac, *reply, 0);
        if (result == RES_OK) {
            std::string tag;
            {
                std::lock_guard lock(list.mutex());
                item->devItem.setDevNo(readI32(record, layout.devNo));
                item->devItem.setIp(readIp(record, layout.ip));
                // Later exchanges and the list go to where the device now is.
                item->ip = item->devItem.ip();
                tag = deviceTag(ansiToUtf8(item->devItem.devName()), item->devItem.ip());
            }
            list.identityChanged(item);
            OutputLog("%s set grouping completed.", tag.c_str());
            ++summary.completed;
        } else {
            OutputLog("%s grouping setting failed\xEF\xBC\x81", peer.tag.c_str());
        }
        s2 += 50;
        sendProgress(worker, s2 / n + 50);
    }
    return summary;
}

void postDownloadGrouping(ProtocolWorker& worker, DeviceList& list, GroupList groups,
                          std::function<void(const GroupDownloadSummary&)> done)
{
    worker.postDownloadGroup([&worker, &list, groups = std::move(groups), done = std::move(done)] {
        const GroupDownloadSummary summary = DownloadGrouping(worker, list, groups);
        if (done)
            done(summary);
    });
}

} // namespace aulira
