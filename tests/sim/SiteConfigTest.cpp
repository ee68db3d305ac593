#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DeviceConfig.h"
#include "devices/DeviceItem.h"
#include "params/SysParaOffsets.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;
using namespace aulira::sim;

// The record a simulated device sends has the layout the tool reads from its
// version text, compared byte by byte.
TEST(SiteConfig, LayoutFollowsTheVersionTextAsTheToolReadsIt)
{
    const std::pair<const char*, int> cases[] = {{"V1.0.7", 392}, {"V1.0.6", 392}, {"V1.0.10", 392}, {"", 392},
                                                 {"V1.0.8", 436}, {"V2.0", 436},   {"V1.0.7a", 436}};
    for (const auto& [version, layout] : cases) {
        EXPECT_EQ(layout, layoutForFirmware(version)) << version;
        SysParaBuffer b;
        b.fill(0x5A);
        writeFixedText(b, 4, kSysParaVersionWidth, version);
        EXPECT_EQ(layout == 436 ? -1 : 0, paraExtFromVersion(b)) << version;
    }
    SysParaBuffer unterminated; // compared within its 52 bytes
    unterminated.fill('V');
    EXPECT_EQ(-1, paraExtFromVersion(unterminated));
    DeviceConfig d;
    d.firmware = "V1.0.5";
    EXPECT_EQ(392, effectiveLayout(d));
    d.layout = 436; // a device that does not follow the rule, on purpose
    EXPECT_EQ(436, effectiveLayout(d));
}

TEST(SiteConfig, DefaultSiteIsAPlausibleMixedSite)
{
    const SiteConfig s = defaultSite();
    EXPECT_EQ("", validateSite(s));
    EXPECT_GE(s.devices.size(), 12u);
    int stations = 0, shortRecords = 0, remotes = 0;
    std::set<std::int32_t> numbers;
    std::set<std::uint16_t> states;
    for (const auto& d : s.devices) {
        stations += isScreenModel(d.modelText) && !d.remote;
        shortRecords += effectiveLayout(d) == 392;
        numbers.insert(d.devNo);
        states.insert(d.workState);
        EXPECT_EQ(127u, d.ip & 0xFF);
        if (d.remote) {
            ++remotes;
            EXPECT_EQ(ip("255.255.255.0"), d.mask);
            EXPECT_EQ(20u, (d.ip >> 8) & 0xFF);
        } else {
            EXPECT_EQ(ip("255.0.0.0"), d.mask) << "local to a 127.0.0.1/8 adapter";
        }
    }
    EXPECT_EQ(4, stations) << "the screen-capable models on the local network";
    EXPECT_GE(shortRecords, 2);
    EXPECT_EQ(2, remotes);
    EXPECT_EQ(s.devices.size(), numbers.size());
    EXPECT_GE(states.size(), 4u);
}

TEST(SiteConfig, GeneratedSitesHaveUniqueAddressesMacsAndNumbers)
{
    const SiteConfig s = generated(1000);
    ASSERT_EQ(1000u, s.devices.size());
    EXPECT_EQ("", validateSite(s));
    std::set<std::int32_t> numbers;
    for (const auto& d : s.devices) {
        EXPECT_EQ(0x7F01u, ipToHostOrder(d.ip) >> 16); // skipping .0 and .255 is SimFaultTest's
        numbers.insert(d.devNo);
    }
    EXPECT_EQ(1000u, numbers.size());
    EXPECT_EQ(ip("127.1.0.1"), s.devices.front().ip);
}

TEST(SiteConfig, JsonRoundTripKeepsTheSite)
{
    SiteConfig s = defaultSite();
    s.devices[0].faults.dropRate = 0.25;
    s.devices[0].faults.silentCommands = {CMD_READ_SYS_PARA, 0x1234};
    s.devices[1].layout = 392;
    s.devices[1].iface = "lo";
    s.options.port = 0;
    const std::string text = siteToJson(s);
    LoadResult r = parseSiteJson(text);
    ASSERT_TRUE(r.site) << r.error;
    EXPECT_EQ(text, siteToJson(*r.site));
    EXPECT_EQ(s.devices[0].faults, r.site->devices[0].faults);
}

