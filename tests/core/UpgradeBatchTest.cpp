#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "devices/DeviceList.h"
#include "protocol/StatusPoll.h"
#include "support/SimFixture.h"
#include "support/UpgradeFiles.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeFile.h"
#include "upgrade/UpgradeVerify.h"
#include "util/Ipv4.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Clock = std::chrono::steady_clock;

struct Event {
    std::string what; // "progress", "failure", "end"
    std::uint32_t ip = 0;
    int percent = -1;
    std::string text;
    bool upgrading = false; // upgradeRunning when the call came
};

// Records every call; onProgress lets a test act at a point of the batch.
class Recorder : public UpgradeListener {
public:
    void progress(const DeviceItemPtr& item, int percent) override
    {
        Inside in(*this);
        add({"progress", item->ip, percent, {}, upgradeRunning});
        if (onProgress)
            onProgress(item, percent);
    }
    void failure(const DeviceItemPtr& item, const std::string& text) override
    {
        Inside in(*this);
        add({"failure", item ? item->ip : 0, -1, text, upgradeRunning});
    }
    void batchEnd() override { add({"end", 0, -1, {}, upgradeRunning}); }
    // Kept apart from the events, which stay what the batch reports as written.
    void deviceStart(const DeviceItemPtr& item) override
    {
        Inside in(*this);
        std::lock_guard lock(m_);
        outcomes_.insert(formatIp(item->ip) + " start");
    }
    void deviceEnd(const DeviceItemPtr& item, bool upgraded) override
    {
        Inside in(*this);
        std::lock_guard lock(m_);
        outcomes_.insert(formatIp(item->ip) + (upgraded ? " upgraded" : " failed"));
    }
    // "ip start" and "ip upgraded|failed" of the device calls.
    std::multiset<std::string> outcomes() const
    {
        std::lock_guard lock(m_);
        return outcomes_;
    }
    std::atomic<bool> overlapped{false}; // two listener calls were ever under way at once

    std::vector<Event> events() const
    {
        std::lock_guard lock(m_);
        return events_;
    }
    std::vector<int> percents(std::uint32_t ip) const
    {
        std::vector<int> v;
        for (const auto& e : events())
            if (e.what == "progress" && e.ip == ip)
                v.push_back(e.percent);
        return v;
    }
    std::vector<std::string> failures() const // "ip text"
    {
        std::vector<std::string> v;
        for (const auto& e : events())
            if (e.what == "failure")
                v.push_back(formatIp(e.ip) + " " + e.text);
        return v;
    }

    void clear()
    {
        std::lock_guard lock(m_);
        events_.clear();
    }

    std::function<void(const DeviceItemPtr&, int)> onProgress;

private:
    struct Inside {
        Recorder& r;
        explicit Inside(Recorder& rec) : r(rec)
        {
            if (++r.inside_ > 1)
                r.overlapped = true;
            std::this_thread::yield();
        }
        ~Inside() { --r.inside_; }
    };
    std::atomic<int> inside_{0};
    void add(Event e)
    {
        std::lock_guard lock(m_);
        events_.push_back(std::move(e));
    }
    mutable std::mutex m_;
    std::vector<Event> events_;
    std::multiset<std::string> outcomes_;
};

// Open descriptors of this process where the system lists them (Linux);
// elsewhere 0, which leaves the leak check without effect.
std::size_t openFdCount()
{
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return handles;
#else
    std::error_code ec;
    std::size_t n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec))
        ++n;
    return n;
#endif
}

class UpgradeBatchTest : public SimFixture {
protected:
    void SetUp() override { useFastUpgradeTiming(); }
    void TearDown() override { upgradeRunning = false; }

    sim::DeviceConfig terminal(const char* addr, int n, const char* model = "KP-4410")
    {
        auto d = simDevice(addr, n, static_cast<std::uint32_t>(n));
        d.modelText = model;
        d.typeCode = 5;
        return d;
    }
    sim::DeviceConfig station(const char* addr, int n, bool bootMode = true)
    {
        auto d = simDevice(addr, n, static_cast<std::uint32_t>(n));
        d.modelText = "KS-530A";
        d.screenBootMode = bootMode;
        return d;
    }

