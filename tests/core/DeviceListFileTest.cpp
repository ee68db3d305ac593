#include <gtest/gtest.h>

#include "devices/DeviceList.h"
#include "devices/DeviceListFile.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::ip;

namespace {

DeviceListRecord record(int no, const char* addr)
{
    DeviceListRecord r;
    r.bParaExt = no % 2 ? 0xFFFFFFFFu : 0;
    r.ip = ip(addr);
    r.info.setDevNo(no);
    r.info.setIp(ip(addr));
    r.info.setMask(ip("255.255.255.0"));
    r.info.setDevName("Hall " + std::to_string(no));
    r.info.setWorkState(2);
    const std::uint8_t mac[6] = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(no)};
    r.info.setMac(mac);
    r.info.raw[200] = 0x5A; // a byte the program does not interpret travels unchanged
    return r;
}

} // namespace

TEST(DeviceListFile, LayoutOfTheFile)
{
    const auto bytes = encodeDeviceListFile({record(7, "10.0.0.5")});
    ASSERT_EQ(68u + 240u, bytes.size());
    EXPECT_EQ("device list file", std::string(reinterpret_cast<const char*>(bytes.data())));
    for (std::size_t i = 16; i < 64; ++i)
        EXPECT_EQ(0, bytes[i]);
    EXPECT_EQ(1u, readU32(bytes, 64));
    EXPECT_EQ(0xFFFFFFFFu, readU32(bytes, 68));       // bParaExt
    EXPECT_EQ(10, bytes[72]);                          // ip, first octet first
    EXPECT_EQ(5, bytes[75]);
    EXPECT_EQ(0u, readU32(bytes, 76));                 // searchOnly
    EXPECT_EQ(1u, readU32(bytes, 80));                 // has-record flag
    EXPECT_EQ(7, readI32(bytes, 84 + devinfo::devNo)); // the identity record follows
    EXPECT_EQ(0x5A, bytes[84 + 200]);

    const auto empty = encodeDeviceListFile({});
    EXPECT_EQ(68u, empty.size());
}

TEST(DeviceListFile, RoundTripAndANegativeCount)
{
    std::vector<DeviceListRecord> in{record(1, "10.0.0.1"), record(2, "192.168.7.200"), record(3, "10.0.0.3")};
    const auto bytes = encodeDeviceListFile(in);
    const auto out = decodeDeviceListFile(bytes);
    ASSERT_TRUE(out.magicOk);
    EXPECT_TRUE(out.complete);
    ASSERT_EQ(3u, out.records.size());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(in[i].bParaExt, out.records[i].bParaExt);
        EXPECT_EQ(in[i].ip, out.records[i].ip);
        EXPECT_EQ(in[i].info.raw, out.records[i].info.raw);
    }

    // A negative count reads nothing more.
    auto negative = bytes;
    writeU32(negative, 64, 0xFFFFFFFFu);
    EXPECT_TRUE(decodeDeviceListFile(negative).records.empty());
}

TEST(DeviceListFile, TruncationAtEveryOffsetKeepsTheCompleteRecords)
{
    const auto bytes = encodeDeviceListFile({record(1, "10.0.0.1"), record(2, "10.0.0.2")});
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const auto c = decodeDeviceListFile(ConstBytes(bytes.data(), n));
        if (n < 64) {
            EXPECT_FALSE(c.magicOk) << n;
            EXPECT_TRUE(c.records.empty()) << n;
        } else {
            const std::size_t whole = n < 68 ? 0 : (n - 68) / 240;
            EXPECT_TRUE(c.magicOk) << n;
            EXPECT_EQ(whole, c.records.size()) << "cut at " << n;
            EXPECT_FALSE(c.complete) << n;
        }
    }
}

TEST(DeviceListFile, ARecordWithoutIdentityEndsTheRead)
{
    auto bytes = encodeDeviceListFile({record(1, "10.0.0.1"), record(2, "10.0.0.2"), record(3, "10.0.0.3")});
    writeU32(bytes, 68 + 240 + 12, 0); // second record: has-record flag 0
    const auto c = decodeDeviceListFile(bytes);
    EXPECT_EQ(1u, c.records.size());
    EXPECT_FALSE(c.complete);
}

class DeviceListFileOnDisk : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path file() const { return dir.path() / "devices"; }
    // Adapter 10.0.0.100/24: 10.0.0.x devices are local.
    DeviceList list{[](std::uint32_t a, std::uint32_t m) { return (a & m) == (ip("10.0.0.0") & m); }};
};

TEST_F(DeviceListFileOnDisk, LoadedDevicesAreOfflineByTheirSubnet)
{
    auto local = record(1, "10.0.0.1");
    auto remote = record(2, "192.168.7.200");
    test::writeAll(file(), encodeDeviceListFile({local, remote}));
    list.load(file());
    auto items = list.snapshot();
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(STATE_LOCAL_OFFLINE, items[0]->state);
    EXPECT_EQ(STATE_REMOTE_OFFLINE, items[1]->state);
    // The stored activity said "Realtime playing.."; a loaded device reads "Offline".
    EXPECT_EQ("Offline", deviceColumns(*items[0])[8]);
    EXPECT_EQ("Address Book", deviceColumns(*items[0])[9]);
    EXPECT_EQ(-1, items[0]->paraExt);
    EXPECT_EQ(0, items[1]->paraExt);
    EXPECT_TRUE(items[0]->localIp.empty());
    EXPECT_EQ(0u, items[0]->unicastOk);
    EXPECT_FALSE(list.listModified());
}

TEST_F(DeviceListFileOnDisk, SaveWritesOnlySavedEntriesAndOnlyWhenChanged)
{
    // Nothing changed: no file at all.
    ASSERT_TRUE(list.save(file()));
    EXPECT_FALSE(std::filesystem::exists(file()));

    // Search results only, with the change flag set: the 68-byte empty file.
    ASSERT_EQ(1, list.mergeSearchReply("10.0.0.100", test::searchReply(record(4, "10.0.0.4").info)));
    list.setListModified(true);
    ASSERT_TRUE(list.save(file()));
    EXPECT_EQ(68u, std::filesystem::file_size(file()));
    EXPECT_FALSE(list.listModified());

    // Two saves without a change in between write once: the second leaves the file alone.
    list.addSelected(list.snapshot());
    ASSERT_TRUE(list.save(file()));
    EXPECT_EQ(68u + 240u, std::filesystem::file_size(file()));
    std::filesystem::remove(file());
    ASSERT_TRUE(list.save(file()));
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(DeviceListFileOnDisk, AFailedSaveKeepsTheChangeAndTheOldFile)
{
    test::writeAll(file(), encodeDeviceListFile({record(1, "10.0.0.1")}));
    list.load(file());
    list.deleteItems(list.snapshot());
    ASSERT_TRUE(list.listModified());
    // The target is now a directory path that cannot be replaced.
    std::string error;
    EXPECT_FALSE(list.save(dir.path() / "missing-dir" / "devices", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(list.listModified());
    EXPECT_EQ(68u + 240u, std::filesystem::file_size(file()));
    // No temporary file is left behind.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ("devices", e.path().filename().string());
}
