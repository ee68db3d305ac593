#pragma once
// Simulated devices for tests: plausible identities on loopback.
#include <cstdint>

#include "DeviceConfig.h"
#include "support/TestUtil.h"

namespace aulira::test {

inline sim::DeviceConfig simDevice(const char* addr, int no, std::uint32_t macSerial, const char* name = "Desk")
{
    sim::DeviceConfig d;
    d.ip = ip(addr);
    d.mask = ip("255.0.0.0");
    d.devNo = no;
    d.name = name;
    d.mac = sim::generatedMac(macSerial);
    d.firmware = "V2.0.1";
    return d;
}

} // namespace aulira::test
