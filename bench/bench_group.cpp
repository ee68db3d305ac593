// Group download to a large site: the download through the worker against the
// same exchanges done bare (read, write and apply per device with
// ExchangeUnicast), measured in one run.
#include <atomic>
#include <mutex>

#include "BenchGroups.h"
#include "BenchUtil.h"
#include "devices/DeviceList.h"
#include "grouping/GroupDownload.h"
#include "protocol/Exchange.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "util/Bytes.h"

namespace aulira::bench {

namespace {

// Every device found by a search: an online entry reached from loopback.
Packet searchReplyOf(const DeviceInfo_Type& info)
{
    Packet p = Packet::request(CMD_SEARCH | 0x8000, devinfo::size);
    std::copy(info.raw.begin(), info.raw.end(), p.payloadArea().begin());
    p.received = p.seal(kBroadcastTarget);
    return p;
}

} // namespace

void benchGroupDownload()
{
    constexpr int kDevices = 500;
    const auto cfg = sim::generated(kDevices);
    auto site = startSite(cfg, 0);

    // The floor: read, write and apply each device with the bare exchange routine.
    int floorFailures = 0;
    const auto f0 = Clock::now();
    for (const auto& d : cfg.devices) {
        Packet read = Packet::request(CMD_READ_SYS_PARA, 6), reply;
        std::copy(d.mac.begin(), d.mac.end(), read.payloadArea().begin());
        if (ExchangeUnicast("127.0.0.1", d.ip, read, reply, 1) != RES_OK) {
            ++floorFailures;
            continue;
        }
        const ConstBytes record = reply.payload();
        Packet write = Packet::request(CMD_WRITE_SYS_PARA, static_cast<std::uint16_t>(record.size()));
        std::copy(record.begin(), record.end(), write.payloadArea().begin());
        Packet apply = Packet::request(CMD_APPLY_SYS_PARA, 6);
        std::copy(d.mac.begin(), d.mac.end(), apply.payloadArea().begin());
        if (ExchangeUnicast("127.0.0.1", d.ip, write, reply, 1) != RES_OK ||
            ExchangeUnicast("127.0.0.1", d.ip, apply, reply, 0) != RES_OK)
            ++floorFailures;
    }
    const double floorMs = ms(Clock::now() - f0);

    DeviceList list;
    for (const auto& d : cfg.devices) {
        const Packet p = searchReplyOf(site->device(d.ip)->info);
        list.mergeSearchReply("127.0.0.1", p.bytes().first(p.received));
    }
    struct Progress : WorkerListener {
        std::atomic<int> last{0};
        void onGroupProgress(int percent) override { last = percent; }
    } progress;
    std::atomic<int> failedLines{0};
    LogSubscription countFailures([&failedLines](const std::string& line) {
        if (line.find("completed") == std::string::npos)
            ++failedLines;
    });
    ProtocolWorker worker(list, &progress);
    GroupDownloadSummary summary;
    const GroupList groups = benchGroups(cfg);
    const auto d0 = Clock::now();
    postDownloadGrouping(worker, list, groups, [&summary](const GroupDownloadSummary& s) { summary = s; });
    worker.waitIdle();
    const double downloadMs = ms(Clock::now() - d0);

    std::printf("group: download to %d devices %.0f ms (%d of %d completed, progress ended at %d, %d failure lines); "
                "%d x (read + write + apply) bare exchanges %.0f ms (%d failed); ratio %.3f (target < 1.10)\n",
                kDevices, downloadMs, summary.completed, summary.online, progress.last.load(), failedLines.load(),
                kDevices, floorMs, floorFailures, downloadMs / floorMs);
}

} // namespace aulira::bench
