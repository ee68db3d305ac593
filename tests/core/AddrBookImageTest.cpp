#include <gtest/gtest.h>

#include <mutex>

#include "addrbook/AddrBook.h"
#include "devices/DeviceList.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "sim/SimTestSupport.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Vec = std::vector<std::uint8_t>;

// Little-endian numbers and 16-byte names, appended.
struct Img : Vec {
    Img& u16(std::initializer_list<unsigned> xs)
    {
        for (auto x : xs)
            insert(end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8)});
        return *this;
    }
    Img& u32(std::uint32_t x) { return u16({x & 0xFFFF, x >> 16}); }
    Img& name(const std::string& n)
    {
        insert(end(), n.begin(), n.end());
        resize(size() + 16 - n.size(), 0);
        return *this;
    }
};

DeviceInfo_Type record(int no, std::uint32_t addr, const std::string& name)
{
    DeviceInfo_Type d;
    d.setDevNo(no);
    d.setIp(addr);
    d.setDevName(name);
    return d;
}

GroupItem_Type group(int no, const std::string& name)
{
    GroupItem_Type g;
    g.header.id = static_cast<std::uint32_t>(no);
    g.header.setNameBytes(name);
    return g;
}

// Device n of a made-up site: 10.1.0.0 + n, number 100 + n, name Dn.
std::uint32_t siteIp(int n) { return ipFromHostOrder(0x0A010000u + static_cast<std::uint32_t>(n)); }
DeviceInfo_Type siteDevice(int n) { return record(100 + n, siteIp(n), "D" + std::to_string(n)); }

AddrBook_Type bookOf(int groups, int broadcast, int intercom = 0)
{
    AddrBook_Type b{.name = "B"};
    for (int i = 1; i <= groups; ++i)
        b.groups.push_back(groupEntry(group(i, "G" + std::to_string(i))));
    for (int i = 1; i <= broadcast; ++i)
        b.broadcast.push_back(deviceEntry(siteDevice(i)));
    for (int i = 1; i <= intercom; ++i)
        b.intercom.push_back(deviceEntry(siteDevice(i)));
    return b;
}

} // namespace

TEST(AddrBookImage, LayoutByteForByte)
{
    Img three;
    three.insert(three.end(), {'B', 'O', 'O', 'K'});
    three.u16({78, 12, 74, 76, 3}).u32(1).name("G1").u32(2).name("G2").u32(3).name("G3").u16({0, 0});
    EXPECT_EQ(three, BuildBookImage(bookOf(3, 0), siteIp(1), {}));
    EXPECT_EQ((Vec{'B', 'O', 'O', 'K', 18, 0, 12, 0, 14, 0, 16, 0, 0, 0, 0, 0, 0, 0}), emptyBookImage());

    // One group and ten broadcast devices, downloaded into the fourth of them;
    // an intercom entry the list does not know gets the number 0xFFFFFFFF.
    AddrBook_Type b = bookOf(1, 10);
    b.intercom = {deviceEntry(record(0, ip("10.9.9.9"), "Elsewhere")), b.broadcast[3]};
    std::vector<DeviceInfo_Type> devices{record(7, siteIp(2), "Older")}; // the first with an address counts
    for (int i = 1; i <= 10; ++i)
        devices.push_back(siteDevice(i));
    Img want;
    want.insert(want.end(), {'B', 'O', 'O', 'K'});
    want.u16({20 + 18 + 336 + 144, 12, 34, 34 + 2 + 9 * 24, 1}).u32(1).name("G1").u16({9});
    for (int i = 1; i <= 10; ++i)
        if (i != 4)
            want.u32(i == 2 ? 7 : 100u + static_cast<std::uint32_t>(i)).u32(siteIp(i)).name("D" + std::to_string(i));
    want.u16({1}).u32(kUnknownDeviceNo).u32(ip("10.9.9.9")).name("Elsewhere");
    want.resize(518, 0); // 24 per entry left out and 96 per device list, all zero
    EXPECT_EQ(want, BuildBookImage(b, siteIp(4), devices));
    EXPECT_EQ(374u, BuildBookImage(bookOf(1, 10), siteIp(10), devices).size());
    EXPECT_EQ(9, BuildBookImage(bookOf(1, 10), siteIp(10), devices)[34]);
}

