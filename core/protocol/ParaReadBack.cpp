#include "protocol/ParaReadBack.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "params/SysParaFields.h"
#include "protocol/Exchange.h"
#include "protocol/Timing.h"

namespace aulira {

namespace {

// The bytes some field of the table covers, per layout, firmware version aside.
const ReadBackMask& interpretedBytes(bool ext)
{
    static const auto build = [](bool e) {
        ReadBackMask m;
        for (const auto& f : kSysParaFields) {
            if (!f.in(e) || f.kind == FieldKind::Version)
                continue;
            for (std::size_t i = 0; i < f.width; ++i)
                m.set(static_cast<std::size_t>(f.offset(e)) + i);
        }
        return m;
    };
    static const ReadBackMask longLayout = build(true), shortLayout = build(false);
    return ext ? longLayout : shortLayout;
}

bool unanswered(int result) { return result == RES_RECV_TIMEOUT || result == RES_NO_REPLY; }

Packet requestWith(std::uint16_t command, ConstBytes payload)
{
    Packet request = Packet::request(command, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), request.payloadArea().begin());
    return request;
}

int exchangeAt(const ParaPlace& at, bool unicast, Packet& request, Packet& reply, int waitReply)
{
    return unicast ? ExchangeUnicast(at.localIp, at.ip, request, reply, waitReply)
                   : ExchangeBroadcast(at.localIp, at.ip, request, reply, waitReply);
}

// One read of a read-back: unicast where the poll found the device reachable,
// and a broadcast carrying its address when that fails, since a written record
// may have moved the device out of the adapter's subnet.
int readBackOnce(const ParaPlace& at, Packet& reply)
{
    Packet request = requestWith(CMD_READ_SYS_PARA, at.mac);
    int result = exchangeAt(at, at.unicast, request, reply, 1);
    if (result != RES_OK && at.unicast) {
        request = requestWith(CMD_READ_SYS_PARA, at.mac);
        result = exchangeAt(at, false, request, reply, 1);
    }
    return result;
}

} // namespace

std::optional<SysParaReply> takeSysParaReply(ConstBytes payload)
{
    SysParaReply out;
    std::copy_n(payload.begin(), std::min(payload.size(), out.record.size()), out.record.begin());
    out.paraExt = paraExtFromVersion(out.record);
    if (payload.size() < sysParaLayout(out.paraExt != 0).size)
        return std::nullopt;
    return out;
}

ReadBackMask changedFieldBytes(const SysParaBuffer* before, ConstBytes written, bool ext)
{
    ReadBackMask mask = interpretedBytes(ext);
    if (!before)
        return mask;
    const std::size_t n = std::min(written.size(), before->size());
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask.test(i) && (i >= n || (*before)[i] == written[i]))
            mask.reset(i);
    return mask;
}

void compareAlso(ReadBackMask& mask, std::size_t offset, std::size_t width)
{
    for (std::size_t i = offset; i < offset + width && i < mask.size(); ++i)
        mask.set(i);
}

bool holdsWritten(const ReadBackMask& mask, ConstBytes written, ConstBytes readBack)
{
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask.test(i) && (i >= written.size() || i >= readBack.size() || written[i] != readBack[i]))
            return false;
    return true;
}

int ReadParaRetrying(const ParaPlace& at, Packet& reply, int retries)
{
    int result = RES_NO_REPLY;
    for (int attempt = 0; attempt <= std::max(retries, 0); ++attempt) {
        Packet request = requestWith(CMD_READ_SYS_PARA, at.mac);
        result = exchangeAt(at, at.unicast, request, reply, 1);
        if (!unanswered(result))
            break;
    }
    return result;
}

int WriteAndApply(const ParaPlace& at, ConstBytes writePayload, const MacBytes& applyMac, int retries)
{
    Packet reply;
    int result = RES_NO_REPLY;
    for (int attempt = 0; attempt <= std::max(retries, 0); ++attempt) {
        Packet request = requestWith(CMD_WRITE_SYS_PARA, writePayload);
        result = exchangeAt(at, at.unicast, request, reply, 1);
        if (!unanswered(result))
            break;
    }
    if (result != RES_OK)
        return result;
    Packet apply = requestWith(CMD_APPLY_SYS_PARA, applyMac);
    return exchangeAt(at, at.unicast, apply, reply, 0);
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
    for (int k = 0; k < 8; ++k) // the groups the device is in
        item.devItem.setGroupNo(k, written[layout.groupNos + static_cast<std::size_t>(k)]);
    // The list column and every later exchange use the entry's own address;
    // the device has moved there once it applied the record.
    item.ip = item.devItem.ip();
}

ConfirmOutcome ConfirmParaWrite(const ParaWrite& w)
{
    using namespace std::chrono;
    const Timing& timing = protocolConfig().timing;
    auto deadline = steady_clock::now() + milliseconds(timing.confirmWindowMs);
    ConfirmOutcome out;
    bool answered = false; // since the last write
    Packet reply;
    for (;;) {
        const ParaPlace* stale = nullptr; // a place that answered without the written bytes
        for (const ParaPlace* at : {&w.after, w.before ? &*w.before : nullptr}) {
            if (!at || readBackOnce(*at, reply) != RES_OK)
                continue;
            // A short or other-layout answer is a device still settling, not a verdict.
            const auto got = takeSysParaReply(reply.payload());
            if (!got || (got->paraExt != 0) != w.ext)
                continue;
            answered = true;
            out.answeredBefore = at != &w.after;
            if (holdsWritten(w.mask, w.written, got->record)) {
                out.result = RES_OK;
                return out;
            }
            stale = at;
            break;
        }
        if (stale && out.rewrites < w.retries) {
            ++out.rewrites;
            WriteAndApply(*stale, w.writePayload, w.applyMac, w.retries);
            answered = false;
            deadline = steady_clock::now() + milliseconds(timing.confirmWindowMs);
            continue;
        }
        if (steady_clock::now() + milliseconds(timing.confirmRetryPauseMs) >= deadline) {
            out.result = answered ? RES_NOT_TAKEN : RES_NOT_CONFIRMED;
            return out;
        }
        std::this_thread::sleep_for(milliseconds(timing.confirmRetryPauseMs));
    }
}

int ConfirmReachable(const ParaPlace& target)
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
