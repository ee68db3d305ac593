#pragma once
// Every field of the device parameter record that the program reads or
// writes, with its place in both record layouts. This table is the one source
// of those offsets: the settings pages, auctl, the worker's update after a
// write and the group download all look fields up here. Bytes that no row
// covers belong to the firmware and travel through unchanged.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "shell/Translate.h"

namespace aulira {

// The settings page a field is edited on, in the order the sheet stores them.
enum class SysParaPage : std::uint8_t {
    Identity, // shown only: firmware version, MAC address
    Basic,
    Play,
    Session,
    Recording,
    ControlStatus,
    Key1,
    Key2,
    Key3,
    Key4,
    ControlSerial,
    DataSerial,
    Gpio,
};
inline constexpr int kSysParaPageCount = 13;

enum class FieldKind : std::uint8_t {
    Version,    // NUL-terminated firmware version text, shown only
    Mac,        // 6 bytes, first byte first; changed by the MAC command only
    U8,         // one byte
    U16,
    I16,
    I32,
    Text,       // 16-byte field, NUL-terminated ANSI text of at most 15 bytes
    Ip,         // 4 bytes, first octet first
    Flag,       // one byte, set when nonzero; stored as 1 or 0
    FlagExact1, // one byte, set only when exactly 1; stored as 1 or 0
    Choice,     // one byte shown as two radio buttons: 0, or anything else; stored as 0 or 1
    Index,      // position in a fixed list (1 byte, or 4 for a baud rate); a stored value off the list is kept
    Groups,     // 8 group numbers, one byte each
    Target,     // 4 bytes: an address or a number, as another field of the block says
    GpioLine,   // 2 bits of the 32-bit GPIO mode word
};

// What a save does beyond storing the value.
enum class SaveRule : std::uint8_t {
    None,
    RequiredIp,         // an incomplete address is refused (IP address, mask, gateway)
    ClampOutputCache,   // 0 becomes 1, 27 and more become 26
    ClampSessionCache,  // below 4 becomes 4, above 26 becomes 26
    RefuseAbove255,     // the page offers more than the byte holds: refused, never wrapped
    KeepWhenBroadcast,  // a transmission target is left alone in broadcast mode
};

inline constexpr std::int16_t kAbsent = -1;

struct SysParaField {
    std::string_view name;  // as auctl and JSON name it
    std::string_view label; // as the settings page labels it
    SysParaPage page;
    std::int16_t off436;    // offset in the 436-byte layout
    std::int16_t off392;    // offset in the 392-byte layout, or kAbsent
    std::uint8_t width;
    FieldKind kind;
    std::int64_t min = 0;   // what may be entered
    std::int64_t max = 0;
    std::span<const std::string_view> texts{}; // list texts: Index, Choice, Flag, GpioLine
    std::int64_t initial = 0; // what the page shows when the layout lacks the field
    SaveRule rule = SaveRule::None;
    std::int16_t typeField = kAbsent; // Target: index of the field that says address or number
    std::uint8_t shift = 0;           // GpioLine: position of the line's two bits

