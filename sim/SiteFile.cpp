// The site file: a whole site as JSON (format in docs/simulator.md), read
// with an error that says where and what, and written back.
#include "DeviceConfig.h"
#include "CommandNames.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "util/Ipv4.h"

namespace aulira::sim {

using nlohmann::json;

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

} // namespace aulira::sim
