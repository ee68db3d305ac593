#include "params/SysParaSettings.h"

#include "shell/Translate.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {

constexpr SysParaPage kSaveOrder[] = {
    SysParaPage::Basic,         SysParaPage::Play,          SysParaPage::Session,    SysParaPage::Recording,
    SysParaPage::ControlStatus, SysParaPage::Key1,          SysParaPage::Key2,       SysParaPage::Key3,
    SysParaPage::Key4,          SysParaPage::ControlSerial, SysParaPage::DataSerial, SysParaPage::Gpio,
};

std::size_t indexOf(std::string_view name)
{
    const int i = sysParaFieldIndex(name);
    return i < 0 ? kSysParaFieldCount : static_cast<std::size_t>(i);
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::int64_t> parseInteger(std::string_view s)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    std::int64_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty())
        return std::nullopt;
    return v;
}

// A list entry by its text (any case) or by its position.
std::optional<std::int64_t> parseListEntry(const SysParaField& f, std::string_view text)
{
    const std::string want = lower(text);
    for (std::size_t i = 0; i < f.texts.size(); ++i)
        if (lower(f.texts[i]) == want)
            return static_cast<std::int64_t>(i);
    if (auto n = parseInteger(text); n && *n >= 0 && *n < static_cast<std::int64_t>(f.texts.size()))
        return n;
    return std::nullopt;
}

std::optional<std::int64_t> parseOnOff(const SysParaField& f, std::string_view text)
{
    const std::string t = lower(text);
    for (const char* yes : {"1", "yes", "true", "on", "enable", "enabled"})
        if (t == yes)
            return 1;
    for (const char* no : {"0", "no", "false", "off", "disable", "disabled"})
        if (t == no)
            return 0;
    return parseListEntry(f, text);
}

std::string rangeText(const SysParaField& f)
{
    return std::string(f.name) + " must be a number from " + std::to_string(f.min) + " to " + std::to_string(f.max);
}

std::string listText(const SysParaField& f)
{
    std::string s = std::string(f.name) + " must be one of";
    for (std::size_t i = 0; i < f.texts.size(); ++i)
        s += (i ? ", \"" : " \"") + std::string(f.texts[i]) + "\"";
    return s + " (or its position from 0)";
}

int tooLongMessage(std::string_view name)
{
    if (name == "deviceName")
        return IDS_DEVICE_NAME_OVER_15;
    if (name == "userName")
        return IDS_USER_NAME_OVER_15;
    return IDS_PASSWORD_OVER_15;
}

int notEncodableMessage(std::string_view name)
{
    if (name == "deviceName")
        return IDS_DEVICE_NAME_NOT_ENCODABLE;
    if (name == "userName")
        return IDS_USER_NAME_NOT_ENCODABLE;
    return IDS_PASSWORD_NOT_ENCODABLE;
}

int incompleteAddressMessage(std::string_view name)
{
    if (name == "ip")
        return IDS_ENTER_IP;
    if (name == "mask")
        return IDS_ENTER_MASK;
    return IDS_ENTER_GATEWAY;
}

// The field stores whether it holds an address or a number: call and
// forwarding types are 0 for an address; a transmission block's output mode
// is 0 (unicast) for an address.
bool targetIsAddress(const SysParaSettings& s, const SysParaField& f)
{
    return f.typeField != kAbsent && s.value(static_cast<std::size_t>(f.typeField)).number == 0;
}

} // namespace

FieldValue readField(const SysParaField& f, ConstBytes r, bool ext)
{
    FieldValue v;
    if (!f.in(ext)) {
        v.number = f.initial;
        if (f.kind == FieldKind::Groups)
            v.groups.assign(8, 0);
        return v;
    }
    const auto off = static_cast<std::size_t>(f.offset(ext));
    switch (f.kind) {
    case FieldKind::Version:
        v.text = ansiToUtf8(readFixedText(r, off, f.width));
        break;
    case FieldKind::Mac:
        v.text = formatMac(r.data() + off);
        break;
    case FieldKind::U8:
        v.number = r[off];
        break;
    case FieldKind::U16:
        v.number = readU16(r, off);
        break;
    case FieldKind::I16:
        v.number = static_cast<std::int16_t>(readU16(r, off));
        break;
    case FieldKind::I32:
        v.number = readI32(r, off);
        break;
    case FieldKind::Text:
        v.raw = readFixedText(r, off, f.width);
        v.text = ansiToUtf8(v.raw);
        break;
    case FieldKind::Ip:
    case FieldKind::Target:
        v.number = readU32(r, off);
        break;
    case FieldKind::Flag:
    case FieldKind::Choice:
        v.number = r[off] != 0;
        break;
    case FieldKind::FlagExact1:
        v.number = r[off] == 1;
        break;
    case FieldKind::Index:
        v.number = f.width == 4 ? readU32(r, off) : r[off];
        break;
    case FieldKind::Groups:
        for (std::size_t i = 0; i < 8; ++i)
            v.groups.push_back(r[off + i]);
        break;
    case FieldKind::GpioLine:
        v.number = (readU32(r, off) >> f.shift) & 3u;
        break;
    }
    return v;
}

