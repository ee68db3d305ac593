// Firmware upgrade, its version check and the screen upgrade, through auctl,
// against devices that keep the upgrade dialect's contract but fill what it
// leaves open in their own ways. Every device ends upgraded and reported so,
// or reported failed with its state named (or unchanged): never stranded in
// its boot loader unknowingly, never silent.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "protocol/Packet.h"
#include "support/CliSite.h"
#include "support/UpgradeFiles.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;
using Reply = sim::UpgradePersonality::ReplyNo;

namespace {

constexpr const char* kLeft = " (left in the boot loader: run the upgrade again)";

struct Personality {
    const char* name;
    std::function<void(sim::DeviceConfig&)> set;
    // What auctl reports: the version check's result, or the failure text.
    std::string firmware;
    bool screenDone = true;
};

void inBootLoader(sim::DeviceConfig& d) { d.typeCode = static_cast<std::int32_t>(0x80000001u); }

const std::vector<Personality>& personalities()
{
    static const std::vector<Personality> table = {
        {"echoes packet numbers", [](sim::DeviceConfig&) {}, "verified"},
        {"answers packet number 0", [](sim::DeviceConfig& d) { d.faults.upgrade.replyNo = Reply::Zero; }, "verified"},
        {"answers the next number", [](sim::DeviceConfig& d) { d.faults.upgrade.replyNo = Reply::Next; }, "verified"},
        {"answers the count", [](sim::DeviceConfig& d) { d.faults.upgrade.replyNo = Reply::Count; }, "verified"},
        {"loses its enter-boot reply", [](sim::DeviceConfig& d) { d.faults.upgrade.loseEnterBootReplies = 1; },
         "verified"},
        {"loses it, boot loader without bit 31",
         [](sim::DeviceConfig& d) {
             d.faults.upgrade.loseEnterBootReplies = 1;
             d.faults.upgrade.bootBit31 = false;
         },
         "verified"},
        {"loses every enter-boot reply, no bit 31",
         [](sim::DeviceConfig& d) {
             d.faults.upgrade.loseEnterBootReplies = 100;
             d.faults.upgrade.bootBit31 = false;
             d.faults.upgrade.replyNo = Reply::Next;
         },
         "verified"},
        {"waits in its boot loader", inBootLoader, "verified"},
        {"waits in its boot loader without bit 31",
         [](sim::DeviceConfig& d) {
             inBootLoader(d);
             d.faults.upgrade.bootBit31 = false;
             d.faults.upgrade.replyNo = Reply::Count;
         },
         "verified"},
        {"refuses the header",
         [](sim::DeviceConfig& d) {
             d.faults.headerVerdict = 1;
             d.faults.upgrade.replyNo = Reply::Next;
         },
         std::string("device type not match!") + kLeft, false},
        {"restarts on its old image", [](sim::DeviceConfig& d) { d.faults.keepOldVersion = true; },
         "still old version"},
        {"a fifth of the requests lost, every reply twice",
         [](sim::DeviceConfig& d) {
             d.faults.dropRate = 0.2;
             d.faults.duplicateReplies = 1;
             d.faults.lossSeed = 19;
         },
         "verified"},
    };
    return table;
}

class UpgradeConformanceTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastUpgradeTiming();
        int n = 0;
        for (const auto& p : personalities()) {
            ++n;
            auto d = simDevice(("127.0.0." + std::to_string(100 + n)).c_str(), 100 + n,
                               static_cast<std::uint32_t>(100 + n), "Mic");
            d.modelText = "KS-530D";
            d.screenBootMode = true;
            d.faults.restartMs = 200;
            p.set(d);
            devices.push_back(d);
        }
        startSite(devices);
    }

    std::string file(const char* model, const std::vector<std::uint8_t>& image)
    {
        return writeUpgradeFile(dir.path() / (std::string(model) + ".bin"), upgradeHeader(model, "V2.4.0", ""), image);
    }

    // Per device, what auctl said last: its failure text or its version check.
    std::map<std::string, std::string> said(std::vector<std::string> args)
    {
        const CliRun r = run(std::move(args));
        std::map<std::string, std::string> last;
        for (const auto& e : r.events())
            if (e["event"] == "failure")
                last[e["device"]] = e["text"];
            else if (e["event"] == "verify")
                last[e["device"]] = e["result"];
            else if (e["event"] == "progress" && e["percent"] == 100)
                last[e["device"]] = "100";
        return last;
    }

    std::vector<sim::DeviceConfig> devices;
};

} // namespace

