#include <algorithm>
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "devices/DeviceList.h"
#include "grouping/GroupDownload.h"
#include "grouping/GroupRules.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Vec = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;
using Commands = std::vector<std::uint16_t>;

const std::string kFail = " grouping setting failed\xEF\xBC\x81";

struct Progress : WorkerListener {
    std::mutex m;
    Ints percents;
    void onGroupProgress(int p) override
    {
        std::lock_guard lock(m);
        percents.push_back(p);
    }
    Ints take()
    {
        std::lock_guard lock(m);
        return std::exchange(percents, {});
    }
};

class GroupDownloadTest : public SimFixture {
protected:
    // The entries a search leaves, in the order given.
    void found(const std::vector<sim::DeviceConfig>& devices)
    {
        useFastTiming();
        startSite(devices);
        for (const auto& d : devices) {
            ASSERT_EQ(1, list.mergeSearchReply("127.0.0.1", searchReply(site->device(d.ip)->info)));
            entries[d.devNo] = list.findByMac(d.mac.data());
        }
        log.clear();
    }

    // Looked up once, so a test may ask while it holds the list's lock.
    DeviceItemPtr entry(const sim::DeviceConfig& d) { return entries.at(d.devNo); }

    GroupItem_Type group(int no, const std::vector<sim::DeviceConfig>& members)
    {
        GroupItem_Type g = newGroup(GroupCheck{.number = no, .ansiName = "G"});
        std::vector<DeviceInfo_Type> ticked;
        for (const auto& d : members)
            ticked.push_back(site->device(d.ip)->info);
        setMembersFromTicked(g, ticked);
        return g;
    }

    GroupDownloadSummary download(const GroupList& groups, GroupDownloadOptions options = {})
    {
        GroupDownloadSummary summary;
        postDownloadGrouping(
            worker, list, groups, [&summary](const GroupDownloadSummary& s) { summary = s; }, options);
        worker.waitIdle();
        return summary;
    }

    // The commands a device took in since the last call.
    Commands commandsUpToNow(std::uint32_t addr, std::vector<sim::TrafficEntry>* traffic = nullptr)
    {
        const auto t = trafficUpToNow(addr);
        site->clearTraffic();
        if (traffic)
            *traffic = t;
        return commandsOf(t);
    }

    Vec groupBytes(std::uint32_t addr)
    {
        commandsUpToNow(addr);
        const auto d = site->device(addr).value();
        const std::size_t off = d.layout == 436 ? kLayout436.groupNos : kLayout392.groupNos;
        return Vec(d.sysPara.begin() + static_cast<long>(off), d.sysPara.begin() + static_cast<long>(off + 8));
    }

    sim::DeviceConfig a = simDevice("127.0.0.21", 21, 21, "Lobby");
    sim::DeviceConfig b = simDevice("127.0.0.22", 22, 22, "Stage");
    sim::DeviceConfig c = simDevice("127.0.0.23", 23, 23, "Yard");
    const Commands kReadWriteApply{CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA, CMD_APPLY_SYS_PARA};
    DeviceList list{[](std::uint32_t, std::uint32_t) { return true; }};
    std::map<int, DeviceItemPtr> entries;
    Progress progress;
    LogRecorder log;
    ProtocolWorker worker{list, &progress};
};

} // namespace

TEST_F(GroupDownloadTest, EveryOnlineDeviceIsReadWrittenAndAppliedWithItsGroups)
{
    b.groups = {9, 9, 9, 9, 9, 9, 9, 9};
    found({a, b, c});
    {
        std::lock_guard lock(list.mutex());
        entry(c)->state = STATE_LOCAL_OFFLINE;
    }
    const auto summary = download({group(4, {a}), group(200, {a}), group(7, {})});
    EXPECT_EQ((Ints{25, 50, 75, 100}), progress.take());
    EXPECT_EQ(2, summary.completed);
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed.", "Stage(127.0.0.22) set grouping completed."}),
              log.lines());
    std::vector<sim::TrafficEntry> t;
    ASSERT_EQ(kReadWriteApply, commandsUpToNow(a.ip, &t));
    for (const auto& e : t)
        EXPECT_TRUE(!e.broadcast && e.targetIp == a.ip && e.pollMark == 0);
    EXPECT_EQ(Vec(a.mac.begin(), a.mac.end()), t[0].payload);
    EXPECT_EQ(436u, t[1].payload.size());
    EXPECT_EQ(t[0].payload, t[2].payload);
    EXPECT_EQ((Vec{4, 200, 0, 0, 0, 0, 0, 0}), groupBytes(a.ip));
    EXPECT_EQ(Vec(8, 0), groupBytes(b.ip)) << "in no group: all eight cleared";
    EXPECT_TRUE(commandsUpToNow(c.ip).empty()) << "offline";

    // Held records are not read again; three devices step by thirds.
    {
        std::lock_guard lock(list.mutex());
        entry(c)->state = STATE_REMOTE_ONLINE;
    }
    download({group(1, {c})});
    EXPECT_EQ((Ints{16, 33, 50, 66, 83, 100}), progress.take());
    EXPECT_EQ((Commands{CMD_WRITE_SYS_PARA, CMD_APPLY_SYS_PARA}), commandsUpToNow(a.ip));
    EXPECT_EQ((Vec{1, 0, 0, 0, 0, 0, 0, 0}), groupBytes(c.ip));
}

