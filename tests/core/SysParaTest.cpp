#include <gtest/gtest.h>

#include <array>
#include <random>

#include "devices/DeviceItem.h"
#include "params/MacText.h"
#include "params/SysParaSettings.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::CodePageGuard;
using aulira::test::ip;

namespace {

// A record as a device might send it: random bytes everywhere, with the
// version text set so the layout is known.
SysParaBuffer randomRecord(unsigned seed, const char* version = "V2.0.1")
{
    std::mt19937 rng(seed);
    SysParaBuffer b;
    for (auto& x : b)
        x = static_cast<std::uint8_t>(rng());
    writeFixedText(b, 4, kSysParaVersionWidth, version);
    return b;
}

std::size_t idx(std::string_view name)
{
    const int i = sysParaFieldIndex(name);
    EXPECT_GE(i, 0) << name;
    return static_cast<std::size_t>(i);
}

} // namespace

// The record layout as the device firmware documents it: name, offset in the
// long layout, offset in the short one (-1: absent), width.
TEST(SysParaFields, EveryFieldSitsWhereTheFirmwareExpectsIt)
{
    struct Row {
        std::string name;
        int off436, off392, width;
    };
    std::vector<Row> want = {
        {"firmware", 4, 4, 52},         {"mac", 56, 56, 6},              {"heartbeat", 65, -1, 1},
        {"deviceNo", 68, 64, 4},        {"deviceName", 72, 68, 16},      {"userName", 88, 84, 16},
        {"password", 104, 100, 16},     {"dhcp", 120, 116, 1},           {"ip", 124, 120, 4},
        {"mask", 128, 124, 4},          {"gateway", 132, 128, 4},        {"autoDns", 136, 132, 1},
        {"dns1", 140, 136, 4},          {"dns2", 144, 140, 4},           {"serverPort", 148, 144, 2},
        {"serverIp", 152, 148, 4},      {"altServerIp", 156, 152, 4},    {"groups", 160, 156, 8},
        {"outputCache", 168, -1, 1},    {"sessionCache", 169, -1, 1},    {"volume", 173, 164, 1},
        {"gradualVolume", 174, 165, 1}, {"prohibitBroadcast", 175, 166, 1}, {"sessionInput", 184, 167, 1},
        {"sessionGain", 185, 168, 1},   {"ringVolume", 186, 169, 1},     {"ringCount", 187, 170, 1},
        {"sessionVolume", 188, 171, 1}, {"busyTone", 189, 172, 1},       {"callKeyHangUp", 190, 173, 1},
        {"environment", 191, 174, 1},   {"encoding", 192, 175, 1},       {"recordInput", 194, 176, 1},
        {"recordGain", 195, 177, 1},    {"sampleRate", 196, 178, 1},     {"promptSound", 197, 179, 1},
        {"promptVolume", 198, 180, 1},  {"triggerDelay", 202, -1, 1},    {"triggerValue", 204, -1, 2},
        {"keyInputMode", 208, 184, 1},  {"playFailureDelay", 209, 185, 1}, {"inputFailureDelay", 210, 186, 1},
    };
    // Key blocks: key 1 at 212/188 (call block of four targets, transmission
    // block at +32); keys 2 to 4 at 256/232, 288/264, 320/296 (one target,
    // transmission block at +20).
    auto key = [&](int k, int b436, int b392) {
        auto add = [&](std::string field, int inner, int width) {
            want.push_back({"key" + std::to_string(k) + "." + field, b436 + inner, b392 + inner, width});
        };
        add("mode", 0, 1);
        add("callType", 4, 1);
        if (k == 1) {
            for (int t = 0; t < 4; ++t)
                add("target" + std::to_string(t + 1), 8 + 4 * t, 4);
            add("forwarding", 24, 1);
            add("forwardingType", 25, 1);
            add("forwardingTarget", 28, 4);
            add("outputMode", 32, 1);
            add("outputTarget", 36, 4);
            add("priority", 40, 1);
        } else {
            add("target", 8, 4);
            add("forwarding", 12, 1);
            add("forwardingType", 13, 1);
            add("forwardingTarget", 16, 4);
            add("outputMode", 20, 1);
            add("outputTarget", 24, 4);
            add("priority", 28, 1);
        }
    };
    key(1, 212, 188);
    key(2, 256, 232);
    key(3, 288, 264);
    key(4, 320, 296);
    const std::vector<Row> serial = {
        {"controlSerial.baudRate", 352, 328, 4},    {"controlSerial.parity", 356, 332, 1},
        {"controlSerial.dataBits", 357, 333, 1},    {"controlSerial.stopBits", 358, 334, 1},
        {"controlSerial.flowControl", 359, 335, 1}, {"controlSerial.frameInterval", 360, 336, 2},
        {"controlSerial.localPort", 364, 340, 2},   {"controlSerial.targetIp", 368, 344, 4},
        {"controlSerial.targetPort", 372, 348, 2},  {"dataSerial.baudRate", 376, 352, 4},
        {"dataSerial.parity", 380, 356, 1},         {"dataSerial.dataBits", 381, 357, 1},
        {"dataSerial.stopBits", 382, 358, 1},       {"dataSerial.flowControl", 383, 359, 1},
        {"dataSerial.maxFrame", 384, 360, 2},       {"dataSerial.frameInterval", 386, 362, 2},
        {"dataSerial.localPort", 388, 364, 2},      {"dataSerial.protocol", 390, 366, 1},
        {"dataSerial.workMode", 391, 367, 1},       {"dataSerial.targetIp", 392, 368, 4},
        {"dataSerial.targetPort", 396, 372, 2},     {"dataSerial.keepalive", 398, 374, 1},
        {"gpio.serverIp", 400, 376, 4},             {"gpio.serverPort", 404, 380, 2},
        {"gpio.line1", 408, 384, 4},                {"gpio.line2", 408, 384, 4},
        {"gpio.line3", 408, 384, 4},                {"gpio.line4", 408, 384, 4},
    };
    want.insert(want.end(), serial.begin(), serial.end());

    ASSERT_EQ(want.size(), kSysParaFieldCount);
    for (const auto& w : want) {
        const int i = sysParaFieldIndex(w.name);
        ASSERT_GE(i, 0) << w.name;
        const auto& f = kSysParaFields[static_cast<std::size_t>(i)];
        EXPECT_EQ(w.off436, f.off436) << w.name;
        EXPECT_EQ(w.off392, f.off392) << w.name;
        EXPECT_EQ(w.width, f.width) << w.name;
    }

    // No two fields share a byte (the GPIO lines share their word), and each
    // fits its layout.
    for (bool ext : {true, false}) {
        std::vector<std::string_view> owner(ext ? 436 : 392);
        for (const auto& f : kSysParaFields) {
            if (!f.in(ext))
                continue;
            for (int b = f.offset(ext); b < f.offset(ext) + f.width; ++b) {
                ASSERT_LT(static_cast<std::size_t>(b), owner.size()) << f.name;
                const bool sharedWord = f.kind == FieldKind::GpioLine && owner[static_cast<std::size_t>(b)].starts_with("gpio.line");
                EXPECT_TRUE(owner[static_cast<std::size_t>(b)].empty() || sharedWord)
                    << f.name << " overlaps " << owner[static_cast<std::size_t>(b)] << " at " << b;
                owner[static_cast<std::size_t>(b)] = f.name;
            }
        }
    }
    EXPECT_EQ(68u, kLayout436.devNo);
    EXPECT_EQ(120u, kLayout392.ip);
}

