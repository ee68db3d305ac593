#include "params/MacText.h"

#include <cctype>
#include <vector>

#include "shell/Strings.h"

namespace aulira {

int checkAssignableMac(const MacAddress& mac)
{
    bool zero = true;
    for (auto b : mac)
        zero = zero && b == 0;
    if (zero)
        return IDS_MAC_ZERO;
    if (mac[0] & 1) // the group bit: broadcast (all ones) and multicast
        return IDS_MAC_GROUP;
    return 0;
}

MacTextResult parseMacEdits(const std::array<std::string, 6>& edits)
{
    MacAddress mac{};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        unsigned value = 0;
        for (char c : edits[i]) {
            const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const auto digit = std::string_view("0123456789ABCDEF").find(u);
            if (digit == std::string_view::npos)
                return {std::nullopt, static_cast<int>(i)};
            value = value * 16 + static_cast<unsigned>(digit);
        }
        if (edits[i].size() > 2) // the edits take two characters at most
            return {std::nullopt, static_cast<int>(i)};
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return {mac, -1};
}

MacTextResult parseMacText(std::string_view text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ':' || c == '-')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    if (parts.size() != 6)
        return {std::nullopt, parts.size() < 6 ? static_cast<int>(parts.size()) - 1 : 6};
    std::array<std::string, 6> edits;
    for (std::size_t i = 0; i < 6; ++i)
        edits[i] = parts[i];
    return parseMacEdits(edits);
}

} // namespace aulira
