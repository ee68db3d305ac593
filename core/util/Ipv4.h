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

std::string formatMac(const std::uint8_t* mac);
// Accepts "00:11:22:33:44:55" and "00-11-22-33-44-55" (either case).
bool parseMac(std::string_view text, std::uint8_t out[6]);

} // namespace aulira
