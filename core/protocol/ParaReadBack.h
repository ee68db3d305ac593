#pragma once
// Taking a parameter-read reply as a record, and confirming a write by reading
// the record back. The apply request is never answered, so a write whose apply
// was lost looks like a success until the device is asked what it now holds.
// Every front end and every batch (parameter writes, MAC changes, group
// downloads) goes through these.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "devices/DeviceItem.h"
#include "util/Bytes.h"

namespace aulira {

// A read reply as a record of the layout its firmware version text claims.
struct SysParaReply {
    SysParaBuffer record{};  // the payload, zero-filled behind it
    std::int32_t bParaExt = 1;
};

// Nothing when the payload is shorter than the layout it claims (392 or 436
// bytes): such a record would be shown and written back with zeros where the
// device's address and names belong.
std::optional<SysParaReply> takeSysParaReply(ConstBytes payload);

// Whether a record read back holds what was written: every byte of the layout
// except the firmware version text, which the device fills in itself.
bool sameWrittenRecord(ConstBytes written, ConstBytes readBack, bool ext);

// After a record was written and applied: the entry shows what the device
// now holds (number, address, name, mask, gateway, DNS and server addresses)
// and later exchanges go to its new address. The caller holds the list's lock.
void takeWrittenIdentity(DeviceItem_Type& item, ConstBytes written, bool ext);

// Where the read-back goes: the device's address after the write (a written
// record may move it) and the MAC it answers to after the write.
struct ConfirmTarget {
    std::string localIp;
    std::uint32_t ip = 0;
    bool unicast = false;
    std::array<std::uint8_t, 6> mac{};
};

// Reads the record back, retrying for Timing::confirmWindowMs while the device
// restarts its network, and compares it with `written` (the layout's bytes).
// RES_OK when the device holds the record; RES_NOT_CONFIRMED when it answered
// with another one, or never answered in the window. Thread-safe: the routine
// uses its own buffers.
int ConfirmSysPara(const ConfirmTarget& target, ConstBytes written, bool ext);

// For transfers the device never acknowledges (address books): whether the
// device with target's MAC still answers a unicast status query at target's
// address, retried over Timing::confirmWindowMs. RES_OK, or RES_NOT_CONFIRMED.
int ConfirmReachable(const ConfirmTarget& target);

} // namespace aulira
