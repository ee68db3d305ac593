#include "DeviceConfig.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <set>

#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "util/Ipv4.h"

namespace aulira::sim {

int layoutForFirmware(std::string_view firmware)
{
    // A plain C-string comparison, as the tool makes it: "V1.0.10" sorts below "V1.0.7".
    const std::string text(firmware.substr(0, firmware.find('\0')));
    return std::strcmp(text.c_str(), kSysParaLastShortVersion) <= 0 ? 392 : 436;
}

int effectiveLayout(const DeviceConfig& d) { return d.layout ? d.layout : layoutForFirmware(d.firmware); }

bool isScreenModel(std::string_view m) { return m == "KS-530" || m == "KS-530A" || m == "KS-530B" || m == "KS-530D"; }

bool hasScreen(const DeviceConfig& d) { return d.screen.value_or(isScreenModel(d.modelText)); }

Mac generatedMac(std::uint32_t n)
{
    return Mac{0x02, 0x4b, 0x50, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
               static_cast<std::uint8_t>(n)};
}

namespace {

std::uint32_t ip(const char* text) { return parseIp(text).value(); }

// A MAC for a device configured without one, unique per address.
Mac macFromIp(std::uint32_t a)
{
    return Mac{0x06, 0x4b, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a >> 8),
               static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 24)};
}

std::int32_t devNoFromIp(std::uint32_t a) { return static_cast<std::int32_t>(((a >> 16) & 0xFF) * 256 + (a >> 24)); }

DeviceConfig make(const char* addr, std::uint8_t macTail, std::int32_t no, const char* name, const char* model,
                  const char* modelName, const char* firmware, std::int32_t typeCode, std::uint16_t workState,
                  std::array<std::uint8_t, 8> groups = {})
{
    DeviceConfig d;
    d.ip = ip(addr);
    d.mask = ip("255.0.0.0");
    d.gateway = ip("127.0.0.1");
    d.mac = Mac{0x02, 0x4b, 0x50, 0x00, 0x00, macTail};
    d.devNo = no;
    d.name = name;
    d.modelText = model;
    d.modelName = modelName;
    d.firmware = firmware;
    d.typeCode = typeCode;
    d.workState = workState;
    d.serverIp = ip("127.0.0.1");
    d.dns1 = ip("127.0.0.53");
    d.groups = groups;
    return d;
}

} // namespace

void completeDefaults(DeviceConfig& d)
{
    if (std::all_of(d.mac.begin(), d.mac.end(), [](std::uint8_t b) { return b == 0; }))
        d.mac = macFromIp(d.ip);
    if (d.devNo == 0)
        d.devNo = devNoFromIp(d.ip);
    if (d.name.empty())
        d.name = "Device " + std::to_string(d.devNo);
}

SiteConfig defaultSite()
{
    SiteConfig s;
    s.options.searchReplySpreadMs = 200;
    auto& v = s.devices;
    v.push_back(make("127.0.0.2", 0x02, 101, "Lobby", "KP-4410", "IP Terminal", "V2.1.3", 1, 1, {1, 2}));
    v.push_back(make("127.0.0.3", 0x03, 102, "Corridor 1F", "KP-4410", "IP Terminal", "V2.1.3", 1, 2, {1}));
    v.push_back(make("127.0.0.4", 0x04, 103, "Canteen", "KP-4420", "", "V1.0.6", 1, 1, {2}));
    v.push_back(make("127.0.0.5", 0x05, 104, "Gym", "KP-4410", "IP Terminal", "V1.0.7", 1, 6));
    v.push_back(make("127.0.0.6", 0x06, 105, "Car Park", "KP-4430", "Horn Terminal", "V2.0.1", 1, 5, {3}));
    v.push_back(make("127.0.0.7", 0x07, 201, "Hall Audio In", "KC-2010", "Audio Converter", "V1.2.0", 2, 1));
    v.push_back(make("127.0.0.8", 0x08, 202, "Paging Out", "KC-2020", "", "V1.2.0", 2, 7, {1, 3}));
    v.push_back(make("127.0.0.9", 0x09, 301, "Reception", "KS-530", "Call Station", "V2.1.3", 3, 1));
    v.push_back(make("127.0.0.10", 0x0a, 302, "Security Desk", "KS-530A", "Call Station", "V2.1.3", 3, 3));
    v.push_back(make("127.0.0.11", 0x0b, 303, "Head Office", "KS-530B", "Call Station", "V1.0.5", 3, 1));
    v.push_back(make("127.0.0.12", 0x0c, 304, "Nurse Station", "KS-530D", "", "V2.1.0", 3, 4));
    v.back().screenBootMode = true; // ready for a screen upgrade out of the box
    // A branch office on another subnet: only the status poll and unicast reach it.
    for (auto d : {make("127.20.0.5", 0x15, 401, "Branch Lobby", "KP-4410", "IP Terminal", "V2.1.3", 1, 1),
                   make("127.20.0.6", 0x16, 402, "Branch Desk", "KS-530A", "Call Station", "V2.1.3", 3, 1)}) {
        d.mask = ip("255.255.255.0");
        d.gateway = ip("127.20.0.1");
        d.remote = true;
        v.push_back(d);
    }
    return s;
}

