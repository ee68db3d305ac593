#include <gtest/gtest.h>

#include "devices/DeviceRules.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {

DeviceItemPtr item(int no, const char* addr, std::uint8_t macLast)
{
    auto i = std::make_shared<DeviceItem_Type>();
    i->devItem = deviceInfo(no, addr, macLast);
    i->ip = i->devItem.ip();
    return i;
}

DeviceEntry entry(std::string no, std::string name = "Desk", const char* addr = "172.16.0.9",
                  const char* mask = "255.255.0.0")
{
    return DeviceEntry{std::move(no), std::move(name), addr ? parseIp(addr) : std::nullopt,
                       mask ? parseIp(mask) : std::nullopt};
}

} // namespace

TEST(DeviceRules, DeviceNumberReadsLikeTheNumberField)
{
    EXPECT_EQ(12, parseDeviceNo("12"));
    EXPECT_EQ(12, parseDeviceNo("  12abc"));
    EXPECT_EQ(-4, parseDeviceNo("-4"));
    EXPECT_EQ(0, parseDeviceNo(""));
    EXPECT_EQ(0, parseDeviceNo("abc"));
    EXPECT_EQ(2147483647, parseDeviceNo("99999999999"));
}

TEST(DeviceRules, ChecksComeInOrderWithTheirMessages)
{
    std::vector<DeviceItemPtr> list{item(5, "10.0.0.5", 5)};
    EXPECT_EQ(IDS_ENTER_DEVICE_NO, checkDeviceEntry(EntryMode::Add, entry("0"), list, nullptr));
    EXPECT_EQ(IDS_ENTER_DEVICE_NO, checkDeviceEntry(EntryMode::Add, entry("", ""), list, nullptr));
    EXPECT_EQ(IDS_DEVICE_NO_DUPLICATE, checkDeviceEntry(EntryMode::Add, entry("5", ""), list, nullptr));
    EXPECT_EQ(IDS_ENTER_DEVICE_NAME, checkDeviceEntry(EntryMode::Add, entry("6", "", nullptr), list, nullptr));
    EXPECT_EQ(IDS_ENTER_IP, checkDeviceEntry(EntryMode::Add, entry("6", "x", nullptr, nullptr), list, nullptr));
    EXPECT_EQ(IDS_ENTER_IP, checkDeviceEntry(EntryMode::Add, entry("6", "x", "0.0.0.0", nullptr), list, nullptr));
    EXPECT_EQ(IDS_ENTER_MASK, checkDeviceEntry(EntryMode::Add, entry("6", "x", "1.2.3.4", nullptr), list, nullptr));
    EXPECT_EQ(IDS_ENTER_MASK, checkDeviceEntry(EntryMode::Add, entry("6", "x", "1.2.3.4", "0.0.0.0"), list, nullptr));
    EXPECT_EQ(0, checkDeviceEntry(EntryMode::Add, entry("6"), list, nullptr));
}

TEST(DeviceRules, EditingKeepsItsOwnNumber)
{
    std::vector<DeviceItemPtr> list{item(5, "10.0.0.5", 5), item(6, "10.0.0.6", 6)};
    EXPECT_EQ(0, checkDeviceEntry(EntryMode::Edit, entry("5"), list, list[0].get()));
    EXPECT_EQ(IDS_DEVICE_NO_DUPLICATE, checkDeviceEntry(EntryMode::Edit, entry("6"), list, list[0].get()));
}

TEST(DeviceRules, NameLengthCountsCodePageBytes)
{
    CodePageGuard guard;
    std::vector<DeviceItemPtr> none;
    setCodePage(1252);
    EXPECT_EQ(0, checkDeviceEntry(EntryMode::Add, entry("1", std::string(31, 'a')), none, nullptr));
    EXPECT_EQ(IDS_DEVICE_NAME_TOO_LONG, checkDeviceEntry(EntryMode::Add, entry("1", std::string(32, 'a')), none, nullptr));
    EXPECT_EQ(IDS_DEVICE_NAME_NOT_ENCODABLE, checkDeviceEntry(EntryMode::Add, entry("1", "\xE4\xB8\xAD"), none, nullptr));
    setCodePage(936);
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "\xE4\xB8\xAD"; // two bytes each in code page 936
    EXPECT_EQ(0, checkDeviceEntry(EntryMode::Add, entry("1", fifteen), none, nullptr));
    EXPECT_EQ(IDS_DEVICE_NAME_TOO_LONG, checkDeviceEntry(EntryMode::Add, entry("1", fifteen + "\xE4\xB8\xAD"), none, nullptr));

    // Stored as a saved device of its own address, its record not read yet.
    auto stored = newManualDevice(entry("1", fifteen));
    EXPECT_EQ(30u, stored->devItem.devName().size());
    EXPECT_EQ(fifteen, ansiToUtf8(stored->devItem.devName()));
    EXPECT_EQ(ip("172.16.0.9"), stored->devItem.ip());
    EXPECT_EQ(ip("255.255.0.0"), stored->devItem.mask());
    EXPECT_EQ(0u, stored->searchOnly);
    EXPECT_EQ(-1, stored->paraExt);
}

TEST(DeviceRules, DuplicateCheck)
{
    int id = 0;
    EXPECT_EQ(0, CheckDuplicates({item(1, "10.0.0.1", 1), item(2, "10.0.0.2", 2)}, &id));
    EXPECT_EQ(1, CheckDuplicates({item(1, "10.0.0.1", 1), item(2, "10.0.0.2", 1)}, &id));
    EXPECT_EQ(IDS_DUPLICATE_ADDRESS, id); // a duplicate MAC reads as a duplicate address
    EXPECT_EQ(1, CheckDuplicates({item(1, "10.0.0.1", 1), item(2, "10.0.0.1", 2)}, &id));
    EXPECT_EQ(IDS_DUPLICATE_ADDRESS, id);
    EXPECT_EQ(1, CheckDuplicates({item(1, "10.0.0.1", 1), item(1, "10.0.0.2", 2)}, &id));
    EXPECT_EQ(IDS_DEVICE_NO_DUPLICATE, id);
    // Manual entries have no MAC; all-zero MACs are not duplicates of each other.
    auto a = newManualDevice(entry("7", "A", "172.16.0.1"));
    auto b = newManualDevice(entry("8", "B", "172.16.0.2"));
    EXPECT_EQ(0, CheckDuplicates({a, b}, &id));
    EXPECT_STREQ("Detected duplicate IP address, please modify and continue!\n\n ", stringText(IDS_DUPLICATE_ADDRESS));
}
