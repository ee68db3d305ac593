#include "protocol/ParaReadBack.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "protocol/Exchange.h"
#include "protocol/Timing.h"

namespace aulira {

std::optional<SysParaReply> takeSysParaReply(ConstBytes payload)
{
    SysParaReply out;
    std::copy_n(payload.begin(), std::min(payload.size(), out.record.size()), out.record.begin());
    out.bParaExt = paraExtFromVersion(out.record);
    if (payload.size() < sysParaLayout(out.bParaExt != 0).size)
        return std::nullopt;
    return out;
}

bool sameWrittenRecord(ConstBytes written, ConstBytes readBack, bool ext)
{
    const SysParaLayout& layout = sysParaLayout(ext);
    if (written.size() < layout.size || readBack.size() < layout.size)
        return false;
    const auto w = written.first(layout.size), r = readBack.first(layout.size);
    const std::size_t vBegin = layout.version, vEnd = layout.version + kSysParaVersionWidth;
    return std::equal(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(vBegin), r.begin()) &&
           std::equal(w.begin() + static_cast<std::ptrdiff_t>(vEnd), w.end(),
                      r.begin() + static_cast<std::ptrdiff_t>(vEnd));
}

void takeWrittenIdentity(DeviceItem_Type& item, ConstBytes written, bool ext)
{
    const SysParaLayout& layout = sysParaLayout(ext);
    item.devItem.setDevNo(readI32(written, layout.devNo));
    item.devItem.setIp(readIp(written, layout.ip));
    // The list and the properties pane show what the device now holds at
    // once, not only after the next search.
    item.devItem.setDevName(readFixedText(written, layout.devName, kSysParaTextWidth));
    item.devItem.setMask(readIp(written, layout.mask));
    item.devItem.setGateway(readIp(written, layout.gateway));
    item.devItem.setDns1(readIp(written, layout.dns1));
    item.devItem.setDns2(readIp(written, layout.dns2));
    item.devItem.setServerIp(readIp(written, layout.serverIp));
    item.devItem.setAltServerIp(readIp(written, layout.altServerIp));
    // The list column and every later exchange use the entry's own address;
    // the device has moved there once it applied the record.
    item.ip = item.devItem.ip();
}

int ConfirmSysPara(const ConfirmTarget& target, ConstBytes written, bool ext)
{
    using namespace std::chrono;
    const Timing& timing = protocolConfig().timing;
    const auto deadline = steady_clock::now() + milliseconds(timing.confirmWindowMs);
    Packet request, reply;
    // One read: unicast where the poll found the device reachable, and a
    // broadcast carrying its address when that fails, since a written record
    // may have moved the device out of the adapter's subnet.
    auto readOnce = [&](bool unicast) {
        request = Packet::request(CMD_READ_SYS_PARA, static_cast<std::uint16_t>(target.mac.size()));
        std::copy(target.mac.begin(), target.mac.end(), request.payloadArea().begin());
        return unicast ? ExchangeUnicast(target.localIp, target.ip, request, reply, 1)
                       : ExchangeBroadcast(target.localIp, target.ip, request, reply, 1);
    };
    for (;;) {
        int result = readOnce(target.unicast);
        if (result != RES_OK && target.unicast)
            result = readOnce(false);
        if (result == RES_OK) {
            // A short or other-layout answer is a device still settling, not a verdict.
            if (auto got = takeSysParaReply(reply.payload());
                got && (got->bParaExt != 0) == ext && sameWrittenRecord(written, got->record, ext))
                return RES_OK;
        }
        if (steady_clock::now() + milliseconds(timing.confirmRetryPauseMs) >= deadline)
            return RES_NOT_CONFIRMED;
        std::this_thread::sleep_for(milliseconds(timing.confirmRetryPauseMs));
    }
}

int ConfirmReachable(const ConfirmTarget& target)
{
    using namespace std::chrono;
    const Timing& timing = protocolConfig().timing;
    const auto deadline = steady_clock::now() + milliseconds(timing.confirmWindowMs);
    Packet request, reply;
    for (;;) {
        request = Packet::request(CMD_SEARCH, 0, kPollMark);
        if (ExchangeUnicast(target.localIp, target.ip, request, reply, 1) == RES_OK) {
            const DeviceInfo_Type info = DeviceInfo_Type::fromPayload(reply.payload());
            if (std::equal(target.mac.begin(), target.mac.end(), info.mac()))
                return RES_OK;
        }
        if (steady_clock::now() + milliseconds(timing.confirmRetryPauseMs) >= deadline)
            return RES_NOT_CONFIRMED;
        std::this_thread::sleep_for(milliseconds(timing.confirmRetryPauseMs));
    }
}

} // namespace aulira
