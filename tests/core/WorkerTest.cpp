#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <set>

#include "devices/DeviceList.h"
#include "params/ParaBackups.h"
#include "protocol/Exchange.h"
#include "protocol/ParaReadBack.h"
#include "protocol/ProtocolWorker.h"
#include "protocol/StatusPoll.h"
#include "shell/Log.h"
#include "support/FakeDevice.h"
#include "support/SimFixture.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Mac = std::array<std::uint8_t, 6>;
using Vec = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

Vec slice(ConstBytes b, std::size_t from, std::size_t n) { return Vec(b.begin() + from, b.begin() + from + n); }

// What the worker reports, as "kind name result", and on which threads.
struct WorkerEvents : WorkerListener {
    std::map<const DeviceItem_Type*, std::string> names;
    std::mutex m;
    Strings events;
    std::set<std::thread::id> threads;

    void add(const std::string& e, const DeviceItemPtr& i = nullptr, int r = 0)
    {
        std::lock_guard lock(m);
        const auto n = i ? names.find(i.get()) : names.end();
        events.push_back(n != names.end() ? e + " " + n->second + " " + std::to_string(r) : e);
        threads.insert(std::this_thread::get_id());
    }
    Strings take()
    {
        std::lock_guard lock(m);
        return std::exchange(events, {});
    }
    void onReadParaDone(const DeviceItemPtr& i, int r) override { add("read", i, r); }
    void onWriteParaDone(const DeviceItemPtr& i, int r) override { add("write", i, r); }
    void onWriteMacFailed(const DeviceItemPtr& i, int r) override { add("macfail", i, r); }
    void onBookDownloaded(int r) override { add("book " + std::to_string(r)); }
    void onBookCleared(int r) override { add("cleared " + std::to_string(r)); }
    void onGroupProgress(int p) override { add("progress " + std::to_string(p)); }
    void onGroupDownloaded() override { add("group"); }
};

const std::vector<std::uint16_t> kReadWriteApply{CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA, CMD_APPLY_SYS_PARA};

class WorkerTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        longDev = simDevice("127.0.0.21", 21, 21);
        shortDev = simDevice("127.0.0.22", 22, 22);
        shortDev.firmware = "V1.0.7";
        startSite({longDev, shortDev});
    }

    // A saved entry for a simulated device, as a search and Add leave it.
    DeviceItemPtr add(const sim::DeviceConfig& d, const char* name, std::uint32_t unicastOk = 1)
    {
        auto item = foundEntry(d);
        item->unicastOk = unicastOk;
        list.insertManual(item);
        list.setListModified(false);
        events.names[item.get()] = name;
        return item;
    }

    Strings run()
    {
        worker.waitIdle();
        return events.take();
    }

    // What the MAC dialog does: remember the MAC in use, show the typed one.
    void typeMac(const DeviceItemPtr& item, const Mac& typed)
    {
        std::lock_guard lock(list.mutex());
        std::copy_n(item->devItem.mac(), 6, item->oldMac.begin());
        item->devItem.setMac(typed.data());
    }

    Mac shownMac(const DeviceItemPtr& item)
    {
        std::lock_guard lock(list.mutex());
        Mac m;
        std::copy_n(item->devItem.mac(), 6, m.begin());
        return m;
    }

    sim::DeviceConfig longDev, shortDev;
    DeviceList list{[](std::uint32_t, std::uint32_t) { return true; }};
    WorkerEvents events;
    LogRecorder log;
    ProtocolWorker worker{list, &events};
    const Mac newMac{0x02, 0x4b, 0x50, 0xaa, 0xbb, 0xcc};
};

} // namespace

