#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "devices/DeviceList.h"
#include "grouping/GroupDownload.h"
#include "grouping/GroupRules.h"
#include "protocol/Exchange.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Vec = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

const std::string kFail = "grouping setting failed\xEF\xBC\x81";

struct Progress : WorkerListener {
    std::mutex m;
    Ints percents;
    int downloaded = 0;
    void onGroupProgress(int p) override
    {
        std::lock_guard lock(m);
        percents.push_back(p);
    }
    void onGroupDownloaded() override
    {
        std::lock_guard lock(m);
        ++downloaded;
    }
    Ints take()
    {
        std::lock_guard lock(m);
        return std::exchange(percents, {});
    }
};

std::vector<std::uint16_t> commands(const std::vector<sim::TrafficEntry>& t)
{
    std::vector<std::uint16_t> out;
    for (const auto& e : t)
        out.push_back(e.command & kCommandMask);
    return out;
}

class GroupDownloadTest : public SimFixture {
protected:
    void SetUp() override { useFastTiming(); }

    // The entries a search leaves, in the order the devices are given.
    void found(const std::vector<sim::DeviceConfig>& devices)
    {
        startSite(devices);
        for (const auto& d : devices) {
            ASSERT_EQ(1, list.mergeSearchReply("127.0.0.1", searchReply(site->device(d.ip)->info)));
            entries[d.devNo] = list.findByMac(d.mac.data());
        }
        log.clear(); // the search's own lines
    }

    // Looked up once, so the tests may ask with the list's lock held.
    DeviceItemPtr entry(const sim::DeviceConfig& d) { return entries.at(d.devNo); }

    GroupItem_Type group(int no, const std::vector<sim::DeviceConfig>& members)
    {
        GroupCheck c;
        c.number = no;
        c.ansiName = "G" + std::to_string(no);
        GroupItem_Type g = newGroup(c);
        std::vector<DeviceInfo_Type> ticked;
        for (const auto& d : members)
            ticked.push_back(site->device(d.ip)->info);
        setMembersFromTicked(g, ticked);
        return g;
    }

    GroupDownloadSummary download(const GroupList& groups)
    {
        GroupDownloadSummary summary;
        postDownloadGrouping(worker, list, groups, [&summary](const GroupDownloadSummary& s) { summary = s; });
        worker.waitIdle();
        return summary;
    }

    // A reply from the device shows that it has taken in everything sent to
    // it before, the apply that awaits no reply included.
    std::vector<sim::TrafficEntry> trafficUpToNow(std::uint32_t addr)
    {
        Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
        EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", addr, req, reply, 1));
        auto t = site->traffic(addr);
        t.pop_back();
        return t;
    }

    Vec groupBytes(const sim::DeviceConfig& d, std::size_t layoutSize = 436) { return groupBytes(d.ip, layoutSize); }
    Vec groupBytes(std::uint32_t addr, std::size_t layoutSize = 436)
    {
        trafficUpToNow(addr);
        const auto rec = site->device(addr)->sysPara;
        const auto& layout = layoutSize == 436 ? kLayout436 : kLayout392;
        return Vec(rec.begin() + static_cast<long>(layout.groupNos), rec.begin() + static_cast<long>(layout.groupNos + 8));
    }

    sim::DeviceConfig a = simDevice("127.0.0.21", 21, 21, "Lobby");
    sim::DeviceConfig b = simDevice("127.0.0.22", 22, 22, "Stage");
    sim::DeviceConfig c = simDevice("127.0.0.23", 23, 23, "Yard");
    DeviceList list{[](std::uint32_t, std::uint32_t) { return true; }};
    std::map<int, DeviceItemPtr> entries;
    Progress progress;
    LogRecorder log;
    ProtocolWorker worker{list, &progress};
};

} // namespace

