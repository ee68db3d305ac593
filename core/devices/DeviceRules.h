#pragma once
// The rules of manual device entries (add and edit) and the duplicate check
// that guards group and address-book downloads.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceItem.h"

namespace aulira {

enum class EntryMode { Add, Edit };

struct DeviceEntry {
    std::string noText;                // as typed; read as a signed integer
    std::string name;                  // UTF-8
    std::optional<std::uint32_t> ip;   // stored order; nullopt = blank
    std::optional<std::uint32_t> mask; // stored order; nullopt = blank
};

// A signed integer from the start of the text, as the number field reads it:
// leading blanks, an optional sign, digits; 0 when there are none.
std::int32_t parseDeviceNo(const std::string& text);

// Checks in the order the dialog does; returns the string id of the refusal,
// or 0 when the entry may be stored. `editing` is the entry being edited
// (excluded from the number check), null in add mode.
int checkDeviceEntry(EntryMode mode, const DeviceEntry& entry, const std::vector<DeviceItemPtr>& devices,
                     const DeviceItem_Type* editing);

// Stores a checked entry into item (number, name, address, mask).
void storeDeviceEntry(const DeviceEntry& entry, DeviceItem_Type& item);

// A new saved entry for a manual add, not yet in any list.
DeviceItemPtr newManualDevice(const DeviceEntry& entry);

// 1 when two entries share a MAC address (not all zero), an address or a
// number; messageId then names the text to show (408 or 105).
int CheckDuplicates(const std::vector<DeviceItemPtr>& devices, int* messageId = nullptr);

} // namespace aulira
