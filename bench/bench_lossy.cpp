// The work finished on a lossy network: eight devices that lose a fifth of
// the requests they are sent and answer everything twice, given a parameter
// write each, a group download and a firmware upgrade. Not timed: it prints
// how much was done, how much was reported done without being done (silent)
// and how much was reported failed although done (false failures), each
// checked against what the simulated devices hold. Every device is of the
// image's model, so none is passed over. Each failure reported on the way
// goes to stderr with its device. One run is 24 operations, so one or two
// failures at the retry bound swing its figure by 4 % each: the line runs
// five patterns of losses (seeds 1 to 5) and prints each and the sum;
// AUCT_BENCH_LOSS_SEED runs one given pattern instead.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "BenchGroups.h"
#include "BenchUtil.h"
#include "devices/DeviceList.h"
#include "grouping/GroupDownload.h"
#include "protocol/ProtocolWorker.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeFile.h"
#include "util/Bytes.h"
#include "util/Ipv4.h"

namespace aulira::bench {

namespace {

constexpr int kDevices = 8;
constexpr const char* kImageModel = "KP-4410";

struct Tally {
    int done = 0, total = 0, silent = 0, falseFailures = 0, unknown = 0;

    void addUp(const Tally& t)
    {
        done += t.done;
        total += t.total;
        silent += t.silent;
        falseFailures += t.falseFailures;
        unknown += t.unknown;
    }