TEST_F(WorkerTest, ReadWriteApplyInBothLayoutsAndTheEntryFollowsTheDevice)
{
    for (auto [dev, moved, layout] : {std::tuple{longDev, ip("127.0.0.23"), kLayout436},
                                      std::tuple{shortDev, ip("127.0.0.24"), kLayout392}}) {
        SCOPED_TRACE(layout.size);
        auto item = add(dev, "D");
        worker.postReadPara(item);
        ASSERT_EQ(Strings{"read D 0"}, run());
        Vec written;
        {
            std::lock_guard lock(list.mutex());
            ASSERT_TRUE(item->sysPara);
            EXPECT_EQ(layout.size == 436 ? -1 : 0, item->paraExt);
            Vec onDevice = site->device(dev.ip)->sysPara;
            onDevice.resize(kSysParaBufferSize, 0); // a short record in the zeroed buffer
            EXPECT_EQ(onDevice, slice(*item->sysPara, 0, kSysParaBufferSize));
            writeI32(*item->sysPara, layout.devNo, 77);
            writeIp(*item->sysPara, layout.ip, moved);
            writeFixedText(*item->sysPara, layout.devName, kSysParaTextWidth, "Renamed");
            writeIp(*item->sysPara, layout.dns2, ip("10.9.9.9"));
            writeIp(*item->sysPara, layout.serverIp, ip("10.1.2.3"));
            (*item->sysPara)[layout.groupNos] = 7;
            written = slice(*item->sysPara, 0, layout.size);
        }
        worker.postWritePara(item);
        EXPECT_EQ(Strings{"write D 0"}, run());

        const auto t = trafficUpToNow(moved);
        ASSERT_EQ(kReadWriteApply, commandsOf(t));
        for (const auto& e : t)
            EXPECT_TRUE(!e.broadcast && e.targetIp == dev.ip && e.pollMark == 0);
        EXPECT_EQ(Vec(dev.mac.begin(), dev.mac.end()), t[0].payload);
        EXPECT_EQ(written, t[1].payload);
        EXPECT_EQ(t[0].payload, t[2].payload);
        EXPECT_TRUE(list.listModified()); // the saved list keeps the new number and address
        {
            std::lock_guard lock(list.mutex());
            EXPECT_EQ(77, item->devItem.devNo());
            EXPECT_EQ("Renamed", item->devItem.devName()); // the list row shows it at once
            EXPECT_EQ(ip("10.9.9.9"), item->devItem.dns2());
            EXPECT_EQ(ip("10.1.2.3"), item->devItem.serverIp());
            EXPECT_EQ(7, item->devItem.groupNo(0)); // and the properties its groups
            EXPECT_EQ(moved, item->devItem.ip());
            EXPECT_EQ(moved, item->ip);
        }
        // The next job reaches the device at its new address.
        worker.postReadPara(item);
        EXPECT_EQ(Strings{"read D 0"}, run());
    }
}

TEST_F(WorkerTest, FailuresAndShortRepliesLeaveTheEntryAsItWas)
{
    auto item = add(longDev, "A");
    worker.postWritePara(item); // never read: nothing to write
    EXPECT_EQ(Strings{"write A " + std::to_string(RES_NO_RECORD)}, run());
    EXPECT_TRUE(trafficUpToNow(longDev.ip).empty());

    worker.postReadPara(item);
    run();
    Vec before;
    {
        std::lock_guard lock(list.mutex());
        writeI32(*item->sysPara, kLayout436.devNo, 99);
        before = slice(*item->sysPara, 0, kSysParaBufferSize);
    }
    fault(longDev.ip, [](auto& f) { f.silentCommands = {CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA}; });
    site->clearTraffic();
    LogRecorder log;
    worker.postReadPara(item);
    worker.postWritePara(item);
    EXPECT_EQ((Strings{"read A -3", "write A -3"}), run());
    EXPECT_EQ(1u, log.count("set system para error!"));
    // An unanswered read or write is tried twice more; nothing else goes out.
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_READ_SYS_PARA, CMD_READ_SYS_PARA, CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA,
                                          CMD_WRITE_SYS_PARA, CMD_WRITE_SYS_PARA}),
              commandsOf(trafficUpToNow(longDev.ip)));
    EXPECT_FALSE(list.listModified());

    // A reply shorter than its layout is no record either; a MAC change,
    // which reads first, writes nothing after one.
    fault(longDev.ip, [](auto& f) { f.paraReplyBytes = 392; }); // of a 436-byte record
    site->clearTraffic();
    const std::string shortRecord = std::to_string(RES_SHORT_RECORD);
    worker.postReadPara(item);
    EXPECT_EQ(Strings{"read A " + shortRecord}, run());
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"macfail A " + shortRecord}, run());
    const auto commands = commandsOf(trafficUpToNow(longDev.ip));
    EXPECT_EQ(0, std::count(commands.begin(), commands.end(), CMD_WRITE_SYS_PARA));
    EXPECT_EQ(longDev.mac, shownMac(item));
    std::lock_guard lock(list.mutex());
    EXPECT_EQ(before, slice(*item->sysPara, 0, kSysParaBufferSize));
    EXPECT_EQ(21, item->devItem.devNo());
}

