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

// The whole number a typed field holds: decimal digits only, nothing before
// or after them; nullopt for anything else or a value beyond 32 bits signed.
std::optional<std::int32_t> parseWholeNumber(const std::string& text);

// An entry typed in the Add and Edit dialogs or on auctl's command line: the
// number must be a whole decimal number within 32 bits
// (IDS_DEVICE_NO_RANGE), then the dialog's
// checks, then the address must not be in the list already (IDS_IP_IN_LIST),
// the mask must be contiguous (IDS_MASK_NOT_CONTIGUOUS) and the address one
// device's own (IDS_IP_NOT_HOST).
int checkTypedDeviceEntry(EntryMode mode, const DeviceEntry& entry, const std::vector<DeviceItemPtr>& devices,
                          const DeviceItem_Type* editing);

// Stores a checked entry into item (number, name, address, mask).
void storeDeviceEntry(const DeviceEntry& entry, DeviceItem_Type& item);

// A new saved entry for a manual add, not yet in any list.
DeviceItemPtr newManualDevice(const DeviceEntry& entry);

// 1 when two entries share a MAC address (not all zero), an address or a
// number; messageId then names the text to show (408 or 105).
int CheckDuplicates(const std::vector<DeviceItemPtr>& devices, int* messageId = nullptr);

} // namespace aulira
