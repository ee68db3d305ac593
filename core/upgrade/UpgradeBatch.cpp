#include "upgrade/UpgradeBatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <functional>
#include <optional>

#include "devices/DeviceList.h"
#include "protocol/Exchange.h"
#include "protocol/StatusPoll.h"
#include "protocol/Timing.h"
#include "upgrade/UpgradeFile.h"
#include "util/AtATime.h"

namespace aulira {

namespace {

constexpr int kAttempts = 20;
constexpr int kEnterBootAttempts = 3; // a lost reply must not leave the device in its boot loader unnoticed
constexpr std::size_t kScreenBlockSize = 2048;
constexpr std::size_t kScreenPieceSize = 256;
constexpr std::uint32_t kScreenFlashBase = 0x08005000;

void sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Up for the batch's device loop and down on every way out of it, before the
// batch-ended call, so the poller resumes even when a batch stops early.
class UpgradingFlag {
public:
    UpgradingFlag() { upgradeRunning = true; }
    ~UpgradingFlag() { upgradeRunning = false; }
    UpgradingFlag(const UpgradingFlag&) = delete;
    UpgradingFlag& operator=(const UpgradingFlag&) = delete;
};

class SilentListener : public UpgradeListener {
public:
    void progress(const DeviceItemPtr&, int) override {}
    void failure(const DeviceItemPtr&, const std::string&) override {}
    void batchEnd() override {}
};

// What a batch reads of an entry, copied under the list's lock.
struct EntryFields {
    std::string localIp;
    std::uint32_t ip = 0;
    std::uint32_t selected = 0;
    std::uint32_t unicastOk = 0;
    std::string model;
    bool leftInBootLoader = false;
};

class Batch {
public:
    explicit Batch(const UpgradeBatchInput& in)
        : input(in), listener_(in.listener ? *in.listener : silent_), timing(protocolConfig().timing),
          port_(protocolConfig().devicePort),
          parallel(std::clamp(in.parallel, 1, kMaxUpgradeParallel)), retries(std::max(in.retries, 0))
    {
    }

    EntryFields fields(const DeviceItemPtr& item) const
    {
        std::unique_lock<std::mutex> lock;
        if (input.list)
            lock = std::unique_lock(input.list->mutex());
        return {item->localIp, item->ip, item->selected, item->unicastOk, upgradeModelText(item->devItem),
                item->leftInBootLoader};
    }

    void setLeftInBootLoader(const DeviceItemPtr& item, bool left) const
    {
        std::unique_lock<std::mutex> lock;
        if (input.list)
            lock = std::unique_lock(input.list->mutex());
        item->leftInBootLoader = left;
    }

    void storeTypeCode(const DeviceItemPtr& item, std::int32_t typeCode) const
    {
        std::unique_lock<std::mutex> lock;
        if (input.list)
            lock = std::unique_lock(input.list->mutex());
        item->devItem.setTypeCode(typeCode);
    }

    // A socket as each device starts with: the larger receive buffer, bound to
    // the adapter that last reached the device (an unusable address leaves it
    // unbound, as for every exchange).
    static bool openPrepared(UdpSocket& sock, const std::string& localIp)
    {
        if (!sock.open())
            return false;
        sock.setReceiveBuffer(kExchangeSocketRcvBuf);
        sock.bind(localIp, 0);
        return true;
    }

    int exchange(UdpSocket& sock, std::uint32_t ip, Packet& request, Packet& reply, std::uint16_t skipBelow = 0) const
    {
        reply = Packet();
        return ExchangeOnSocket(sock, ip, port_, request, reply, skipBelow);
    }

    enum class Step { Ok, Failed, NoSocket };

    // Up to 20 attempts; a failed attempt (the last one too) is followed by a
    // pause and a fresh socket, neither bound nor enlarged, which the next
    // attempt uses as it is.
    Step withRenewal(UdpSocket& sock, std::uint32_t ip, Packet& request, Packet& reply, int pauseMs,
                     bool closeBeforePause, std::uint16_t skipBelow = 0) const
    {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (exchange(sock, ip, request, reply, skipBelow) == RES_OK)
                return Step::Ok;
            if (closeBeforePause)
                sock.close();
            sleepMs(pauseMs);
            if (!sock.open())
                return Step::NoSocket;
        }
        return Step::Failed;
    }

