#pragma once
// What a simulated device received: the tests' and the dump file's view of the
// conversation, one entry per datagram the device took in.
#include <cstdint>
#include <string>
#include <vector>

namespace aulira::sim {

struct TrafficEntry {
    std::uint64_t seq = 0;       // site-wide order of arrival
    std::uint32_t deviceIp = 0;  // the device's address when it took the datagram in (stored order)
    std::uint32_t fromIp = 0;
    std::uint16_t fromPort = 0;
    std::uint16_t command = 0;
    std::uint16_t packetCount = 0;
    std::uint16_t packetNo = 0;
    std::uint16_t length = 0;
    std::uint16_t pollMark = 0;
    std::uint32_t targetIp = 0;
    bool broadcast = false;      // arrived as a broadcast rather than to the device's own address
    std::vector<std::uint8_t> payload;
};

// One JSON object on one line (no trailing newline), for the dump file.
std::string trafficJsonLine(const TrafficEntry& e);

} // namespace aulira::sim
