#pragma once
// The groups the group download benchmarks write: ten groups of one tenth of
// the site each, and one group of everybody.
#include <string>
#include <vector>

#include "DeviceConfig.h"
#include "grouping/GroupRules.h"

namespace aulira::bench {

// Ten groups of fifty devices, and one group of everybody.
inline GroupList benchGroups(const sim::SiteConfig& cfg)
{
    GroupList groups;
    for (int g = 0; g <= 10; ++g) {
        GroupCheck c;
        c.number = g + 1;
        c.ansiName = "Zone " + std::to_string(g + 1);
        groups.push_back(newGroup(c));
    }
    std::vector<std::vector<DeviceInfo_Type>> ticked(groups.size());
    for (std::size_t i = 0; i < cfg.devices.size(); ++i) {
        DeviceInfo_Type info;
        info.setDevNo(cfg.devices[i].devNo);
        info.setDevName(cfg.devices[i].name);
        info.setIp(cfg.devices[i].ip);
        ticked[i % 10].push_back(info);
        ticked[10].push_back(info);
    }
    for (std::size_t g = 0; g < groups.size(); ++g)
        setMembersFromTicked(groups[g], ticked[g]);
    return groups;
}

} // namespace aulira::bench
