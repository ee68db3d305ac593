#include <gtest/gtest.h>

#include "protocol/Adapters.h"
#include "shell/Log.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::ip;

TEST(Adapters, LocalSubnetAppliesEachSidesOwnMask)
{
    std::vector<std::string> ips{"192.168.1.10"}, masks{"255.255.255.0"};
    EXPECT_EQ(1, IsLocalSubnet(ips, masks, ip("192.168.1.50"), ip("255.255.255.0")));
    EXPECT_EQ(0, IsLocalSubnet(ips, masks, ip("192.168.2.50"), ip("255.255.255.0")));
    // 10.0.0.0 (device side) differs from 10.2.0.0 (adapter side).
    EXPECT_EQ(0, IsLocalSubnet({"10.2.3.4"}, {"255.255.0.0"}, ip("10.1.1.5"), ip("255.0.0.0")));
    EXPECT_EQ(0, IsLocalSubnet({}, {}, ip("10.1.1.5"), ip("255.0.0.0")));
    // A second adapter matches.
    EXPECT_EQ(1, IsLocalSubnet({"10.2.3.4", "127.0.0.1"}, {"255.255.0.0", "255.0.0.0"}, ip("127.0.0.9"), ip("255.0.0.0")));
}

TEST(Adapters, RequestedAddressesGetTheirInterfaceMaskAndLogLines)
{
    LogRecorder log;
    std::vector<std::string> ips, masks;
    ASSERT_EQ(1, EnumLocalAdapters(ips, masks, {"127.0.0.1", "203.0.113.7"}));
    ASSERT_EQ(std::vector<std::string>{"127.0.0.1"}, ips);
    EXPECT_EQ(std::vector<std::string>{"255.0.0.0"}, masks);
    // An address this machine does not have is never used to send from.
    auto lines = log.lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("Local network card1:", lines[0]);
    EXPECT_EQ("<127.0.0.1>,<255.0.0.0>", lines[1]);
    EXPECT_NE(std::string::npos, lines[2].find("203.0.113.7"));
}

TEST(Adapters, DefaultSelectionLeavesLoopbackOut)
{
    std::vector<std::string> ips, masks;
    ASSERT_EQ(1, EnumLocalAdapters(ips, masks));
    for (const auto& a : ips)
        EXPECT_NE(127u, ip(a.c_str()) & 0xFF) << a;
    EXPECT_EQ(ips.size(), masks.size());
}