    constexpr std::int16_t offset(bool ext) const { return ext ? off436 : off392; }
    constexpr bool in(bool ext) const { return offset(ext) != kAbsent; }
};

namespace lists {
// Shown translated on the settings pages (context "aulira::ParaLists"); auctl
// and the files take them in English.
inline constexpr std::string_view kEnable[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Disable"),
                                               AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Enable")};
inline constexpr std::string_view kDhcp[] = {
    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Use the Following IP Address"),
    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Automatically Obtain IP Address")};
inline constexpr std::string_view kDns[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Manual Settings"),
                                            AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Automatic")};
inline constexpr std::string_view kInput[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Mic"),
                                              AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Linein")};
inline constexpr std::string_view kBusyTone[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "No busy tone(0)"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "One busy tone(1)"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Two busy tone(2)"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Three busy tone(3)")};
inline constexpr std::string_view kEnvironment[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Disable"),
                                                    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Quiet place"),
                                                    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Normal place"),
                                                    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Noisy place"),
                                                    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Very noisy place")};
inline constexpr std::string_view kEncoding[] = {"PCM", "ADPCM"};
inline constexpr std::string_view kSampleRate[] = {"8K", "16K", "24K", "32K", "48K"};
inline constexpr std::string_view kKeyInput[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Trigger"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Hold")};
inline constexpr std::string_view kKey1Mode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Intercom"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Encode")};
inline constexpr std::string_view kKey2Mode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Intecom"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Encode"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Mute")};
inline constexpr std::string_view kKey3Mode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Intercom"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Encode"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Volume Up"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Intercom Status")};
inline constexpr std::string_view kKey4Mode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Intercom"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Encode"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Volume Down")};
inline constexpr std::string_view kTargetType[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "IP Address"),
                                                   AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Device NO")};
inline constexpr std::string_view kOutputMode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Unicast"),
                                                   AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Multicast"),
                                                   AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Broadcast")};
inline constexpr std::string_view kBaud[] = {"600 bps",   "1200 bps",  "2400 bps",  "4800 bps",  "9600 bps",
                                             "19200 bps", "38400 bps", "57600 bps", "115200 bps"};
inline constexpr std::string_view kParity[] = {"NONE", "EVEN", "ODD"};
inline constexpr std::string_view kDataBits[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "7 bits"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "8 bits")};
inline constexpr std::string_view kStopBits[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "1 bit"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "2 bits")};
inline constexpr std::string_view kFlow[] = {"NONE", "DTS", "DUPLEX"};
inline constexpr std::string_view kProtocol[] = {"UDP", "TCP"};
inline constexpr std::string_view kWorkMode[] = {AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Server Mode"),
                                                 AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Client Mode")};
inline constexpr std::string_view kGpioMode[] = {
    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Floating"), AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Pullup"),
    AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Pulldown"), AULIRA_TRANSLATE_NOOP("aulira::ParaLists", "Pushpull")};
} // namespace lists

namespace detail {
using P = SysParaPage;
using K = FieldKind;
using R = SaveRule;
inline constexpr std::int64_t kMaxTarget = 2147483647;

// Rows of the call and transmission blocks of one key, placed at the key
// block's offsets. Key 1 carries four service targets, keys 2 to 4 one.
struct KeyNames {
    std::string_view mode, callType, target[4], forwarding, forwardingType, forwardingTarget, outputMode,
        outputTarget, priority;
};
} // namespace detail