    // Listener calls, one at a time whichever device thread makes them.
    void progress(const DeviceItemPtr& item, int percent)
    {
        std::lock_guard lock(notify_);
        listener_.progress(item, percent);
    }
    void failure(const DeviceItemPtr& item, const std::string& text)
    {
        std::lock_guard lock(notify_);
        listener_.failure(item, text);
    }
    void deviceStart(const DeviceItemPtr& item)
    {
        std::lock_guard lock(notify_);
        listener_.deviceStart(item);
    }
    void deviceEnd(const DeviceItemPtr& item, bool upgraded)
    {
        std::lock_guard lock(notify_);
        listener_.deviceEnd(item, upgraded);
    }
    void end() { listener_.batchEnd(); }

    const UpgradeBatchInput& input;
    SilentListener silent_;
    UpgradeListener& listener_;
    std::mutex notify_;
    const Timing timing; // read once, so a batch keeps the timings it started with
    const std::uint16_t port_;
    const int parallel;
    const int retries;
};

// How one attempt at one entry ended.
enum class Run {
    Skipped,   // not ticked or another model: nothing was said
    Upgraded,
    Failed,    // reported; the batch goes on
    EndsBatch, // reported; one at a time, the batch stops here
};

// One attempt at an entry. `started` tells whether deviceStart was sent
// already; the attempt sends it once the entry turns out to be taken up.
using Attempt = std::function<Run(const DeviceItemPtr& item, bool& started)>;

// Every listed entry through `attempt`, with the batch's retries and
// concurrency. One at a time the entries go in order and an EndsBatch result
// stops the batch; several at a time it ends only its own device.
void runEntries(Batch& batch, const Attempt& attempt)
{
    const auto& entries = batch.input.devices;
    std::atomic<bool> stop{false};
    runAtATime(entries.size(), batch.parallel, [&](std::size_t i) {
        if (stop)
            return;
        const DeviceItemPtr& item = entries[i];
        bool started = false;
        Run r = attempt(item, started);
        for (int again = 0; again < batch.retries && (r == Run::Failed || r == Run::EndsBatch); ++again) {
            sleepMs(batch.timing.upgradeTypeRetryMs);
            r = attempt(item, started);
        }
        if (started)
            batch.deviceEnd(item, r == Run::Upgraded);
        if (r == Run::EndsBatch && batch.parallel == 1)
            stop = true;
    });
}

std::string packetFailText(std::size_t k)
{
    char text[48];
    std::snprintf(text, sizeof text, upgrade_text::packetFail, static_cast<int>(k));
    return text;
}

// The device type: the first word of a search reply's payload, bit 31 set
// in the boot loader. Nothing when every attempt went unanswered.
std::optional<std::int32_t> askDeviceType(Batch& batch, UdpSocket& sock, const EntryFields& e)
{
    Packet typeQuery = Packet::request(CMD_SEARCH, 0, e.unicastOk == 1 ? kPollMark : 0);
    Packet reply;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (batch.exchange(sock, e.ip, typeQuery, reply) == RES_OK)
            return readI32(reply.bytes(), kHeaderSize);
        sleepMs(batch.timing.upgradeTypeRetryMs);
    }
    return std::nullopt;
}

// Learns, per device, whether its data packet replies echo the packets'
// numbers. Only then may a reply numbered below the packet be passed over as
// a late copy of an earlier one; devices that answer 0, the next number or
// the count are taken at their word.
class EchoLearner {
public:
    std::uint16_t skipBelow(std::size_t k) const
    {
        return echoes_ && echoed_ >= 2 ? static_cast<std::uint16_t>(k) : 0;
    }
    void answered(std::size_t k, std::uint16_t replyNo)
    {
        if (replyNo == k)
            ++echoed_;
        else if (replyNo > k) // no late copy carries a later number: this device does not echo
            echoes_ = false;
    }

private:
    int echoed_ = 0;
    bool echoes_ = true;
};

