#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "devices/DeviceInfo.h"
#include "params/SysParaOffsets.h"
#include "support/UpgradeFiles.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class SimUpgradeTest : public SimFixture {
protected:
    void SetUp() override
    {
        useFastTiming();
        term = simDevice("127.0.0.51", 51, 51, "Hall");
        term.modelText = "KP-4410";
        term.typeCode = 5;
        old = simDevice("127.0.0.52", 52, 52, "Yard");
        old.firmware = "V1.0.6";
        station = simDevice("127.0.0.53", 53, 53, "Desk");
        station.modelText = "KS-530B";
        startSite({term, old, station});
        ASSERT_TRUE(sock.open());
        ASSERT_TRUE(sock.bind(std::string("127.0.0.1"), 0));
    }

    int onSocket(const sim::DeviceConfig& d, Packet req, Packet& reply)
    {
        return ExchangeOnSocket(sock, d.ip, site->port(), req, reply);
    }
    int onSocket(const sim::DeviceConfig& d, Packet req)
    {
        Packet reply;
        return onSocket(d, std::move(req), reply);
    }

    std::int32_t typeCode(const sim::DeviceConfig& d)
    {
        Packet reply;
        EXPECT_EQ(RES_OK, onSocket(d, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
        return DeviceInfo_Type::fromPayload(reply.payload()).typeCode();
    }

    // Header verdict in the reply's pollMark, or -1 without a reply.
    int sendHeader(const sim::DeviceConfig& d, const std::vector<std::uint8_t>& header, std::uint16_t packets)
    {
        Packet reply;
        if (onSocket(d, requestWith(CMD_UPGRADE_PACKET, header, 0, packets, 0), reply) != RES_OK)
            return -1;
        return reply.pollMark();
    }

    void sendImage(const sim::DeviceConfig& d, const std::vector<std::uint8_t>& image)
    {
        const std::size_t n = (image.size() + 1023) / 1024;
        for (std::size_t k = 1; k <= n; ++k) {
            const std::size_t from = (k - 1) * 1024, len = std::min<std::size_t>(1024, image.size() - from);
            ASSERT_EQ(RES_OK, onSocket(d, requestWith(CMD_UPGRADE_PACKET,
                                                      ConstBytes(image).subspan(from, len), 0,
                                                      static_cast<std::uint16_t>(n), static_cast<std::uint16_t>(k))))
                << "packet " << k;
        }
    }

    UdpSocket sock;
    sim::DeviceConfig term, old, station;
};

} // namespace

TEST_F(SimUpgradeTest, BootLoaderJudgesTheHeaderByModelText)
{
    EXPECT_EQ(2, sendHeader(term, upgradeHeader("KP-4410", "V2.2.0"), 3)) << "not in the boot loader";
    EXPECT_EQ(5, typeCode(term));
    ASSERT_EQ(RES_OK, onSocket(term, Packet::request(CMD_ENTER_BOOT)));
    EXPECT_EQ(static_cast<std::int32_t>(0x80000005u), typeCode(term)) << "bit 31 marks the boot loader";
    EXPECT_TRUE(site->device(term.ip)->inBoot);

    EXPECT_EQ(1, sendHeader(term, upgradeHeader("KP-4410A", "V2.2.0"), 3));
    EXPECT_EQ(1, sendHeader(term, upgradeHeader("kp-4410", "V2.2.0"), 3));
    EXPECT_EQ(0, sendHeader(term, upgradeHeader("KP-4410", "V2.2.0"), 3));

    // The boot loader does not serve the parameter commands.
    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, unicast(term.ip, readPara(term.mac), reply));

    fault(term.ip, [](auto& f) { f.headerVerdict = 7; });
    EXPECT_EQ(7, sendHeader(term, upgradeHeader("KP-4410", "V2.2.0"), 3));
}

TEST_F(SimUpgradeTest, ImageIsAssembledAndInstalled)
{
    ASSERT_EQ(RES_OK, onSocket(term, Packet::request(CMD_ENTER_BOOT)));
    const auto image = pattern(3000, 1); // packets of 1024, 1024 and 952 bytes
    const auto header = upgradeHeader("KP-4410", "V2.2.0");
    ASSERT_EQ(0, sendHeader(term, header, 3));
    // Packets without an accepted header, or numbered past the count, are not acknowledged.
    EXPECT_NE(RES_OK, onSocket(term, requestWith(CMD_UPGRADE_PACKET, ConstBytes(image).first(10), 0, 3, 4)));
    EXPECT_NE(RES_OK, onSocket(old, requestWith(CMD_UPGRADE_PACKET, ConstBytes(image).first(10), 0, 3, 1)));
    sendImage(term, image);

    auto s = site->device(term.ip);
    EXPECT_EQ(image, s->firmwareImage);
    EXPECT_EQ(header, s->upgradeHeader);
    EXPECT_EQ(1, s->upgradesInstalled);
    EXPECT_FALSE(s->inBoot);
    EXPECT_EQ("V2.2.0", s->info.firmwareVersion());
    EXPECT_EQ("V2.2.0", readFixedText(s->sysPara, 4, kSysParaVersionWidth));
    EXPECT_EQ(5, typeCode(term));

    // A last packet repeated after a lost acknowledgement is acknowledged again, and installs nothing new.
    ASSERT_EQ(RES_OK, onSocket(term, requestWith(CMD_UPGRADE_PACKET, ConstBytes(image).subspan(2048), 0, 3, 3)));
    EXPECT_EQ(1, site->device(term.ip)->upgradesInstalled);
}