    // The entry a batch dialog row holds for a device as discovery found it.
    DeviceItemPtr entry(const sim::DeviceConfig& d, bool ticked = true)
    {
        auto item = foundEntry(d);
        item->state = STATE_FOUND;
        item->selected = ticked ? 1 : 0;
        return item;
    }

    std::filesystem::path file(const std::vector<std::uint8_t>& image, const char* model = "KP-4410")
    {
        return writeUpgradeFile(dir.path() / ("f" + std::to_string(++files_) + ".bin"), upgradeHeader(model), image);
    }

    void run(UpgradeBatch::Kind kind, const std::filesystem::path& path, std::vector<DeviceItemPtr> rows,
             int parallel = 1, int retries = 0)
    {
        UpgradeBatch batch;
        UpgradeBatchInput input{path, std::move(rows), &rec, nullptr};
        input.parallel = parallel;
        input.retries = retries;
        ASSERT_TRUE(batch.start(kind, std::move(input)));
        batch.wait();
        EXPECT_FALSE(batch.running());
        const auto ev = rec.events();
        ASSERT_FALSE(ev.empty());
        EXPECT_EQ("end", ev.back().what) << "every batch ends with the batch-ended call";
        EXPECT_FALSE(ev.back().upgrading) << "the flag is down before the batch-ended call";
        EXPECT_FALSE(upgradeRunning);
    }

    std::vector<sim::TrafficEntry> sent(const sim::DeviceConfig& d, std::uint16_t command)
    {
        return SimFixture::sent(command, d.ip);
    }

    Recorder rec;
    TempDir dir;
    int files_ = 0;
};

} // namespace

// --- device firmware -------------------------------------------------------

TEST_F(UpgradeBatchTest, OneImageByteTravelsPaddedInOnePacket)
{
    auto dev = terminal("127.0.0.61", 61);
    startSite({dev});
    const auto image = pattern(1, 7);
    const auto path = file(image);
    auto item = entry(dev);
    run(UpgradeBatch::Kind::Firmware, path, {item});

    EXPECT_EQ(std::vector<int>{100}, rec.percents(dev.ip));
    EXPECT_TRUE(rec.failures().empty());
    for (const auto& e : rec.events()) {
        if (e.what == "progress") {
            EXPECT_TRUE(e.upgrading) << "the poller keeps off while devices are upgraded";
        }
    }

    const auto traffic = site->traffic(dev.ip);
    ASSERT_EQ(4u, traffic.size());
    EXPECT_EQ(CMD_SEARCH, traffic[0].command);
    EXPECT_EQ(0, traffic[0].pollMark) << "the entry never answered a unicast poll";
    EXPECT_EQ(CMD_ENTER_BOOT, traffic[1].command);
    const auto& head = traffic[2];
    const auto& data = traffic[3];
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_UPGRADE_PACKET, 1, 0}),
              (std::vector<std::uint16_t>{head.command, head.packetCount, head.packetNo}));
    EXPECT_EQ(upgradeHeader("KP-4410"), head.payload) << "the header goes out byte for byte";
    EXPECT_EQ((std::vector<std::uint16_t>{1, 1}), (std::vector<std::uint16_t>{data.packetCount, data.packetNo}));
    EXPECT_EQ((std::vector<std::uint8_t>{image[0], 0}), data.payload) << "one image byte, one pad byte";
    EXPECT_NE(traffic[0].fromPort, head.fromPort) << "a fresh socket after the boot loader started";

    EXPECT_EQ(5, item->devItem.typeCode()) << "the type code of the reply is kept in the entry";
    EXPECT_EQ("V2.3.0", site->device(dev.ip)->info.firmwareVersion());
}

