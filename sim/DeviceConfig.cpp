#include "DeviceConfig.h"
#include "CommandNames.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "util/Ipv4.h"

namespace aulira::sim {

using nlohmann::json;

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

// Fills what a configuration left open from the address.
void completeDefaults(DeviceConfig& d)
{
    if (std::all_of(d.mac.begin(), d.mac.end(), [](std::uint8_t b) { return b == 0; }))
        d.mac = macFromIp(d.ip);
    if (d.devNo == 0)
        d.devNo = devNoFromIp(d.ip);
    if (d.name.empty())
        d.name = "Device " + std::to_string(d.devNo);
}

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

// ---------------------------------------------------------------- JSON

namespace {

struct ParseError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw ParseError{where + ": " + what}; }

std::string quoted(const json& v) { return v.dump(); }

std::uint32_t getIp(const json& v, const std::string& where)
{
    if (!v.is_string())
        fail(where, "expected an IPv4 address text, got " + quoted(v));
    auto a = parseIp(v.get<std::string>());
    if (!a)
        fail(where, "not an IPv4 address: " + quoted(v));
    return *a;
}

std::string getText(const json& v, const std::string& where, std::size_t maxBytes)
{
    if (!v.is_string())
        fail(where, "expected a text, got " + quoted(v));
    auto s = v.get<std::string>();
    if (s.size() > maxBytes)
        fail(where, "at most " + std::to_string(maxBytes) + " bytes, got " + std::to_string(s.size()));
    return s;
}

std::int64_t getInt(const json& v, const std::string& where, std::int64_t lo, std::int64_t hi)
{
    if (!v.is_number_integer())
        fail(where, "expected an integer, got " + quoted(v));
    auto n = v.get<std::int64_t>();
    if (n < lo || n > hi)
        fail(where, std::to_string(n) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return n;
}

bool getBool(const json& v, const std::string& where)
{
    if (!v.is_boolean())
        fail(where, "expected true or false, got " + quoted(v));
    return v.get<bool>();
}

double getRate(const json& v, const std::string& where)
{
    if (!v.is_number())
        fail(where, "expected a number, got " + quoted(v));
    double r = v.get<double>();
    if (r < 0 || r > 1)
        fail(where, "expected a share between 0 and 1, got " + quoted(v));
    return r;
}

Faults parseFaults(const json& j, const std::string& where)
{
    if (!j.is_object())
        fail(where, "expected an object");
    Faults f;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string k = it.key(), w = where + "." + k;
        const json& v = it.value();
        try {
            if (parseUpgradePersonalityJson(k, v, w, f.upgrade))
                continue;
        } catch (const std::invalid_argument& e) {
            throw ParseError{e.what()};
        }
        if (k == "dropRate")
            f.dropRate = getRate(v, w);
        else if (k == "replyDropRate")
            f.replyDropRate = getRate(v, w);
        else if (k == "delayMs")
            f.delayMs = static_cast<int>(getInt(v, w, 0, 600000));
        else if (k == "duplicateReplies")
            f.duplicateReplies = static_cast<int>(getInt(v, w, 0, 100));
        else if (k == "corruptChecksum")
            f.corruptChecksum = getBool(v, w);
        else if (k == "wrongTargetIp")
            f.wrongTargetIp = getBool(v, w);
        else if (k == "setBit15")
            f.setBit15 = getBool(v, w);
        else if (k == "headerVerdict")
            f.headerVerdict = static_cast<std::uint16_t>(getInt(v, w, 0, 0xFFFF));
        else if (k == "bootUnreachableMs")
            f.bootUnreachableMs = static_cast<int>(getInt(v, w, 0, 600000));
        else if (k == "restartMs")
            f.restartMs = static_cast<int>(getInt(v, w, 0, 600000));
        else if (k == "keepOldVersion")
            f.keepOldVersion = getBool(v, w);
        else if (k == "paraReplyBytes")
            f.paraReplyBytes = static_cast<int>(getInt(v, w, 0, 436));
        else if (k == "dropUpgradePacket")
            f.dropUpgradePacket = static_cast<int>(getInt(v, w, 0, 65535));
        else if (k == "countApplies")
            f.countApplies = getBool(v, w);
        else if (k == "lossSeed")
            f.lossSeed = static_cast<std::uint64_t>(getInt(v, w, 0, INT64_MAX));
        else if (k == "silentCommands") {
            if (!v.is_array())
                fail(w, "expected an array of commands");
            for (std::size_t i = 0; i < v.size(); ++i) {
                const std::string wi = w + "[" + std::to_string(i) + "]";
                std::optional<std::uint16_t> c;
                if (v[i].is_string())
                    c = parseCommand(v[i].get<std::string>());
                else if (v[i].is_number_integer())
                    c = parseCommand(std::to_string(v[i].get<std::int64_t>()));
                if (!c)
                    fail(wi, "not a command name or code: " + quoted(v[i]));
                f.silentCommands.insert(*c);
            }
        } else
            fail(w, "unknown fault");
    }
    return f;
}

DeviceConfig parseDevice(const json& j, const std::string& where)
{
    if (!j.is_object())
        fail(where, "expected an object");
    if (!j.contains("ip"))
        fail(where, "no \"ip\"");
    DeviceConfig d;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string k = it.key(), w = where + "." + k;
        const json& v = it.value();
        if (k == "ip")
            d.ip = getIp(v, w);
        else if (k == "mask")
            d.mask = getIp(v, w);
        else if (k == "gateway")
            d.gateway = getIp(v, w);
        else if (k == "serverIp")
            d.serverIp = getIp(v, w);
        else if (k == "altServerIp")
            d.altServerIp = getIp(v, w);
        else if (k == "dns1")
            d.dns1 = getIp(v, w);
        else if (k == "dns2")
            d.dns2 = getIp(v, w);
        else if (k == "mac") {
            if (!v.is_string() || !parseMac(v.get<std::string>(), d.mac.data()))
                fail(w, "expected a MAC address like \"02:4b:50:00:00:01\", got " + quoted(v));
            if (std::all_of(d.mac.begin(), d.mac.end(), [](std::uint8_t b) { return b == 0; }))
                fail(w, "00:00:00:00:00:00 is not allowed");
        } else if (k == "devNo")
            d.devNo = static_cast<std::int32_t>(getInt(v, w, INT32_MIN, INT32_MAX));
        else if (k == "name")
            d.name = getText(v, w, 15); // the record's 16-byte field bounds what a device can hold
        else if (k == "modelText")
            d.modelText = getText(v, w, 15);
        else if (k == "modelName")
            d.modelName = getText(v, w, 15);
        else if (k == "firmware")
            d.firmware = getText(v, w, 15);
        else if (k == "layout") {
            d.layout = static_cast<int>(getInt(v, w, 0, 1000));
            if (d.layout != 392 && d.layout != 436)
                fail(w, "must be 392 or 436, got " + quoted(v));
        } else if (k == "typeCode")
            d.typeCode = static_cast<std::int32_t>(getInt(v, w, INT32_MIN, INT32_MAX));
        else if (k == "workState")
            d.workState = static_cast<std::uint16_t>(getInt(v, w, 0, 0xFFFF));
        else if (k == "groups") {
            if (!v.is_array() || v.size() > 8)
                fail(w, "expected an array of at most 8 group numbers");
            for (std::size_t i = 0; i < v.size(); ++i)
                d.groups[i] = static_cast<std::uint8_t>(getInt(v[i], w + "[" + std::to_string(i) + "]", 0, 255));
        } else if (k == "remote")
            d.remote = getBool(v, w);
        else if (k == "iface")
            d.iface = getText(v, w, 64);
        else if (k == "screen")
            d.screen = getBool(v, w);
        else if (k == "screenBootMode")
            d.screenBootMode = getBool(v, w);
        else if (k == "faults")
            d.faults = parseFaults(v, w);
        else
            fail(w, "unknown key");
    }
    completeDefaults(d);
    return d;
}