void runFirmware(Batch& batch, const UpgradeImageFile& file)
{
    using namespace upgrade_text;
    const Timing& t = batch.timing;
    const std::size_t L = file.imageSize();
    const std::size_t N = (L + upgfile::firmwarePacketSize - 1) / upgfile::firmwarePacketSize;
    const std::size_t lastLen = L - (N - 1) * upgfile::firmwarePacketSize;
    const std::string fileModel = file.header().modelText();
    const ConstBytes header = ConstBytes(file.bytes).first(upgfile::headerSize);
    const ConstBytes image = file.image();

    UpgradingFlag upgrading;
    runEntries(batch, [&](const DeviceItemPtr& item, bool& started) {
        const EntryFields e = batch.fields(item);
        // The socket closes however this entry ends, a skipped one included.
        UdpSocket sock;
        if (!Batch::openPrepared(sock, e.localIp)) {
            batch.failure(item, connectFail);
            return Run::EndsBatch;
        }
        if (!e.selected || e.model != fileModel)
            return Run::Skipped;
        if (!started)
            batch.deviceStart(item);
        started = true;

        // Once the device is in its boot loader every failure says so, and the
        // next attempt (a retry, or a batch over the failed devices) goes
        // straight to the header.
        bool inBoot = e.leftInBootLoader;
        auto fail = [&](const std::string& text, Run run) {
            batch.setLeftInBootLoader(item, inBoot);
            batch.failure(item, inBoot ? leftInBootLoaderText(text) : text);
            return run;
        };

        Packet first = Packet::request(CMD_UPGRADE_PACKET, static_cast<std::uint16_t>(upgfile::headerSize), 0,
                                       static_cast<std::uint16_t>(N), 0);
        std::copy(header.begin(), header.end(), first.payloadArea().begin());
        Packet reply;
        bool headerAnswered = false;
        if (!inBoot) {
            auto type = askDeviceType(batch, sock, e);
            if (!type)
                return fail(typeFail, Run::EndsBatch);
            batch.storeTypeCode(item, *type);
            inBoot = *type < 0;
            for (int attempt = 0; !inBoot && attempt < kEnterBootAttempts; ++attempt) {
                Packet enterBoot = Packet::request(CMD_ENTER_BOOT);
                const bool answered = batch.exchange(sock, e.ip, enterBoot, reply) == RES_OK;
                sock.close();
                sleepMs(t.upgradeBootWaitMs);
                if (!Batch::openPrepared(sock, e.localIp)) {
                    inBoot = answered;
                    return fail(connectFail, Run::EndsBatch);
                }
                if (answered) {
                    inBoot = true;
                    break;
                }
                // The device may have switched and its reply got lost: its type tells.
                type = askDeviceType(batch, sock, e);
                if (!type) {
                    batch.failure(item, maybeInBootLoaderText(enterBootFail));
                    return Run::Failed;
                }
                batch.storeTypeCode(item, *type);
                inBoot = *type < 0;
            }
            if (!inBoot) {
                // Every enter-boot reply was lost, and the type has no bit 31:
                // a boot loader that does not mark itself takes (or judges) a
                // header, an application does not.
                headerAnswered = batch.exchange(sock, e.ip, first, reply) == RES_OK && reply.pollMark() <= 1;
                if (!headerAnswered)
                    return fail(enterBootFail, Run::Failed);
                inBoot = true;
            }
        }

        if (!headerAnswered) {
            const auto headerStep = batch.withRenewal(sock, e.ip, first, reply, t.upgradeHeaderRetryMs, false);
            if (headerStep == Batch::Step::NoSocket)
                return fail(connectFail, Run::EndsBatch);
            if (headerStep == Batch::Step::Failed)
                return fail(firstPacketFail, Run::Failed);
        }
        const std::uint16_t verdict = reply.pollMark();
        if (verdict == 1)
            return fail(typeNotMatch, Run::Failed);
        if (verdict > 1)
            return fail(upgradeError, Run::Failed);

        sleepMs(t.upgradePacketPauseMs);
        std::size_t sent = 0;
        EchoLearner echo;
        for (std::size_t k = 1; k <= N; ++k) {
            const std::size_t len = k < N ? upgfile::firmwarePacketSize : lastLen;
            // An odd length gains a zero pad byte when the exchange seals it.
            Packet data = Packet::request(CMD_UPGRADE_PACKET, static_cast<std::uint16_t>(len), 0,
                                          static_cast<std::uint16_t>(N), static_cast<std::uint16_t>(k));
            const auto bytes = image.subspan((k - 1) * upgfile::firmwarePacketSize, len);
            std::copy(bytes.begin(), bytes.end(), data.payloadArea().begin());
            const auto step =
                batch.withRenewal(sock, e.ip, data, reply, t.upgradePacketRetryMs, false, echo.skipBelow(k));
            if (step == Batch::Step::NoSocket)
                return fail(connectFail, Run::EndsBatch);
            if (step == Batch::Step::Failed)
                return fail(packetFailText(k), Run::Failed);
            echo.answered(k, reply.packetNo());
            sent += len;
            const int percent =
                k == N ? 100 : static_cast<int>(static_cast<std::uint64_t>(sent) * 100 / static_cast<std::uint64_t>(L));
            batch.progress(item, percent);
            sleepMs(t.upgradePacketPauseMs);
        }
        batch.setLeftInBootLoader(item, false);
        return Run::Upgraded;
    });
}