TEST_F(UpgradeBatchTest, PacketsOfAnImageAndTheProgressTheyReport)
{
    auto a = terminal("127.0.0.62", 62), b = terminal("127.0.0.63", 63);
    startSite({a, b});
    const auto image = pattern(3000, 1);
    auto first = entry(a), second = entry(b);
    second->unicastOk = 1;
    run(UpgradeBatch::Kind::Firmware, file(image), {first, second});

    for (const auto* d : {&a, &b}) {
        EXPECT_EQ((std::vector<int>{34, 68, 100}), rec.percents(d->ip));
        const auto packets = sent(*d, CMD_UPGRADE_PACKET);
        ASSERT_EQ(4u, packets.size());
        std::vector<int> lengths;
        for (const auto& p : packets) {
            EXPECT_EQ(3, p.packetCount);
            lengths.push_back(p.length);
        }
        EXPECT_EQ((std::vector<int>{128, 1024, 1024, 952}), lengths);
        EXPECT_EQ(image, site->device(d->ip)->firmwareImage);
    }
    EXPECT_EQ(0, sent(a, CMD_SEARCH)[0].pollMark);
    EXPECT_EQ(kPollMark, sent(b, CMD_SEARCH)[0].pollMark) << "a unicast-reachable device is asked with the poll mark";

    // A whole number of packets ends with a full one.
    rec.clear();
    site->clearTraffic();
    run(UpgradeBatch::Kind::Firmware, file(pattern(2048, 2)), {entry(a)});
    const auto packets = sent(a, CMD_UPGRADE_PACKET);
    ASSERT_EQ(3u, packets.size());
    EXPECT_EQ(2, packets[2].packetNo);
    EXPECT_EQ(1024, packets[2].length);
    EXPECT_EQ((std::vector<int>{50, 100}), rec.percents(a.ip));
}

TEST_F(UpgradeBatchTest, DeviceInItsBootLoaderAndDevicesOfAnotherModel)
{
    auto stuck = terminal("127.0.0.64", 64);
    stuck.typeCode = static_cast<std::int32_t>(0x80000005u);
    auto otherCase = terminal("127.0.0.65", 65, "kp-4410");
    auto longer = terminal("127.0.0.66", 66, "KP-4410A");
    startSite({stuck, otherCase, longer});
    auto item = entry(stuck);
    run(UpgradeBatch::Kind::Firmware, file(pattern(10, 3)), {item, entry(otherCase), entry(longer)});

    EXPECT_TRUE(sent(stuck, CMD_ENTER_BOOT).empty()) << "bit 31: already in the boot loader";
    const auto traffic = site->traffic(stuck.ip);
    ASSERT_EQ(3u, traffic.size());
    EXPECT_EQ(traffic[0].fromPort, traffic[1].fromPort) << "the header goes out on the first socket";
    EXPECT_EQ(static_cast<std::int32_t>(0x80000005u), item->devItem.typeCode());
    EXPECT_EQ((std::vector<int>{100}), rec.percents(stuck.ip));

    // Another model, by case or by a trailing character: not a word, not a datagram.
    EXPECT_TRUE(site->traffic(otherCase.ip).empty());
    EXPECT_TRUE(site->traffic(longer.ip).empty());
    EXPECT_EQ(2u, rec.events().size()) << "one progress and the end";
}