TEST_F(GroupDownloadTest, UnreadableShortOrRefusingDevicesAreLoggedAndTheRestGoOn)
{
    found({a, b});
    fault(a.ip, [](auto& f) { f.silentCommands = {CMD_READ_SYS_PARA}; });
    EXPECT_EQ(1, download({group(3, {a, b})}).completed);
    EXPECT_EQ((Ints{25, 50, 75}), progress.take()) << "no progress for a device without a record";
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) failed to read system parameters!", "Lobby(127.0.0.21)" + kFail,
                       "Stage(127.0.0.22) set grouping completed."}),
              log.lines());
    EXPECT_EQ(Commands(3, CMD_READ_SYS_PARA), commandsUpToNow(a.ip)) << "tried twice more";

    // A reply shorter than either layout is no record either: no half record is written.
    fault(a.ip, [](auto& f) { f.paraReplyBytes = 300; });
    const auto before = site->device(a.ip)->sysPara;
    log.clear();
    EXPECT_EQ(1, download({group(3, {a, b})}, {.confirm = true}).completed);
    EXPECT_EQ("Lobby(127.0.0.21) failed to read system parameters!", log.lines().at(0));
    EXPECT_EQ(Commands{CMD_READ_SYS_PARA}, commandsUpToNow(a.ip));
    EXPECT_EQ(before, site->device(a.ip)->sysPara);
    {
        std::lock_guard lock(list.mutex());
        EXPECT_EQ(nullptr, entry(a)->sysPara);
    }
    progress.take();

    // A write the device does not answer: no apply, one line.
    site->setFaults(a.ip, {});
    fault(b.ip, [](auto& f) { f.silentCommands = {CMD_WRITE_SYS_PARA}; });
    log.clear();
    download({group(3, {a, b})});
    EXPECT_EQ((Ints{25, 50, 75, 100}), progress.take());
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed.", "Stage(127.0.0.22)" + kFail}), log.lines());
    EXPECT_EQ(Commands(3, CMD_WRITE_SYS_PARA), commandsUpToNow(b.ip));
}

TEST_F(GroupDownloadTest, NineGroupsGiveTheFirstEightInListOrder)
{
    found({a});
    GroupList groups;
    for (int no : {50, 3, 77, 12, 255, 1, 8, 100, 42})
        groups.push_back(group(no, {a}));
    download(groups);
    EXPECT_EQ((Vec{50, 3, 77, 12, 255, 1, 8, 100}), groupBytes(a.ip));
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) the data belonging to the group exceeds 8\xEF\xBC\x81",
                       "Lobby(127.0.0.21) set grouping completed."}),
              log.lines());
}

TEST_F(GroupDownloadTest, ShortRecordDeviceNeverReadGetsItsOwnLayoutBack)
{
    a.firmware = "V1.0.7";
    found({a});
    Vec expected = site->device(a.ip)->sysPara;
    ASSERT_EQ(392u, expected.size());
    download({group(6, {a}), group(2, {a})});
    std::vector<sim::TrafficEntry> t;
    ASSERT_EQ(kReadWriteApply, commandsUpToNow(a.ip, &t));
    expected[kLayout392.groupNos] = 6;
    expected[kLayout392.groupNos + 1] = 2;
    EXPECT_EQ(expected, t[1].payload) << "392 bytes, the rest as read";
    EXPECT_EQ(expected, site->device(a.ip)->sysPara);
    std::lock_guard lock(list.mutex());
    EXPECT_EQ(0, entry(a)->paraExt);
}