// clang-format off
inline constexpr auto kSysParaFields = [] {
    using namespace detail;
    using namespace lists;
    std::array<SysParaField, 109> f{};
    std::size_t n = 0;
    auto add = [&](SysParaField x) { f[n++] = x; return static_cast<std::int16_t>(n - 1); };

    add({"firmware", "Firmware Version", P::Identity, 4, 4, 52, K::Version});
    add({"mac", "MAC", P::Identity, 56, 56, 6, K::Mac});

    // Basic settings, in the order the page stores (and refuses) them.
    add({"deviceNo", "Local Machine NO", P::Basic, 68, 64, 4, K::I32, 0, 2147483647});
    add({"deviceName", "Device Name", P::Basic, 72, 68, 16, K::Text});
    add({"userName", "User Name", P::Basic, 88, 84, 16, K::Text});
    add({"password", "Password", P::Basic, 104, 100, 16, K::Text});
    add({"dhcp", "Obtain IP Address Automatically", P::Basic, 120, 116, 1, K::Flag, 0, 1, kDhcp});
    add({"ip", "IP Address", P::Basic, 124, 120, 4, K::Ip, 0, 0, {}, 0, R::RequiredIp});
    add({"mask", "Subnet Mask", P::Basic, 128, 124, 4, K::Ip, 0, 0, {}, 0, R::RequiredIp});
    add({"gateway", "Default Gateway", P::Basic, 132, 128, 4, K::Ip, 0, 0, {}, 0, R::RequiredIp});
    add({"autoDns", "Obtain DNS Automatically", P::Basic, 136, 132, 1, K::Flag, 0, 1, kDns});
    add({"dns1", "Preferred DNS", P::Basic, 140, 136, 4, K::Ip});
    add({"dns2", "Alternative DNS", P::Basic, 144, 140, 4, K::Ip});
    add({"serverIp", "Server IP", P::Basic, 152, 148, 4, K::Ip});
    add({"altServerIp", "Alternative Server IP", P::Basic, 156, 152, 4, K::Ip});
    add({"serverPort", "Port", P::Basic, 148, 144, 2, K::U16, 0, 65535, {}, 8890});
    add({"heartbeat", "Heartbeat Time", P::Basic, 65, kAbsent, 1, K::U8, 0, 60, {}, 3});

    add({"groups", "Affiliated Group", P::Play, 160, 156, 8, K::Groups, 0, 255});
    add({"volume", "Volume", P::Play, 173, 164, 1, K::U8, 0, 100, {}, 80});
    add({"gradualVolume", "Gradual Volume", P::Play, 174, 165, 1, K::Flag, 0, 1, kEnable});
    add({"prohibitBroadcast", "Prohibit audio broadcast streaming", P::Play, 175, 166, 1, K::FlagExact1, 0, 1, kEnable});
    add({"outputCache", "Output Cache Size", P::Play, 168, kAbsent, 1, K::U8, 0, 255, {}, 10, R::ClampOutputCache});

    add({"sessionInput", "Input", P::Session, 184, 167, 1, K::Choice, 0, 1, kInput});
    add({"sessionGain", "Gain", P::Session, 185, 168, 1, K::U8, 0, 100, {}, 20});
    add({"ringVolume", "Ring Volume", P::Session, 186, 169, 1, K::U8, 0, 100, {}, 50});
    add({"ringCount", "Ring Count", P::Session, 187, 170, 1, K::U8, 0, 120, {}, 3});
    add({"sessionVolume", "Session Volume", P::Session, 188, 171, 1, K::U8, 0, 100, {}, 80});
    add({"busyTone", "Busy Tone", P::Session, 189, 172, 1, K::Index, 0, 3, kBusyTone});
    add({"callKeyHangUp", "Call Key Hang Up", P::Session, 190, 173, 1, K::Flag, 0, 1, kEnable});
    add({"environment", "Usage Environment", P::Session, 191, 174, 1, K::Index, 0, 4, kEnvironment});
    add({"encoding", "Encoding", P::Session, 192, 175, 1, K::Index, 0, 1, kEncoding});
    add({"sessionCache", "Session Cache Size", P::Session, 169, kAbsent, 1, K::U8, 0, 255, {}, 4, R::ClampSessionCache});

    add({"recordInput", "Audio Source", P::Recording, 194, 176, 1, K::Choice, 0, 1, kInput});
    add({"recordGain", "Gain", P::Recording, 195, 177, 1, K::U8, 0, 100, {}, 20});
    add({"sampleRate", "Samplerate(Hz)", P::Recording, 196, 178, 1, K::Index, 0, 4, kSampleRate});
    add({"triggerDelay", "Trigger Delay(s)", P::Recording, 202, kAbsent, 1, K::U8, 0, 255, {}, 10});
    add({"triggerValue", "Trigger Value", P::Recording, 204, kAbsent, 2, K::I16, 0, 32767, {}, 200});
    add({"promptSound", "Sound", P::Recording, 197, 179, 1, K::FlagExact1, 0, 1, kEnable});
    add({"promptVolume", "Prompt Volume", P::Recording, 198, 180, 1, K::U8, 0, 100, {}, 20});

    add({"keyInputMode", "Key Input Mode", P::ControlStatus, 208, 184, 1, K::Choice, 0, 1, kKeyInput});
    add({"playFailureDelay", "Play Output(sec)", P::ControlStatus, 209, 185, 1, K::U8, 0, 600, {}, 10, R::RefuseAbove255});
    add({"inputFailureDelay", "Audio Input(sec)", P::ControlStatus, 210, 186, 1, K::U8, 0, 600, {}, 10, R::RefuseAbove255});

    // A key block: the mode byte, the call block at +4 and the transmission
    // block behind it (+32 for key 1, +20 for keys 2 to 4).
    auto key = [&](P page, std::int16_t b436, std::int16_t b392, const KeyNames& nm, std::span<const std::string_view> modes, int targets) {
        const std::int16_t conv = 4;
        const std::int16_t rec = targets == 4 ? 32 : 20;
        auto at = [&](int inner) { return std::pair<std::int16_t, std::int16_t>(static_cast<std::int16_t>(b436 + inner), static_cast<std::int16_t>(b392 + inner)); };
        auto row = [&](std::string_view name, std::string_view label, int inner, std::uint8_t width, K kind, std::int64_t mn, std::int64_t mx,
                       std::span<const std::string_view> texts, std::int64_t initial, R rule = R::None, std::int16_t type = kAbsent) {
            auto [a, b] = at(inner);
            return add({name, label, page, a, b, width, kind, mn, mx, texts, initial, rule, type});
        };
        row(nm.mode, "Key Input Mode", 0, 1, K::Index, 0, static_cast<std::int64_t>(modes.size()) - 1, modes, 0);
        const auto callType = row(nm.callType, "Call Type", conv + 0, 1, K::Choice, 0, 1, kTargetType, 0);
        for (int t = 0; t < targets; ++t)
            row(nm.target[t], t == 0 ? "Customer Service" : "Service Target", conv + 4 + 4 * t, 4, K::Target, 0, kMaxTarget, {}, 5, R::None, callType);
        const int fwd = conv + (targets == 4 ? 20 : 8);
        row(nm.forwarding, "Call Forwarding", fwd, 1, K::FlagExact1, 0, 1, kEnable, 0);
        const auto fwdType = row(nm.forwardingType, "Forwarding Type", fwd + 1, 1, K::Choice, 0, 1, kTargetType, 0);
        row(nm.forwardingTarget, "Forwarding Target", fwd + 4, 4, K::Target, 0, kMaxTarget, {}, 5, R::None, fwdType);
        const auto mode = row(nm.outputMode, "Output Mode", rec, 1, K::Index, 0, 2, kOutputMode, 0);
        row(nm.outputTarget, "Target", rec + 4, 4, K::Target, 0, kMaxTarget, {}, 5, R::KeepWhenBroadcast, mode);
        row(nm.priority, "Priority", rec + 8, 1, K::U8, 0, 255, {}, 10);
    };
    key(P::Key1, 212, 188, {"key1.mode", "key1.callType", {"key1.target1", "key1.target2", "key1.target3", "key1.target4"},
        "key1.forwarding", "key1.forwardingType", "key1.forwardingTarget", "key1.outputMode", "key1.outputTarget", "key1.priority"}, kKey1Mode, 4);
    key(P::Key2, 256, 232, {"key2.mode", "key2.callType", {"key2.target"}, "key2.forwarding", "key2.forwardingType",
        "key2.forwardingTarget", "key2.outputMode", "key2.outputTarget", "key2.priority"}, kKey2Mode, 1);
    key(P::Key3, 288, 264, {"key3.mode", "key3.callType", {"key3.target"}, "key3.forwarding", "key3.forwardingType",
        "key3.forwardingTarget", "key3.outputMode", "key3.outputTarget", "key3.priority"}, kKey3Mode, 1);
    key(P::Key4, 320, 296, {"key4.mode", "key4.callType", {"key4.target"}, "key4.forwarding", "key4.forwardingType",
        "key4.forwardingTarget", "key4.outputMode", "key4.outputTarget", "key4.priority"}, kKey4Mode, 1);

    add({"controlSerial.baudRate", "Baud Rate", P::ControlSerial, 352, 328, 4, K::Index, 0, 8, kBaud});
    add({"controlSerial.parity", "Parity", P::ControlSerial, 356, 332, 1, K::Index, 0, 2, kParity});
    add({"controlSerial.dataBits", "Data Bits", P::ControlSerial, 357, 333, 1, K::Index, 0, 1, kDataBits});
    add({"controlSerial.stopBits", "Stop Bit", P::ControlSerial, 358, 334, 1, K::Index, 0, 1, kStopBits});
    add({"controlSerial.flowControl", "Flow Control", P::ControlSerial, 359, 335, 1, K::Index, 0, 2, kFlow});
    add({"controlSerial.frameInterval", "Frame Interval", P::ControlSerial, 360, 336, 2, K::U16, 0, 100, {}, 10});
    add({"controlSerial.localPort", "Local Port", P::ControlSerial, 364, 340, 2, K::U16, 0, 65535, {}, 8890});
    add({"controlSerial.targetIp", "Target IP", P::ControlSerial, 368, 344, 4, K::Ip});
    add({"controlSerial.targetPort", "Target Port", P::ControlSerial, 372, 348, 2, K::U16, 0, 65535, {}, 8890});

    add({"dataSerial.baudRate", "Baud Rate", P::DataSerial, 376, 352, 4, K::Index, 0, 8, kBaud});
    add({"dataSerial.parity", "Parity", P::DataSerial, 380, 356, 1, K::Index, 0, 2, kParity});
    add({"dataSerial.dataBits", "Data Bits", P::DataSerial, 381, 357, 1, K::Index, 0, 1, kDataBits});
    add({"dataSerial.stopBits", "Stop Bit", P::DataSerial, 382, 358, 1, K::Index, 0, 1, kStopBits});
    add({"dataSerial.flowControl", "Flow Control", P::DataSerial, 383, 359, 1, K::Index, 0, 2, kFlow});
    add({"dataSerial.maxFrame", "Maximum Frame", P::DataSerial, 384, 360, 2, K::U16, 0, 300, {}, 200});
    add({"dataSerial.frameInterval", "Frame Interval", P::DataSerial, 386, 362, 2, K::U16, 0, 100, {}, 10});
    add({"dataSerial.localPort", "Local Port", P::DataSerial, 388, 364, 2, K::U16, 0, 65535, {}, 6007});
    add({"dataSerial.protocol", "Protocol Type", P::DataSerial, 390, 366, 1, K::Index, 0, 1, kProtocol});
    add({"dataSerial.workMode", "Work Mode", P::DataSerial, 391, 367, 1, K::Index, 0, 1, kWorkMode});
    add({"dataSerial.targetIp", "Target IP", P::DataSerial, 392, 368, 4, K::Ip});
    add({"dataSerial.targetPort", "Target Port", P::DataSerial, 396, 372, 2, K::U16, 0, 65535, {}, 8879});
    add({"dataSerial.keepalive", "Keepalive Time", P::DataSerial, 398, 374, 1, K::U8, 0, 100, {}, 1});

    add({"gpio.serverIp", "Server IP", P::Gpio, 400, 376, 4, K::Ip});
    add({"gpio.serverPort", "Server Port", P::Gpio, 404, 380, 2, K::U16, 0, 65535, {}, 65276});
    for (std::uint8_t line = 0; line < 4; ++line) {
        constexpr std::string_view names[] = {"gpio.line1", "gpio.line2", "gpio.line3", "gpio.line4"};
        constexpr std::string_view labels[] = {"GPIO 1 Mode", "GPIO 2 Mode", "GPIO 3 Mode", "GPIO 4 Mode"};
        add({names[line], labels[line], P::Gpio, 408, 384, 4, K::GpioLine, 0, 3, kGpioMode, 0, R::None, kAbsent,
             static_cast<std::uint8_t>(2 * line)});
    }
    if (n != f.size())
        throw "the field table's size is off"; // fails the constant evaluation
    return f;
}();
// clang-format on

inline constexpr std::size_t kSysParaFieldCount = kSysParaFields.size();

// The index of a field by name, or -1.
constexpr int sysParaFieldIndex(std::string_view name)
{
    for (std::size_t i = 0; i < kSysParaFields.size(); ++i)
        if (kSysParaFields[i].name == name)
            return static_cast<int>(i);
    return -1;
}

constexpr const SysParaField& sysParaField(std::string_view name)
{
    const int i = sysParaFieldIndex(name);
    if (i < 0)
        throw "no such field"; // only reachable from a constant expression with a typo
    return kSysParaFields[static_cast<std::size_t>(i)];
}

// The offset of a field that both layouts hold.
constexpr std::size_t sysParaOffset(std::string_view name, bool ext)
{
    return static_cast<std::size_t>(sysParaField(name).offset(ext));
}

// The settings page's title.
std::string_view sysParaPageTitle(SysParaPage page);

} // namespace aulira