TEST(AddrBookImage, SizeLimitAndDownloadChecks)
{
    // S = 20G + 18 (+ 24n + 96 per device list) is 2 more than a multiple of
    // four, so the sizes next to 512 and 32768 are 510/514 and 32766/32770.
    EXPECT_EQ(510u, bookImageSize(bookOf(3, 14)));
    EXPECT_EQ(514u, bookImageSize(bookOf(2, 15)));
    EXPECT_EQ(1u, bookPacketCount(512));
    EXPECT_EQ(2u, bookPacketCount(513));
    EXPECT_EQ(64u, bookPacketCount(32768));
    const AddrBook_Type largest = bookOf(3, 1358), tooLarge = bookOf(2, 1359);
    ASSERT_EQ(32766u, bookImageSize(largest));
    ASSERT_EQ(32770u, bookImageSize(tooLarge));
    EXPECT_EQ(0, checkBookDownload(&largest, true));
    EXPECT_EQ(32766u, BuildBookImage(largest, 0, {}).size());
    EXPECT_EQ(IDS_BOOK_TOO_LARGE, checkBookDownload(&tooLarge, true));
    EXPECT_TRUE(BuildBookImage(tooLarge, 0, {}).empty());
    // In the dialog's order: book, device, size.
    EXPECT_EQ(IDS_BOOK_NONE_SELECTED, checkBookDownload(nullptr, false));
    EXPECT_EQ(IDS_BOOK_NO_DEVICE_SELECTED, checkBookDownload(&tooLarge, false));
}

TEST(AddrBookRules, NameSelectionEntriesAndStaleNames)
{
    const AddrBookList books{{.name = "Lobby"}};
    EXPECT_EQ(IDS_BOOK_NAME_EMPTY, checkBookName(books, ""));
    EXPECT_EQ(IDS_BOOK_NAME_EXISTS, checkBookName(books, "Lobby"));
    EXPECT_EQ(0, checkBookName(books, "lobby")) << "case-sensitive";
    EXPECT_EQ(IDS_BOOK_NOTHING_SELECTED, checkBookSelection(AddrBook_Type{}));
    for (const auto& only : {bookOf(1, 0), bookOf(0, 1), bookOf(0, 0, 1)})
        EXPECT_EQ(0, checkBookSelection(only));

    Vec bytes(24, 0xAA);
    deviceEntry(record(5, ip("10.0.0.5"), "A name of twenty by")).write(bytes, 0);
    Img want;
    want.insert(want.end(), {1, 0, 0, 0, 10, 0, 0, 5});
    EXPECT_EQ(want.name("A name of twent"), bytes) << "kind 1, zero reserved bytes, 15 bytes of the name";

    // Stale names: the first entry of a number or address takes the current
    // name, compared in the 15-byte form an entry holds.
    AddrBook_Type b = bookOf(2, 2, 1);
    b.groups.push_back(groupEntry(group(2, "Second copy")));
    b.broadcast.push_back(deviceEntry(record(0, ip("10.9.9.9"), "Gone")));
    const GroupList groups{group(1, "G1"), group(2, "Renamed")};
    std::vector<DeviceInfo_Type> devices{siteDevice(1), siteDevice(2)};
    devices[0].setDevName("A much longer new name");
    EXPECT_TRUE(refreshBookNames(b, groups, devices));
    EXPECT_EQ("Renamed", b.groups[1].nameBytes());
    EXPECT_EQ("Second copy", b.groups[2].nameBytes());
    EXPECT_EQ("A much longer n", b.broadcast[0].nameBytes());
    EXPECT_EQ("A much longer n", b.intercom[0].nameBytes());
    EXPECT_EQ("Gone", b.broadcast[2].nameBytes());
    EXPECT_FALSE(refreshBookNames(b, groups, devices)) << "up to date: nothing to save";
}

