#include "protocol/ProtocolWorker.h"

#include <algorithm>
#include <cstring>

#include "devices/DeviceList.h"
#include "params/ParaBackups.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

using Mac = std::array<std::uint8_t, 6>;

static_assert(kLayout436.mac == kLayout392.mac, "the MAC field sits at one offset in both layouts");

Mac macOf(const DeviceInfo_Type& info)
{
    Mac m;
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

void ProtocolWorker::prepareRequest(std::uint16_t command, ConstBytes payload)
{
    request_ = Packet::request(command, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), request_.payloadArea().begin());
}

int ProtocolWorker::exchange(const Target& t, int waitReply)
{
    return t.unicast ? ExchangeUnicast(t.localIp, t.ip, request_, reply_, waitReply)
                     : ExchangeBroadcast(t.localIp, t.ip, request_, reply_, waitReply);
}

void ProtocolWorker::readPara(const DeviceItemPtr& item)
{
    Target target;
    Mac mac;
    {
        std::lock_guard lock(list_.mutex());
        target = {item->localIp, item->ip, item->unicastOk == 1};
        mac = macOf(item->devItem);
    }
    prepareRequest(CMD_READ_SYS_PARA, mac);
    int result = exchange(target, 1);
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
        // Every front end needs the layout right after a read; decide it once here.
        item->bParaExt = got->bParaExt;
    }
    if (auto* l = listener())
        l->onReadParaDone(item, result);
}

void ProtocolWorker::writePara(const DeviceItemPtr& item)
{
    Target target;
    Mac mac;
    SysParaBuffer record;
    bool ext = true;
    bool haveRecord = false;
    {
        std::lock_guard lock(list_.mutex());
        target = {item->localIp, item->ip, item->unicastOk == 1};
        mac = macOf(item->devItem);
        if (item->sysPara) {
            record = *item->sysPara;
            ext = item->bParaExt != 0;
            haveRecord = true;
        }
    }
    if (!haveRecord) {
        if (auto* l = listener())
            l->onWriteParaDone(item, RES_NO_RECORD);
        return;
    }

    const SysParaLayout& layout = sysParaLayout(ext);
    prepareRequest(CMD_WRITE_SYS_PARA, ConstBytes(record).first(layout.size));
    int result = exchange(target, 1);
    if (result == RES_OK) {
        prepareRequest(CMD_APPLY_SYS_PARA, mac);
        result = exchange(target, 0);
    } else {
        OutputLog("set system para error!");
    }
    if (result == RES_OK) {
        const ConstBytes written(record);
        {
            std::lock_guard lock(list_.mutex());
            takeWrittenIdentity(*item, written, ext);
            target.ip = item->ip;
        }
        list_.identityChanged(item);
        if (confirm_.load())
            result = confirmWritten(item, {target.localIp, target.ip, target.unicast, mac}, written, ext);
    }
    if (auto* l = listener())
        l->onWriteParaDone(item, result);
}

void ProtocolWorker::writeMac(const DeviceItemPtr& item)
{
    // A MAC change always goes by unicast, whatever the poll found out.
    Target target;
    Mac oldMac, newMac;
    {
        std::lock_guard lock(list_.mutex());
        target = {item->localIp, item->ip, true};
        oldMac = item->oldMac;
        newMac = macOf(item->devItem);
    }

    prepareRequest(CMD_READ_SYS_PARA, oldMac);
    int result = exchange(target, 1);
    if (result != RES_OK)
        return macChangeFailed(item, oldMac, result);

    const std::optional<SysParaReply> got = takeSysParaReply(reply_.payload());
    if (!got)
        return macChangeFailed(item, oldMac, RES_SHORT_RECORD);
    std::filesystem::path backupDir;
    {
        std::lock_guard lock(backupMutex_);
        backupDir = backupDir_;
    }
    if (!backupDir.empty()) {
        std::string error;
        if (backupRecord(backupDir, got->record, &error).empty()) {
            OutputLog("The parameters could not be backed up before the MAC change: %s", error.c_str());
            return macChangeFailed(item, oldMac, RES_NO_BACKUP);
        }
    }
    SysParaBuffer record;
    bool ext;
    {
        std::lock_guard lock(list_.mutex());
        if (!item->sysPara)
            item->sysPara = std::make_unique<SysParaBuffer>();
        // Over the existing buffer, not clearing it: behind a short record it
        // keeps what it held, and the short layout's write sends six of those bytes.
        const std::size_t n = std::min(reply_.payload().size(), kSysParaBufferSize);
        std::copy_n(got->record.begin(), n, item->sysPara->begin());
        // The layout of the record just read decides the write; a device never
        // opened before still carries the default long-layout flag.
        item->bParaExt = got->bParaExt;
        std::copy(newMac.begin(), newMac.end(), item->sysPara->begin() + static_cast<std::ptrdiff_t>(kLayout436.mac));
        record = *item->sysPara;
        ext = item->bParaExt != 0;
    }

    const SysParaLayout& layout = sysParaLayout(ext);
    std::array<std::uint8_t, kSysParaBufferSize + kSysParaMacChangeExtra> payload{};
    std::copy_n(record.begin(), layout.size, payload.begin());
    std::copy(oldMac.begin(), oldMac.end(), payload.begin() + static_cast<std::ptrdiff_t>(layout.size));
    // Six more bytes: what the buffer holds behind the old MAC's place in the
    // short layout; the long record has nothing there, so zeros.
    if (!ext)
        std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(layout.size + 6), 6,
                    payload.begin() + static_cast<std::ptrdiff_t>(layout.size + 6));
    prepareRequest(CMD_WRITE_SYS_PARA, ConstBytes(payload).first(layout.size + kSysParaMacChangeExtra));
    result = exchange(target, 1);
    if (result != RES_OK) {
        OutputLog("set system para error!");
        return macChangeFailed(item, oldMac, result);
    }

    prepareRequest(CMD_APPLY_SYS_PARA, oldMac);
    result = exchange(target, 0);
    if (result != RES_OK)
        return macChangeFailed(item, oldMac, result);

    const ConstBytes written(record);
    {
        std::lock_guard lock(list_.mutex());
        item->devItem.setDevNo(readI32(written, layout.devNo));
        item->devItem.setIp(readIp(written, layout.ip));
        item->ip = item->devItem.ip();
        item->oldMac = macOf(item->devItem);
        target.ip = item->ip;
    }
    list_.identityChanged(item);
    result = RES_OK;
    // The device answers to its new MAC once it has taken the record in.
    if (confirm_.load())
        result = confirmWritten(item, {target.localIp, target.ip, true, newMac}, written, ext);
    if (auto* l = listener())
        l->onWriteParaDone(item, result);
}

int ProtocolWorker::confirmWritten(const DeviceItemPtr& item, const ConfirmTarget& target, ConstBytes written,
                                   bool ext)
{
    const int result = ConfirmSysPara(target, written, ext);
    if (result != RES_OK) {
        std::string tag;
        {
            std::lock_guard lock(list_.mutex());
            tag = deviceTag(ansiToUtf8(item->devItem.devName()), item->ip);
        }
        OutputLog("%s written but not confirmed", tag.c_str());
    }
    return result;
}

void ProtocolWorker::macChangeFailed(const DeviceItemPtr& item, const Mac& oldMac, int result)
{
    // Show (and address) the device by the MAC it still answers to, so a
    // second attempt can reach it.
    {
        std::lock_guard lock(list_.mutex());
        item->devItem.setMac(oldMac.data());
    }
    list_.notifyChanged(item);
    if (auto* l = listener())
        l->onWriteMacFailed(item, result);
}

} // namespace aulira