TEST_F(UpgradeBatchTest, RefusedAndFailedStepsMoveOnToTheNextDevice)
{
    auto mismatch = terminal("127.0.0.67", 67), broken = terminal("127.0.0.68", 68),
         noBoot = terminal("127.0.0.69", 69), deaf = terminal("127.0.0.70", 70), lost = terminal("127.0.0.75", 75),
         good = terminal("127.0.0.71", 71);
    mismatch.faults.headerVerdict = 1;
    broken.faults.headerVerdict = 9;
    noBoot.faults.silentCommands = {CMD_ENTER_BOOT};
    deaf.faults.bootUnreachableMs = 60000;
    startSite({mismatch, broken, noBoot, deaf, lost, good});
    // From its second data packet on, `lost` hears nothing.
    rec.onProgress = [&](const DeviceItemPtr& item, int) {
        if (item->ip == lost.ip) {
            fault(lost.ip, [](auto& f) { f.dropRate = 1.0; });
        }
    };
    run(UpgradeBatch::Kind::Firmware, file(pattern(1500, 5)),
        {entry(mismatch), entry(broken), entry(noBoot), entry(deaf), entry(lost), entry(good)});

    // Refused or failed in the boot loader, each says where it was left.
    const std::string left = " (left in the boot loader: run the upgrade again)";
    EXPECT_EQ((std::vector<std::string>{"127.0.0.67 device type not match!" + left, "127.0.0.68 upgrade error!" + left,
                                        "127.0.0.69 Enter boot fail!", "127.0.0.70 first packet fail!" + left,
                                        "127.0.0.75 2 packet fail!" + left}),
              rec.failures());
    EXPECT_EQ(1u, sent(mismatch, CMD_UPGRADE_PACKET).size()) << "no data after a refused header";
    EXPECT_EQ(1u, sent(broken, CMD_UPGRADE_PACKET).size());
    EXPECT_EQ(3u, sent(noBoot, CMD_ENTER_BOOT).size()) << "three enter-boot requests, its type asked after each";
    EXPECT_EQ(4u, sent(noBoot, CMD_SEARCH).size());
    EXPECT_EQ(1u, sent(noBoot, CMD_UPGRADE_PACKET).size())
        << "one header tells a silent boot loader from an application";
    EXPECT_EQ(std::vector<int>{68}, rec.percents(lost.ip));
    EXPECT_EQ((std::vector<int>{68, 100}), rec.percents(good.ip));
    EXPECT_EQ(1, site->device(good.ip)->upgradesInstalled);
}

TEST_F(UpgradeBatchTest, DeviceThatNeverTellsItsTypeEndsTheBatch)
{
    auto silent = terminal("127.0.0.72", 72), next = terminal("127.0.0.73", 73);
    silent.faults.silentCommands = {CMD_SEARCH};
    startSite({silent, next});
    run(UpgradeBatch::Kind::Firmware, file(pattern(100, 5)), {entry(silent), entry(next)});

    EXPECT_EQ(20u, sent(silent, CMD_SEARCH).size());
    EXPECT_EQ(std::vector<std::string>{"127.0.0.72 get device type fail!"}, rec.failures());
    EXPECT_TRUE(site->traffic(next.ip).empty()) << "no further device is tried";
    EXPECT_EQ(2u, rec.events().size());
}

TEST_F(UpgradeBatchTest, LostPacketsAreSentAgainOnAFreshSocket)
{
    auto lossy = terminal("127.0.0.74", 74);
    lossy.typeCode = static_cast<std::int32_t>(0x80000001u); // no single-attempt boot request to lose
    lossy.faults.dropRate = 0.25;
    lossy.faults.replyDropRate = 0.15;
    startSite({lossy}, sim::SiteOptions{.seed = 7});
    const auto image = pattern(5000, 11);
    run(UpgradeBatch::Kind::Firmware, file(image), {entry(lossy)});

    EXPECT_TRUE(rec.failures().empty());
    EXPECT_EQ((std::vector<int>{20, 40, 61, 81, 100}), rec.percents(lossy.ip)) << "each packet counted once";
    EXPECT_EQ(image, site->device(lossy.ip)->firmwareImage);
    // Retries of a data packet come from new sockets.
    std::map<int, std::set<std::uint16_t>> portsPerPacket;
    for (const auto& e : sent(lossy, CMD_UPGRADE_PACKET))
        portsPerPacket[e.packetNo].insert(e.fromPort);
    std::size_t retried = 0;
    for (const auto& [no, ports] : portsPerPacket)
        retried += ports.size() > 1;
    EXPECT_GT(retried, 0u) << "the fault rates make some packet need a second try";
}