// Transfers against the simulator, through the protocol worker.
class AddrBookTransferTest : public SimFixture, public WorkerListener {
protected:
    void SetUp() override
    {
        useFastTiming();
        std::vector<sim::DeviceConfig> devices;
        for (int i = 1; i <= 3; ++i)
            devices.push_back(simDevice(("127.0.0.4" + std::to_string(i)).c_str(), 40 + i,
                                        static_cast<std::uint32_t>(40 + i), ("Station " + std::to_string(i)).c_str()));
        startSite(devices);
        for (const auto& d : devices)
            list.insertManual(foundEntry(d));
    }

    void onBookDownloaded(int r) override { add("downloaded " + std::to_string(r)); }
    void onBookCleared(int r) override { add("cleared " + std::to_string(r)); }
    void add(const std::string& s)
    {
        std::lock_guard lock(m);
        results.push_back(s);
    }

    std::vector<sim::TrafficEntry> bookPackets(std::uint32_t addr) { return sent(CMD_ADDR_BOOK, addr); }

    // The groups, and every station `copies` times in both device lists.
    AddrBook_Type stationsBook(int groups, int copies)
    {
        AddrBook_Type b = bookOf(groups, 0);
        for (int k = 0; k < copies; ++k)
            for (const auto& r : deviceRecords(list)) {
                b.broadcast.push_back(deviceEntry(r));
                b.intercom.push_back(deviceEntry(r));
            }
        return b;
    }

    DeviceList list;
    std::mutex m;
    std::vector<std::string> results;
    const std::uint32_t target = ip("127.0.0.41");
};

TEST_F(AddrBookTransferTest, DownloadAndClearReachTheStation)
{
    LogRecorder log;
    ProtocolWorker worker(list, this);
    struct Case {
        AddrBook_Type book;
        std::size_t packets;
    };
    const Case cases[] = {{stationsBook(3, 1), 1}, {bookOf(3, 14), 1}, {bookOf(2, 15), 2}, {stationsBook(30, 10), 5}};
    int updates = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(bookImageSize(c.book));
        site->clearTraffic();
        const Vec want = BuildBookImage(c.book, target, deviceRecords(list));
        postDownloadAddrBook(worker, list, list.findByIp(target), c.book);
        worker.waitIdle();
        ASSERT_TRUE(eventually([&] { return site->device(target)->addrBookUpdates == updates + 1; }));
        ++updates;
        EXPECT_EQ(want, site->device(target)->addrBook);
        const auto packets = bookPackets(target);
        ASSERT_EQ(c.packets, packets.size());
        for (std::size_t k = 0; k < packets.size(); ++k)
            EXPECT_TRUE(packets[k].packetCount == c.packets && packets[k].packetNo == k + 1 &&
                        packets[k].length == 518 && packets[k].pollMark == 0) << k;
        const auto pad = static_cast<long>(c.packets * 512 - want.size());
        const Vec& last = packets.back().payload;
        EXPECT_EQ(Vec(static_cast<std::size_t>(pad), 0), Vec(last.end() - pad, last.end())) << "zero past the image";
        EXPECT_TRUE(log.contains("Address book size:" + std::to_string(want.size())));
    }
    EXPECT_EQ(2, BuildBookImage(cases[0].book, target, deviceRecords(list))[74]) << "the station leaves itself out";
    EXPECT_EQ(4u, log.count("Station 1(127.0.0.41) download address book successfully."));

    site->clearTraffic();
    postClearAddrBook(worker, list, list.findByIp(target));
    worker.waitIdle();
    ASSERT_TRUE(eventually([&] { return site->device(target)->addrBookUpdates == updates + 1; }));
    EXPECT_EQ(emptyBookImage(), site->device(target)->addrBook);
    const auto packets = bookPackets(target);
    ASSERT_EQ(1u, packets.size());
    EXPECT_TRUE(packets[0].packetCount == 1 && packets[0].packetNo == 1);
    const auto station = site->device(target).value();
    Vec payload(station.info.mac(), station.info.mac() + 6);
    const Vec empty = emptyBookImage();
    payload.insert(payload.end(), empty.begin(), empty.end());
    EXPECT_EQ(payload, packets[0].payload);
    EXPECT_TRUE(log.contains("Station 1(127.0.0.41) cleared address book successfully."));
    EXPECT_EQ(std::vector<std::string>({"downloaded 0", "downloaded 0", "downloaded 0", "downloaded 0", "cleared 0"}),
              results);
}