TEST(SiteConfig, JsonDeviceWithOnlyAnAddressGetsUsableDefaults)
{
    LoadResult r = parseSiteJson(R"({"devices":[{"ip":"127.0.0.9"},
        {"ip":"127.0.0.10","faults":{"silentCommands":["CMD_SEARCH","0x5A01",515]}}]})");
    ASSERT_TRUE(r.site) << r.error;
    const auto& d = r.site->devices[0];
    EXPECT_EQ(9, d.devNo);
    EXPECT_EQ("Device 9", d.name);
    EXPECT_NE(r.site->devices[0].mac, r.site->devices[1].mac);
    EXPECT_EQ(kDefaultDevicePort, r.site->options.port);
    EXPECT_EQ((std::set<std::uint16_t>{CMD_SEARCH, CMD_SCREEN_STATUS, CMD_WRITE_SYS_PARA}),
              r.site->devices[1].faults.silentCommands);
}

TEST(SiteConfig, JsonMistakesAreReportedWithTheirPlace)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"devices":[{"ip":"127.0.0.2",}]})", "not valid JSON at byte"},
        {R"([1,2])", "top level: expected an object"},
        {R"({"port":1})", "no \"devices\" array"},
        {R"({"devices":[{"ip":"127.0.0.2","colour":"red"}]})", "devices[0].colour: unknown key"},
        {R"({"devices":[{"name":"x"}]})", "devices[0]: no \"ip\""},
        {R"({"devices":[{"ip":"127.0.0.300"}]})", "devices[0].ip: not an IPv4 address: \"127.0.0.300\""},
        {R"({"devices":[{"ip":"127.0.0.2","mac":"02:4b:50:00:00"}]})", "devices[0].mac: expected a MAC address"},
        {R"({"devices":[{"ip":"127.0.0.2","layout":400}]})", "devices[0].layout: must be 392 or 436"},
        {R"({"devices":[{"ip":"127.0.0.2","name":"A name far too long"}]})", "devices[0].name: at most 15 bytes"},
        {R"({"devices":[{"ip":"127.0.0.2","workState":-1}]})", "devices[0].workState: -1 is outside 0..65535"},
        {R"({"devices":[{"ip":"127.0.0.2","faults":{"dropRate":2}}]})", "devices[0].faults.dropRate: expected a share"},
        {R"({"devices":[{"ip":"127.0.0.2","faults":{"silentCommands":["CMD_NOPE"]}}]})",
         "devices[0].faults.silentCommands[0]: not a command"},
        {R"({"devices":[{"ip":"127.0.0.2"},{"ip":"127.0.0.2"}]})", "devices[1]: ip 127.0.0.2 is used twice"},
        {R"({"devices":[{"ip":"127.0.0.2","mac":"02:00:00:00:00:01"},{"ip":"127.0.0.3","mac":"02:00:00:00:00:01"}]})",
         "devices[1]: mac 02:00:00:00:00:01 is used twice"},
        {R"({"devices":[{"ip":"127.0.0.2","mac":"00:00:00:00:00:00"}]})",
         "devices[0].mac: 00:00:00:00:00:00 is not allowed"},
    };
    for (const auto& [text, expected] : cases) {
        LoadResult r = parseSiteJson(text);
        EXPECT_FALSE(r.site) << text;
        EXPECT_NE(std::string::npos, r.error.find(expected)) << text << "\n  gave: " << r.error;
    }
    LoadResult missing = loadSiteFile("/nonexistent/site.json");
    EXPECT_EQ("/nonexistent/site.json: cannot open the file", missing.error);
}