SiteConfig parseSite(const json& j)
{
    if (!j.is_object())
        fail("top level", "expected an object with \"devices\"");
    SiteConfig s;
    bool haveDevices = false;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        if (k == "port")
            s.options.port = static_cast<std::uint16_t>(getInt(v, k, 0, 65535));
        else if (k == "interfaces") {
            if (!v.is_array() || v.empty())
                fail(k, "expected a non-empty array of interface names");
            s.options.interfaces.clear();
            for (std::size_t i = 0; i < v.size(); ++i)
                s.options.interfaces.push_back(getText(v[i], k + "[" + std::to_string(i) + "]", 64));
        } else if (k == "searchReplySpreadMs")
            s.options.searchReplySpreadMs = static_cast<int>(getInt(v, k, 0, 60000));
        else if (k == "seed")
            s.options.seed = static_cast<std::uint64_t>(getInt(v, k, 0, INT64_MAX));
        else if (k == "devices") {
            if (!v.is_array())
                fail(k, "expected an array");
            for (std::size_t i = 0; i < v.size(); ++i)
                s.devices.push_back(parseDevice(v[i], "devices[" + std::to_string(i) + "]"));
            haveDevices = true;
        } else
            fail(k, "unknown key");
    }
    if (!haveDevices)
        fail("top level", "no \"devices\" array");
    return s;
}

} // namespace

