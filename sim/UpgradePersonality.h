#pragma once
// How a simulated device fills in what the upgrade dialect leaves to it: the
// packet number of its replies, whether its enter-boot reply gets through,
// and whether its boot loader marks itself with bit 31 of the type code.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace aulira::sim {

struct UpgradePersonality {
    // The packetNo of every reply: 0, the request's, the request's + 1, or
    // the request's packetCount.
    enum class ReplyNo { Echo, Zero, Next, Count };
    ReplyNo replyNo = ReplyNo::Echo;
    int loseEnterBootReplies = 0; // the first N enter-boot replies are lost; the device switches all the same
    bool bootBit31 = true;        // the boot loader reports bit 31 of the type code

    bool operator==(const UpgradePersonality&) const = default;

    std::uint16_t replyPacketNo(std::uint16_t requestNo, std::uint16_t requestCount) const;
};

std::optional<UpgradePersonality::ReplyNo> parseReplyNo(std::string_view text);
const char* replyNoText(UpgradePersonality::ReplyNo n);

// One `--device` key of the personality: nothing when the key is not one of
// them, else whether the value was good.
std::optional<bool> parseUpgradePersonalityOption(const std::string& key, const std::string& value,
                                                  UpgradePersonality& p);

// One key of a site file's "faults" object: nothing when the key is not one of
// them; a bad value throws the message (with `where`) as std::invalid_argument.
std::optional<bool> parseUpgradePersonalityJson(const std::string& key, const nlohmann::json& value,
                                                const std::string& where, UpgradePersonality& p);
// The keys that differ from the defaults, into a "faults" object.
void writeUpgradePersonalityJson(const UpgradePersonality& p, nlohmann::json& faults);

} // namespace aulira::sim
