#include "grouping/GroupRules.h"

#include <algorithm>

#include "devices/DeviceRules.h"
#include "shell/Strings.h"
#include "shell/TextCodec.h"

namespace aulira {

GroupCheck checkGroupEntry(GroupEditMode mode, const GroupEntry& entry, const GroupList& groups,
                           const GroupItem_Type* editing)
{
    GroupCheck c;
    // The number box reads like the device number box: leading digits, else 0.
    c.number = parseDeviceNo(entry.noText);
    if (c.number < kGroupNoMin || c.number > kGroupNoMax) {
        c.refusal = IDS_GROUP_NO_ERROR;
        return c;
    }
    for (const auto& g : groups) {
        if (mode == GroupEditMode::Edit && &g == editing)
            continue;
        if (g.number() == c.number) {
            c.refusal = IDS_GROUP_NO_EXISTS;
            return c;
        }
    }
    if (entry.name.empty()) {
        c.refusal = IDS_GROUP_NAME_EMPTY;
        return c;
    }
    auto ansi = utf8ToAnsi(entry.name);
    if (!ansi) {
        c.refusal = IDS_GROUP_NAME_NOT_ENCODABLE;
        return c;
    }
    if (ansi->size() > kGroupNameMaxBytes) {
        c.refusal = IDS_GROUP_NAME_TOO_LONG;
        return c;
    }
    c.ansiName = std::move(*ansi);
    return c;
}

GroupCheck checkTypedGroupEntry(GroupEditMode mode, const GroupEntry& entry, const GroupList& groups,
                                const GroupItem_Type* editing)
{
    if (!parseWholeNumber(entry.noText)) {
        GroupCheck c;
        c.refusal = IDS_GROUP_NO_ERROR;
        return c;
    }
    return checkGroupEntry(mode, entry, groups, editing);
}

GroupItem_Type newGroup(const GroupCheck& accepted)
{
    GroupItem_Type g;
    g.header = DevItem_Type{};
    g.header.kind = kDevItemGroup;
    storeGroupEntry(accepted, g);
    return g;
}

void storeGroupEntry(const GroupCheck& accepted, GroupItem_Type& group)
{
    group.header.id = static_cast<std::uint32_t>(accepted.number);
    group.header.setNameBytes(accepted.ansiName);
}

GroupItem_Type* findGroup(GroupList& groups, std::int32_t number)
{
    auto it = std::find_if(groups.begin(), groups.end(), [number](const auto& g) { return g.number() == number; });
    return it == groups.end() ? nullptr : &*it;
}

const GroupItem_Type* findGroup(const GroupList& groups, std::int32_t number)
{
    return findGroup(const_cast<GroupList&>(groups), number);
}

bool shownAsMember(const GroupList& groups, std::int32_t groupNo, std::int32_t devNo)
{
    return std::any_of(groups.begin(), groups.end(), [&](const GroupItem_Type& g) {
        return g.number() == groupNo &&
               std::any_of(g.members.begin(), g.members.end(), [&](const auto& m) { return m.devNo == devNo; });
    });
}

bool isDownloadMember(const GroupItem_Type& group, std::uint32_t devIp)
{
    return std::any_of(group.members.begin(), group.members.end(), [&](const auto& m) { return m.devIp == devIp; });
}

void setMembersFromTicked(GroupItem_Type& group, const std::vector<DeviceInfo_Type>& tickedRows)
{
    group.members.clear();
    group.members.reserve(tickedRows.size());
    for (const auto& info : tickedRows) {
        GroupDev_Type m;
        m.devNo = info.devNo();
        m.setNameBytes(info.devName());
        m.devIp = info.ip();
        group.members.push_back(m);
    }
}

std::vector<std::int32_t> groupNumbersOfDevice(const GroupList& groups, std::uint32_t devIp)
{
    std::vector<std::int32_t> out;
    for (const auto& g : groups)
        if (isDownloadMember(g, devIp))
            out.push_back(g.number());
    return out;
}

} // namespace aulira