TEST_F(UpgradeBatchTest, UntickedRowsAndUnreadableFilesContactNobodyAndLeaveNoSocketOpen)
{
    auto a = terminal("127.0.0.77", 77), b = terminal("127.0.0.78", 78), c = terminal("127.0.0.79", 79, "KP-9");
    startSite({a, b, c});
    const auto path = file(pattern(700, 2));
    auto rows = std::vector<DeviceItemPtr>{entry(a, false), entry(b), entry(c), entry(a, false)};
    const std::size_t before = openFdCount();
    run(UpgradeBatch::Kind::Firmware, path, rows);
    EXPECT_EQ(before, openFdCount()) << "every upgrade socket is closed, skipped rows' too";

    EXPECT_TRUE(site->traffic(a.ip).empty());
    EXPECT_EQ((std::vector<int>{100}), rec.percents(b.ip));
    EXPECT_EQ(2u, rec.events().size()) << "no word about the unticked rows";

    // Nothing ticked: the batch contacts nobody and still ends.
    rec.clear();
    const std::size_t seen = site->traffic(b.ip).size();
    run(UpgradeBatch::Kind::Firmware, path, {entry(a, false), entry(b, false)});
    EXPECT_EQ(1u, rec.events().size());
    // Nor does a file that cannot be read, for either batch.
    run(UpgradeBatch::Kind::Firmware, dir.path() / "gone.bin", {entry(b)});
    run(UpgradeBatch::Kind::Screen, dir.path() / "gone.bin", {entry(b)});
    EXPECT_EQ(3u, rec.events().size()) << "three batch ends";
    EXPECT_EQ(seen, site->traffic(b.ip).size());
    EXPECT_EQ(before, openFdCount());
}

// --- screen firmware -------------------------------------------------------

TEST_F(UpgradeBatchTest, ScreenTakesOneByteAsOnePieceAndOneFlashWrite)
{
    auto st = station("127.0.0.81", 81);
    startSite({st});
    const auto image = pattern(1, 4);
    run(UpgradeBatch::Kind::Screen, file(image, "KM-220"), {entry(st)});

    EXPECT_TRUE(rec.failures().empty());
    EXPECT_EQ((std::vector<int>{100, 100}), rec.percents(st.ip)) << "the block, then the application";
    const auto traffic = site->traffic(st.ip);
    std::vector<std::uint16_t> commands;
    for (const auto& e : traffic) {
        commands.push_back(e.command);
        EXPECT_TRUE(e.packetCount == 1 && e.packetNo == 0 && e.pollMark == 0) << e.command;
    }
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_SCREEN_STATUS, CMD_SCREEN_START, CMD_SCREEN_WRITE_BUFFER,
                                          CMD_SCREEN_WRITE_FLASH, CMD_SCREEN_END, CMD_SCREEN_ENTER_APP}),
              commands);
    const auto& piece = traffic[2];
    EXPECT_EQ(6, piece.length) << "1 + 4, made even";
    EXPECT_EQ((std::vector<std::uint8_t>{0, 0, 1, 0, image[0], 0}), piece.payload);
    const auto& flash = traffic[3];
    EXPECT_EQ(6, flash.length);
    EXPECT_EQ((std::vector<std::uint8_t>{0x00, 0x50, 0x00, 0x08, 1, 0}), flash.payload);

    const auto s = site->device(st.ip);
    EXPECT_EQ(image, s->screenFlash);
    EXPECT_FALSE(s->screenBootMode) << "back in its application";
}

TEST_F(UpgradeBatchTest, ScreenBlocksAndTheirPieces)
{
    auto st = station("127.0.0.82", 82);
    startSite({st});
    const auto image = pattern(2 * 2048 + 300, 6);
    run(UpgradeBatch::Kind::Screen, file(image, "KM-220"), {entry(st)});

    EXPECT_EQ((std::vector<int>{33, 66, 100, 100}), rec.percents(st.ip));
    std::vector<std::pair<int, int>> pieces; // offset, length of the last block's pieces
    const auto buffers = sent(st, CMD_SCREEN_WRITE_BUFFER);
    ASSERT_EQ(18u, buffers.size());
    for (std::size_t i = 16; i < 18; ++i)
        pieces.emplace_back(readU16(buffers[i].payload, 0), readU16(buffers[i].payload, 2));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 256}, {256, 44}}), pieces);
    EXPECT_EQ(48, buffers[17].length);
    const auto flashes = sent(st, CMD_SCREEN_WRITE_FLASH);
    ASSERT_EQ(3u, flashes.size());
    for (std::size_t b = 0; b < 3; ++b) {
        EXPECT_EQ(0x08005000u + b * 2048, readU32(flashes[b].payload, 0));
        EXPECT_EQ(b < 2 ? 2048 : 300, readU16(flashes[b].payload, 4));
    }
    EXPECT_EQ(image, site->device(st.ip)->screenFlash);
}

