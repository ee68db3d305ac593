#include "protocol/ProtocolWorker.h"

#include <algorithm>
#include <cstring>

#include "devices/DeviceList.h"
#include "params/ParaBackups.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "protocol/Timing.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "shell/Translate.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

static_assert(kLayout436.mac == kLayout392.mac, "the MAC field sits at one offset in both layouts");

MacBytes macOf(const DeviceInfo_Type& info)
{
    MacBytes m;
    std::copy_n(info.mac(), 6, m.begin());
    return m;
}

} // namespace

ProtocolWorker::ProtocolWorker(DeviceList& list, WorkerListener* listener)
    : list_(list), listener_(listener), thread_([this] { run(); })
{
}

ProtocolWorker::~ProtocolWorker()
{
    {
        std::lock_guard lock(m_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
    idle_.notify_all();
}

void ProtocolWorker::setListener(WorkerListener* listener)
{
    std::lock_guard lock(m_);
    listener_ = listener;
}

WorkerListener* ProtocolWorker::listener() const
{
    std::lock_guard lock(m_);
    return listener_;
}

void ProtocolWorker::post(Job job)
{
    {
        std::lock_guard lock(m_);
        if (stopping_)
            return;
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void ProtocolWorker::postReadPara(DeviceItemPtr item) { post({JobKind::ReadPara, std::move(item), {}, {}}); }
void ProtocolWorker::postWritePara(DeviceItemPtr item) { post({JobKind::WritePara, std::move(item), {}, {}}); }
void ProtocolWorker::postWriteMac(DeviceItemPtr item) { post({JobKind::WriteMac, std::move(item), {}, {}}); }

void ProtocolWorker::postDownloadBook(DeviceItemPtr item, std::function<int()> routine)
{
    post({JobKind::DownloadBook, std::move(item), std::move(routine), {}});
}

void ProtocolWorker::postClearBook(DeviceItemPtr item, std::function<int()> routine)
{
    post({JobKind::ClearBook, std::move(item), std::move(routine), {}});
}

void ProtocolWorker::postDownloadGroup(std::function<void()> routine)
{
    post({JobKind::DownloadGroup, nullptr, {}, std::move(routine)});
}

void ProtocolWorker::waitIdle()
{
    std::unique_lock lock(m_);
    idle_.wait(lock, [this] { return (queue_.empty() && !busy_) || stopping_; });
}

void ProtocolWorker::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        runJob(job);
        job = Job{}; // the item and the routine's captures go before the worker reports idle
        bool idle;
        {
            std::lock_guard lock(m_);
            busy_ = false;
            idle = queue_.empty();
        }
        if (idle)
            idle_.notify_all();
    }
}

void ProtocolWorker::runJob(const Job& job)
{
    switch (job.kind) {
    case JobKind::ReadPara: readPara(job.item); return;
    case JobKind::WritePara: writePara(job.item); return;
    case JobKind::WriteMac: writeMac(job.item); return;
    case JobKind::DownloadBook: {
        const int result = job.routine ? job.routine() : RES_OK;
        if (auto* l = listener())
            l->onBookDownloaded(result);
        return;
    }
    case JobKind::ClearBook: {
        const int result = job.routine ? job.routine() : RES_OK;
        if (auto* l = listener())
            l->onBookCleared(result);
        return;
    }
    case JobKind::DownloadGroup:
        if (job.groupRoutine)
            job.groupRoutine();
        if (auto* l = listener())
            l->onGroupDownloaded();
        return;
    }
}

void ProtocolWorker::readPara(const DeviceItemPtr& item)
{
    ParaPlace at;
    {
        std::lock_guard lock(list_.mutex());
        at = {item->localIp, item->ip, item->unicastOk == 1, macOf(item->devItem)};
    }
    int result = ReadParaRetrying(at, reply_, protocolConfig().retries.load());
    std::optional<SysParaReply> got;
    if (result == RES_OK) {
        got = takeSysParaReply(reply_.payload());
        if (!got)
            result = RES_SHORT_RECORD; // the record held stays as it was
    }
    if (got) {
        std::lock_guard lock(list_.mutex());
        if (!item->sysPara)
            item->sysPara = std::make_unique<SysParaBuffer>();
        *item->sysPara = got->record;
        item->heldPara = std::make_unique<SysParaBuffer>(got->record);
        // Every front end needs the layout right after a read; decide it once here.
        item->paraExt = got->paraExt;
    }
    if (auto* l = listener())
        l->onReadParaDone(item, result);
}

void ProtocolWorker::writePara(const DeviceItemPtr& item)
{
    ParaWrite w;
    DeviceInfo_Type identityBefore;
    std::uint32_t ipBefore = 0;
    bool haveRecord = false;
    {
        std::lock_guard lock(list_.mutex());
        w.after = {item->localIp, item->ip, item->unicastOk == 1, macOf(item->devItem)};
        if (item->sysPara) {
            w.written = *item->sysPara;
            w.ext = item->paraExt != 0;
            w.mask = changedFieldBytes(item->heldPara.get(), w.written, w.ext);
            haveRecord = true;
        }
        identityBefore = item->devItem;
        ipBefore = item->ip;
    }
    if (!haveRecord) {
        if (auto* l = listener())
            l->onWriteParaDone(item, RES_NO_RECORD);
        return;
    }

    const SysParaLayout& layout = sysParaLayout(w.ext);
    const ConstBytes written(w.written);
    w.writePayload.assign(w.written.begin(), w.written.begin() + static_cast<std::ptrdiff_t>(layout.size));
    w.applyMac = w.after.mac;
    w.retries = protocolConfig().retries.load();
    int result = WriteAndApply(w.after, w.writePayload, w.applyMac, w.retries);
    if (result != RES_OK) {
        OutputLog("set system para error!");
        if (auto* l = listener())
            l->onWriteParaDone(item, result);
        return;
    }
    {
        std::lock_guard lock(list_.mutex());
        takeWrittenIdentity(*item, written, w.ext);
        if (item->ip != ipBefore)
            w.before = w.after;
        w.after.ip = item->ip;
    }
    list_.identityChanged(item);
    if (confirm_.load()) {
        const ConfirmOutcome c = ConfirmParaWrite(w);
        result = c.result;
        if (result == RES_OK) {
            std::lock_guard lock(list_.mutex());
            item->heldPara = std::make_unique<SysParaBuffer>(w.written);
        } else if (result == RES_NOT_TAKEN) {
            // The device answered with what it held before: so does its entry.
            {
                std::lock_guard lock(list_.mutex());
                item->devItem = identityBefore;
                item->ip = ipBefore;
            }
            list_.identityChanged(item);
        }
        logNotConfirmed(item, result);
    }
    if (auto* l = listener())
        l->onWriteParaDone(item, result);
}

void ProtocolWorker::writeMac(const DeviceItemPtr& item)
{
    // A MAC change always goes by unicast, whatever the poll found out.
    ParaPlace old;
    MacBytes newMac;
    DeviceInfo_Type identityBefore;
    {
        std::lock_guard lock(list_.mutex());
        old = {item->localIp, item->ip, true, item->oldMac};
        newMac = macOf(item->devItem);
        identityBefore = item->devItem;
        identityBefore.setMac(item->oldMac.data());
    }
    const int retries = protocolConfig().retries.load();
    int result = ReadParaRetrying(old, reply_, retries);
    if (result != RES_OK)
        return macChangeFailed(item, old.mac, result);

    const std::optional<SysParaReply> got = takeSysParaReply(reply_.payload());
    if (!got)
        return macChangeFailed(item, old.mac, RES_SHORT_RECORD);
    std::filesystem::path backupDir;
    {
        std::lock_guard lock(backupMutex_);
        backupDir = backupDir_;
    }
    if (!backupDir.empty()) {
        std::string error;
        if (backupRecord(backupDir, got->record, &error).empty()) {
            OutputLog("The parameters could not be backed up before the MAC change: %s", error.c_str());
            return macChangeFailed(item, old.mac, RES_NO_BACKUP);
        }
    }
    ParaWrite w;
    {
        std::lock_guard lock(list_.mutex());
        if (!item->sysPara)
            item->sysPara = std::make_unique<SysParaBuffer>();
        // Over the existing buffer, not clearing it: behind a short record it
        // keeps what it held, and the short layout's write sends six of those bytes.
        const std::size_t n = std::min(reply_.payload().size(), kSysParaBufferSize);
        std::copy_n(got->record.begin(), n, item->sysPara->begin());
        item->heldPara = std::make_unique<SysParaBuffer>(got->record);
        // The layout of the record just read decides the write; a device never
        // opened before still carries the default long-layout flag.
        item->paraExt = got->paraExt;
        std::copy(newMac.begin(), newMac.end(), item->sysPara->begin() + static_cast<std::ptrdiff_t>(kLayout436.mac));
        w.written = *item->sysPara;
        w.ext = item->paraExt != 0;
    }
    w.mask = changedFieldBytes(&got->record, w.written, w.ext);

    const SysParaLayout& layout = sysParaLayout(w.ext);
    std::array<std::uint8_t, kSysParaBufferSize + kSysParaMacChangeExtra> payload{};
    std::copy_n(w.written.begin(), layout.size, payload.begin());
    std::copy(old.mac.begin(), old.mac.end(), payload.begin() + static_cast<std::ptrdiff_t>(layout.size));
    // Six more bytes: what the buffer holds behind the old MAC's place in the
    // short layout; the long record has nothing there, so zeros.
    if (!w.ext)
        std::copy_n(w.written.begin() + static_cast<std::ptrdiff_t>(layout.size + 6), 6,
                    payload.begin() + static_cast<std::ptrdiff_t>(layout.size + 6));
    w.writePayload.assign(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(layout.size +
                                                                                           kSysParaMacChangeExtra));
    w.applyMac = old.mac;
    w.retries = retries;
    result = WriteAndApply(old, w.writePayload, w.applyMac, retries);
    if (result != RES_OK) {
        OutputLog("set system para error!");
        return macChangeFailed(item, old.mac, result);
    }

    const ConstBytes written(w.written);
    {
        std::lock_guard lock(list_.mutex());
        item->devItem.setDevNo(readI32(written, layout.devNo));
        item->devItem.setIp(readIp(written, layout.ip));
        item->ip = item->devItem.ip();
        item->oldMac = macOf(item->devItem);
        // The device answers to its new MAC (and maybe at a new address) once
        // it has taken the record in; until then, by the old one where it was.
        w.after = {old.localIp, item->ip, true, newMac};
        w.before = old;
    }
    list_.identityChanged(item);
    MacChangeResult r{MacChangeOutcome::Done, RES_OK, newMac};
    if (confirm_.load()) {
        const ConfirmOutcome c = ConfirmParaWrite(w);
        if (c.result == RES_OK) {
            std::lock_guard lock(list_.mutex());
            item->heldPara = std::make_unique<SysParaBuffer>(w.written);
        } else if (c.result == RES_NOT_TAKEN) {
            // It still answers to the old MAC, with its old record: so does the entry.
            {
                std::lock_guard lock(list_.mutex());
                item->devItem = identityBefore;
                item->ip = old.ip;
                item->oldMac = old.mac;
            }
            list_.identityChanged(item);
            logNotConfirmed(item, RES_NOT_TAKEN);
            return macChangeFailed(item, old.mac, RES_NOT_TAKEN);
        } else {
            r = {MacChangeOutcome::NotConfirmed, c.result, newMac};
            logNotConfirmed(item, c.result);
        }
    }
    if (auto* l = listener())
        l->onWriteParaDone(item, r.result);
    macChangeEnded(item, r);
}

void ProtocolWorker::logNotConfirmed(const DeviceItemPtr& item, int result)
{
    if (result == RES_OK)
        return;
    std::string tag;
    {
        std::lock_guard lock(list_.mutex());
        tag = deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
    }
    if (result == RES_NOT_TAKEN)
        OutputLog("%s did not take the written parameters", tag.c_str());
    else
        OutputLog("%s written but not confirmed", tag.c_str());
}

void ProtocolWorker::macChangeFailed(const DeviceItemPtr& item, const MacBytes& oldMac, int result)
{
    // Show (and address) the device by the MAC it still answers to, so a
    // second attempt can reach it.
    {
        std::lock_guard lock(list_.mutex());
        item->devItem.setMac(oldMac.data());
        item->oldMac = oldMac;
    }
    list_.notifyChanged(item);
    if (auto* l = listener())
        l->onWriteMacFailed(item, result);
    macChangeEnded(item, {MacChangeOutcome::Failed, result, oldMac});
}

void ProtocolWorker::macChangeEnded(const DeviceItemPtr& item, const MacChangeResult& r)
{
    if (auto* l = listener())
        l->onMacChangeDone(item, r);
}

const char* macChangeOutcomeName(MacChangeOutcome outcome)
{
    switch (outcome) {
    case MacChangeOutcome::Done: return "done";
    case MacChangeOutcome::Failed: return "failed";
    case MacChangeOutcome::NotConfirmed: return "not confirmed";
    }
    return "failed";
}

std::string macChangeResultText(const MacChangeResult& r)
{
    const std::string mac = formatMac(r.answersTo.data());
    switch (r.outcome) {
    case MacChangeOutcome::Done:
        return formatText(translate("aulira::Results", "the device answers to its new MAC address %1"), {mac});
    case MacChangeOutcome::Failed:
        return formatText(translate("aulira::Results", "the MAC address was not changed (%1); the device answers to %2"),
                          {exchangeResultText(r.result), mac});
    case MacChangeOutcome::NotConfirmed:
        return formatText(translate("aulira::Results", "the MAC address %1 was written and applied, but neither the "
                                                       "new nor the old MAC address answers; search for the device"),
                          {mac});
    }
    return {};
}

} // namespace aulira
