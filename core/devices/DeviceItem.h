#pragma once
// The program's entry for one device. Entries are shared: the list, a queued
// job or a poll may each hold one, so an entry removed from the list while a
// thread still works on it stays valid. Fields that several threads touch are
// guarded by the owning DeviceList's mutex.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/DeviceInfo.h"
#include "params/SysParaOffsets.h"

namespace aulira {

using SysParaBuffer = std::array<std::uint8_t, kSysParaBufferSize>;

// List states: 0 found by the last search only; 1 saved and found; 2 saved,
// outside the local subnets, answered a poll; 3 saved, local, not found yet;
// 4 saved, outside the local subnets, no poll answer yet.
enum DeviceState : std::uint8_t {
    STATE_FOUND = 0,
    STATE_SAVED_FOUND = 1,
    STATE_REMOTE_ONLINE = 2,
    STATE_LOCAL_OFFLINE = 3,
    STATE_REMOTE_OFFLINE = 4,
};

struct DeviceItem_Type {
    std::string localIp;         // adapter through which the device was last reached
    std::int32_t paraExt = -1;  // 0: 392-byte parameter record; otherwise 436
    std::uint32_t ip = 0;        // stored (network) order
    std::uint8_t state = STATE_LOCAL_OFFLINE;
    std::uint32_t searchOnly = 0;
    DeviceInfo_Type devItem;
    std::unique_ptr<SysParaBuffer> sysPara; // null until the first successful read
    // The record as the device was last seen to hold it (read, or read back
    // after a write): what a write's read-back tells the edited bytes by.
    std::unique_ptr<SysParaBuffer> heldPara;
    std::array<std::uint8_t, 6> oldMac{};
    std::uint32_t selected = 0;
    std::uint32_t unicastOk = 0;
    // An upgrade failed after the device had entered its boot loader: the next
    // attempt goes straight to the upgrade header. Not saved.
    bool leftInBootLoader = false;
};

using DeviceItemPtr = std::shared_ptr<DeviceItem_Type>;

inline bool isOnlineState(std::uint8_t state) { return state < STATE_LOCAL_OFFLINE; }

} // namespace aulira
