#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <thread>

#include "addrbook/AddrBook.h"
#include "devices/DeviceList.h"
#include "protocol/ProtocolWorker.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "support/SimFixture.h"

using namespace aulira;
using namespace aulira::test;

namespace {

using Vec = std::vector<std::uint8_t>;

void put16(Vec& v, std::uint16_t x)
{
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(Vec& v, std::uint32_t x)
{
    put16(v, static_cast<std::uint16_t>(x));
    put16(v, static_cast<std::uint16_t>(x >> 16));
}
void putName(Vec& v, const std::string& n)
{
    v.insert(v.end(), n.begin(), n.end());
    v.resize(v.size() + 16 - n.size(), 0);
}

GroupItem_Type group(int no, const char* name)
{
    GroupItem_Type g;
    g.header.id = static_cast<std::uint32_t>(no);
    g.header.setNameBytes(name);
    return g;
}

DeviceInfo_Type record(int no, std::uint32_t addr, const char* name)
{
    DeviceInfo_Type d;
    d.setDevNo(no);
    d.setIp(addr);
    d.setDevName(name);
    return d;
}

// Device n of a made-up site: 10.1.0.0 + n, number 100 + n.
std::uint32_t siteIp(int n) { return ipFromHostOrder(0x0A010000u + static_cast<std::uint32_t>(n)); }

AddrBook_Type bookOf(int groups, int broadcast, int intercom)
{
    AddrBook_Type b{.name = "B"};
    for (int i = 1; i <= groups; ++i)
        b.groups.push_back(groupEntry(group(i, ("G" + std::to_string(i)).c_str())));
    for (int i = 1; i <= broadcast; ++i)
        b.broadcast.push_back(deviceEntry(record(100 + i, siteIp(i), ("D" + std::to_string(i)).c_str())));
    for (int i = 1; i <= intercom; ++i)
        b.intercom.push_back(deviceEntry(record(100 + i, siteIp(i), ("D" + std::to_string(i)).c_str())));
    return b;
}

std::vector<DeviceInfo_Type> siteRecords(int n)
{
    std::vector<DeviceInfo_Type> out;
    for (int i = 1; i <= n; ++i)
        out.push_back(record(100 + i, siteIp(i), ("D" + std::to_string(i)).c_str()));
    return out;
}

} // namespace

TEST(AddrBookImage, ThreeGroupsMake78Bytes)
{
    const AddrBook_Type b = bookOf(3, 0, 0);
    EXPECT_EQ(78u, bookImageSize(b));
    Vec want{'B', 'O', 'O', 'K'};
    for (std::uint16_t x : {78, 12, 74, 76, 3})
        put16(want, x);
    for (int i = 1; i <= 3; ++i) {
        put32(want, static_cast<std::uint32_t>(i));
        putName(want, "G" + std::to_string(i));
    }
    put16(want, 0); // no broadcast devices
    put16(want, 0); // no intercom devices
    EXPECT_EQ(want, BuildBookImage(b, siteIp(1), {}));
}

TEST(AddrBookImage, TargetIsLeftOutAndNumbersAreLookedUp)
{
    AddrBook_Type b = bookOf(1, 10, 0);
    b.intercom.push_back(deviceEntry(record(0, ip("10.9.9.9"), "Elsewhere"))); // no such device in the list
    b.intercom.push_back(b.broadcast[3]);                                     // the target again
    const auto devices = siteRecords(10);
    EXPECT_EQ(20u + 18 + 240 + 96 + 48 + 96, bookImageSize(b));

    const Vec image = BuildBookImage(b, siteIp(4), devices);
    ASSERT_EQ(bookImageSize(b), image.size());
    Vec want{'B', 'O', 'O', 'K'};
    const std::uint16_t bcast = 14 + 20, icom = bcast + 2 + 24 * 9;
    for (std::uint16_t x : {static_cast<std::uint16_t>(image.size()), std::uint16_t(12), bcast, icom, std::uint16_t(1)})
        put16(want, x);
    put32(want, 1);
    putName(want, "G1");
    put16(want, 9);
    for (int i = 1; i <= 10; ++i) {
        if (i == 4)
            continue;
        put32(want, 100u + static_cast<std::uint32_t>(i));
        put32(want, siteIp(i));
        putName(want, "D" + std::to_string(i));
    }
    put16(want, 1);
    put32(want, kUnknownDeviceNo);
    put32(want, ip("10.9.9.9"));
    putName(want, "Elsewhere");
    want.resize(image.size(), 0); // 24 per entry left out and 96 per device list: zeros
    EXPECT_EQ(want, image);

    // One group and ten broadcast devices, downloaded into one of them.
    const AddrBook_Type ten = bookOf(1, 10, 0);
    const Vec img = BuildBookImage(ten, siteIp(10), devices);
    ASSERT_EQ(374u, img.size());
    EXPECT_EQ(374, img[4] | img[5] << 8);
    EXPECT_EQ(9, img[34] | img[35] << 8);
    EXPECT_EQ(bcast + 2 + 24 * 9, img[10] | img[11] << 8);
    EXPECT_EQ(Vec(374 - 254, 0), Vec(img.begin() + 254, img.end()));

    // The first device of the list with the address gives the number.
    auto twice = devices;
    twice.insert(twice.begin(), record(7, siteIp(2), "Older"));
    const Vec first = BuildBookImage(ten, 0, twice);
    EXPECT_EQ(7u, readU32(first, 36 + 24));
}

TEST(AddrBookImage, EmptyImageAndSizeLimit)
{
    EXPECT_EQ((Vec{'B', 'O', 'O', 'K', 18, 0, 12, 0, 14, 0, 16, 0, 0, 0, 0, 0, 0, 0}), emptyBookImage());

    // S = 20G + 18 + 24C + 96 is never a multiple of four, so the sizes around
    // the limits are 2 short of and 2 past them.
    const AddrBook_Type under = bookOf(3, 14, 0), over = bookOf(2, 15, 0);
    EXPECT_EQ(510u, bookImageSize(under));
    EXPECT_EQ(514u, bookImageSize(over));
    EXPECT_EQ(1u, bookPacketCount(510));
    EXPECT_EQ(1u, bookPacketCount(512));
    EXPECT_EQ(2u, bookPacketCount(513));
    EXPECT_EQ(2u, bookPacketCount(514));
    EXPECT_EQ(64u, bookPacketCount(32768));

    const AddrBook_Type largest = bookOf(3, 1358, 0), tooLarge = bookOf(2, 1359, 0);
    ASSERT_EQ(32766u, bookImageSize(largest));
    ASSERT_EQ(32770u, bookImageSize(tooLarge));
    EXPECT_EQ(0, checkBookDownload(&largest, true));
    EXPECT_EQ(IDS_BOOK_TOO_LARGE, checkBookDownload(&tooLarge, true));
    EXPECT_EQ(32766u, BuildBookImage(largest, 0, {}).size());
    EXPECT_TRUE(BuildBookImage(tooLarge, 0, {}).empty());
    EXPECT_STREQ("Address book size exceeds capacity!\n\n", stringText(IDS_BOOK_TOO_LARGE));

    // The dialog's order: the book, then the device, then the size.
    EXPECT_EQ(IDS_BOOK_NONE_SELECTED, checkBookDownload(nullptr, false));
    EXPECT_EQ(IDS_BOOK_NO_DEVICE_SELECTED, checkBookDownload(&tooLarge, false));
    EXPECT_STREQ("No address book selected!\n\n", stringText(IDS_BOOK_NONE_SELECTED));
    EXPECT_STREQ("No device selected for download!\n\n", stringText(IDS_BOOK_NO_DEVICE_SELECTED));
}

TEST(AddrBookRules, NameAndSelection)
{
    AddrBookList books{{.name = "Lobby"}};
    EXPECT_EQ(IDS_BOOK_NAME_EMPTY, checkBookName(books, ""));
    EXPECT_EQ(IDS_BOOK_NAME_EXISTS, checkBookName(books, "Lobby"));
    EXPECT_EQ(0, checkBookName(books, "lobby")) << "names compare case-sensitively";
    EXPECT_EQ(0, checkBookName(books, " Lobby")) << "names are not trimmed";
    EXPECT_STREQ("The address book name cannot be empty!\n\n", stringText(IDS_BOOK_NAME_EMPTY));
    EXPECT_STREQ("An address book with that name already exists!\n\n", stringText(IDS_BOOK_NAME_EXISTS));

    EXPECT_EQ(IDS_BOOK_NOTHING_SELECTED, checkBookSelection(AddrBook_Type{}));
    EXPECT_STREQ("No group or device selected!\n\n", stringText(IDS_BOOK_NOTHING_SELECTED));
    EXPECT_EQ(0, checkBookSelection(bookOf(1, 0, 0)));
    EXPECT_EQ(0, checkBookSelection(bookOf(0, 1, 0)));
    EXPECT_EQ(0, checkBookSelection(bookOf(0, 0, 1)));

    // A device entry: kind 1, zero reserved bytes, the address, the name cut to 15 bytes.
    const DevItem_Type e = deviceEntry(record(5, ip("10.0.0.5"), "A name of twenty by"));
    Vec bytes(24, 0xAA);
    e.write(bytes, 0);
    Vec want{1, 0, 0, 0, 10, 0, 0, 5};
    putName(want, "A name of twent");
    EXPECT_EQ(want, bytes);
    const GroupItem_Type g = group(9, "Hall");
    EXPECT_EQ(g.header, groupEntry(g));
}

TEST(AddrBookRules, StaleNamesAreBroughtUpToDate)
{
    AddrBook_Type b = bookOf(2, 2, 1);
    b.groups.push_back(groupEntry(group(2, "Second copy")));
    b.broadcast.push_back(deviceEntry(record(0, ip("10.9.9.9"), "Gone")));
    const AddrBook_Type before = b;

    GroupList groups{group(1, "G1"), group(2, "Renamed")};
    auto devices = siteRecords(2);
    devices[0].setDevName("A much longer new name"); // 22 bytes: kept as 15
    EXPECT_TRUE(refreshBookNames(b, groups, devices));
    EXPECT_EQ("Renamed", b.groups[1].nameBytes());
    EXPECT_EQ("Second copy", b.groups[2].nameBytes()) << "only the first entry of a number";
    EXPECT_EQ("A much longer n", b.broadcast[0].nameBytes());
    EXPECT_EQ("A much longer n", b.intercom[0].nameBytes());
    EXPECT_EQ("D2", b.broadcast[1].nameBytes());
    EXPECT_EQ(before.broadcast[2], b.broadcast[2]) << "an entry nothing matches stays";
    EXPECT_EQ(before.groups.size(), b.groups.size());

    // Once up to date, showing the book again changes nothing.
    EXPECT_FALSE(refreshBookNames(b, groups, devices));
}

// Transfers against the simulator, through the protocol worker.
class AddrBookTransferTest : public SimFixture, public WorkerListener {
protected:
    void SetUp() override
    {
        useFastTiming();
        std::vector<sim::DeviceConfig> devices;
        for (int i = 1; i <= 3; ++i)
            devices.push_back(simDevice(("127.0.0." + std::to_string(40 + i)).c_str(), 40 + i,
                                        static_cast<std::uint32_t>(40 + i), ("Station " + std::to_string(i)).c_str()));
        startSite(devices, sim::SiteOptions{.keepTraffic = true});
        for (const auto& d : devices) {
            auto item = std::make_shared<DeviceItem_Type>();
            item->devItem = site->device(d.ip)->info;
            item->ip = d.ip;
            item->localIp = "127.0.0.1";
            item->state = STATE_SAVED_FOUND;
            list.insertManual(item);
        }
    }