TEST_F(UpgradeBatchTest, ScreenRefusalsAndFailures)
{
    auto app = station("127.0.0.83", 83, false), noFlash = station("127.0.0.86", 86),
         stubborn = station("127.0.0.84", 84), good = station("127.0.0.85", 85);
    noFlash.faults.silentCommands = {CMD_SCREEN_WRITE_FLASH};
    stubborn.faults.silentCommands = {CMD_SCREEN_ENTER_APP};
    startSite({app, noFlash, stubborn, good});
    run(UpgradeBatch::Kind::Screen, file(pattern(600, 8), "KM-220"),
        {entry(app), entry(noFlash), entry(stubborn), entry(good)});

    EXPECT_EQ((std::vector<std::string>{"127.0.0.83 please enter boot mode!", "127.0.0.86 write flash fail!",
                                        "127.0.0.84 enter app fail!"}),
              rec.failures());
    EXPECT_EQ(1u, site->traffic(app.ip).size()) << "a screen not in boot mode gets no start request";
    std::set<std::uint16_t> ports;
    for (const auto& e : sent(noFlash, CMD_SCREEN_WRITE_FLASH))
        ports.insert(e.fromPort);
    EXPECT_GE(ports.size(), 10u) << "each attempt on a fresh socket (ports may come round again)";
    EXPECT_TRUE(sent(noFlash, CMD_SCREEN_END).empty());
    EXPECT_EQ(20u, sent(stubborn, CMD_SCREEN_ENTER_APP).size());
    EXPECT_EQ(1u, sent(good, CMD_SCREEN_ENTER_APP).size()) << "stops at the first success";
    // The stubborn screen shows 100 % first, then the failure.
    std::vector<std::string> order;
    for (const auto& e : rec.events())
        if (e.ip == stubborn.ip)
            order.push_back(e.what == "progress" ? std::to_string(e.percent) : e.text);
    EXPECT_EQ((std::vector<std::string>{"100", "100", "enter app fail!"}), order);
    EXPECT_EQ((std::vector<int>{100, 100}), rec.percents(good.ip));

    // A file for another model contacts no screen.
    rec.clear();
    site->clearTraffic();
    run(UpgradeBatch::Kind::Screen, file(pattern(600, 8), "KM-221"), {entry(good)});
    EXPECT_EQ(1u, rec.events().size());
    EXPECT_TRUE(site->traffic(good.ip).empty());
}

// --- which devices each batch lists ----------------------------------------

TEST(UpgradeBatchListTest, OnlineDevicesAndTheScreenModels)
{
    DeviceList list([](std::uint32_t, std::uint32_t) { return true; });
    const char* models[] = {"KS-530", "KS-530A", "KS-530B", "KS-530D", "KS-530C", "KS-5300", "KP-4410"};
    std::uint8_t n = 1;
    for (const char* m : models) {
        auto info = deviceInfo(n, ("10.0.0." + std::to_string(n)).c_str(), n);
        info.setModelText(m);
        ASSERT_EQ(1, list.mergeSearchReply("10.0.0.254", searchReply(info)));
        ++n;
    }
    // A saved station nobody has seen yet.
    auto offline = std::make_shared<DeviceItem_Type>();
    offline->ip = ip("10.0.0.99");
    offline->devItem = deviceInfo(99, "10.0.0.99", 99);
    offline->devItem.setModelText("KS-530");
    list.insertManual(offline);
    ASSERT_FALSE(isOnlineState(offline->state));

    auto ips = [](const std::vector<DeviceItemPtr>& v) {
        std::vector<std::string> out;
        for (const auto& i : v)
            out.push_back(formatIp(i->ip));
        return out;
    };
    const auto all = firmwareBatchDevices(list);
    EXPECT_EQ(7u, all.size());
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}), ips(screenBatchDevices(list)));

    tickUpgradeRows(list, all, {all[2], all[5]});
    std::vector<std::uint32_t> ticks;
    for (const auto& i : all)
        ticks.push_back(i->selected);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 1, 0, 0, 1, 0}), ticks);
}