void runScreen(Batch& batch, const UpgradeImageFile& file)
{
    using namespace upgrade_text;
    if (file.header().modelText() != kScreenFileModel)
        return;
    const Timing& t = batch.timing;
    const std::size_t L = file.imageSize();
    const std::size_t B = (L + kScreenBlockSize - 1) / kScreenBlockSize;
    const ConstBytes image = file.image();

    UpgradingFlag upgrading;
    runEntries(batch, [&](const DeviceItemPtr& item, bool& started) {
        const EntryFields e = batch.fields(item);
        UdpSocket sock; // closed however this entry ends
        if (!Batch::openPrepared(sock, e.localIp)) {
            batch.failure(item, connectFail);
            return Run::EndsBatch;
        }
        if (!e.selected)
            return Run::Skipped;
        if (!started)
            batch.deviceStart(item);
        started = true;

        Packet reply;
        // One step with its retries. A socket that cannot be renewed ends the
        // batch with the step's own text.
        Run failed = Run::Failed;
        auto step = [&](Packet request, const char* failText) {
            const auto r = batch.withRenewal(sock, e.ip, request, reply, t.screenRetryPauseMs, true);
            if (r == Batch::Step::Ok)
                return true;
            batch.failure(item, failText);
            failed = r == Batch::Step::NoSocket ? Run::EndsBatch : Run::Failed;
            return false;
        };

        if (!step(Packet::request(CMD_SCREEN_STATUS), screenStatusFail))
            return failed;
        // Bit 0 of the first payload byte: the screen still runs its application.
        if (reply.bytes()[kHeaderSize] & 1) {
            batch.failure(item, enterBootMode);
            return Run::Failed;
        }
        if (!step(Packet::request(CMD_SCREEN_START), startFail))
            return failed;

        for (std::size_t b = 0; b < B; ++b) {
            const std::size_t blockLen = std::min(kScreenBlockSize, L - b * kScreenBlockSize);
            for (std::size_t off = 0; off < blockLen; off += kScreenPieceSize) {
                const std::size_t n = std::min(kScreenPieceSize, blockLen - off);
                Packet piece = Packet::request(CMD_SCREEN_WRITE_BUFFER, static_cast<std::uint16_t>(n + 4));
                const Bytes p = piece.payloadArea();
                writeU16(p, 0, static_cast<std::uint16_t>(off));
                writeU16(p, 2, static_cast<std::uint16_t>(n));
                const auto bytes = image.subspan(b * kScreenBlockSize + off, n);
                std::copy(bytes.begin(), bytes.end(), p.begin() + 4);
                if (!step(piece, writeBufferFail))
                    return failed;
            }
            Packet flash = Packet::request(CMD_SCREEN_WRITE_FLASH, 6);
            writeU32(flash.payloadArea(), 0, static_cast<std::uint32_t>(kScreenFlashBase + b * kScreenBlockSize));
            writeU16(flash.payloadArea(), 4, static_cast<std::uint16_t>(blockLen));
            if (!step(flash, writeFlashFail))
                return failed;
            batch.progress(item, static_cast<int>((b + 1) * 100 / B));
        }
        if (!step(Packet::request(CMD_SCREEN_END), endFail))
            return failed;

        // The screen has its firmware once the end is taken; entering the
        // application is reported after the 100 %.
        Packet enterApp = Packet::request(CMD_SCREEN_ENTER_APP);
        const auto r = batch.withRenewal(sock, e.ip, enterApp, reply, t.screenRetryPauseMs, true);
        if (r == Batch::Step::NoSocket) {
            batch.failure(item, enterAppFail);
            return Run::EndsBatch;
        }
        batch.progress(item, 100);
        if (r == Batch::Step::Failed) {
            batch.failure(item, enterAppFail);
            return Run::Failed;
        }
        return Run::Upgraded;
    });
}

