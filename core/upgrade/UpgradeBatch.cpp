#include "upgrade/UpgradeBatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include "devices/DeviceList.h"
#include "protocol/Exchange.h"
#include "protocol/StatusPoll.h"
#include "protocol/Timing.h"
#include "upgrade/UpgradeFile.h"

namespace aulira {

namespace {

constexpr int kAttempts = 20;
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
    UpgradingFlag() { g_bUpgrading = true; }
    ~UpgradingFlag() { g_bUpgrading = false; }
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
};

class Batch {
public:
    explicit Batch(const UpgradeBatchInput& in)
        : input(in), listener_(in.listener ? *in.listener : silent_), timing(protocolConfig().timing),
          port_(protocolConfig().devicePort)
    {
    }

    EntryFields fields(const DeviceItemPtr& item) const
    {
        std::unique_lock<std::mutex> lock;
        if (input.list)
            lock = std::unique_lock(input.list->mutex());
        return {item->localIp, item->ip, item->selected, item->unicastOk, upgradeModelText(item->devItem)};
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

    int exchange(UdpSocket& sock, std::uint32_t ip, Packet& request, Packet& reply) const
    {
        reply = Packet();
        return ExchangeOnSocket(sock, ip, port_, request, reply);
    }

    enum class Step { Ok, Failed, NoSocket };

    // Up to 20 attempts; a failed attempt (the last one too) is followed by a
    // pause and a fresh socket, neither bound nor enlarged, which the next
    // attempt uses as it is.
    Step withRenewal(UdpSocket& sock, std::uint32_t ip, Packet& request, Packet& reply, int pauseMs,
                     bool closeBeforePause) const
    {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (exchange(sock, ip, request, reply) == RES_OK)
                return Step::Ok;
            if (closeBeforePause)
                sock.close();
            sleepMs(pauseMs);
            if (!sock.open())
                return Step::NoSocket;
        }
        return Step::Failed;
    }

    void progress(const DeviceItemPtr& item, int percent) { listener_.progress(item, percent); }
    void failure(const DeviceItemPtr& item, const std::string& text) { listener_.failure(item, text); }
    void end() { listener_.batchEnd(); }