LoadResult parseSiteJson(std::string_view text)
{
    LoadResult r;
    json j;
    try {
        j = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        r.error = "not valid JSON at byte " + std::to_string(e.byte) + ": " + e.what();
        return r;
    }
    try {
        SiteConfig s = parseSite(j);
        if (auto problem = validateSite(s); !problem.empty()) {
            r.error = problem;
            return r;
        }
        r.site = std::move(s);
    } catch (const ParseError& e) {
        r.error = e.message;
    }
    return r;
}

LoadResult loadSiteFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        LoadResult r;
        r.error = path + ": cannot open the file";
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    LoadResult r = parseSiteJson(text.str());
    if (!r.site)
        r.error = path + ": " + r.error;
    return r;
}

std::string siteToJson(const SiteConfig& site)
{
    json j;
    j["port"] = site.options.port;
    j["interfaces"] = site.options.interfaces;
    j["searchReplySpreadMs"] = site.options.searchReplySpreadMs;
    j["seed"] = site.options.seed;
    j["devices"] = json::array();
    for (const auto& d : site.devices) {
        json o;
        o["ip"] = formatIp(d.ip);
        o["mask"] = formatIp(d.mask);
        o["gateway"] = formatIp(d.gateway);
        o["mac"] = formatMac(d.mac.data());
        o["devNo"] = d.devNo;
        o["name"] = d.name;
        o["modelText"] = d.modelText;
        o["modelName"] = d.modelName;
        o["firmware"] = d.firmware;
        if (d.layout)
            o["layout"] = d.layout;
        o["typeCode"] = d.typeCode;
        o["workState"] = d.workState;
        o["serverIp"] = formatIp(d.serverIp);
        o["altServerIp"] = formatIp(d.altServerIp);
        o["dns1"] = formatIp(d.dns1);
        o["dns2"] = formatIp(d.dns2);
        o["groups"] = d.groups;
        if (d.remote)
            o["remote"] = true;
        if (!d.iface.empty())
            o["iface"] = d.iface;
        if (d.screen)
            o["screen"] = *d.screen;
        if (d.screenBootMode)
            o["screenBootMode"] = true;
        if (!(d.faults == Faults{})) {
            const Faults& f = d.faults;
            json fj = json::object();
            if (f.dropRate) fj["dropRate"] = f.dropRate;
            if (f.replyDropRate) fj["replyDropRate"] = f.replyDropRate;
            if (f.delayMs) fj["delayMs"] = f.delayMs;
            if (f.duplicateReplies) fj["duplicateReplies"] = f.duplicateReplies;
            if (f.corruptChecksum) fj["corruptChecksum"] = true;
            if (f.wrongTargetIp) fj["wrongTargetIp"] = true;
            if (f.setBit15) fj["setBit15"] = true;
            if (f.headerVerdict) fj["headerVerdict"] = *f.headerVerdict;
            writeUpgradePersonalityJson(f.upgrade, fj);
            if (f.bootUnreachableMs) fj["bootUnreachableMs"] = f.bootUnreachableMs;
            if (f.restartMs) fj["restartMs"] = f.restartMs;
            if (f.keepOldVersion) fj["keepOldVersion"] = true;
            if (f.dropUpgradePacket) fj["dropUpgradePacket"] = f.dropUpgradePacket;
            if (f.paraReplyBytes) fj["paraReplyBytes"] = f.paraReplyBytes;
            if (f.countApplies) fj["countApplies"] = true;
            if (f.lossSeed) fj["lossSeed"] = f.lossSeed;
            if (!f.silentCommands.empty()) {
                fj["silentCommands"] = json::array();
                for (auto c : f.silentCommands)
                    fj["silentCommands"].push_back(commandText(c));
            }
            o["faults"] = fj;
        }
        j["devices"].push_back(o);
    }
    return j.dump(2) + "\n";
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