    DeviceItemPtr item(const char* addr) { return list.findByIp(ip(addr)); }

    void onBookDownloaded(int r) override
    {
        std::lock_guard lock(m);
        results.push_back("downloaded " + std::to_string(r));
    }
    void onBookCleared(int r) override
    {
        std::lock_guard lock(m);
        results.push_back("cleared " + std::to_string(r));
    }

    std::vector<sim::TrafficEntry> bookPackets(const char* addr)
    {
        std::vector<sim::TrafficEntry> out;
        for (const auto& e : site->traffic(ip(addr)))
            if (e.command == CMD_ADDR_BOOK)
                out.push_back(e);
        return out;
    }

    // Packets are sent without replies; they arrive shortly after.
    bool eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 500 && !condition(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return condition();
    }

    AddrBook_Type stationsBook(int groups, int copies)
    {
        AddrBook_Type b = bookOf(groups, 0, 0);
        const auto records = deviceRecords(list);
        for (int k = 0; k < copies; ++k)
            for (const auto& r : records) {
                b.broadcast.push_back(deviceEntry(r));
                b.intercom.push_back(deviceEntry(r));
            }
        return b;
    }

    DeviceList list;
    std::mutex m;
    std::vector<std::string> results;
};

TEST_F(AddrBookTransferTest, DownloadStoresTheBuiltImage)
{
    LogRecorder log;
    ProtocolWorker worker(list, this);
    const AddrBook_Type book = stationsBook(3, 1);
    const Vec want = BuildBookImage(book, ip("127.0.0.42"), deviceRecords(list));
    EXPECT_EQ(78u + 2 * (3 * 24 + 96), bookImageSize(book));
    ASSERT_EQ(bookImageSize(book), want.size());
    EXPECT_EQ(2, want[14 + 60]) << "the target is left out of both device lists";

    postDownloadAddrBook(worker, list, item("127.0.0.42"), book);
    worker.waitIdle();
    EXPECT_EQ(std::vector<std::string>{"downloaded 0"}, results);
    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.42"))->addrBookUpdates == 1; }));
    EXPECT_EQ(want, site->device(ip("127.0.0.42"))->addrBook);

    const auto packets = bookPackets("127.0.0.42");
    ASSERT_EQ(1u, packets.size());
    EXPECT_EQ(1, packets[0].packetCount);
    EXPECT_EQ(1, packets[0].packetNo);
    EXPECT_EQ(518, packets[0].length);
    EXPECT_EQ(0, packets[0].pollMark);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), packets[0].payload.begin() + 6));
    EXPECT_EQ(Vec(512 - want.size(), 0), Vec(packets[0].payload.begin() + 6 + static_cast<long>(want.size()),
                                             packets[0].payload.end()))
        << "the packet is zero past the image";
    EXPECT_TRUE(log.contains("Address book size:" + std::to_string(want.size())));
    EXPECT_TRUE(log.contains("Station 2(127.0.0.42) download address book successfully."));
}