TEST_F(GroupDownloadTest, EntryFollowsTheNumberAndAddressOfTheWrittenRecord)
{
    found({a});
    const GroupList groups{group(1, {a})}; // ticked at the first address
    download(groups);
    const std::uint32_t moved = ip("127.0.0.29");
    {
        std::lock_guard lock(list.mutex());
        writeI32(*entry(a)->sysPara, kLayout436.devNo, 77);
        writeIp(*entry(a)->sysPara, kLayout436.ip, moved);
    }
    list.setListModified(false);
    log.clear();
    download(groups);
    EXPECT_EQ(Strings{"Lobby(127.0.0.29) set grouping completed."}, log.lines());
    {
        std::lock_guard lock(list.mutex());
        EXPECT_EQ(77, entry(a)->devItem.devNo());
        EXPECT_EQ(moved, entry(a)->ip);
    }
    EXPECT_EQ(entry(a), list.findByIp(moved));
    // Members are matched by the address they were ticked with.
    download(groups);
    EXPECT_EQ(Vec(8, 0), groupBytes(moved));
}

TEST_F(GroupDownloadTest, SeveralAtATimeReportInListOrderAndConfirmCatchesALostApply)
{
    sim::DeviceConfig d = simDevice("127.0.0.24", 24, 24, "Hall");
    found({a, b, c, d});
    fault(c.ip, [](auto& f) { f.silentCommands = {CMD_APPLY_SYS_PARA}; });
    const GroupList groups{group(4, {a, b, c, d})};

    // Without the read-back the lost apply passes for success.
    GroupDownloadSummary s = download(groups, {.parallel = 4});
    EXPECT_EQ(4, s.completed);
    EXPECT_EQ((Ints{12, 25, 37, 50, 62, 75, 87, 100}), progress.take()) << "the one-at-a-time sequence";
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed.", "Stage(127.0.0.22) set grouping completed.",
                       "Yard(127.0.0.23) set grouping completed.", "Hall(127.0.0.24) set grouping completed."}),
              log.lines());

    // With it, the device that answers with its old group bytes is sent
    // write and apply again, then counted as failed, not as unknown.
    commandsUpToNow(c.ip);
    log.clear();
    protocolConfig().timing.confirmWindowMs = 600;
    s = download(groups, {.parallel = 4, .confirm = true});
    EXPECT_EQ(3, std::ranges::count(commandsUpToNow(c.ip), CMD_APPLY_SYS_PARA))
        << "write and apply sent twice more to the device that did not take them";
    EXPECT_EQ(3, s.completed);
    EXPECT_EQ(0, s.unconfirmed);
    ASSERT_EQ(1u, s.failures.size());
    EXPECT_EQ("127.0.0.23", s.failures[0].device);
    EXPECT_EQ(kNotTakenText, s.failures[0].text);
    EXPECT_EQ("Yard(127.0.0.23) did not take the group numbers", log.lines().back());
    EXPECT_EQ((Vec{4, 0, 0, 0, 0, 0, 0, 0}), groupBytes(a.ip));
    EXPECT_EQ(Vec(8, 0), groupBytes(c.ip)) << "the device never took its record";
}

TEST_F(GroupDownloadTest, EachDeviceStepIsReportedInListOrderWithItsLogText)
{
    found({a, b, c});
    fault(a.ip, [](auto& f) { f.silentCommands = {CMD_READ_SYS_PARA}; });
    fault(c.ip, [](auto& f) { f.silentCommands = {CMD_APPLY_SYS_PARA}; });
    Strings steps; // written on the worker, read after it is idle
    protocolConfig().timing.confirmWindowMs = 600;
    GroupDownloadOptions options{.parallel = 3, .confirm = true};
    options.onStep = [&steps](const GroupStepReport& r) {
        static const char* names[] = {"read", "written", "confirmed"};
        steps.push_back(std::to_string(r.item->devItem.devNo()) + " " + names[static_cast<int>(r.step)] +
                        (r.ok ? " ok " : " failed ") + r.text);
    };
    download({group(5, {a, b, c})}, options);
    EXPECT_EQ((Strings{"21 read failed failed to read system parameters!", "22 read ok ", "23 read ok ",
                       "21 written failed grouping setting failed", "22 written ok set grouping completed.",
                       "23 written ok set grouping completed.", "22 confirmed ok confirmed",
                       "23 confirmed failed did not take the group numbers"}),
              steps);
}
