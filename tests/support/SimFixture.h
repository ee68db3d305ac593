#pragma once
// A simulated site on loopback, on a free port, for the duration of a test,
// and what a test asks of it: what each device took in, and a device once
// the requests that await no reply have landed.
#include <gtest/gtest.h>

#include <memory>

#include "DeviceConfig.h"
#include "SimSite.h"
#include "devices/DeviceItem.h"
#include "protocol/Exchange.h"
#include "support/SimDevices.h"
#include "support/TestUtil.h"

namespace aulira::test {

// The commands of a stretch of traffic, in order.
inline std::vector<std::uint16_t> commandsOf(const std::vector<sim::TrafficEntry>& traffic)
{
    std::vector<std::uint16_t> out;
    for (const auto& e : traffic)
        out.push_back(e.command & kCommandMask);
    return out;
}

class SimFixture : public ::testing::Test {
protected:
    // `sink` sees every datagram from the first one on.
    void startSite(const std::vector<sim::DeviceConfig>& devices, sim::SiteOptions options = {},
                   sim::SimSite::TrafficSink sink = {})
    {
        options.port = 0;
        site = std::make_unique<sim::SimSite>(options);
        if (sink)
            site->setTrafficSink(std::move(sink));
        std::string error;
        ASSERT_TRUE(site->addDevices(devices, &error)) << error;
        ASSERT_TRUE(site->start(&error)) << error;
        protocolConfig().devicePort = site->port();
    }

    // Turns on at the device at addr (every device: 0) what `set` sets; every other fault is off.
    template <class Set>
    void fault(std::uint32_t addr, Set set)
    {
        sim::Faults f;
        set(f);
        addr ? (void)site->setFaults(addr, f) : site->setFaultsAll(f);
    }

    // The datagrams with `command` the device at addr (every device: 0) took in.
    std::vector<sim::TrafficEntry> sent(std::uint16_t command, std::uint32_t addr = 0) const
    {
        std::vector<sim::TrafficEntry> v;
        for (auto& e : addr ? site->traffic(addr) : site->traffic())
            if (e.command == command)
                v.push_back(e);
        return v;
    }
    int countSent(std::uint16_t command, std::uint32_t addr = 0) const
    {
        return static_cast<int>(sent(command, addr).size());
    }

    // What the device at addr took in so far: its reply to a search shows
    // it has taken every earlier datagram, those that await no reply included.
    std::vector<sim::TrafficEntry> trafficUpToNow(std::uint32_t addr)
    {
        Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
        EXPECT_EQ(RES_OK, ExchangeUnicast("127.0.0.1", addr, req, reply, 1));
        auto t = site->traffic(addr);
        if (!t.empty())
            t.pop_back();
        return t;
    }

    // An entry for a simulated device as seen through the adapter 127.0.0.1.
    DeviceItemPtr foundEntry(const sim::DeviceConfig& d) const
    {
        auto item = std::make_shared<DeviceItem_Type>();
        item->devItem = site->device(d.ip)->info;
        item->ip = d.ip;
        item->localIp = "127.0.0.1";
        return item;
    }

    // The device at addr once the apply that ends a write (unanswered) has been taken in.
    sim::DeviceSnapshot settled(const char* addr)
    {
        for (int i = 0; i < 500; ++i) { // up to 5 s on a loaded machine
            auto d = site->device(ip(addr));
            if (d && !d->pendingPara)
                return *d;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return site->device(ip(addr)).value();
    }

    ProtocolConfigGuard guard;
    std::unique_ptr<sim::SimSite> site;
};

} // namespace aulira::test
