#pragma once
// A simulated site on loopback, on a free port, for the duration of a test.
#include <gtest/gtest.h>

#include <memory>

#include "DeviceConfig.h"
#include "SimSite.h"
#include "support/SimDevices.h"
#include "support/TestUtil.h"

namespace aulira::test {

class SimFixture : public ::testing::Test {
protected:
    void startSite(const std::vector<sim::DeviceConfig>& devices, sim::SiteOptions options = {})
    {
        options.port = 0;
        site = std::make_unique<sim::SimSite>(options);
        std::string error;
        ASSERT_TRUE(site->addDevices(devices, &error)) << error;
        ASSERT_TRUE(site->start(&error)) << error;
        protocolConfig().devicePort = site->port();
    }

    ProtocolConfigGuard guard;
    std::unique_ptr<sim::SimSite> site;
};

} // namespace aulira::test