TEST(SysParaSettings, LoadAndSaveLeaveEveryByteTheyDoNotOwnAlone)
{
    for (bool ext : {true, false}) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            SysParaBuffer rec = randomRecord(seed, ext ? "V2.0.1" : "V1.0.7");
            // Make the names fit so the basic page stores instead of refusing.
            for (const char* name : {"deviceName", "userName", "password"})
                rec[sysParaOffset(name, ext) + 5] = 0;
            const SysParaBuffer before = rec;
            auto s = SysParaSettings::load(rec, ext);
            ASSERT_FALSE(s.save(rec)) << seed;

            std::vector<bool> owned(436, false);
            for (const auto& f : kSysParaFields)
                if (f.in(ext) && f.kind != FieldKind::Version && f.kind != FieldKind::Mac)
                    for (int b = f.offset(ext); b < f.offset(ext) + f.width; ++b)
                        owned[static_cast<std::size_t>(b)] = true;
            for (std::size_t b = 0; b < 436; ++b)
                if (!owned[b]) {
                    ASSERT_EQ(before[b], rec[b]) << "byte " << b << " ext " << ext << " seed " << seed;
                }

            // A second load and save changes nothing more: the rules are stable.
            const SysParaBuffer once = rec;
            auto again = SysParaSettings::load(rec, ext);
            ASSERT_FALSE(again.save(rec));
            ASSERT_EQ(once, rec);
        }
    }
}