SysParaSettings SysParaSettings::load(ConstBytes record, bool ext)
{
    SysParaSettings s;
    s.ext_ = ext;
    s.values_.reserve(kSysParaFieldCount);
    for (const auto& f : kSysParaFields)
        s.values_.push_back(readField(f, record, ext));
    return s;
}

const FieldValue& SysParaSettings::value(std::string_view name) const { return values_.at(indexOf(name)); }
FieldValue& SysParaSettings::value(std::string_view name) { return values_.at(indexOf(name)); }

std::string SysParaSettings::set(std::string_view name, std::string_view text)
{
    const std::size_t i = indexOf(name);
    if (i == kSysParaFieldCount)
        return "there is no field named " + std::string(name);
    const SysParaField& f = kSysParaFields[i];
    FieldValue& v = values_[i];
    if (!f.in(ext_))
        return std::string(name) + " is not stored by devices with the 392-byte record";
    switch (f.kind) {
    case FieldKind::Version:
        return "the firmware version belongs to the device and cannot be set";
    case FieldKind::Mac:
        return "the MAC address is changed with \"mac set\"";
    case FieldKind::U8:
    case FieldKind::U16:
    case FieldKind::I16:
    case FieldKind::I32: {
        auto n = parseInteger(text);
        if (!n || *n < f.min || *n > f.max)
            return rangeText(f);
        v.number = *n;
        return {};
    }
    case FieldKind::Text:
        v.text = std::string(text);
        return {};
    case FieldKind::Ip:
        if (text.empty()) {
            v.blank = true;
            v.number = 0;
            return {};
        }
        if (auto ip = parseIp(text)) {
            v.blank = false;
            v.number = *ip;
            return {};
        }
        return std::string(name) + " must be an IPv4 address such as 192.168.1.20";
    case FieldKind::Flag:
    case FieldKind::FlagExact1:
    case FieldKind::Choice:
        if (auto n = parseOnOff(f, text)) {
            v.number = *n;
            return {};
        }
        return listText(f);
    case FieldKind::Index:
    case FieldKind::GpioLine:
        if (auto n = parseListEntry(f, text)) {
            if (name == "key3.mode" && *n == kKey3IntercomStatus && !intercomStatus_)
                return "key3.mode cannot be \"Intercom Status\": only " + std::string(kIntercomStatusModel) +
                       " devices have that mode";
            v.number = *n;
            return {};
        }
        return listText(f);
    case FieldKind::Groups: {
        std::vector<std::int64_t> groups;
        std::string_view rest = text;
        while (!rest.empty() || groups.empty()) {
            const auto comma = rest.find(',');
            const auto part = rest.substr(0, comma);
            auto n = parseInteger(part);
            if (!n || *n < 0 || *n > 255 || groups.size() == 8)
                return "groups must be up to eight group numbers from 0 to 255, separated by commas";
            groups.push_back(*n);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        groups.resize(8, 0);
        v.groups = std::move(groups);
        return {};
    }
    case FieldKind::Target:
        if (auto ip = parseIp(text)) {
            v.number = *ip;
            return {};
        }
        if (auto n = parseInteger(text); n && *n >= 0 && *n <= f.max) {
            v.number = *n;
            return {};
        }
        return std::string(name) + " must be an IPv4 address or a number from 0 to " + std::to_string(f.max);
    }
    return {};
}

std::optional<SaveRefusal> SysParaSettings::savePage(SysParaPage page, Bytes r)
{
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (f.page != page || !f.in(ext_))
            continue;
        FieldValue& v = values_[i];
        const auto off = static_cast<std::size_t>(f.offset(ext_));
        switch (f.kind) {
        case FieldKind::Version:
        case FieldKind::Mac:
            break;
        case FieldKind::U8:
            if (f.rule == SaveRule::ClampOutputCache)
                v.number = std::clamp<std::int64_t>(v.number, 1, 26);
            else if (f.rule == SaveRule::ClampSessionCache)
                v.number = std::clamp<std::int64_t>(v.number, 4, 26);
            else if (f.rule == SaveRule::RefuseAbove255 && (v.number < 0 || v.number > 255))
                return SaveRefusal{IDS_FAILURE_DELAY_OVER_255, f.name};
            r[off] = static_cast<std::uint8_t>(v.number);
            break;
        case FieldKind::U16:
        case FieldKind::I16:
            writeU16(r, off, static_cast<std::uint16_t>(v.number));
            break;
        case FieldKind::I32:
            // Never wrapped: a number beyond the field is refused (the device
            // number is the only one; a negative one a device holds goes back as it was).
            if (v.number > f.max || v.number < INT32_MIN)
                return SaveRefusal{IDS_DEVICE_NO_RANGE, f.name};
            writeI32(r, off, static_cast<std::int32_t>(v.number));
            break;
        case FieldKind::Text: {
            // An untouched name goes back byte for byte, even when its bytes
            // mean nothing in this computer's code page.
            const auto ansi = v.text == ansiToUtf8(v.raw) ? std::optional<std::string>(v.raw) : utf8ToAnsi(v.text);
            if (!ansi)
                return SaveRefusal{notEncodableMessage(f.name), f.name};
            if (ansi->size() >= f.width)
                return SaveRefusal{tooLongMessage(f.name), f.name};
            // The text and its terminator; bytes behind the terminator are the device's.
            std::memcpy(r.data() + off, ansi->data(), ansi->size());
            r[off + ansi->size()] = 0;
            break;
        }
        case FieldKind::Ip:
            if (v.blank && f.rule == SaveRule::RequiredIp)
                return SaveRefusal{incompleteAddressMessage(f.name), f.name};
            writeIp(r, off, v.blank ? 0u : static_cast<std::uint32_t>(v.number));
            break;
        case FieldKind::Flag:
        case FieldKind::FlagExact1:
        case FieldKind::Choice:
            r[off] = v.number != 0 ? 1 : 0;
            break;
        case FieldKind::Index:
            if (f.width == 4)
                writeU32(r, off, static_cast<std::uint32_t>(v.number));
            else
                r[off] = static_cast<std::uint8_t>(v.number);
            break;
        case FieldKind::Groups:
            for (std::size_t g = 0; g < 8 && g < v.groups.size(); ++g)
                r[off + g] = static_cast<std::uint8_t>(v.groups[g]);
            break;
        case FieldKind::Target:
            if (f.rule == SaveRule::KeepWhenBroadcast && values_[static_cast<std::size_t>(f.typeField)].number == 2)
                break;
            writeU32(r, off, static_cast<std::uint32_t>(v.number));
            break;
        case FieldKind::GpioLine:
            // The four lines make one word; it is written whole with the
            // first line, so the bits above the four lines end up clear.
            if (f.shift == 0) {
                std::uint32_t word = 0;
                for (std::size_t l = 0; l < 4; ++l)
                    word |= (static_cast<std::uint32_t>(values_[i + l].number) & 3u) << (2 * l);
                writeU32(r, off, word);
            }
            break;
        }
    }
    return std::nullopt;
}