    const UpgradeBatchInput& input;
    SilentListener silent_;
    UpgradeListener& listener_;
    const Timing timing; // read once, so a batch keeps the timings it started with
    const std::uint16_t port_;
};

std::string packetFailText(std::size_t k)
{
    char text[48];
    std::snprintf(text, sizeof text, upgrade_text::packetFail, static_cast<int>(k));
    return text;
}

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
    for (const DeviceItemPtr& item : batch.input.m_vecUpgradeDevices) {
        const EntryFields e = batch.fields(item);
        // The socket closes however this entry ends, a skipped one included.
        UdpSocket sock;
        if (!Batch::openPrepared(sock, e.localIp)) {
            batch.failure(item, connectFail);
            return;
        }
        if (!e.selected || e.model != fileModel)
            continue;

        Packet reply;
        Packet typeQuery = Packet::request(CMD_SEARCH, 0, e.unicastOk == 1 ? kPollMark : 0);
        bool answered = false;
        for (int attempt = 0; attempt < kAttempts && !answered; ++attempt) {
            answered = batch.exchange(sock, e.ip, typeQuery, reply) == RES_OK;
            if (!answered)
                sleepMs(t.upgradeTypeRetryMs);
        }
        if (!answered) {
            batch.failure(item, typeFail);
            return;
        }
        // The first word of the reply's payload; bit 31 marks a device already
        // in its boot loader.
        const std::int32_t typeCode = readI32(reply.bytes(), kHeaderSize);
        batch.storeTypeCode(item, typeCode);
        if (typeCode >= 0) {
            Packet enterBoot = Packet::request(CMD_ENTER_BOOT);
            if (batch.exchange(sock, e.ip, enterBoot, reply) != RES_OK) {
                batch.failure(item, enterBootFail);
                continue;
            }
            sock.close();
            sleepMs(t.upgradeBootWaitMs);
            if (!Batch::openPrepared(sock, e.localIp)) {
                batch.failure(item, connectFail);
                return;
            }
        }

        Packet first = Packet::request(CMD_UPGRADE_PACKET, static_cast<std::uint16_t>(upgfile::headerSize), 0,
                                       static_cast<std::uint16_t>(N), 0);
        std::copy(header.begin(), header.end(), first.payloadArea().begin());
        const auto headerStep = batch.withRenewal(sock, e.ip, first, reply, t.upgradeHeaderRetryMs, false);
        if (headerStep == Batch::Step::NoSocket) {
            batch.failure(item, connectFail);
            return;
        }
        if (headerStep == Batch::Step::Failed) {
            batch.failure(item, firstPacketFail);
            continue;
        }
        const std::uint16_t verdict = reply.pollMark();
        if (verdict == 1) {
            batch.failure(item, typeNotMatch);
            continue;
        }
        if (verdict > 1) {
            batch.failure(item, upgradeError);
            continue;
        }

        sleepMs(t.upgradePacketPauseMs);
        std::size_t sent = 0;
        bool failed = false;
        for (std::size_t k = 1; k <= N && !failed; ++k) {
            const std::size_t len = k < N ? upgfile::firmwarePacketSize : lastLen;
            // An odd length gains a zero pad byte when the exchange seals it.
            Packet data = Packet::request(CMD_UPGRADE_PACKET, static_cast<std::uint16_t>(len), 0,
                                          static_cast<std::uint16_t>(N), static_cast<std::uint16_t>(k));
            const auto bytes = image.subspan((k - 1) * upgfile::firmwarePacketSize, len);
            std::copy(bytes.begin(), bytes.end(), data.payloadArea().begin());
            const auto step = batch.withRenewal(sock, e.ip, data, reply, t.upgradePacketRetryMs, false);
            if (step == Batch::Step::NoSocket) {
                batch.failure(item, connectFail);
                return;
            }
            if (step == Batch::Step::Failed) {
                batch.failure(item, packetFailText(k));
                failed = true;
                break;
            }
            sent += len;
            const int percent =
                k == N ? 100 : static_cast<int>(static_cast<std::uint64_t>(sent) * 100 / static_cast<std::uint64_t>(L));
            batch.progress(item, percent);
            sleepMs(t.upgradePacketPauseMs);
        }
    }
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
    for (const DeviceItemPtr& item : batch.input.m_vecUpgradeDevices) {
        const EntryFields e = batch.fields(item);
        UdpSocket sock; // closed however this entry ends
        if (!Batch::openPrepared(sock, e.localIp)) {
            batch.failure(item, connectFail);
            return;
        }
        if (!e.selected)
            continue;

        Packet reply;
        // One step with its retries: true to go on with this entry. A socket
        // that cannot be renewed ends the batch with the step's own text.
        bool endBatch = false;
        auto step = [&](Packet request, const char* failText) {
            const auto r = batch.withRenewal(sock, e.ip, request, reply, t.screenRetryPauseMs, true);
            if (r == Batch::Step::Ok)
                return true;
            batch.failure(item, failText);
            endBatch = r == Batch::Step::NoSocket;
            return false;
        };

        if (!step(Packet::request(CMD_SCREEN_STATUS), screenStatusFail)) {
            if (endBatch)
                return;
            continue;
        }
        // Bit 0 of the first payload byte: the screen still runs its application.
        if (reply.bytes()[kHeaderSize] & 1) {
            batch.failure(item, enterBootMode);
            continue;
        }
        if (!step(Packet::request(CMD_SCREEN_START), startFail)) {
            if (endBatch)
                return;
            continue;
        }

        bool failed = false;
        for (std::size_t b = 0; b < B && !failed; ++b) {
            const std::size_t blockLen = std::min(kScreenBlockSize, L - b * kScreenBlockSize);
            for (std::size_t off = 0; off < blockLen && !failed; off += kScreenPieceSize) {
                const std::size_t n = std::min(kScreenPieceSize, blockLen - off);
                Packet piece = Packet::request(CMD_SCREEN_WRITE_BUFFER, static_cast<std::uint16_t>(n + 4));
                const Bytes p = piece.payloadArea();
                writeU16(p, 0, static_cast<std::uint16_t>(off));
                writeU16(p, 2, static_cast<std::uint16_t>(n));
                const auto bytes = image.subspan(b * kScreenBlockSize + off, n);
                std::copy(bytes.begin(), bytes.end(), p.begin() + 4);
                failed = !step(piece, writeBufferFail);
            }
            if (failed)
                break;
            Packet flash = Packet::request(CMD_SCREEN_WRITE_FLASH, 6);
            writeU32(flash.payloadArea(), 0, static_cast<std::uint32_t>(kScreenFlashBase + b * kScreenBlockSize));
            writeU16(flash.payloadArea(), 4, static_cast<std::uint16_t>(blockLen));
            if (!step(flash, writeFlashFail)) {
                failed = true;
                break;
            }
            batch.progress(item, static_cast<int>((b + 1) * 100 / B));
        }
        if (failed) {
            if (endBatch)
                return;
            continue;
        }
        if (!step(Packet::request(CMD_SCREEN_END), endFail)) {
            if (endBatch)
                return;
            continue;
        }

        // The screen has its firmware once the end is taken; entering the
        // application is reported after the 100 %.
        Packet enterApp = Packet::request(CMD_SCREEN_ENTER_APP);
        const auto r = batch.withRenewal(sock, e.ip, enterApp, reply, t.screenRetryPauseMs, true);
        if (r == Batch::Step::NoSocket) {
            batch.failure(item, enterAppFail);
            return;
        }
        batch.progress(item, 100);
        if (r == Batch::Step::Failed)
            batch.failure(item, enterAppFail);
    }
}

template <typename Run>
void runBatch(const UpgradeBatchInput& input, Run run)
{
    Batch batch(input);
    {
        // A file that cannot be had contacts no device; the batch still ends.
        const auto file = LoadUpgradeFile(input.m_strFilePath);
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