SiteConfig generated(std::size_t count, std::uint32_t firstIp)
{
    static const char* const kModels[] = {"KP-4410", "KP-4420", "KC-2010", "KS-530A"};
    SiteConfig s;
    s.options.searchReplySpreadMs = 200;
    std::uint32_t host = ipToHostOrder(firstIp);
    for (std::uint32_t n = 0; n < count; ++n, ++host) {
        while ((host & 0xFF) == 0 || (host & 0xFF) == 0xFF)
            ++host;
        DeviceConfig d;
        d.ip = ipFromHostOrder(host);
        d.mac = generatedMac(n + 1);
        d.devNo = static_cast<std::int32_t>(n + 1);
        char name[32];
        std::snprintf(name, sizeof name, "Device %04u", n + 1);
        d.name = name;
        d.modelText = kModels[n % 4];
        d.typeCode = n % 4 == 3 ? 3 : n % 4 == 2 ? 2 : 1;
        d.firmware = n % 10 == 9 ? "V1.0.6" : "V2.1.3";
        d.workState = static_cast<std::uint16_t>(1 + n % 7);
        d.serverIp = ip("127.0.0.1");
        d.groups[0] = static_cast<std::uint8_t>(1 + n % 16);
        s.devices.push_back(d);
    }
    return s;
}

std::string validateSite(const SiteConfig& site)
{
    std::set<std::uint32_t> ips;
    std::set<Mac> macs;
    for (std::size_t i = 0; i < site.devices.size(); ++i) {
        const auto& d = site.devices[i];
        const std::string where = "devices[" + std::to_string(i) + "]";
        if (d.ip == 0)
            return where + ": no ip";
        if (std::all_of(d.mac.begin(), d.mac.end(), [](std::uint8_t b) { return b == 0; }))
            return where + ": MAC 00:00:00:00:00:00 is not allowed";
        if (d.layout != 0 && d.layout != 392 && d.layout != 436)
            return where + ": layout must be 392 or 436, not " + std::to_string(d.layout);
        if (!ips.insert(d.ip).second)
            return where + ": ip " + formatIp(d.ip) + " is used twice";
        if (!macs.insert(d.mac).second)
            return where + ": mac " + formatMac(d.mac.data()) + " is used twice";
        if (d.faults.dropRate < 0 || d.faults.dropRate > 1 || d.faults.replyDropRate < 0 ||
            d.faults.replyDropRate > 1)
            return where + ": drop rates lie between 0 and 1";
    }
    return {};
}

// ---------------------------------------------------------------- --device