// --- several devices at a time ----------------------------------------------
TEST_F(UpgradeBatchTest, FourAtATimeEachDeviceGetsItsWholeSequenceAndFailuresEndOnlyTheirDevice)
{
    std::vector<sim::DeviceConfig> site8;
    for (int n = 81; n <= 88; ++n)
        site8.push_back(terminal(("127.0.0." + std::to_string(n)).c_str(), n));
    site8[2].faults.headerVerdict = 1;             // .83 refuses the header
    site8[5].faults.silentCommands = {CMD_SEARCH}; // .86 never tells its type: one at a time this ends the batch
    // Each device keeps its own boot wait: when its enter-boot request and its
    // header arrived. The sink is in place before the site's threads start.
    protocolConfig().timing.upgradeBootWaitMs = 120;
    struct Arrivals {
        std::mutex m;
        std::map<std::uint32_t, std::pair<Clock::time_point, Clock::time_point>> at;
    };
    auto arrivals = std::make_shared<Arrivals>();
    startSite(site8, {}, [arrivals](const sim::TrafficEntry& e) {
        std::lock_guard lock(arrivals->m);
        if (e.command == CMD_ENTER_BOOT)
            arrivals->at[e.deviceIp].first = Clock::now();
        else if (e.command == CMD_UPGRADE_PACKET && e.packetNo == 0)
            arrivals->at[e.deviceIp].second = Clock::now();
    });
    const auto image = pattern(3000, 3);
    std::vector<DeviceItemPtr> rows;
    for (const auto& d : site8)
        rows.push_back(entry(d));
    run(UpgradeBatch::Kind::Firmware, file(image), rows, 4);

    EXPECT_EQ((std::vector<std::string>{
                  "127.0.0.83 device type not match! (left in the boot loader: run the upgrade again)",
                  "127.0.0.86 get device type fail!"}),
              [&] { auto f = rec.failures(); std::sort(f.begin(), f.end()); return f; }());
    EXPECT_FALSE(rec.overlapped) << "listener calls come one at a time";
    for (const auto& d : site8) {
        const bool fails = d.ip == site8[2].ip || d.ip == site8[5].ip;
        EXPECT_EQ(fails ? 0 : 1, site->device(d.ip)->upgradesInstalled) << formatIp(d.ip);
        if (fails)
            continue;
        EXPECT_EQ(image, site->device(d.ip)->firmwareImage);
        EXPECT_EQ((std::vector<int>{34, 68, 100}), rec.percents(d.ip)) << formatIp(d.ip);
        // Type, boot, header and the three packets in order, nothing twice.
        std::vector<std::uint16_t> numbers;
        for (const auto& e : sent(d, CMD_UPGRADE_PACKET))
            numbers.push_back(e.packetNo);
        EXPECT_EQ((std::vector<std::uint16_t>{0, 1, 2, 3}), numbers) << formatIp(d.ip);
        EXPECT_EQ(1u, sent(d, CMD_ENTER_BOOT).size());
        std::lock_guard lock(arrivals->m);
        const auto [boot, header] = arrivals->at.at(d.ip);
        EXPECT_GE(header - boot, std::chrono::milliseconds(120)) << formatIp(d.ip) << ": its own boot wait";
    }
    std::multiset<std::string> expected;
    for (const auto& d : site8) {
        const bool fails = d.ip == site8[2].ip || d.ip == site8[5].ip;
        expected.insert(formatIp(d.ip) + " start");
        expected.insert(formatIp(d.ip) + (fails ? " failed" : " upgraded"));
    }
    EXPECT_EQ(expected, rec.outcomes());
}

