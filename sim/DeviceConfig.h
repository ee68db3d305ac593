#pragma once
// How a simulated site is described: site options and one DeviceConfig per
// device, built in code, by the generators below, or loaded from a JSON file
// (format in docs/simulator.md).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Faults.h"
#include "protocol/Timing.h"

namespace aulira::sim {

using Mac = std::array<std::uint8_t, 6>;

struct DeviceConfig {
    std::uint32_t ip = 0;            // stored (network) order, like every address in the records
    std::uint32_t mask = 0x000000FF; // 255.0.0.0
    std::uint32_t gateway = 0;
    Mac mac{};
    std::int32_t devNo = 0;
    std::string name;
    std::string modelText = "KP-4410";
    std::string modelName;
    std::string firmware = "V2.1.3";
    int layout = 0;                  // 392 or 436; 0 follows the firmware version text
    std::int32_t typeCode = 1;
    std::uint16_t workState = 1;
    std::uint32_t serverIp = 0;
    std::uint32_t altServerIp = 0;
    std::uint32_t dns1 = 0;
    std::uint32_t dns2 = 0;
    std::array<std::uint8_t, 8> groups{};
    bool remote = false;             // reached only by unicast: ignores every broadcast
    std::string iface;               // served interface; empty = the one whose subnet holds ip
    std::optional<bool> screen;      // has a display screen; unset = by model text
    bool screenBootMode = false;     // the screen waits in its boot mode for an upgrade
    Faults faults;
};

struct SiteOptions {
    std::uint16_t port = kDefaultDevicePort; // 0 = any free port
    std::vector<std::string> interfaces{"lo"};
    int searchReplySpreadMs = 0;     // each search reply waits a random 0..spread ms
    std::uint64_t seed = 1;          // for drops and spreading, so runs repeat
    bool keepTraffic = true;         // keep every device's received datagrams for traffic()
};

struct SiteConfig {
    SiteOptions options;
    std::vector<DeviceConfig> devices;
};

// The record layout a firmware version text implies: 392 up to "V1.0.7"
// (byte-wise comparison), 436 above.
int layoutForFirmware(std::string_view firmware);
int effectiveLayout(const DeviceConfig& d);
bool hasScreen(const DeviceConfig& d);
// The call-station models whose screens can be upgraded.
bool isScreenModel(std::string_view modelText);
// Fills what a configuration left open from its address: a zero MAC, device
// number 0 and an empty name.
void completeDefaults(DeviceConfig& d);

// A plausible mixed site on loopback: terminals, converters, four call
// stations, a few older devices with the short record, and two devices of a
// remote subnet (127.20.0.x/24) that only unicast reaches.
SiteConfig defaultSite();

// count devices from firstIp on (skipping host parts .0 and .255), with unique
// MACs and device numbers; for load tests and benchmarks.
SiteConfig generated(std::size_t count, std::uint32_t firstIp = 0x0100017F /* 127.1.0.1 */);

// The MAC the generators give the n-th device: 02:4b:50:nn:nn:nn.
Mac generatedMac(std::uint32_t n);

// Duplicate addresses or MACs, zero MACs, bad layouts; empty when sound.
std::string validateSite(const SiteConfig& site);

struct LoadResult {
    std::optional<SiteConfig> site;
    std::string error; // set when site is empty: where and what, for a person to fix
};

LoadResult parseSiteJson(std::string_view text);
LoadResult loadSiteFile(const std::string& path);
std::string siteToJson(const SiteConfig& site); // pretty-printed, loads back to the same site

// One device from "ip=127.0.0.9,name=Desk,model=KS-530" (the --device option);
// keys not given keep the defaults. Empty error on success.
std::string parseDeviceOption(std::string_view text, DeviceConfig& out);

// Accepts "CMD_READ_SYS_PARA", "0x0202" or "514".
std::optional<std::uint16_t> parseCommand(std::string_view text);

} // namespace aulira::sim