TEST_F(UpgradeConformanceTest, FirmwareVersionCheckAndScreenAgainstEveryPersonality)
{
    const auto firmware = pattern(3000, 1), screen = pattern(3000, 2);
    const auto fw = said({"--quiet", "--json", "upgrade", "firmware", file("KS-530D", firmware), "--parallel", "8",
                          "--restart-wait", "0", "--verify-timeout", "3"});
    const auto sc = said({"--quiet", "--json", "upgrade", "screen", file("KM-220", screen), "--parallel", "8"});

    for (std::size_t i = 0; i < devices.size(); ++i) {
        const Personality& p = personalities()[i];
        const std::string ip = formatIp(devices[i].ip);
        const auto s = site->device(devices[i].ip);
        ASSERT_TRUE(s);
        SCOPED_TRACE(p.name);
        EXPECT_EQ(p.firmware, fw.count(ip) ? fw.at(ip) : "(nothing said)");
        const bool upgraded = p.firmware == "verified" || p.firmware == "still old version";
        EXPECT_EQ(upgraded ? 1 : 0, s->upgradesInstalled);
        if (upgraded) {
            EXPECT_EQ(firmware, s->firmwareImage);
        }
        // In its boot loader only where the report says so.
        EXPECT_EQ(p.firmware.find(kLeft) != std::string::npos, s->inBoot);

        EXPECT_EQ(p.screenDone ? "100" : "get screen status fail!", sc.count(ip) ? sc.at(ip) : "(nothing said)");
        if (p.screenDone) {
            auto flash = s->screenFlash;
            flash.resize(std::min(flash.size(), screen.size()));
            EXPECT_EQ(screen, flash);
        } else {
            EXPECT_TRUE(s->screenFlash.empty()) << "a screen that refused stays as it was";
        }
    }
}

TEST_F(UpgradeConformanceTest, RetryTakesADeviceLeftInItsBootLoaderStraightToTheHeader)
{
    // The refusing device mends its ways after its first header.
    const auto refusing = devices[9];
    site->setTrafficSink([this, refusing](const sim::TrafficEntry& e) {
        if (e.command == CMD_UPGRADE_PACKET && e.packetNo == 0 && e.deviceIp == refusing.ip) {
            sim::Faults mended;
            mended.upgrade.replyNo = Reply::Next;
            site->setFaults(refusing.ip, mended);
        }
    });
    const auto fw = said({"--quiet", "--json", "upgrade", "firmware", file("KS-530D", pattern(1500, 3)),
                          formatIp(refusing.ip), "--retries", "1", "--no-verify"});
    EXPECT_EQ("100", fw.at(formatIp(refusing.ip)));
    std::vector<std::uint16_t> sent;
    for (const auto& e : site->traffic(refusing.ip))
        if (e.command == CMD_SEARCH || e.command == CMD_ENTER_BOOT || e.command == CMD_UPGRADE_PACKET)
            sent.push_back(e.command == CMD_UPGRADE_PACKET ? e.packetNo : e.command);
    // Search and poll, type, enter boot, refused header; then the header again and the data.
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ((std::vector<std::uint16_t>{CMD_ENTER_BOOT, 0, 0, 1, 2}),
              std::vector<std::uint16_t>(sent.end() - 5, sent.end()));
    EXPECT_EQ(1, site->device(refusing.ip)->upgradesInstalled);
}
