#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace aulira {

// "%d.%d.%d.%d" over the four bytes in memory (network) order.
std::string formatIp(std::uint32_t ip);
// "%s(%.d.%.d.%.d.%.d)"-style device tag, but printing every byte: "name(10.0.0.5)".
std::string deviceTag(std::string_view name, std::uint32_t ip);
// Strict dotted-decimal parse into the stored (network order) form.
std::optional<std::uint32_t> parseIp(std::string_view text);
// Host-order value (first octet most significant) to and from the stored form.
std::uint32_t ipToHostOrder(std::uint32_t stored);
std::uint32_t ipFromHostOrder(std::uint32_t host);

// A subnet mask (stored order): ones from the top, then zeros, and not all zeros.
bool isContiguousMask(std::uint32_t storedMask);
// An address one device can own: not in 0.0.0.0/8, not multicast or
// reserved (224.0.0.0 and above, which holds 255.255.255.255), and, for a
// mask of /30 or wider, neither its subnet's network nor broadcast address.
bool isHostAddress(std::uint32_t storedIp, std::uint32_t storedMask);
// Multicast, reserved or the limited broadcast: never a single host's address.
bool isGroupAddress(std::uint32_t storedIp);

std::string formatMac(const std::uint8_t* mac);
// Accepts "00:11:22:33:44:55" and "00-11-22-33-44-55" (either case).
bool parseMac(std::string_view text, std::uint8_t out[6]);

} // namespace aulira
