#include "Traffic.h"

#include <nlohmann/json.hpp>

#include "protocol/Packet.h"
#include "util/Ipv4.h"

namespace aulira::sim {

std::string trafficJsonLine(const TrafficEntry& e)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(e.payload.size() * 2);
    for (auto b : e.payload) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    nlohmann::ordered_json j;
    j["seq"] = e.seq;
    j["device"] = formatIp(e.deviceIp);
    j["from"] = formatIp(e.fromIp) + ":" + std::to_string(e.fromPort);
    j["command"] = e.command;
    j["name"] = commandName(e.command);
    j["packetCount"] = e.packetCount;
    j["packetNo"] = e.packetNo;
    j["length"] = e.length;
    j["pollMark"] = e.pollMark;
    j["targetIp"] = formatIp(e.targetIp);
    j["broadcast"] = e.broadcast;
    j["payload"] = hex;
    return j.dump();
}

} // namespace aulira::sim
