#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "SimTestSupport.h"
#include "devices/DeviceInfo.h"
#include "params/SysParaOffsets.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class SimProtocolTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        a = simDevice("127.0.0.31", 31, 31, "Lobby");
        b = simDevice("127.0.0.32", 32, 32, "Gate");
        b.modelText = "KS-530A";
        oldFw = simDevice("127.0.0.33", 33, 33, "Canteen");
        oldFw.firmware = "V1.0.7";
        remote = simDevice("127.20.0.34", 34, 34, "Branch");
        remote.mask = ip("255.255.255.0");
        remote.remote = true;
        startSite({a, b, oldFw, remote});
    }

    std::vector<std::uint8_t> readRecord(const sim::DeviceConfig& d)
    {
        Packet reply;
        EXPECT_EQ(RES_OK, unicast(d.ip, readPara(d.mac), reply));
        auto p = reply.payload();
        return {p.begin(), p.end()};
    }

    sim::DeviceConfig a, b, oldFw, remote;
};

} // namespace

TEST_F(SimProtocolTest, BroadcastSearchGetsOneReplyPerLocalDeviceFromItsOwnAddress)
{
    auto replies = broadcastSearch(4);
    std::map<std::uint32_t, DeviceInfo_Type> byIp;
    for (const auto& r : replies) {
        ASSERT_TRUE(PacketChecksumOk(r.bytes));
        EXPECT_EQ(CMD_SEARCH, readU16(r.bytes, hdr::command) & kCommandMask);
        EXPECT_EQ(kBroadcastTarget, readIp(r.bytes, hdr::targetIp));
        EXPECT_EQ(1, readU16(r.bytes, hdr::hdrFlag));
        ASSERT_EQ(devinfo::size, r.payload().size());
        auto info = DeviceInfo_Type::fromPayload(r.payload());
        EXPECT_EQ(r.fromIp, info.ip()) << "each reply leaves from the device's own address";
        byIp[info.ip()] = info;
    }
    ASSERT_EQ(3u, replies.size()) << "the remote device ignores broadcasts";
    ASSERT_EQ(3u, byIp.size());
    EXPECT_EQ(site->device(b.ip)->info.raw, byIp.at(b.ip).raw);
    EXPECT_EQ("KS-530A", byIp.at(b.ip).modelText());
    EXPECT_TRUE(site->traffic(remote.ip).empty());
}

TEST_F(SimProtocolTest, ReadAnswersOnlyTheMatchingMacWithTheRecordOfItsLayout)
{
    // The fields within are read back by the worker and CLI parameter tests.
    EXPECT_EQ(436u, readRecord(a).size());
    EXPECT_EQ(392u, readRecord(oldFw).size());

    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(a.ip, readPara(b.mac), reply));
    auto t = site->traffic(a.ip);
    ASSERT_EQ(2u, t.size()) << "the device saw the request even though it was not for it";
    EXPECT_EQ(std::vector<std::uint8_t>(b.mac.begin(), b.mac.end()), t[1].payload);
}