TEST_F(AddrBookTransferTest, ImagesAreSplitInto512BytePackets)
{
    ProtocolWorker worker(list, this);
    struct Case {
        AddrBook_Type book;
        std::size_t packets;
    };
    const std::vector<Case> cases{
        {stationsBook(1, 0), 1},   // 38 bytes
        {bookOf(3, 14, 0), 1},     // 510: the largest image short of a second packet
        {bookOf(2, 15, 0), 2},     // 514
        {stationsBook(30, 10), 5}, // 2250
    };
    for (const auto& c : cases) {
        site->clearTraffic();
        SCOPED_TRACE(bookImageSize(c.book));
        const int before = site->device(ip("127.0.0.41"))->addrBookUpdates;
        postDownloadAddrBook(worker, list, item("127.0.0.41"), c.book);
        worker.waitIdle();
        ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.41"))->addrBookUpdates == before + 1; }));
        EXPECT_EQ(BuildBookImage(c.book, ip("127.0.0.41"), deviceRecords(list)),
                  site->device(ip("127.0.0.41"))->addrBook);
        const auto packets = bookPackets("127.0.0.41");
        ASSERT_EQ(c.packets, packets.size());
        for (std::size_t k = 0; k < packets.size(); ++k) {
            EXPECT_EQ(c.packets, packets[k].packetCount);
            EXPECT_EQ(k + 1, packets[k].packetNo);
            EXPECT_EQ(518, packets[k].length);
        }
    }
    EXPECT_EQ(4u, results.size());
}