    // reported: done / failed / not known; held: what the device now holds.
    void add(int reportedResult, bool held)
    {
        ++total;
        if (reportedResult == RES_OK) {
            done += held;
            silent += !held;
        } else if (reportedResult == RES_NOT_CONFIRMED) {
            ++unknown;
        } else {
            falseFailures += held;
        }
    }
};

std::filesystem::path imageFile()
{
    std::vector<std::uint8_t> bytes(128 + 24 * 1024);
    for (std::size_t i = 128; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    writeFixedText(bytes, 0, 16, upgfile::magicText);
    writeFixedText(bytes, 32, 16, "V9.1.0");
    writeFixedText(bytes, 80, 48, kImageModel);
    const auto p = std::filesystem::temp_directory_path() / "auct-bench-lossy.bin";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
}

class Recorder : public WorkerListener, public UpgradeListener {
public:
    void onWriteParaDone(const DeviceItemPtr& item, int result) override
    {
        std::lock_guard lock(m);
        written[item.get()] = result;
    }
    void progress(const DeviceItemPtr&, int) override {}
    void failure(const DeviceItemPtr& item, const std::string& text) override
    {
        std::lock_guard lock(m);
        std::fprintf(stderr, "lossy: firmware %s: %s\n", formatIp(item->ip).c_str(), text.c_str());
    }
    void batchEnd() override {}
    void deviceEnd(const DeviceItemPtr& item, bool upgraded) override
    {
        std::lock_guard lock(m);
        this->upgraded[item.get()] = upgraded;
    }
    std::mutex m;
    std::map<const void*, int> written;
    std::map<const void*, bool> upgraded;
};

// One pattern of losses: prints its line and returns the sum of its operations.
Tally lossyRun(unsigned long long seed)
{
    auto cfg = sim::generated(kDevices);
    for (auto& d : cfg.devices) {
        d.faults.dropRate = 0.2;
        d.faults.duplicateReplies = 1;
        d.modelText = kImageModel; // every device takes the image, none is passed over as another model
    }
    cfg.options.seed = seed;
    auto site = startSite(cfg, 0);
    protocolConfig().retries = kDefaultRetries;

    DeviceList list;
    for (const auto& d : cfg.devices) {
        const auto info = site->device(d.ip)->info;
        Packet p = Packet::request(CMD_SEARCH | 0x8000, devinfo::size);
        std::copy(info.raw.begin(), info.raw.end(), p.payloadArea().begin());
        p.received = p.seal(kBroadcastTarget);
        list.mergeSearchReply("127.0.0.1", p.bytes().first(p.received));
    }
    const auto items = list.snapshot();
    Recorder rec;
    ProtocolWorker worker(list, &rec);
    worker.setConfirmWrites(true);

    // params set: a new name on every device.
    Tally params;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        worker.postReadPara(item);
        worker.waitIdle();
        const std::string name = "Lossy " + std::to_string(i);
        {
            std::lock_guard lock(list.mutex());
            if (!item->sysPara) { // never read: counts as a failure the device did not take
                std::fprintf(stderr, "lossy: params set %s: never read\n", formatIp(cfg.devices[i].ip).c_str());
                params.add(RES_NO_RECORD, false);
                continue;
            }
            writeFixedText(*item->sysPara, sysParaLayout(item->paraExt != 0).devName, kSysParaTextWidth, name);
        }
        worker.postWritePara(item);
        worker.waitIdle();
        const auto held = site->device(cfg.devices[i].ip)->info.devName();
        std::lock_guard lock(rec.m);
        if (rec.written[item.get()] != RES_OK)
            std::fprintf(stderr, "lossy: params set %s: result %d\n", formatIp(cfg.devices[i].ip).c_str(),
                         rec.written[item.get()]);
        params.add(rec.written[item.get()], held == name);
    }

    // The group download: every device's group bytes.
    Tally group;
    const GroupList groups = benchGroups(cfg);
    GroupDownloadSummary summary;
    postDownloadGrouping(
        worker, list, groups, [&summary](const GroupDownloadSummary& s) { summary = s; },
        GroupDownloadOptions{.parallel = 1, .confirm = true});
    worker.waitIdle();
    for (const auto& d : cfg.devices) {
        const auto snap = site->device(d.ip).value();
        const auto wanted = groupNumbersOfDevice(groups, d.ip);
        bool held = true;
        for (std::size_t k = 0; k < 8; ++k)
            held = held && snap.info.groupNo(static_cast<int>(k)) == (k < wanted.size() ? wanted[k] : 0);
        int reported = RES_OK;
        for (const auto& f : summary.failures)
            if (f.device == formatIp(d.ip)) {
                std::fprintf(stderr, "lossy: group download %s: %s\n", f.device.c_str(), f.text.c_str());
                reported = f.text == std::string(kNotConfirmedText) ? RES_NOT_CONFIRMED : RES_NOT_TAKEN;
            }
        group.add(reported, held);
    }

    // A firmware upgrade of all eight, four at a time, with the batch's retries.
    Tally firmware;
    const auto path = imageFile();
    UpgradeBatchInput input{path, {}, &rec, &list};
    for (const auto& item : items) {
        std::lock_guard lock(list.mutex());
        item->selected = 1;
        input.devices.push_back(item);
    }
    input.parallel = 4;
    input.retries = kDefaultRetries;
    FirmwareUpgradeThreadProc(input);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto snap = site->device(cfg.devices[i].ip).value();
        std::lock_guard lock(rec.m);
        const auto it = rec.upgraded.find(items[i].get());
        const bool reportedDone = it != rec.upgraded.end() && it->second;
        firmware.add(reportedDone ? RES_OK : RES_NOT_TAKEN, snap.upgradesInstalled > 0);
    }
    std::filesystem::remove(path);

    Tally all;
    for (const Tally* t : {&params, &group, &firmware})
        all.addUp(*t);
    std::printf("lossy: seed %llu: params set %d/%d, group download %d/%d, firmware %d/%d; %d of %d done, "
                "%d silent, %d false failures, %d not known\n",
                seed, params.done, params.total, group.done, group.total, firmware.done, firmware.total, all.done,
                all.total, all.silent, all.falseFailures, all.unknown);
    return all;
}

} // namespace

void benchLossyNetwork()
{
    std::vector<unsigned long long> seeds{1, 2, 3, 4, 5};
    if (const char* seedText = std::getenv("AUCT_BENCH_LOSS_SEED"); seedText && *seedText)
        seeds = {std::strtoull(seedText, nullptr, 10)};
    Tally all;
    for (const auto seed : seeds)
        all.addUp(lossyRun(seed));
    std::printf("lossy: %d devices, 20 %% of requests lost, every reply twice, %zu patterns of losses: %d of %d "
                "operations done (%.1f %%, target 95 %%); %d silent, %d false failures (target 0 each); %d not known\n",
                kDevices, seeds.size(), all.done, all.total, all.total ? 100.0 * all.done / all.total : 0.0, all.silent,
                all.falseFailures, all.unknown);
}

} // namespace aulira::bench
