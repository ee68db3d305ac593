#pragma once
// The MAC address dialog's text rules: six edits of up to two hexadecimal
// digits, upper-cased before the check; an empty edit means 00.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace aulira {

using MacAddress = std::array<std::uint8_t, 6>;

struct MacTextResult {
    std::optional<MacAddress> mac; // set when every edit is valid
    int badEdit = -1;              // otherwise the first edit (0 to 5) that is not
};

// 0 when a device may take the address, else the refusal's string id: all
// zeros (IDS_MAC_ZERO), or broadcast and multicast addresses, whose first
// byte is odd (IDS_MAC_GROUP).
int checkAssignableMac(const MacAddress& mac);

MacTextResult parseMacEdits(const std::array<std::string, 6>& edits);

// One line as a user types it ("0a:1B:2c:3d:4e:5f", with ':' or '-'): split
// into the six edits, then the edits' rules. More or fewer than six parts, or
// a part longer than two characters, is refused like a bad edit.
MacTextResult parseMacText(std::string_view text);

} // namespace aulira