TEST_F(WorkerTest, DeviceNeverReachedByUnicastIsServedByBroadcast)
{
    auto item = add(longDev, "A", 0);
    worker.postReadPara(item);
    worker.postWritePara(item);
    EXPECT_EQ((Strings{"read A 0", "write A 0"}), run());
    const auto t = trafficUpToNow(longDev.ip);
    ASSERT_EQ(kReadWriteApply, commandsOf(t));
    for (const auto& e : t) {
        EXPECT_TRUE(e.broadcast);
        EXPECT_EQ(longDev.ip, e.targetIp); // which keeps the other device out of it
    }
    EXPECT_TRUE(trafficUpToNow(shortDev.ip).empty());
}

TEST_F(WorkerTest, ReplyLongerThanTheRecordIsCut)
{
    Vec record(600);
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(i * 7 + 1);
    writeFixedText(record, kLayout436.version, 8, "V2.1.0");
    FakeDevice fake("127.0.0.51", [&](const FakeRequest& r) -> std::optional<Vec> {
        if (r.header.command == CMD_APPLY_SYS_PARA)
            return std::nullopt;
        return replyDatagram(r, r.header.command == CMD_READ_SYS_PARA ? ConstBytes(record) : ConstBytes());
    });
    protocolConfig().devicePort = fake.port();
    auto item = std::make_shared<DeviceItem_Type>();
    item->ip = ip("127.0.0.51");
    item->localIp = "127.0.0.1";
    item->unicastOk = 1; // a socket bound to one address hears no broadcast
    item->devItem.setMac(longDev.mac.data());
    list.insertManual(item);
    events.names[item.get()] = "F";

    worker.postReadPara(item);
    EXPECT_EQ(Strings{"read F 0"}, run());
    {
        std::lock_guard lock(list.mutex());
        EXPECT_EQ(slice(record, 0, 436), slice(*item->sysPara, 0, 436));
    }
    // The MAC change copies the same reply into the existing buffer.
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"write F 0"}, run());
    const auto requests = fake.waitForRequests(4);
    ASSERT_EQ(4u, requests.size());
    Vec expected = slice(record, 0, 436);
    std::copy(newMac.begin(), newMac.end(), expected.begin() + 56);
    ASSERT_EQ(448u, requests[2].payload.size());
    EXPECT_EQ(expected, slice(requests[2].payload, 0, 436));
}

