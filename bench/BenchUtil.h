#pragma once
// Helpers shared by the benchmark cases, and the cases that live in files of
// their own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DeviceConfig.h"
#include "SimSite.h"
#include "protocol/Timing.h"

namespace aulira::bench {

using Clock = std::chrono::steady_clock;

inline double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A simulated site on loopback on a free port; the device port follows it.
inline std::unique_ptr<sim::SimSite> startSite(const sim::SiteConfig& cfg, int spreadMs)
{
    auto options = cfg.options;
    options.port = 0;
    options.searchReplySpreadMs = spreadMs;
    options.keepTraffic = false;
    auto site = std::make_unique<sim::SimSite>(options);
    std::string error;
    if (!site->addDevices(cfg.devices, &error) || !site->start(&error)) {
        std::fprintf(stderr, "cannot start the simulated site: %s\n", error.c_str());
        std::exit(1);
    }
    protocolConfig().devicePort = site->port();
    return site;
}

// Cases in other files.
void benchGroupDownload();
void benchCommission();
void benchFirmwareUpgrade();
void benchFirmwareParallel();
void benchScreenParallel();
void benchScreenUpgrade();

} // namespace aulira::bench