TEST(SysParaSettings, PlayAndSessionClampsAndFlags)
{
    SysParaBuffer rec{};
    auto s = SysParaSettings::load(rec, true);
    ASSERT_EQ("", s.set("outputCache", "40"));
    ASSERT_EQ("", s.set("sessionCache", "2"));
    ASSERT_FALSE(s.savePage(SysParaPage::Play, rec));
    ASSERT_FALSE(s.savePage(SysParaPage::Session, rec));
    EXPECT_EQ(26, rec[168]);
    EXPECT_EQ(4, rec[169]);
    EXPECT_EQ(4, s.value("sessionCache").number) << "the edit shows the stored value";
    ASSERT_EQ("", s.set("outputCache", "0"));
    ASSERT_EQ("", s.set("sessionCache", "30"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(1, rec[168]);
    EXPECT_EQ(26, rec[169]);

    // Exactly-1 flags read a 2 as off and store 0; nonzero flags store 1.
    rec[175] = 2;
    rec[174] = 7;
    rec[189] = 2;
    s = SysParaSettings::load(rec, true);
    EXPECT_EQ("Disable", s.display(idx("prohibitBroadcast")));
    EXPECT_EQ("Enable", s.display(idx("gradualVolume")));
    EXPECT_EQ("Two busy tone(2)", s.display(idx("busyTone")));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(0, rec[175]);
    EXPECT_EQ(1, rec[174]);
    EXPECT_EQ(2, rec[189]);

    // A list value the page has no entry for is kept, not replaced by 255.
    rec[191] = 7;
    s = SysParaSettings::load(rec, true);
    EXPECT_EQ("7", s.display(idx("environment")));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(7, rec[191]);
}

TEST(SysParaSettings, GpioWordAndSerialIndexes)
{
    SysParaBuffer rec{};
    writeU32(rec, 408, 0xFFFF00E4u);
    writeU32(rec, 352, 4);
    rec[390] = 1; // the data serial's hidden protocol type
    writeU16(rec, 404, 65276);
    auto s = SysParaSettings::load(rec, true);
    EXPECT_EQ("Floating", s.display(idx("gpio.line1")));
    EXPECT_EQ("Pullup", s.display(idx("gpio.line2")));
    EXPECT_EQ("Pulldown", s.display(idx("gpio.line3")));
    EXPECT_EQ("Pushpull", s.display(idx("gpio.line4")));
    EXPECT_EQ("9600 bps", s.display(idx("controlSerial.baudRate")));
    EXPECT_EQ("65276", s.display(idx("gpio.serverPort")));
    ASSERT_EQ("", s.set("dataSerial.baudRate", "115200 BPS"));
    ASSERT_EQ("", s.set("gpio.line1", "pushpull"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(0xE7u, readU32(rec, 408)) << "bits above the four lines are cleared";
    EXPECT_EQ(4u, readU32(rec, 352));
    EXPECT_EQ(8u, readU32(rec, 376));
    EXPECT_EQ(1, rec[390]);
}

TEST(SysParaSettings, BasicPageRefusesInOrderAndKeepsWhatItStoredBefore)
{
    CodePageGuard guard;
    setCodePage(1252);
    SysParaBuffer rec{};
    writeU32(rec, 132, ip("10.0.0.1"));
    auto s = SysParaSettings::load(rec, true);
    ASSERT_EQ("", s.set("deviceNo", "17"));
    ASSERT_EQ("", s.set("deviceName", "Hall"));
    ASSERT_EQ("", s.set("dhcp", "yes"));
    ASSERT_EQ("", s.set("ip", "192.168.1.20"));
    ASSERT_EQ("", s.set("mask", "255.255.255.0"));
    ASSERT_EQ("", s.set("gateway", ""));
    ASSERT_EQ("", s.set("dns1", ""));
    auto refusal = s.save(rec);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(IDS_ENTER_GATEWAY, refusal->stringId);
    EXPECT_EQ("Please enter a gateway!\n\n", refusalText(*refusal));
    EXPECT_EQ(17, readI32(rec, 68));
    EXPECT_EQ("Hall", readFixedText(rec, 72, 16));
    EXPECT_EQ(1, rec[120]);
    EXPECT_EQ((std::array<std::uint8_t, 4>{192, 168, 1, 20}), (std::array<std::uint8_t, 4>{rec[124], rec[125], rec[126], rec[127]}));
    EXPECT_EQ(ip("10.0.0.1"), readU32(rec, 132)) << "the refused field is not stored";

    ASSERT_EQ("", s.set("gateway", "192.168.1.1"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(0u, readU32(rec, 140)) << "a blank DNS is stored as 0.0.0.0";

    // The address must be complete even when DHCP greys it out.
    ASSERT_EQ("", s.set("ip", ""));
    refusal = s.save(rec);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(IDS_ENTER_IP, refusal->stringId);
}

TEST(SysParaSettings, TextFieldsHoldFifteenBytesInEveryCodePage)
{
    CodePageGuard guard;
    struct Case {
        int codePage;
        std::string fits, tooLong;
    };
    const Case cases[] = {
        {1252, std::string(15, 'a'), std::string(16, 'a')},
        {936, "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D\xE7\xA7\xB0\xE6\xB5\x8B\xE8\xAF\x95\xE4\xB8\x80",   // 7 characters, 14 bytes
         "\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D\xE7\xA7\xB0\xE6\xB5\x8B\xE8\xAF\x95\xE4\xB8\x80\xE4\xBA\x8C"}, // 8, 16
    };
    const std::pair<const char*, int> fields[] = {
        {"deviceName", IDS_DEVICE_NAME_OVER_15}, {"userName", IDS_USER_NAME_OVER_15}, {"password", IDS_PASSWORD_OVER_15}};
    for (const auto& c : cases) {
        setCodePage(c.codePage);
        for (const auto& [field, message] : fields) {
            SysParaBuffer rec;
            rec.fill(0x77);
            for (const char* name : {"deviceName", "userName", "password"})
                rec[sysParaOffset(name, true)] = 0;
            auto s = SysParaSettings::load(rec, true);
            ASSERT_EQ("", s.set(field, c.tooLong));
            SysParaBuffer untouched = rec;
            auto refusal = s.savePage(SysParaPage::Basic, rec);
            ASSERT_TRUE(refusal) << field << " cp" << c.codePage;
            EXPECT_EQ(message, refusal->stringId);
            const auto off = sysParaOffset(field, true);
            EXPECT_TRUE(std::equal(rec.begin() + static_cast<long>(off), rec.begin() + static_cast<long>(off + 16),
                                   untouched.begin() + static_cast<long>(off)))
                << "nothing written into the refused field";

            ASSERT_EQ("", s.set(field, c.fits));
            ASSERT_FALSE(s.savePage(SysParaPage::Basic, rec)) << field;
            const auto stored = *utf8ToAnsi(c.fits);
            EXPECT_EQ(stored, readFixedText(rec, off, 16));
            EXPECT_EQ(0, rec[off + stored.size()]);
            if (stored.size() < 15) {
                EXPECT_EQ(0x77, rec[off + 15]) << "bytes behind the terminator stay the device's";
            }
            EXPECT_EQ(c.fits, SysParaSettings::load(rec, true).value(field).text);
        }
    }
    // A text the code page cannot hold is refused with a message of its own.
    setCodePage(1252);
    SysParaBuffer rec{};
    auto s = SysParaSettings::load(rec, true);
    ASSERT_EQ("", s.set("userName", "\xE4\xB8\xAD"));
    auto refusal = s.save(rec);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(IDS_USER_NAME_NOT_ENCODABLE, refusal->stringId);
}

TEST(SysParaSettings, SignalFailureDelaysAreRefusedAboveOneByte)
{
    SysParaBuffer rec{};
    auto s = SysParaSettings::load(rec, true);
    ASSERT_EQ("", s.set("playFailureDelay", "255"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(255, rec[209]);
    ASSERT_EQ("", s.set("inputFailureDelay", "300")); // the page offers up to 600
    auto refusal = s.save(rec);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(IDS_FAILURE_DELAY_OVER_255, refusal->stringId);
    EXPECT_EQ("inputFailureDelay", refusal->field);
    EXPECT_EQ(0, rec[210]) << "never wrapped to 44";
    EXPECT_NE("", s.set("inputFailureDelay", "601"));
}

TEST(SysParaSettings, KeyTargetsFollowTheirTypeWithoutChangingBytes)
{
    SysParaBuffer rec{};
    rec[212 + 4] = 1; // key 1 calls device numbers
    for (int t = 0; t < 4; ++t)
        writeU32(rec, static_cast<std::size_t>(212 + 8 + 4 * t), static_cast<std::uint32_t>(101 + t));
    rec[256 + 20] = 2; // key 2 transmits by broadcast
    writeU32(rec, 256 + 24, 0xDEADBEEF);
    auto s = SysParaSettings::load(rec, true);
    EXPECT_EQ("101", s.display(idx("key1.target1")));
    EXPECT_EQ("104", s.display(idx("key1.target4")));
    ASSERT_EQ("", s.set("key1.callType", "IP Address"));
    EXPECT_EQ("101.0.0.0", s.display(idx("key1.target1")));
    ASSERT_EQ("", s.set("key2.outputTarget", "10.0.0.9"));
    ASSERT_EQ("", s.set("key2.mode", "Mute"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(0, rec[212 + 4]);
    EXPECT_EQ(101u, readU32(rec, 212 + 8));
    EXPECT_EQ(0xDEADBEEFu, readU32(rec, 256 + 24)) << "a broadcast key keeps its target";
    EXPECT_EQ(2, rec[256]);

    ASSERT_EQ("", s.set("key3.forwardingTarget", "7"));
    ASSERT_EQ("", s.set("key3.forwardingType", "Device NO"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(7u, readU32(rec, 288 + 16));
    EXPECT_EQ(1, rec[288 + 13]);
}

TEST(SysParaSettings, EntryTextsAreCheckedBeforeAnythingIsStored)
{
    SysParaBuffer rec{};
    auto s = SysParaSettings::load(rec, true);
    const std::pair<const char*, const char*> refused[] = {
        {"nonsense", "1"},  {"firmware", "V9"},     {"mac", "00:11:22:33:44:55"}, {"volume", "101"},
        {"volume", "-1"},   {"volume", "5x"},       {"ringCount", "121"},         {"ip", "300.1.1.1"},
        {"sampleRate", "44K"}, {"sampleRate", "5"}, {"groups", "1,2,3,4,5,6,7,8,9"}, {"groups", "1,,2"},
        {"groups", "256"},  {"key1.target1", "-5"},
    };
    for (const auto& [field, text] : refused)
        EXPECT_NE("", s.set(field, text)) << field << "=" << text;
    EXPECT_EQ("", s.set("sampleRate", "16k"));
    EXPECT_EQ("", s.set("sampleRate", "3"));
    EXPECT_EQ("", s.set("groups", "3,7"));
    EXPECT_EQ("", s.set("dhcp", "Automatically Obtain IP Address"));
    ASSERT_FALSE(s.save(rec));
    EXPECT_EQ(3, rec[196]);
    EXPECT_EQ((std::array<std::uint8_t, 8>{3, 7, 0, 0, 0, 0, 0, 0}),
              (std::array<std::uint8_t, 8>{rec[160], rec[161], rec[162], rec[163], rec[164], rec[165], rec[166], rec[167]}));
    EXPECT_EQ(1, rec[120]);
}

TEST(SysParaSettings, DiffNamesTheFieldsAndCountsTheRest)
{
    SysParaBuffer a = randomRecord(3), b = a;
    b[173] ^= 1;        // volume
    b[170] ^= 1;        // not interpreted
    b[408] ^= 0x0C;     // GPIO line 2
    b[409] ^= 0x01;     // GPIO word, above the lines
    const auto d = diffRecords(a, b, true);
    std::vector<std::string_view> names;
    for (auto i : d.fields)
        names.push_back(kSysParaFields[i].name);
    EXPECT_EQ((std::vector<std::string_view>{"volume", "gpio.line2"}), names);
    EXPECT_EQ(1u, d.otherBytes);
    EXPECT_TRUE(diffRecords(a, a, false).fields.empty());
}

TEST(MacText, EditsFollowTheDialogRules)
{
    auto r = parseMacEdits({"0a", "5", "", "FF", "b0", "1C"});
    ASSERT_TRUE(r.mac);
    EXPECT_EQ((MacAddress{0x0A, 0x05, 0x00, 0xFF, 0xB0, 0x1C}), *r.mac);
    r = parseMacEdits({"00", "11", "G1", "33", "zz", "55"});
    EXPECT_FALSE(r.mac);
    EXPECT_EQ(2, r.badEdit) << "the first bad edit is the one selected";
    EXPECT_EQ(0, parseMacEdits({"123", "0", "0", "0", "0", "0"}).badEdit);

    r = parseMacText("02-4b:50:00:0a:1");
    ASSERT_TRUE(r.mac);
    EXPECT_EQ((MacAddress{0x02, 0x4B, 0x50, 0x00, 0x0A, 0x01}), *r.mac);
    EXPECT_FALSE(parseMacText("02:4b:50:00:0a").mac);
    EXPECT_FALSE(parseMacText("02:4b:50:00:0a:01:02").mac);
    EXPECT_FALSE(parseMacText("024b50000a01").mac);
    EXPECT_TRUE(parseMacText(":::::").mac) << "six empty edits give 00:00:00:00:00:00";
}