std::optional<SaveRefusal> SysParaSettings::save(Bytes record)
{
    for (SysParaPage p : kSaveOrder)
        if (auto refusal = savePage(p, record))
            return refusal;
    return std::nullopt;
}

std::string SysParaSettings::display(std::size_t i) const
{
    const SysParaField& f = kSysParaFields[i];
    const FieldValue& v = values_[i];
    switch (f.kind) {
    case FieldKind::Version:
    case FieldKind::Mac:
    case FieldKind::Text:
        return v.text;
    case FieldKind::U8:
    case FieldKind::U16:
    case FieldKind::I16:
    case FieldKind::I32:
        return std::to_string(v.number);
    case FieldKind::Ip:
        return v.blank ? std::string() : formatIp(static_cast<std::uint32_t>(v.number));
    case FieldKind::Flag:
    case FieldKind::FlagExact1:
    case FieldKind::Choice:
    case FieldKind::Index:
    case FieldKind::GpioLine:
        if (v.number >= 0 && v.number < static_cast<std::int64_t>(f.texts.size()))
            return std::string(f.texts[static_cast<std::size_t>(v.number)]);
        return std::to_string(v.number);
    case FieldKind::Groups: {
        std::string s;
        for (std::size_t g = 0; g < v.groups.size(); ++g)
            s += (g ? "," : "") + std::to_string(v.groups[g]);
        return s;
    }
    case FieldKind::Target:
        if (targetIsAddress(*this, f))
            return formatIp(static_cast<std::uint32_t>(v.number));
        return std::to_string(static_cast<std::int32_t>(v.number));
    }
    return {};
}