TEST_F(AddrBookTransferTest, ClearSendsOneEmptyImage)
{
    LogRecorder log;
    ProtocolWorker worker(list, this);
    postDownloadAddrBook(worker, list, item("127.0.0.43"), stationsBook(2, 1));
    postClearAddrBook(worker, list, item("127.0.0.43"));
    worker.waitIdle();
    EXPECT_EQ((std::vector<std::string>{"downloaded 0", "cleared 0"}), results);
    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.43"))->addrBookUpdates == 2; }));
    EXPECT_EQ(emptyBookImage(), site->device(ip("127.0.0.43"))->addrBook);

    const auto packets = bookPackets("127.0.0.43");
    ASSERT_EQ(2u, packets.size());
    const auto& clear = packets[1];
    EXPECT_EQ(1, clear.packetCount);
    EXPECT_EQ(1, clear.packetNo);
    EXPECT_EQ(24, clear.length);
    const auto station = site->device(ip("127.0.0.43")).value();
    Vec want(station.info.mac(), station.info.mac() + 6);
    const Vec empty = emptyBookImage();
    want.insert(want.end(), empty.begin(), empty.end());
    EXPECT_EQ(want, clear.payload);
    EXPECT_TRUE(log.contains("Address book size:18"));
    EXPECT_TRUE(log.contains("Station 3(127.0.0.43) cleared address book successfully."));
}