TEST_F(SimProtocolTest, WriteThenApplyMovesTheDeviceToItsNewIdentity)
{
    auto rec = readRecord(a);
    const auto& L = kLayout436;
    const std::uint32_t newIp = ip("127.0.0.41");
    writeI32(rec, L.devNo, 4141);
    writeFixedText(rec, L.devName, 16, "Main Hall");
    writeIp(rec, L.ip, newIp);
    rec[L.groupNos] = 7;
    writeFixedText(rec, L.version, kSysParaVersionWidth, "V9.9.9"); // the device keeps its own version

    Packet reply;
    ASSERT_EQ(RES_OK, unicast(a.ip, requestWith(CMD_WRITE_SYS_PARA, rec), reply));
    EXPECT_EQ(0, reply.length());
    ASSERT_TRUE(site->device(a.ip)->pendingPara);
    EXPECT_EQ(31, site->device(a.ip)->info.devNo()) << "nothing changes before the apply";

    sendOnly(requestWith(CMD_APPLY_SYS_PARA, a.mac), a.ip);
    ASSERT_TRUE(eventually([&] { return site->device(newIp).has_value(); }));

    std::map<std::uint32_t, std::pair<std::uint32_t, DeviceInfo_Type>> found;
    for (const auto& r : broadcastSearch(3))
        found[DeviceInfo_Type::fromPayload(r.payload()).ip()] = {r.fromIp, DeviceInfo_Type::fromPayload(r.payload())};
    ASSERT_TRUE(found.count(newIp));
    EXPECT_FALSE(found.count(a.ip));
    const auto& [from, info] = found.at(newIp);
    EXPECT_EQ(newIp, from);
    EXPECT_EQ(4141, info.devNo());
    EXPECT_EQ("Main Hall", info.devName());
    EXPECT_EQ(7, info.groupNo(0));
    EXPECT_EQ("V2.0.1", info.firmwareVersion());

    auto snap = site->device(newIp);
    EXPECT_FALSE(snap->pendingPara);
    EXPECT_EQ("V2.0.1", readFixedText(snap->sysPara, L.version, kSysParaVersionWidth));
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(a.ip, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
    EXPECT_EQ(RES_OK, unicast(newIp, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
}

TEST_F(SimProtocolTest, WritesOfTheWrongSizeOrAppliesForAnotherMacChangeNothing)
{
    auto rec = readRecord(a);
    Packet reply;
    rec.resize(392);
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(a.ip, requestWith(CMD_WRITE_SYS_PARA, rec), reply));
    EXPECT_FALSE(site->device(a.ip)->pendingPara);

    auto short392 = readRecord(oldFw);
    writeI32(short392, kLayout392.devNo, 3333);
    ASSERT_EQ(RES_OK, unicast(oldFw.ip, requestWith(CMD_WRITE_SYS_PARA, short392), reply));
    sendOnly(requestWith(CMD_APPLY_SYS_PARA, b.mac), oldFw.ip); // not this device's MAC
    sendOnly(requestWith(CMD_APPLY_SYS_PARA, oldFw.mac), b.ip);  // this MAC, wrong device
    ASSERT_EQ(RES_OK, unicast(oldFw.ip, Packet::request(CMD_SEARCH, 0, kPollMark), reply)); // both were handled
    EXPECT_EQ(33, DeviceInfo_Type::fromPayload(reply.payload()).devNo());
    EXPECT_TRUE(site->device(oldFw.ip)->pendingPara);

    sendOnly(requestWith(CMD_APPLY_SYS_PARA, oldFw.mac), oldFw.ip);
    ASSERT_TRUE(eventually([&] { return site->device(oldFw.ip)->info.devNo() == 3333; }));
    EXPECT_EQ(392, site->device(oldFw.ip)->layout);
}

// A MAC change in both layouts, taken in and answered under the new MAC, is
// WorkerTest's; the simulator also refuses one whose old MAC is another's.
TEST_F(SimProtocolTest, AMacChangeCarryingAnotherDevicesMacIsRefused)
{
    auto rec = readRecord(b);
    rec.insert(rec.end(), a.mac.begin(), a.mac.end());
    rec.resize(448, 0);
    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(b.ip, requestWith(CMD_WRITE_SYS_PARA, rec), reply));
}

namespace {

// A "BOOK" image of the given size, recognisable byte by byte.
std::vector<std::uint8_t> bookImage(std::size_t size)
{
    std::vector<std::uint8_t> img(size);
    for (std::size_t i = 0; i < size; ++i)
        img[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::memcpy(img.data(), "BOOK", 4);
    writeU16(img, 4, static_cast<std::uint16_t>(size));
    return img;
}

void sendBook(const sim::DeviceConfig& d, const std::vector<std::uint8_t>& img)
{
    const std::size_t packets = (img.size() + 511) / 512;
    for (std::size_t k = 1; k <= packets; ++k) {
        std::vector<std::uint8_t> payload(d.mac.begin(), d.mac.end());
        payload.resize(6 + 512, 0);
        const std::size_t from = (k - 1) * 512, n = std::min<std::size_t>(512, img.size() - from);
        std::copy_n(img.begin() + static_cast<long>(from), n, payload.begin() + 6);
        sendOnly(requestWith(CMD_ADDR_BOOK, payload, 0, static_cast<std::uint16_t>(packets),
                             static_cast<std::uint16_t>(k)),
                 d.ip);
    }
}

} // namespace

// Books assembled from their packets and cleared are AddrBookTransferTest's;
// here an image that is no book, which no front end sends.
TEST_F(SimProtocolTest, AnImageThatIsNoBookIsNotStored)
{
    auto notBook = bookImage(100);
    notBook[0] = 'X';
    sendBook(b, notBook);
    ASSERT_TRUE(eventually([&] { return site->device(b.ip)->addrBookRejected == 1; }));
    EXPECT_EQ(0, site->device(b.ip)->addrBookUpdates);
    EXPECT_EQ(1u, site->traffic(b.ip).size()) << "the packet is in the traffic record";
}

TEST_F(SimProtocolTest, TrafficRecordKeepsEveryDatagramInOrder)
{
    site->clearTraffic();
    Packet reply;
    ASSERT_EQ(RES_OK, unicast(a.ip, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
    broadcastSearch(3);
    ASSERT_EQ(RES_OK, unicast(a.ip, readPara(a.mac), reply));

    // The fields the other tests assert on are those of every datagram; here the sender and the order.
    auto t = site->traffic(a.ip);
    ASSERT_EQ(3u, t.size());
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_SEARCH, CMD_SEARCH, CMD_READ_SYS_PARA}), commandsOf(t));
    EXPECT_EQ(ip("127.0.0.1"), t[0].fromIp);
    EXPECT_EQ((std::vector<bool>{false, true}), (std::vector<bool>{t[0].broadcast, t[1].broadcast}));
    EXPECT_TRUE(t[0].seq < t[1].seq && t[1].seq < t[2].seq);

    auto all = site->traffic();
    EXPECT_EQ(5u, all.size()); // the broadcast reached three devices
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](auto& x, auto& y) { return x.seq < y.seq; }));
    const std::string line = sim::trafficJsonLine(t[2]);
    EXPECT_NE(std::string::npos, line.find("\"name\":\"CMD_READ_SYS_PARA\""));
    EXPECT_NE(std::string::npos, line.find("\"device\":\"127.0.0.31\""));
    EXPECT_EQ(std::string::npos, line.find('\n'));

    site->clearTraffic();
    EXPECT_TRUE(site->traffic().empty());
}