std::optional<SaveRefusal> checkReachableAddresses(const SysParaSettings& s)
{
    const auto addr = [&](std::string_view name) { return static_cast<std::uint32_t>(s.value(name).number); };
    const std::uint32_t ip = addr("ip"), mask = addr("mask"), gateway = addr("gateway");
    if (ip == 0)
        return SaveRefusal{IDS_ENTER_IP, "ip"};
    if (mask == 0)
        return SaveRefusal{IDS_ENTER_MASK, "mask"};
    if (!isContiguousMask(mask))
        return SaveRefusal{IDS_MASK_NOT_CONTIGUOUS, "mask"};
    if (!isHostAddress(ip, mask))
        return SaveRefusal{IDS_IP_NOT_HOST, "ip"};
    // 0.0.0.0 is "no gateway", which a device on one flat network may have.
    const auto notHost = [](std::uint32_t a) { return isGroupAddress(a) || (a != 0 && (ipToHostOrder(a) >> 24) == 0); };
    if (notHost(gateway))
        return SaveRefusal{IDS_GATEWAY_NOT_HOST, "gateway"};
    // 0.0.0.0 is "no server" as well.
    for (std::string_view server : {"serverIp", "altServerIp"})
        if (notHost(addr(server)))
            return SaveRefusal{IDS_SERVER_NOT_HOST, server};
    return std::nullopt;
}

bool offersIntercomStatus(std::string_view modelText)
{
    return modelText.substr(0, kIntercomStatusModel.size()) == kIntercomStatusModel;
}

std::string refusalText(const SaveRefusal& r) { return stringText(r.stringId); }

RecordDiff diffRecords(ConstBytes before, ConstBytes after, bool ext)
{
    RecordDiff d;
    const std::size_t size = ext ? kLayout436.size : kLayout392.size;
    std::vector<bool> covered(size, false);
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (!f.in(ext))
            continue;
        const auto off = static_cast<std::size_t>(f.offset(ext));
        for (std::size_t b = off; b < off + f.width; ++b)
            covered[b] = true;
        const bool differs =
            f.kind == FieldKind::GpioLine
                ? readField(f, before, ext) != readField(f, after, ext)
                : !std::equal(before.begin() + off, before.begin() + off + f.width, after.begin() + off);
        if (differs)
            d.fields.push_back(i);
    }
    for (std::size_t b = 0; b < size; ++b)
        if (!covered[b] && before[b] != after[b])
            ++d.otherBytes;
    return d;
}

std::string_view sysParaPageTitle(SysParaPage page)
{
    // English here (auctl, JSON); the settings sheet shows them translated.
    switch (page) {
    case SysParaPage::Identity:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Running Information");
    case SysParaPage::Basic:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Basic Settings");
    case SysParaPage::Play:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Play Settings");
    case SysParaPage::Session:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Session Settings");
    case SysParaPage::Recording:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Recording Settings");
    case SysParaPage::ControlStatus:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control and Status");
    case SysParaPage::Key1:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control 1");
    case SysParaPage::Key2:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control 2");
    case SysParaPage::Key3:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control 3");
    case SysParaPage::Key4:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control 4");
    case SysParaPage::ControlSerial:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Control Serial");
    case SysParaPage::DataSerial:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "Data Serial");
    case SysParaPage::Gpio:
        return AULIRA_TRANSLATE_NOOP("aulira::ParaPages", "GPIO");
    }
    return {};
}

} // namespace aulira