TEST_F(GroupDownloadTest, ReadsWritesAndAppliesEveryOnlineDeviceWithItsGroups)
{
    found({a, b, c});
    {
        std::lock_guard lock(list.mutex());
        entry(c)->state = STATE_LOCAL_OFFLINE;
    }
    const auto summary = download({group(4, {a, b}), group(200, {b}), group(7, {})});
    EXPECT_EQ((Ints{25, 50, 75, 100}), progress.take());
    EXPECT_EQ(1, progress.downloaded);
    EXPECT_EQ(2, summary.online);
    EXPECT_EQ(2, summary.completed);
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed.", "Stage(127.0.0.22) set grouping completed."}),
              log.lines());
    const auto t = trafficUpToNow(a.ip);
    EXPECT_EQ((Vec{4, 0, 0, 0, 0, 0, 0, 0}), groupBytes(a));
    EXPECT_EQ((Vec{4, 200, 0, 0, 0, 0, 0, 0}), groupBytes(b));

    ASSERT_EQ((std::vector<std::uint16_t>{CMD_READ_SYS_PARA, CMD_WRITE_SYS_PARA, CMD_APPLY_SYS_PARA}), commands(t));
    const Vec mac(a.mac.begin(), a.mac.end());
    for (const auto& e : t) {
        EXPECT_EQ(1, e.packetCount);
        EXPECT_EQ(0, e.packetNo);
        EXPECT_EQ(0, e.pollMark);
        EXPECT_EQ(a.ip, e.targetIp);
        EXPECT_FALSE(e.broadcast);
    }
    EXPECT_EQ(mac, t[0].payload);
    EXPECT_EQ(436u, t[1].payload.size());
    EXPECT_EQ(mac, t[2].payload);
    {
        std::lock_guard lock(list.mutex());
        ASSERT_TRUE(entry(a)->sysPara);
        EXPECT_EQ(4, (*entry(a)->sysPara)[kLayout436.groupNos]) << "the held record carries the bytes written";
    }

    // Held records are not read again; three devices step the progress by
    // thirds; a device taken out of every group gets eight zero bytes.
    {
        std::lock_guard lock(list.mutex());
        entry(c)->state = STATE_SAVED_FOUND;
    }
    site->clearTraffic();
    download({group(1, {c})});
    EXPECT_EQ((Ints{16, 33, 50, 66, 83, 100}), progress.take());
    EXPECT_EQ((Vec{1, 0, 0, 0, 0, 0, 0, 0}), groupBytes(c));
    EXPECT_EQ(Vec(8, 0), groupBytes(b));
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_WRITE_SYS_PARA, CMD_APPLY_SYS_PARA}), commands(trafficUpToNow(a.ip)));
}

TEST_F(GroupDownloadTest, UnreadableOrRefusingDevicesAreLoggedAndTheRestGoOn)
{
    found({a, b});
    sim::Faults silentRead;
    silentRead.silentCommands = {CMD_READ_SYS_PARA};
    site->setFaults(a.ip, silentRead);
    const auto summary = download({group(3, {a, b})});
    EXPECT_EQ((Ints{25, 50, 75}), progress.take()) << "no progress for a device without a record";
    EXPECT_EQ(1, summary.completed);
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) failed to read system parameters!", "Lobby(127.0.0.21) " + kFail,
                       "Stage(127.0.0.22) set grouping completed."}),
              log.lines());
    EXPECT_EQ(std::vector<std::uint16_t>{CMD_READ_SYS_PARA}, commands(trafficUpToNow(a.ip)));
    {
        std::lock_guard lock(list.mutex());
        EXPECT_FALSE(entry(a)->sysPara);
    }

    // A write the device does not answer: no apply, one line, progress goes on.
    site->setFaults(a.ip, {});
    sim::Faults silentWrite;
    silentWrite.silentCommands = {CMD_WRITE_SYS_PARA};
    site->setFaults(b.ip, silentWrite);
    site->clearTraffic();
    log.clear();
    download({group(3, {a, b})});
    EXPECT_EQ((Ints{25, 50, 75, 100}), progress.take());
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed.", "Stage(127.0.0.22) " + kFail}), log.lines());
    EXPECT_EQ(std::vector<std::uint16_t>{CMD_WRITE_SYS_PARA}, commands(trafficUpToNow(b.ip)));
}