TEST(SiteConfig, DeviceOptionsOfTheCommandLine)
{
    DeviceConfig d;
    ASSERT_EQ("", parseDeviceOption("ip=127.0.0.9,name=Desk,model=KS-530D,no=77,firmware=V1.0.3,remote=1,"
                                  "mac=02:00:00:00:00:09,screen-boot=yes,work-state=3,type-code=-2",
                                  d));
    EXPECT_EQ(ip("127.0.0.9"), d.ip);
    EXPECT_EQ("Desk", d.name);
    EXPECT_EQ(77, d.devNo);
    EXPECT_EQ(392, effectiveLayout(d));
    EXPECT_TRUE(d.remote && d.screenBootMode && hasScreen(d));
    EXPECT_EQ(3, d.workState);
    EXPECT_EQ(-2, d.typeCode);

    DeviceConfig e;
    EXPECT_EQ("no ip=", parseDeviceOption("name=Desk", e));
    EXPECT_EQ("unknown key \"colour\"", parseDeviceOption("ip=127.0.0.9,colour=red", e));
    EXPECT_EQ("bad value for layout: \"400\"", parseDeviceOption("ip=127.0.0.9,layout=400", e));
    EXPECT_EQ("\"ip\" is not KEY=VALUE", parseDeviceOption("ip", e));

    // A lossy network and a device that counts its applies, as the site file has them.
    DeviceConfig lossy;
    ASSERT_EQ("", parseDeviceOption("ip=127.0.0.9,loss=0.2,loss-seed=19,duplicates=1,count-applies=1", lossy));
    EXPECT_EQ(0.2, lossy.faults.dropRate);
    EXPECT_EQ(19u, lossy.faults.lossSeed);
    EXPECT_EQ(1, lossy.faults.duplicateReplies);
    EXPECT_TRUE(lossy.faults.countApplies);
    EXPECT_EQ("bad value for loss: \"1.5\"", parseDeviceOption("ip=127.0.0.9,loss=1.5", e));

    EXPECT_EQ(CMD_READ_SYS_PARA, parseCommand("CMD_READ_SYS_PARA"));
    EXPECT_EQ(0x5A07, parseCommand("0x5a07"));
    EXPECT_EQ(513, parseCommand("513"));
    EXPECT_FALSE(parseCommand("70000"));
    EXPECT_FALSE(parseCommand("0x"));
}

TEST(SiteConfig, UpgradePersonalityFromTheCommandLineAndTheSiteFile)
{
    DeviceConfig d;
    ASSERT_EQ("", parseDeviceOption("ip=127.0.0.9,reply-no=next,lose-boot-reply=2,boot-bit31=0", d));
    EXPECT_EQ(UpgradePersonality::ReplyNo::Next, d.faults.upgrade.replyNo);
    EXPECT_EQ(2, d.faults.upgrade.loseEnterBootReplies);
    EXPECT_FALSE(d.faults.upgrade.bootBit31);
    EXPECT_EQ(5, d.faults.upgrade.replyPacketNo(4, 9));
    DeviceConfig e;
    EXPECT_EQ("bad value for reply-no: \"sideways\"", parseDeviceOption("ip=127.0.0.9,reply-no=sideways", e));
    EXPECT_EQ("bad value for lose-boot-reply: \"-1\"", parseDeviceOption("ip=127.0.0.9,lose-boot-reply=-1", e));

    SiteConfig s;
    s.devices.push_back(d);
    const std::string text = siteToJson(s);
    EXPECT_NE(std::string::npos, text.find("\"replyNo\": \"next\"")) << text;
    LoadResult r = parseSiteJson(text);
    ASSERT_TRUE(r.site) << r.error;
    EXPECT_EQ(d.faults, r.site->devices[0].faults);
    LoadResult bad = parseSiteJson(R"({"devices":[{"ip":"127.0.0.2","faults":{"replyNo":"k+1"}}]})");
    EXPECT_NE(std::string::npos, bad.error.find("devices[0].faults.replyNo: expected \"zero\"")) << bad.error;
}