TEST_F(UpgradeBatchTest, DuplicatedRepliesNeverStandInForTheNextPacket)
{
    auto dup = terminal("127.0.0.75", 75);
    dup.typeCode = static_cast<std::int32_t>(0x80000001u);
    dup.faults.duplicateReplies = 2;
    dup.faults.dropRate = 0.2;
    startSite({dup}, sim::SiteOptions{.seed = 5});
    const auto image = pattern(9000, 2);
    run(UpgradeBatch::Kind::Firmware, file(image), {entry(dup)});

    EXPECT_TRUE(rec.failures().empty());
    EXPECT_EQ(9u, rec.percents(dup.ip).size()) << "each packet counted once";
    EXPECT_EQ(1, site->device(dup.ip)->upgradesInstalled) << "100 % only with every packet in";
    EXPECT_EQ(image, site->device(dup.ip)->firmwareImage);
}

TEST_F(UpgradeBatchTest, RetriesTryAFailedDeviceAgainAndEndItOnce)
{
    auto gap = terminal("127.0.0.76", 76);
    gap.faults.dropUpgradePacket = 2;
    auto fine = terminal("127.0.0.77", 77);
    startSite({gap, fine});
    run(UpgradeBatch::Kind::Firmware, file(pattern(3000, 1)), {entry(gap), entry(fine)}, 1, 2);

    const std::string fail = "127.0.0.76 2 packet fail! (left in the boot loader: run the upgrade again)";
    EXPECT_EQ(std::vector<std::string>(3, fail), rec.failures()) << "the first attempt and two retries, each reported";
    EXPECT_EQ((std::multiset<std::string>{"127.0.0.76 start", "127.0.0.76 failed", "127.0.0.77 start",
                                          "127.0.0.77 upgraded"}),
              rec.outcomes());
    // The first attempt left it in its boot loader: later ones go straight to the header.
    EXPECT_EQ(1u, sent(gap, CMD_ENTER_BOOT).size());
    EXPECT_EQ(1u, sent(gap, CMD_SEARCH).size());
    std::size_t headers = 0;
    for (const auto& e : sent(gap, CMD_UPGRADE_PACKET))
        headers += e.packetNo == 0;
    EXPECT_EQ(3u, headers);
    EXPECT_EQ(1, site->device(fine.ip)->upgradesInstalled);
}

TEST_F(UpgradeBatchTest, VerifyTellsNewOldAndSilentDevices)
{
    auto slow = terminal("127.0.0.78", 78);
    slow.firmware = "V1.0.0";
    slow.faults.restartMs = 700;
    auto stuck = terminal("127.0.0.79", 79);
    stuck.firmware = "V1.0.0";
    stuck.faults.keepOldVersion = true;
    auto waiting = terminal("127.0.0.80", 80); // never upgraded: still in its boot loader
    waiting.typeCode = static_cast<std::int32_t>(0x80000001u);
    startSite({slow, stuck, waiting});
    run(UpgradeBatch::Kind::Firmware, file(pattern(2000, 4)), {entry(slow), entry(stuck)});
    ASSERT_TRUE(rec.failures().empty());

    // Versions compare without regard to case, surrounding spaces or a leading "V".
    const auto out = verifyFirmwareVersions({{"127.0.0.1", slow.ip, "V1.0.0"},
                                             {"127.0.0.1", stuck.ip, "V1.0.0"},
                                             {"127.0.0.1", ip("127.0.0.99"), ""},
                                             {"127.0.0.1", waiting.ip, "V1.0.0"}},
                                            "v2.3.0 ", 2500);
    ASSERT_EQ(4u, out.size());
    EXPECT_EQ(VerifyResult::InBootLoader, out[3].result);
    EXPECT_EQ("still in the boot loader: run the upgrade again", verifyResultText(out[3].result));
    // Neither the file's version nor the one from before.
    const auto third = verifyFirmwareVersions({{"127.0.0.1", slow.ip, "V1.0.0"}}, "V2.4.0", 0);
    EXPECT_EQ(VerifyResult::OtherVersion, third[0].result);
    EXPECT_EQ("reports version V2.3.0", verifyResultText(third[0].result, third[0].version));
    EXPECT_EQ(VerifyResult::Verified, out[0].result) << "seen again after its restart";
    EXPECT_EQ("V2.3.0", out[0].version);
    EXPECT_EQ(VerifyResult::StillOld, out[1].result);
    EXPECT_EQ("V1.0.0", out[1].version);
    EXPECT_EQ(VerifyResult::NotSeen, out[2].result);
}