namespace {

// The --device keys of a lossy network and of devices that count their
// applies. Nothing when the key is not one of them, else an error text
// (empty when the value was taken).
std::optional<std::string> parseNetworkKey(const std::string& key, const std::string& val, Faults& f)
{
    auto bad = [&] { return "bad value for " + key + ": \"" + val + "\""; };
    const char* end = val.data() + val.size();
    if (key == "loss") {
        double r = -1;
        auto [p, ec] = std::from_chars(val.data(), end, r);
        if (val.empty() || ec != std::errc() || p != end || r < 0 || r > 1)
            return bad();
        f.dropRate = r;
    } else if (key == "loss-seed" || key == "duplicates") {
        std::uint64_t n = 0;
        auto [p, ec] = std::from_chars(val.data(), end, n);
        if (val.empty() || ec != std::errc() || p != end || (key == "duplicates" && n > 100))
            return bad();
        if (key == "loss-seed")
            f.lossSeed = n;
        else
            f.duplicateReplies = static_cast<int>(n);
    } else if (key == "count-applies") {
        if (val != "1" && val != "0" && val != "true" && val != "false" && val != "yes" && val != "no")
            return bad();
        f.countApplies = val == "1" || val == "true" || val == "yes";
    } else {
        return std::nullopt;
    }
    return std::string();
}

} // namespace

std::string parseDeviceOption(std::string_view text, DeviceConfig& d)
{
    bool haveIp = false;
    while (!text.empty()) {
        const auto comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const auto eq = item.find('=');
        if (eq == std::string_view::npos)
            return "\"" + std::string(item) + "\" is not KEY=VALUE";
        const std::string key(item.substr(0, eq)), val(item.substr(eq + 1));
        if (auto e = parseNetworkKey(key, val, d.faults)) {
            if (!e->empty())
                return *e;
            continue;
        }
        auto address = [&](std::uint32_t& out) {
            auto a = parseIp(val);
            if (a)
                out = *a;
            return a.has_value();
        };
        auto number = [&](auto& out, long long lo, long long hi) {
            long long n = 0;
            auto [end, ec] = std::from_chars(val.data(), val.data() + val.size(), n);
            if (val.empty() || ec != std::errc() || end != val.data() + val.size() || n < lo || n > hi)
                return false;
            out = static_cast<std::remove_reference_t<decltype(out)>>(n);
            return true;
        };
        auto flag = [&](bool& out) {
            if (val == "1" || val == "true" || val == "yes")
                out = true;
            else if (val == "0" || val == "false" || val == "no")
                out = false;
            else
                return false;
            return true;
        };
        auto shortText = [&](std::string& out) {
            if (val.size() > 15)
                return false;
            out = val;
            return true;
        };
        // The upgrade personality's keys.
        if (const auto known = parseUpgradePersonalityOption(key, val, d.faults.upgrade)) {
            if (!*known)
                return "bad value for " + key + ": \"" + val + "\"";
            continue;
        }
        bool ok = true;
        if (key == "ip")
            ok = haveIp = address(d.ip);
        else if (key == "mask")
            ok = address(d.mask);
        else if (key == "gateway")
            ok = address(d.gateway);
        else if (key == "server")
            ok = address(d.serverIp);
        else if (key == "mac")
            ok = parseMac(val, d.mac.data());
        else if (key == "no")
            ok = number(d.devNo, INT32_MIN, INT32_MAX);
        else if (key == "name")
            ok = shortText(d.name);
        else if (key == "model")
            ok = shortText(d.modelText);
        else if (key == "model-name")
            ok = shortText(d.modelName);
        else if (key == "firmware")
            ok = shortText(d.firmware);
        else if (key == "layout")
            ok = number(d.layout, 392, 436) && (d.layout == 392 || d.layout == 436);
        else if (key == "type-code")
            ok = number(d.typeCode, INT32_MIN, INT32_MAX);
        else if (key == "work-state")
            ok = number(d.workState, 0, 0xFFFF);
        else if (key == "remote")
            ok = flag(d.remote);
        else if (key == "iface")
            d.iface = val;
        else if (key == "screen-boot")
            ok = flag(d.screenBootMode);
        else
            return "unknown key \"" + key + "\"";
        if (!ok)
            return "bad value for " + key + ": \"" + val + "\"";
    }
    if (!haveIp)
        return "no ip=";
    completeDefaults(d);
    return {};
}

} // namespace aulira::sim