template <typename Runner>
void runBatch(const UpgradeBatchInput& input, Runner run)
{
    Batch batch(input);
    {
        // A file that cannot be had contacts no device; the batch still ends.
        const auto file = LoadUpgradeFile(input.file);
        if (file)
            run(batch, *file);
    }
    batch.end();
}

} // namespace

void FirmwareUpgradeThreadProc(const UpgradeBatchInput& input) { runBatch(input, runFirmware); }

void ScreenUpgradeThreadProc(const UpgradeBatchInput& input) { runBatch(input, runScreen); }

UpgradeBatch::~UpgradeBatch() { wait(); }

bool UpgradeBatch::start(Kind kind, UpgradeBatchInput input)
{
    if (running_)
        return false;
    wait();
    running_ = true;
    thread_ = std::thread([this, kind, input = std::move(input)] {
        if (kind == Kind::Firmware)
            FirmwareUpgradeThreadProc(input);
        else
            ScreenUpgradeThreadProc(input);
        running_ = false;
    });
    return true;
}

void UpgradeBatch::wait()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

std::string leftInBootLoaderText(const std::string& failure)
{
    return failure + " (" + upgrade_text::leftInBootLoader + ")";
}

std::string maybeInBootLoaderText(const std::string& failure)
{
    return failure + " (maybe " + upgrade_text::leftInBootLoader + ")";
}

bool saysLeftInBootLoader(const std::string& failure)
{
    return failure.find(upgrade_text::leftInBootLoader) != std::string::npos;
}

std::string upgradeModelText(const DeviceInfo_Type& info)
{
    return readFixedText(info.raw, devinfo::modelText, devinfo::size - devinfo::modelText);
}

bool isScreenUpgradeModel(std::string_view m)
{
    return m == "KS-530" || m == "KS-530A" || m == "KS-530B" || m == "KS-530D";
}

std::vector<DeviceItemPtr> firmwareBatchDevices(const DeviceList& list)
{
    auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    std::erase_if(items, [](const DeviceItemPtr& i) { return !isOnlineState(i->state); });
    return items;
}

std::vector<DeviceItemPtr> screenBatchDevices(const DeviceList& list)
{
    auto items = list.snapshot();
    std::lock_guard lock(list.mutex());
    std::erase_if(items, [](const DeviceItemPtr& i) {
        return !isOnlineState(i->state) || !isScreenUpgradeModel(upgradeModelText(i->devItem));
    });
    return items;
}

void tickUpgradeRows(DeviceList& list, const std::vector<DeviceItemPtr>& rows, const std::vector<DeviceItemPtr>& ticked)
{
    std::lock_guard lock(list.mutex());
    for (const auto& row : rows)
        row->selected = std::find(ticked.begin(), ticked.end(), row) != ticked.end() ? 1 : 0;
}

} // namespace aulira
