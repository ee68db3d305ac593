// The refusals of values that would strand a device or break a file: typed
// device entries, typed group numbers, book names, MAC addresses and
// imported parameter records.
#include <gtest/gtest.h>

#include <functional>

#include "addrbook/AddrBook.h"
#include "devices/DeviceRules.h"
#include "grouping/GroupRules.h"
#include "params/ConfigFile.h"
#include "params/MacText.h"
#include "params/SysParaOffsets.h"
#include "params/SysParaSettings.h"
#include "shell/Strings.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

TEST(EntryRules, MasksAndHostAddresses)
{
    struct Row {
        const char* ip;
        const char* mask;
        bool contiguous, host;
    } rows[] = {
        {"10.9.0.60", "255.255.255.0", true, true},
        {"10.9.0.255", "255.255.255.0", true, false}, // the subnet's broadcast
        {"10.9.0.0", "255.255.255.0", true, false},   // the subnet's own address
        {"10.9.0.255", "255.255.0.0", true, true},
        {"10.9.0.1", "255.255.255.254", true, true},  // /31: both are hosts
        {"10.9.0.1", "255.255.255.255", true, true},
        {"10.9.0.60", "255.0.255.0", false, true},
        {"10.9.0.60", "0.255.255.255", false, true},
        {"255.255.255.255", "255.255.255.0", true, false},
        {"224.0.0.5", "255.255.255.0", true, false},
        {"239.1.2.3", "255.0.0.0", true, false},
        {"240.0.0.1", "255.0.0.0", true, false},
        {"0.1.2.3", "255.0.0.0", true, false},
        {"127.0.0.31", "255.0.0.0", true, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.ip) + "/" + r.mask);
        EXPECT_EQ(r.contiguous, isContiguousMask(ip(r.mask)));
        EXPECT_EQ(r.host, isHostAddress(ip(r.ip), ip(r.mask)));
    }
    EXPECT_FALSE(isContiguousMask(0));
}