TEST_F(SimUpgradeTest, UpgradeAcrossTheLayoutVersionMovesTheRecordFields)
{
    ASSERT_EQ(392u, site->device(old.ip)->sysPara.size());
    ASSERT_EQ(RES_OK, onSocket(old, Packet::request(CMD_ENTER_BOOT)));
    ASSERT_EQ(0, sendHeader(old, upgradeHeader("KP-4410", "V1.0.8"), 1));
    // An odd image: its pad byte travels with the last packet.
    auto image = pattern(129, 9);
    Packet reply;
    ASSERT_EQ(RES_OK, onSocket(old, requestWith(CMD_UPGRADE_PACKET, image, 0, 1, 1), reply));
    auto s = site->device(old.ip);
    ASSERT_EQ(130u, s->firmwareImage.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), s->firmwareImage.begin()));

    ASSERT_EQ(RES_OK, unicast(old.ip, readPara(old.mac), reply));
    ASSERT_EQ(436, reply.length());
    const ConstBytes rec = reply.payload();
    EXPECT_EQ("V1.0.8", readFixedText(rec, kLayout436.version, kSysParaVersionWidth));
    // Each field moves to its place in the long record (a shifted copy would put the name at the number).
    EXPECT_EQ("Yard", readFixedText(rec, kLayout436.devName, 16));
    EXPECT_EQ(old.ip, readIp(rec, kLayout436.ip));
}

TEST_F(SimUpgradeTest, UnreachableBootLoaderAnswersNothingForItsTime)
{
    fault(term.ip, [](auto& f) { f.bootUnreachableMs = 60000; });
    ASSERT_EQ(RES_OK, onSocket(term, Packet::request(CMD_ENTER_BOOT)));
    Packet reply;
    EXPECT_EQ(RES_RECV_TIMEOUT, onSocket(term, Packet::request(CMD_SEARCH, 0, kPollMark), reply));
    EXPECT_EQ(1u, site->traffic(term.ip).size()) << "requests of the unreachable time never arrive";
}

TEST_F(SimUpgradeTest, ScreenModeStatusAndRefusedPieces)
{
    Packet reply;
    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_STATUS), reply));
    EXPECT_EQ(1, reply.payload()[0] & 1) << "bit 0: not in boot mode";
    EXPECT_EQ(RES_RECV_TIMEOUT, onSocket(station, Packet::request(CMD_SCREEN_START)));
    EXPECT_EQ(RES_RECV_TIMEOUT, onSocket(term, Packet::request(CMD_SCREEN_STATUS))) << "a terminal has no screen";

    ASSERT_TRUE(site->setScreenBootMode(station.ip, true));
    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_STATUS), reply));
    EXPECT_EQ(0, reply.payload()[0] & 1);
    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_START)));

    // Whole images are UpgradeBatchTest's; here what no batch sends: a piece
    // past the buffer, a flash address below the base. Both are refused.
    std::vector<std::uint8_t> bad(4 + 2);
    writeU16(bad, 0, 2047);
    writeU16(bad, 2, 2);
    EXPECT_EQ(RES_RECV_TIMEOUT, onSocket(station, requestWith(CMD_SCREEN_WRITE_BUFFER, bad)));
    std::vector<std::uint8_t> low(6);
    writeU32(low, 0, 0x08004000);
    writeU16(low, 4, 16);
    EXPECT_EQ(RES_RECV_TIMEOUT, onSocket(station, requestWith(CMD_SCREEN_WRITE_FLASH, low)));

    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_END)));
    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_ENTER_APP)));
    EXPECT_EQ(1, site->device(station.ip)->screenUpgradesEnded);
    EXPECT_FALSE(site->device(station.ip)->screenBootMode) << "back in its application";
    ASSERT_EQ(RES_OK, onSocket(station, Packet::request(CMD_SCREEN_STATUS), reply));
    EXPECT_EQ(1, reply.payload()[0] & 1);
}

TEST_F(SimUpgradeTest, DeviceReportingBit31WaitsInItsBootLoader)
{
    sim::DeviceConfig stuck = simDevice("127.0.0.54", 54, 54, "Stuck");
    stuck.typeCode = static_cast<std::int32_t>(0x80000007u);
    ASSERT_TRUE(site->addDevice(stuck));
    EXPECT_TRUE(site->device(stuck.ip)->inBoot);
    EXPECT_EQ(stuck.typeCode, typeCode(stuck));
    // No enter-boot request: the header is judged at once, and the installed
    // image brings the application back with the plain type code.
    ASSERT_EQ(0, sendHeader(stuck, upgradeHeader("KP-4410", "V2.2.0"), 1));
    ASSERT_EQ(RES_OK, onSocket(stuck, requestWith(CMD_UPGRADE_PACKET, pattern(10, 3), 0, 1, 1)));
    EXPECT_FALSE(site->device(stuck.ip)->inBoot);
    EXPECT_EQ(7, typeCode(stuck));
}
