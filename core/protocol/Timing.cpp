#include "protocol/Timing.h"

namespace aulira {

ProtocolConfig& protocolConfig()
{
    static ProtocolConfig config;
    return config;
}

void resetProtocolConfig()
{
    auto& c = protocolConfig();
    c.devicePort = kDefaultDevicePort;
    c.retries = kDefaultRetries;
    c.timing = Timing{};
}

} // namespace aulira