TEST_F(WorkerTest, MacChangeInBothLayoutsAndTheDeviceAnswersToTheNewMac)
{
    // The long device was never opened and was never reached by unicast; the
    // V1.0.7 one still carries the default layout flag and an earlier buffer.
    auto longItem = add(longDev, "L", 0);
    auto shortItem = add(shortDev, "S");
    {
        std::lock_guard lock(list.mutex());
        shortItem->sysPara = std::make_unique<SysParaBuffer>();
        for (std::size_t i = 0; i < kSysParaBufferSize; ++i)
            (*shortItem->sysPara)[i] = static_cast<std::uint8_t>(i);
    }
    const Vec buffer398{398 & 0xFF, 399 & 0xFF, 400 & 0xFF, 401 & 0xFF, 402 & 0xFF, 403 & 0xFF};
    for (auto [item, dev, name, size, tail] : {std::tuple{longItem, longDev, "L", std::size_t{436}, Vec(6, 0)},
                                               std::tuple{shortItem, shortDev, "S", std::size_t{392}, buffer398}}) {
        SCOPED_TRACE(size);
        const Vec oldMac(dev.mac.begin(), dev.mac.end());
        typeMac(item, newMac);
        worker.postWriteMac(item);
        EXPECT_EQ(Strings{"write " + std::string(name) + " 0"}, run());

        const auto t = trafficUpToNow(dev.ip);
        ASSERT_EQ(kReadWriteApply, commandsOf(t));
        for (const auto& e : t)
            EXPECT_FALSE(e.broadcast);
        EXPECT_EQ(oldMac, t[0].payload);
        const auto& p = t[1].payload;
        ASSERT_EQ(size + 12, p.size());
        EXPECT_EQ(site->device(dev.ip)->sysPara, slice(p, 0, size)); // what the device took in
        EXPECT_EQ(Vec(newMac.begin(), newMac.end()), slice(p, 56, 6));
        EXPECT_EQ(oldMac, slice(p, size, 6));
        EXPECT_EQ(tail, slice(p, size + 6, 6));
        EXPECT_EQ(oldMac, t[2].payload);
        {
            std::lock_guard lock(list.mutex());
            EXPECT_EQ(size == 436 ? -1 : 0, item->paraExt);
            EXPECT_EQ(newMac, item->oldMac);
        }
        EXPECT_EQ(newMac, shownMac(item));
        EXPECT_EQ(item, list.findByMac(newMac.data()));
        worker.postReadPara(item);
        EXPECT_EQ(Strings{"read " + std::string(name) + " 0"}, run());
        // Give the MAC back for the next round.
        typeMac(item, dev.mac);
        worker.postWriteMac(item);
        run();
    }
    EXPECT_TRUE(list.listModified());
    EXPECT_FALSE(log.contains("set system para error!"));
}

TEST_F(WorkerTest, AMacChangeKeepsTheRecordAsReadFirstAndWritesNothingWithoutIt)
{
    TempDir dir;
    auto item = add(longDev, "A");
    const Vec before = site->device(longDev.ip)->sysPara;
    SysParaBuffer asRead{};
    std::copy(before.begin(), before.end(), asRead.begin());

    // A file where the backups folder should be: no backup, so no write.
    std::filesystem::create_directories(dir.path() / "blocked");
    std::ofstream(dir.path() / "blocked" / "backups") << "x";
    worker.setBackupDirectory(dir.path() / "blocked");
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"macfail A " + std::to_string(RES_NO_BACKUP)}, run());
    EXPECT_EQ(std::vector<std::uint16_t>{CMD_READ_SYS_PARA}, commandsOf(trafficUpToNow(longDev.ip)));
    EXPECT_EQ(before, site->device(longDev.ip)->sysPara);

    worker.setBackupDirectory(dir.path());
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"write A 0"}, run());
    const auto backups = listBackups(dir.path(), asRead);
    ASSERT_EQ(1u, backups.size());
    std::ifstream in(backups[0], std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The configuration file holds the record as read, with the MAC the device had.
    EXPECT_NE(std::string::npos, file.find(std::string(before.begin(), before.end())));
}