TEST_F(AddrBookTransferTest, FailuresAreResultsAndNothingIsSent)
{
    LogRecorder log;
    ProtocolWorker worker(list, this);
    // A destination no datagram may go to without the broadcast option.
    auto unreachable = std::make_shared<DeviceItem_Type>();
    unreachable->devItem = record(9, ip("127.0.0.49"), "Nowhere");
    unreachable->ip = kBroadcastTarget;
    unreachable->localIp = "127.0.0.1";
    list.insertManual(unreachable);

    postDownloadAddrBook(worker, list, unreachable, stationsBook(1, 3)); // two packets' worth
    postClearAddrBook(worker, list, unreachable);
    postDownloadAddrBook(worker, list, item("127.0.0.41"), bookOf(2, 1359, 0));
    worker.waitIdle();
    EXPECT_EQ((std::vector<std::string>{"downloaded " + std::to_string(RES_SEND_FAIL),
                                        "cleared " + std::to_string(RES_SEND_FAIL),
                                        "downloaded " + std::to_string(RES_BOOK_TOO_LARGE)}),
              results);
    EXPECT_EQ(1u, log.count("Nowhere(127.0.0.49) download address book failed\xEF\xBC\x81"));
    EXPECT_EQ(1u, log.count("Nowhere(127.0.0.49) failed to clear the address book\xEF\xBC\x81"));
    EXPECT_TRUE(log.contains("Station 1(127.0.0.41) download address book failed\xEF\xBC\x81"));
    EXPECT_TRUE(bookPackets("127.0.0.41").empty());
}

TEST_F(AddrBookTransferTest, WorkerUsesWhatWasPostedNotLaterChanges)
{
    ProtocolWorker worker(list, this);
    AddrBook_Type book = stationsBook(2, 1);
    const Vec want = BuildBookImage(book, ip("127.0.0.41"), deviceRecords(list));
    DeviceItemPtr target = item("127.0.0.41");
    postDownloadAddrBook(worker, list, target, book);
    // The caller goes on changing its book and the list while the job runs.
    book.broadcast.clear();
    book.name = "changed";
    for (const auto& i : list.snapshot()) {
        std::lock_guard lock(list.mutex());
        i->devItem.setDevNo(i->devItem.devNo() + 1000);
    }
    worker.waitIdle();
    ASSERT_TRUE(eventually([&] { return site->device(ip("127.0.0.41"))->addrBookUpdates == 1; }));
    EXPECT_EQ(want, site->device(ip("127.0.0.41"))->addrBook);
}