TEST_F(SimProtocolTest, DevicesComeAndGoWhileTheSiteRuns)
{
    auto extra = simDevice("127.0.0.39", 39, 39);
    std::string error;
    ASSERT_TRUE(site->addDevice(extra, &error)) << error;
    EXPECT_EQ(4u, broadcastSearch(4).size());
    EXPECT_FALSE(site->addDevice(extra, &error));
    EXPECT_NE(std::string::npos, error.find("already in use"));
    ASSERT_TRUE(site->removeDevice(extra.ip));
    EXPECT_FALSE(site->removeDevice(extra.ip));
    EXPECT_EQ(3u, broadcastSearch().size());

    // Not in any served subnet, or on an interface the site does not serve.
    auto far = simDevice("10.77.0.5", 5, 5);
    EXPECT_FALSE(site->addDevice(far, &error));
    EXPECT_NE(std::string::npos, error.find("10.77.0.5: no served interface"));
    far.ip = ip("127.0.0.45");
    far.iface = "eth7";
    EXPECT_FALSE(site->addDevice(far, &error));
    EXPECT_NE(std::string::npos, error.find("\"eth7\" is not served"));

    // start and stop are idempotent; a stopped site answers nothing.
    ASSERT_TRUE(site->start());
    site->stop();
    site->stop();
    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(a.ip, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
}