TEST_F(WorkerTest, FailedMacChangeShowsTheOldMacSoASecondAttemptWorks)
{
    auto item = add(longDev, "A");
    const Mac oldMac = longDev.mac;
    // The device does not know the MAC the dialog took as the old one: silent.
    const Mac unknown{0x02, 0, 0, 0, 0, 0x01};
    typeMac(item, newMac);
    {
        std::lock_guard lock(list.mutex());
        item->oldMac = unknown;
    }
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"macfail A -3"}, run());
    EXPECT_EQ(unknown, shownMac(item));
    EXPECT_TRUE(log.lines().empty());

    // A refused write is logged, nothing is applied, the MAC in use shows again.
    {
        std::lock_guard lock(list.mutex());
        item->devItem.setMac(oldMac.data());
    }
    fault(longDev.ip, [](auto& f) { f.silentCommands = {CMD_WRITE_SYS_PARA}; });
    site->clearTraffic();
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"macfail A -3"}, run());
    EXPECT_EQ(Strings{"set system para error!"}, log.lines());
    EXPECT_EQ(oldMac, shownMac(item));
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA, CMD_WRITE_SYS_PARA, CMD_WRITE_SYS_PARA}),
        commandsOf(trafficUpToNow(longDev.ip)));

    site->setFaults(longDev.ip, {});
    typeMac(item, newMac);
    worker.postWriteMac(item);
    EXPECT_EQ(Strings{"write A 0"}, run());
    EXPECT_EQ(CMD_APPLY_SYS_PARA, commandsOf(trafficUpToNow(longDev.ip)).back());
    EXPECT_EQ(0, std::memcmp(newMac.data(), site->device(longDev.ip)->info.mac(), 6));
}

TEST_F(WorkerTest, JobsOfEveryKindRunOneAtATimeInPostingOrder)
{
    auto a = add(longDev, "A");
    auto s = add(shortDev, "S");
    std::promise<void> release;
    auto released = release.get_future().share();
    worker.postDownloadGroup([released] { released.wait(); }); // holds the worker: the rest queues up
    worker.postReadPara(a);
    worker.postDownloadBook(a, [] { return 3; });
    worker.postWritePara(a);
    worker.postClearBook(a, [] { return -2; });
    worker.postDownloadGroup([this] { worker.listener()->onGroupProgress(50); });
    worker.postReadPara(s);
    release.set_value();
    EXPECT_EQ((Strings{"group", "read A 0", "book 3", "write A 0", "cleared -2", "progress 50", "group", "read S 0"}),
              run());
    ASSERT_EQ(1u, events.threads.size());
    EXPECT_NE(std::this_thread::get_id(), *events.threads.begin());
}

TEST_F(WorkerTest, DestructionFinishesTheRunningJobAndDropsTheQueue)
{
    WorkerEvents own;
    auto w = std::make_unique<ProtocolWorker>(list, &own);
    std::promise<void> started, release;
    auto released = release.get_future().share();
    w->postDownloadBook(nullptr, [&started, released] {
        started.set_value();
        released.wait();
        return 7;
    });
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> queued = sentinel;
    w->postClearBook(nullptr, [sentinel] { return 0; });
    sentinel.reset();
    started.get_future().wait();

    std::thread destroyer([&] { w.reset(); });
    while (!queued.expired()) // the queued routine goes exactly when the queue is dropped
        std::this_thread::yield();
    release.set_value();
    destroyer.join();
    EXPECT_EQ(Strings{"book 7"}, own.take());
}

// The poller and the worker write the same entries while a view reads them.
TEST_F(WorkerTest, WorkerAndPollerShareEntries)
{
    auto a = add(longDev, "A");
    auto s = add(shortDev, "S");
    struct Count : PollListener {
        std::atomic<int> ok{0};
        void onPollResult(const DeviceItemPtr&, const std::string&, int r) override { ok += r == RES_OK; }
    } polls;
    StatusPoller poller(list, [] { return Strings{"127.0.0.1"}; }, [](std::uint32_t, std::uint32_t) { return false; },
                        &polls);
    poller.start();
    for (int i = 0; i < 5; ++i)
        for (const auto& item : {a, s}) {
            worker.postReadPara(item);
            worker.postWritePara(item);
        }
    for (int i = 0; i < 50; ++i) {
        std::lock_guard lock(list.mutex());
        (void)deviceColumns(*a);
        (void)deviceColumns(*s);
    }
    const auto e = run();
    while (polls.ok < 4)
        std::this_thread::yield();
    poller.stop();
    ASSERT_EQ(20u, e.size());
    for (const auto& line : e)
        EXPECT_TRUE(line.ends_with(" 0")) << line;
}

