// The site's devices: adding and removing them, the served interface each
// one is attached to, their faults and what they received.
#include "SimSite.h"

#include <algorithm>

#include "util/Ipv4.h"

namespace aulira::sim {

namespace {

std::uint64_t mix(std::uint64_t x) // splitmix64: per-device seeds that do not depend on device order
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

SimSite::SimSite(SiteOptions options)
    : options_(std::move(options)), spreadMs_(options_.searchReplySpreadMs), spreadRng_(mix(options_.seed))
{
    refreshInterfaces();
}

SimSite::~SimSite() { stop(); }

std::string SimSite::attach(SimDevice& d) const
{
    const std::uint32_t ip = d.ip();
    const Iface* chosen = nullptr;
    if (!d.configuredIface().empty()) {
        for (const auto& f : ifaces_)
            if (f.name == d.configuredIface())
                chosen = &f;
        if (!chosen)
            return formatIp(ip) + ": interface \"" + d.configuredIface() + "\" is not served";
    }
    for (const auto& f : ifaces_) {
        if (chosen)
            break;
        for (const auto& [addr, mask] : f.nets)
            if ((addr & mask) == (ip & mask))
                chosen = &f;
        // Everything in 127/8 lives on loopback, whatever addresses lo lists.
        if (!chosen && f.loopback && (ip & 0xFF) == 127)
            chosen = &f;
    }
    if (!chosen)
        return formatIp(ip) + ": no served interface has this address in its subnet";
    d.attach(chosen->index, chosen->name);
    return {};
}

bool SimSite::addDevice(const DeviceConfig& config, std::string* error)
{
    std::lock_guard lock(m_);
    std::string problem;
    if (config.ip == 0)
        problem = "a device needs an address";
    else if (std::all_of(config.mac.begin(), config.mac.end(), [](std::uint8_t b) { return b == 0; }))
        problem = formatIp(config.ip) + ": MAC 00:00:00:00:00:00 is not allowed";
    for (const auto& d : devices_)
        if (problem.empty() && d->ip() == config.ip)
            problem = formatIp(config.ip) + ": address already in use";
    std::uint64_t seed = config.faults.lossSeed != 0 ? config.faults.lossSeed : options_.seed;
    for (auto b : config.mac)
        seed = mix(seed ^ b);
    auto device = std::make_shared<SimDevice>(config, seed, options_.keepTraffic);
    if (problem.empty())
        problem = attach(*device);
    if (!problem.empty()) {
        if (error)
            *error = problem;
        return false;
    }
    devices_.push_back(std::move(device));
    return true;
}

bool SimSite::addDevices(const std::vector<DeviceConfig>& configs, std::string* error)
{
    for (const auto& c : configs)
        if (!addDevice(c, error))
            return false;
    return true;
}

bool SimSite::removeDevice(std::uint32_t ip)
{
    std::lock_guard lock(m_);
    auto it = std::find_if(devices_.begin(), devices_.end(), [&](const auto& d) { return d->ip() == ip; });
    if (it == devices_.end())
        return false;
    devices_.erase(it);
    return true;
}

std::size_t SimSite::deviceCount() const
{
    std::lock_guard lock(m_);
    return devices_.size();
}

std::vector<std::uint32_t> SimSite::deviceIps() const
{
    std::lock_guard lock(m_);
    std::vector<std::uint32_t> ips;
    for (const auto& d : devices_)
        ips.push_back(d->ip());
    return ips;
}

std::shared_ptr<SimDevice> SimSite::find(std::uint32_t ip) const
{
    std::lock_guard lock(m_);
    for (const auto& d : devices_)
        if (d->ip() == ip)
            return d;
    return nullptr;
}

std::optional<DeviceSnapshot> SimSite::device(std::uint32_t ip) const
{
    if (auto d = find(ip))
        return d->snapshot();
    return std::nullopt;
}

bool SimSite::setFaults(std::uint32_t ip, const Faults& faults)
{
    auto d = find(ip);
    if (d)
        d->setFaults(faults);
    return d != nullptr;
}

void SimSite::setFaultsAll(const Faults& faults)
{
    std::lock_guard lock(m_);
    for (const auto& d : devices_)
        d->setFaults(faults);
}

bool SimSite::setScreenBootMode(std::uint32_t ip, bool on)
{
    auto d = find(ip);
    if (d)
        d->setScreenBootMode(on);
    return d != nullptr;
}

std::vector<TrafficEntry> SimSite::traffic(std::uint32_t ip) const
{
    auto d = find(ip);
    return d ? d->traffic() : std::vector<TrafficEntry>{};
}

std::vector<TrafficEntry> SimSite::traffic() const
{
    std::vector<std::shared_ptr<SimDevice>> devices;
    {
        std::lock_guard lock(m_);
        devices = devices_;
    }
    std::vector<TrafficEntry> all;
    for (const auto& d : devices) {
        auto t = d->traffic();
        all.insert(all.end(), t.begin(), t.end());
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.seq < b.seq; });
    return all;
}

void SimSite::clearTraffic()
{
    std::lock_guard lock(m_);
    for (const auto& d : devices_)
        d->clearTraffic();
}

} // namespace aulira::sim