TEST_F(AddrBookTransferTest, FailuresAreResultsAndLaterChangesDoNotLeak)
{
    LogRecorder log;
    ProtocolWorker worker(list, this);
    // A destination no datagram may go to without the broadcast option.
    auto unreachable = std::make_shared<DeviceItem_Type>();
    unreachable->devItem = record(9, ip("127.0.0.49"), "Nowhere");
    unreachable->ip = kBroadcastTarget;
    unreachable->localIp = "127.0.0.1";
    list.insertManual(unreachable);
    postDownloadAddrBook(worker, list, unreachable, stationsBook(1, 3));
    postClearAddrBook(worker, list, unreachable);
    postDownloadAddrBook(worker, list, list.findByIp(target), bookOf(2, 1359));

    // The job works on what was posted while the caller changes its book and the list.
    AddrBook_Type book = stationsBook(2, 1);
    const Vec want = BuildBookImage(book, target, deviceRecords(list));
    postDownloadAddrBook(worker, list, list.findByIp(target), book);
    book.broadcast.clear();
    for (const auto& i : list.snapshot()) {
        std::lock_guard lock(list.mutex());
        i->devItem.setDevNo(i->devItem.devNo() + 1000);
    }
    worker.waitIdle();
    EXPECT_EQ((std::vector<std::string>{"downloaded " + std::to_string(RES_SEND_FAIL),
                                        "cleared " + std::to_string(RES_SEND_FAIL),
                                        "downloaded " + std::to_string(RES_BOOK_TOO_LARGE), "downloaded 0"}),
              results);
    EXPECT_EQ(1u, log.count("Nowhere(127.0.0.49) download address book failed\xEF\xBC\x81"));
    EXPECT_EQ(1u, log.count("Nowhere(127.0.0.49) failed to clear the address book\xEF\xBC\x81"));
    EXPECT_EQ(1u, log.count("Station 1(127.0.0.41) download address book failed\xEF\xBC\x81"));
    ASSERT_TRUE(eventually([&] { return site->device(target)->addrBookUpdates == 1; }));
    EXPECT_EQ(1u, bookPackets(target).size()) << "the oversized book sent nothing";
    EXPECT_EQ(want, site->device(target)->addrBook);
}

// Stations acknowledge nothing; with the station check, a transfer counts as
// done only when the station still answers afterwards.
TEST_F(AddrBookTransferTest, StationCheckTellsASilentStationFromOneThatAnswers)
{
    protocolConfig().timing.confirmWindowMs = 600;
    LogRecorder log;
    ProtocolWorker worker(list, this);
    const AddrBook_Type book = stationsBook(1, 1);
    postDownloadAddrBook(worker, list, list.findByIp(target), book, true);
    postClearAddrBook(worker, list, list.findByIp(target), true);
    worker.waitIdle();
    fault(target, [](auto& f) { f.dropRate = 1.0; }); // switched off: everything is sent, nothing arrives
    postDownloadAddrBook(worker, list, list.findByIp(target), book, true);
    postClearAddrBook(worker, list, list.findByIp(target), true);
    postDownloadAddrBook(worker, list, list.findByIp(target), book, false);
    worker.waitIdle();
    const std::string silent = std::to_string(RES_BOOK_STATION_SILENT);
    EXPECT_EQ((std::vector<std::string>{"downloaded 0", "cleared 0", "downloaded " + silent, "cleared " + silent,
                                        "downloaded 0"}),
              results);
    EXPECT_EQ(2u, log.count("Station 1(127.0.0.41) did not answer after the address book was sent."));
    EXPECT_EQ(2u, static_cast<std::size_t>(site->device(target)->addrBookUpdates)) << "what the deaf station missed";
    EXPECT_EQ("the station did not answer afterwards", bookResultText(RES_BOOK_STATION_SILENT));
    EXPECT_EQ("a packet could not be sent", bookResultText(RES_SEND_FAIL));
}
