#pragma once
// The rules of the group set that do not depend on a dialog: the checks of
// adding and editing a group, which devices count as members (by number for
// what the operator sees ticked, by address for what the download writes),
// and ticking, which rebuilds a group's members.
#include <cstdint>
#include <string>
#include <vector>

#include "devices/DeviceInfo.h"
#include "grouping/GroupTypes.h"

namespace aulira {

enum class GroupEditMode { Add, Edit };

inline constexpr int kGroupNoMin = 1;
inline constexpr int kGroupNoMax = 255;
inline constexpr std::size_t kGroupNameMaxBytes = kNameFieldWidth - 1;
inline constexpr std::size_t kGroupNosPerDevice = 8; // the group bytes of the parameter record

struct GroupEntry {
    std::string noText; // as typed; read as a signed integer, non-numeric text reads 0
    std::string name;   // UTF-8
};

struct GroupCheck {
    int refusal = 0;      // string id of the first failed check; 0 when accepted
    std::int32_t number = 0;
    std::string ansiName; // the accepted name in the workstation's code page
};

// The checks in the order the operator meets them: number range (111),
// number taken (112), empty name (113), a name the code page cannot hold
// (1101), a name longer than 15 bytes (114). `editing` is excluded from the
// number check in edit mode.
GroupCheck checkGroupEntry(GroupEditMode mode, const GroupEntry& entry, const GroupList& groups,
                           const GroupItem_Type* editing);

// The same checks for a number typed where no digits-only box guards it
// (auctl): text that is not a whole decimal number ("1abc", "", "+3") is
// refused with the number-range message (111) before anything else.
GroupCheck checkTypedGroupEntry(GroupEditMode mode, const GroupEntry& entry, const GroupList& groups,
                                const GroupItem_Type* editing);

// A new group from an accepted entry: kind 2, the number and the name, no members.
GroupItem_Type newGroup(const GroupCheck& accepted);
// Edit: the accepted number and name go into the group's header; members stay.
void storeGroupEntry(const GroupCheck& accepted, GroupItem_Type& group);

GroupItem_Type* findGroup(GroupList& groups, std::int32_t number);
const GroupItem_Type* findGroup(const GroupList& groups, std::int32_t number);

// Shown ticked for the group numbered groupNo: some group of that number has
// a member with the device's number.
bool shownAsMember(const GroupList& groups, std::int32_t groupNo, std::int32_t devNo);
// What the download goes by: a member with the device's address.
bool isDownloadMember(const GroupItem_Type& group, std::uint32_t devIp);

// Ticking: the group's members become the ticked devices, in row order, each
// a snapshot of its number, name (at most 15 bytes) and address.
void setMembersFromTicked(GroupItem_Type& group, const std::vector<DeviceInfo_Type>& tickedRows);

// The numbers of every group the device at devIp belongs to, in list order,
// each group once. The caller keeps the first eight.
std::vector<std::int32_t> groupNumbersOfDevice(const GroupList& groups, std::uint32_t devIp);

} // namespace aulira