TEST_F(GroupDownloadTest, NineGroupsGiveTheFirstEightAndNoGroupsClearsAllEight)
{
    b.groups = {9, 9, 9, 9, 9, 9, 9, 9};
    found({a, b});
    GroupList groups;
    for (int no : {50, 3, 77, 12, 255, 1, 8, 100, 42})
        groups.push_back(group(no, {a}));
    download(groups);
    EXPECT_EQ((Vec{50, 3, 77, 12, 255, 1, 8, 100}), groupBytes(a));
    EXPECT_EQ(Vec(8, 0), groupBytes(b));
    EXPECT_EQ(1u, log.count("Lobby(127.0.0.21) the data belonging to the group exceeds 8\xEF\xBC\x81"));
    EXPECT_EQ(3u, log.lines().size());

    download({});
    EXPECT_EQ(Vec(8, 0), groupBytes(a));
}

TEST_F(GroupDownloadTest, ShortRecordDeviceNeverReadGetsItsOwnLayoutBack)
{
    a.firmware = "V1.0.7";
    found({a});
    trafficUpToNow(a.ip);
    const Vec before = site->device(a.ip)->sysPara;
    ASSERT_EQ(392u, before.size());
    site->clearTraffic();
    {
        std::lock_guard lock(list.mutex());
        ASSERT_NE(0, entry(a)->bParaExt) << "a new entry starts with the long layout";
    }
    download({group(6, {a}), group(2, {a})});
    EXPECT_EQ((Strings{"Lobby(127.0.0.21) set grouping completed."}), log.lines());
    const auto t = trafficUpToNow(a.ip);
    ASSERT_EQ(3u, t.size());
    ASSERT_EQ(392u, t[1].payload.size());
    Vec expected = before;
    expected[kLayout392.groupNos] = 6;
    expected[kLayout392.groupNos + 1] = 2;
    EXPECT_EQ(expected, t[1].payload);
    EXPECT_EQ(expected, site->device(a.ip)->sysPara);
    std::lock_guard lock(list.mutex());
    EXPECT_EQ(0, entry(a)->bParaExt);
}

TEST_F(GroupDownloadTest, EntryFollowsTheNumberAndAddressOfTheWrittenRecord)
{
    found({a, b});
    download({group(1, {a})});
    auto item = entry(a);
    const std::uint32_t moved = ip("127.0.0.29");
    {
        std::lock_guard lock(list.mutex());
        writeI32(*item->sysPara, kLayout436.devNo, 77);
        writeIp(*item->sysPara, kLayout436.ip, moved);
    }
    list.setListModified(false);
    log.clear();
    download({group(1, {a})});
    EXPECT_EQ((Strings{"Lobby(127.0.0.29) set grouping completed.", "Stage(127.0.0.22) set grouping completed."}),
              log.lines());
    {
        std::lock_guard lock(list.mutex());
        EXPECT_EQ(77, item->devItem.devNo());
        EXPECT_EQ(moved, item->devItem.ip());
        EXPECT_EQ(moved, item->ip);
    }
    EXPECT_EQ(item, list.findByIp(moved));
    // Members are matched by the address they were ticked with, so the moved
    // device is in no group until it is ticked again.
    log.clear();
    download({group(1, {a})});
    EXPECT_EQ(Vec(8, 0), groupBytes(moved));
}

TEST_F(GroupDownloadTest, OfflineDevicesAreNeitherReadNorWritten)
{
    found({a, b});
    {
        std::lock_guard lock(list.mutex());
        entry(a)->state = STATE_LOCAL_OFFLINE;
        entry(b)->state = STATE_REMOTE_ONLINE;
    }
    const auto summary = download({group(1, {a, b})});
    EXPECT_EQ((Ints{50, 100}), progress.take());
    EXPECT_EQ(1, summary.online);
    EXPECT_TRUE(trafficUpToNow(a.ip).empty());
    EXPECT_EQ(3u, trafficUpToNow(b.ip).size());

    // Nobody online: no progress at all, and the end is still reported.
    {
        std::lock_guard lock(list.mutex());
        entry(b)->state = STATE_REMOTE_OFFLINE;
    }
    EXPECT_EQ(0, download({group(1, {a, b})}).online);
    EXPECT_TRUE(progress.take().empty());
    EXPECT_EQ(2, progress.downloaded);
}