TEST(EntryRules, TypedDeviceEntries)
{
    auto saved = std::make_shared<DeviceItem_Type>();
    saved->devItem = deviceInfo(5, "10.9.0.5", 5);
    saved->ip = saved->devItem.ip();
    const std::vector<DeviceItemPtr> list{saved};
    struct Row {
        const char* no;
        const char* ip;
        const char* mask;
        int refusal;
    } rows[] = {
        {"60", "10.9.0.60", "255.255.255.0", 0},
        {"2147483647", "10.9.0.60", "255.255.255.0", 0},
        {"12abc", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {" 12", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {"-3", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {"2147483648", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {"99999999999", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {"", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_RANGE},
        {"0", "10.9.0.60", "255.255.255.0", IDS_ENTER_DEVICE_NO},
        {"5", "10.9.0.60", "255.255.255.0", IDS_DEVICE_NO_DUPLICATE},
        {"60", "10.9.0.5", "255.255.255.0", IDS_IP_IN_LIST},
        {"60", "10.9.0.60", "255.255.0.255", IDS_MASK_NOT_CONTIGUOUS},
        {"60", "10.9.0.255", "255.255.255.0", IDS_IP_NOT_HOST},
        {"60", "255.255.255.255", "255.255.255.0", IDS_IP_NOT_HOST},
        {"60", "230.1.1.1", "255.255.255.0", IDS_IP_NOT_HOST},
        {"60", "0.0.0.0", "255.255.255.0", IDS_ENTER_IP},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.no) + " " + r.ip + " " + r.mask);
        const DeviceEntry e{r.no, "Gate", parseIp(r.ip), parseIp(r.mask)};
        EXPECT_EQ(r.refusal, checkTypedDeviceEntry(EntryMode::Add, e, list, nullptr));
    }
    // Editing a device keeps its own address.
    const DeviceEntry own{"5", "Gate", ip("10.9.0.5"), ip("255.255.255.0")};
    EXPECT_EQ(0, checkTypedDeviceEntry(EntryMode::Edit, own, list, saved.get()));
}

TEST(EntryRules, TypedGroupNumbersAndBookNames)
{
    const GroupList groups;
    struct Row {
        const char* no;
        int refusal;
    } rows[] = {{"1", 0}, {"255", 0}, {"1abc", IDS_GROUP_NO_ERROR}, {"", IDS_GROUP_NO_ERROR},
                {"+3", IDS_GROUP_NO_ERROR}, {"0x10", IDS_GROUP_NO_ERROR}, {"256", IDS_GROUP_NO_ERROR},
                {"0", IDS_GROUP_NO_ERROR}};
    for (const auto& r : rows)
        EXPECT_EQ(r.refusal, checkTypedGroupEntry(GroupEditMode::Add, {r.no, "Hall"}, groups, nullptr).refusal)
            << r.no;

    EXPECT_EQ(0, checkBookName({}, std::string(255, 'b')));
    EXPECT_EQ(IDS_BOOK_NAME_TOO_LONG, checkBookName({}, std::string(256, 'b')));
    // Counted as the file stores them: one unit for "é", two for a character beyond the BMP.
    std::string accents;
    for (int i = 0; i < 255; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(0, checkBookName({}, accents));
    EXPECT_EQ(IDS_BOOK_NAME_TOO_LONG, checkBookName({}, accents + "\xF0\x9F\x94\x8A"));
    std::string wide;
    for (int i = 0; i < 128; ++i)
        wide += "\xF0\x9F\x94\x8A";
    EXPECT_EQ(IDS_BOOK_NAME_TOO_LONG, checkBookName({}, wide));
}

TEST(EntryRules, MacAddressesADeviceMayTake)
{
    struct Row {
        MacAddress mac;
        int refusal;
    } rows[] = {
        {{0x02, 0x4C, 0x41, 0x00, 0x00, 0x99}, 0},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, 0},
        {{0, 0, 0, 0, 0, 0}, IDS_MAC_ZERO},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, IDS_MAC_GROUP},
        {{0x01, 0x00, 0x5E, 0x00, 0x00, 0x01}, IDS_MAC_GROUP},
        {{0x33, 0x33, 0x00, 0x00, 0x00, 0x01}, IDS_MAC_GROUP},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.refusal, checkAssignableMac(r.mac));
}

TEST(EntryRules, ImportedRecordsNeedAnAddressTheDeviceCanKeep)
{
    struct Row {
        const char* ip;
        const char* mask;
        const char* gateway;
        int refusal;
        const char* field;
        const char* server = "0.0.0.0";
    } rows[] = {
        {"10.9.0.60", "255.255.255.0", "10.9.0.1", 0, ""},
        {"10.9.0.60", "255.255.255.0", "0.0.0.0", 0, ""},
        {"0.0.0.0", "0.0.0.0", "0.0.0.0", IDS_ENTER_IP, "ip"}, // a zeroed record
        {"10.9.0.60", "0.0.0.0", "10.9.0.1", IDS_ENTER_MASK, "mask"},
        {"10.9.0.60", "255.0.255.0", "10.9.0.1", IDS_MASK_NOT_CONTIGUOUS, "mask"},
        {"10.9.0.255", "255.255.255.0", "10.9.0.1", IDS_IP_NOT_HOST, "ip"},
        {"224.0.0.1", "255.255.255.0", "10.9.0.1", IDS_IP_NOT_HOST, "ip"},
        {"10.9.0.60", "255.255.255.0", "255.255.255.255", IDS_GATEWAY_NOT_HOST, "gateway"},
        {"10.9.0.60", "255.255.255.0", "239.0.0.1", IDS_GATEWAY_NOT_HOST, "gateway"},
        {"10.9.0.60", "255.255.255.0", "10.9.0.1", 0, "", "10.9.0.2"},
        {"10.9.0.60", "255.255.255.0", "10.9.0.1", IDS_SERVER_NOT_HOST, "serverIp", "255.255.255.255"},
        {"10.9.0.60", "255.255.255.0", "10.9.0.1", IDS_SERVER_NOT_HOST, "serverIp", "0.1.2.3"},
    };
    for (bool ext : {true, false}) {
        for (const auto& r : rows) {
            SCOPED_TRACE(std::string(r.ip) + " " + r.mask + " " + r.gateway);
            SysParaBuffer rec{};
            auto s = SysParaSettings::load(rec, ext);
            ASSERT_EQ("", s.set("ip", r.ip));
            ASSERT_EQ("", s.set("mask", r.mask));
            ASSERT_EQ("", s.set("gateway", r.gateway));
            ASSERT_EQ("", s.set("serverIp", r.server));
            const auto refusal = checkReachableAddresses(s);
            EXPECT_EQ(r.refusal, refusal ? refusal->stringId : 0);
            EXPECT_EQ(r.field, refusal ? refusal->field : std::string_view());
        }
    }
}

// Both front ends import through the core, so the app's Load Settings
// refuses what auctl refuses, before anything reaches the sheet.
TEST(EntryRules, TheImportForADeviceRefusesAnUnusableRecordAndKeepsTheOldOne)
{
    TempDir dir;
    const auto file = dir.path() / "site.alc";
    SysParaBuffer mine{};
    writeIp(mine, kLayout436.ip, ip("10.9.0.60"));
    writeIp(mine, kLayout436.mask, ip("255.255.255.0"));
    std::copy_n("V2.0.1", 6, mine.begin() + kLayout436.version);
    struct Row {
        const char* what;
        std::function<void(SysParaBuffer&)> damage;
        const char* says;
    } rows[] = {
        {"zeroed address", [](SysParaBuffer& r) { writeIp(r, kLayout436.ip, 0); },
         "Please enter the correct IP address! (ip in "},
        {"mask with holes", [](SysParaBuffer& r) { writeIp(r, kLayout436.mask, ip("255.0.255.0")); },
         "The subnet mask must be ones followed by zeros, such as 255.255.255.0! (mask in "},
        {"name without its end", [](SysParaBuffer& r) { std::fill_n(r.begin() + kLayout436.devName, 16, 'N'); },
         "The length of the device name cannot exceed 15 bytes! (deviceName in "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SysParaBuffer theirs = mine;
        row.damage(theirs);
        ASSERT_TRUE(exportConfigFile(file, theirs));
        SysParaBuffer record = mine;
        std::string error;
        EXPECT_EQ(ConfigLoad::Unusable, importConfigFileForDevice(file, record, true, &error));
        EXPECT_EQ(0u, error.rfind(row.says, 0)) << error;
        EXPECT_EQ(mine, record);
    }
    ASSERT_TRUE(exportConfigFile(file, mine));
    SysParaBuffer record{};
    EXPECT_EQ(ConfigLoad::Loaded, importConfigFileForDevice(file, record, true));
}