TEST(SysParaReply, APayloadShorterThanItsClaimedLayoutIsNoRecord)
{
    auto record = [](std::size_t size, const char* version) {
        Vec r(size, 0x5A);
        const std::size_t at = std::string_view(version) <= "V1.0.7" ? kLayout392.version : kLayout436.version;
        if (at + kSysParaVersionWidth <= size)
            writeFixedText(r, at, kSysParaVersionWidth, version);
        return r;
    };
    struct Case {
        Vec payload;
        bool taken;
        std::int32_t ext;
    };
    const Case cases[] = {
        {record(436, "V2.0.1"), true, 1},  {record(392, "V1.0.7"), true, 0},  {record(436, "V1.0.7"), true, 0},
        {record(435, "V2.0.1"), false, 0}, {record(392, "V2.0.1"), false, 0}, // claims 436, brings 392
        {record(391, "V1.0.7"), false, 0}, {record(100, "V2.0.1"), false, 0}, {Vec{}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload.size());
        const auto got = takeSysParaReply(c.payload);
        ASSERT_EQ(c.taken, got.has_value());
        if (!got)
            continue;
        EXPECT_EQ(c.ext, got->paraExt != 0);
        EXPECT_EQ(c.payload, slice(got->record, 0, c.payload.size()));
    }
}

TEST(SysParaReply, TheReadBackComparesOnlyTheInterpretedBytesTheWriteChanged)
{
    for (bool ext : {true, false}) {
        const SysParaLayout& L = sysParaLayout(ext);
        SysParaBuffer before{};
        for (std::size_t i = 0; i < before.size(); ++i)
            before[i] = static_cast<std::uint8_t>(i * 13);
        auto written = before;
        written[L.devName] ^= 0x01; // the one edit
        const ReadBackMask mask = changedFieldBytes(&before, written, ext);
        EXPECT_EQ(1u, mask.count());
        auto back = written;
        back[0] ^= 0xFF;            // bytes no field covers: the device's own
        back[L.version + 3] ^= 0xFF; // the firmware fills in its own version
        back[L.ip] ^= 0xFF;          // nobody edited the address
        EXPECT_TRUE(holdsWritten(mask, written, back));
        EXPECT_FALSE(holdsWritten(mask, written, before)) << "the device kept its old name";
        // Without a record read before, every interpreted byte decides; still not bytes 0..3.
        const ReadBackMask all = changedFieldBytes(nullptr, written, ext);
        EXPECT_FALSE(all.test(0) || all.test(L.version) || !all.test(L.ip) || !all.test(L.groupNos + 7));
        ReadBackMask groups = mask;
        compareAlso(groups, L.groupNos, 8);
        back = written;
        back[L.groupNos + 7] ^= 0x01;
        EXPECT_FALSE(holdsWritten(groups, written, back));
    }
}

TEST_F(WorkerTest, ConfirmedWritesReadTheRecordBackAndALostApplyIsReported)
{
    protocolConfig().timing.confirmWindowMs = 800;
    protocolConfig().timing.confirmRetryPauseMs = 50;
    worker.setConfirmWrites(true);
    struct Case {
        const char* what;
        std::set<std::uint16_t> silent;
        bool countApplies;
        bool mac;
        std::uint32_t moveTo; // the written record's address
        std::string reported;
        bool lastReadByOldMac;
        const char* logged; // after "Desk(address) ", or nothing
    };
    const std::string taken = std::to_string(RES_NOT_TAKEN), unknown = std::to_string(RES_NOT_CONFIRMED);
    const Case cases[] = {
        {"write that moves the device", {}, false, false, ip("127.0.0.25"), "write D 0", false, nullptr},
        {"device counting its applies in bytes 0..3", {}, true, false, longDev.ip, "write D 0", false, nullptr},
        {"write, apply lost", {CMD_APPLY_SYS_PARA}, false, false, longDev.ip, "write D " + taken, false,
         "did not take the written parameters"},
        {"write, never answered after the apply", {CMD_APPLY_SYS_PARA, CMD_READ_SYS_PARA}, false, false, longDev.ip,
         "write D " + unknown, false, "written but not confirmed"},
        {"mac", {}, true, true, longDev.ip, "write D 0", false, nullptr},
        {"mac, apply lost: the entry keeps the old MAC", {CMD_APPLY_SYS_PARA}, false, true, longDev.ip,
         "macfail D " + taken, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startSite({longDev});
        auto item = add(longDev, "D");
        worker.postReadPara(item);
        ASSERT_EQ(Strings{"read D 0"}, run());
        fault(longDev.ip, [&](auto& f) { f.silentCommands = c.silent; f.countApplies = c.countApplies; });
        log.clear();
        if (c.mac) {
            typeMac(item, newMac);
            worker.postWriteMac(item);
        } else {
            {
                std::lock_guard lock(list.mutex());
                writeI32(*item->sysPara, kLayout436.devNo, 4242);
                writeIp(*item->sysPara, kLayout436.ip, c.moveTo);
            }
            worker.postWritePara(item);
        }
        EXPECT_EQ(Strings{c.reported}, run());
        // The read-back goes where the device is after the write, by the MAC
        // it should have then, and falls back to the MAC it had.
        const auto t = trafficUpToNow(c.moveTo);
        ASSERT_GE(t.size(), 4u);
        EXPECT_EQ(CMD_READ_SYS_PARA, t.back().command & kCommandMask);
        const Mac answersTo = c.mac && !c.lastReadByOldMac ? newMac : longDev.mac;
        EXPECT_EQ(Vec(answersTo.begin(), answersTo.end()), t.back().payload);
        if (c.countApplies) {
            EXPECT_EQ(1u, readU32(site->device(c.moveTo)->sysPara, 0)) << "the device's own count moved on";
        }
        if (c.logged) {
            EXPECT_EQ(1u, log.count("Desk(" + formatIp(c.moveTo) + ") " + c.logged));
        }
        std::lock_guard lock(list.mutex());
        const Mac shown = c.reported == "write D 0" && c.mac ? newMac : longDev.mac;
        EXPECT_EQ(Vec(shown.begin(), shown.end()), Vec(item->devItem.mac(), item->devItem.mac() + 6));
    }
}

TEST_F(WorkerTest, AStationIsReachableOnlyWhileTheDeviceWithItsMacAnswersAtItsAddress)
{
    protocolConfig().timing.confirmWindowMs = 400;
    protocolConfig().timing.confirmRetryPauseMs = 50;
    ConfirmTarget t{"127.0.0.1", longDev.ip, true, longDev.mac};
    EXPECT_EQ(RES_OK, ConfirmReachable(t));
    ConfirmTarget otherMac = t;
    otherMac.mac = newMac; // another device has taken the address
    EXPECT_EQ(RES_NOT_CONFIRMED, ConfirmReachable(otherMac));
    fault(longDev.ip, [](auto& f) { f.dropRate = 0.3; }); // answers come through retries
    protocolConfig().timing.confirmWindowMs = 3000;
    EXPECT_EQ(RES_OK, ConfirmReachable(t));
    protocolConfig().timing.confirmWindowMs = 400;
    site->removeDevice(longDev.ip); // switched off
    EXPECT_EQ(RES_NOT_CONFIRMED, ConfirmReachable(t));
}
