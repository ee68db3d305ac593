#include "UpgradePersonality.h"

#include <charconv>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace aulira::sim {

using nlohmann::json;

std::uint16_t UpgradePersonality::replyPacketNo(std::uint16_t requestNo, std::uint16_t requestCount) const
{
    switch (replyNo) {
    case ReplyNo::Zero:
        return 0;
    case ReplyNo::Next:
        return static_cast<std::uint16_t>(requestNo + 1);
    case ReplyNo::Count:
        return requestCount;
    case ReplyNo::Echo:
        break;
    }
    return requestNo;
}

std::optional<UpgradePersonality::ReplyNo> parseReplyNo(std::string_view text)
{
    using R = UpgradePersonality::ReplyNo;
    for (R r : {R::Echo, R::Zero, R::Next, R::Count})
        if (text == replyNoText(r))
            return r;
    return std::nullopt;
}

const char* replyNoText(UpgradePersonality::ReplyNo n)
{
    switch (n) {
    case UpgradePersonality::ReplyNo::Zero:
        return "zero";
    case UpgradePersonality::ReplyNo::Next:
        return "next";
    case UpgradePersonality::ReplyNo::Count:
        return "count";
    case UpgradePersonality::ReplyNo::Echo:
        break;
    }
    return "echo";
}

namespace {
constexpr int kMaxLostBootReplies = 100;
} // namespace

std::optional<bool> parseUpgradePersonalityOption(const std::string& key, const std::string& value,
                                                  UpgradePersonality& p)
{
    if (key == "reply-no") {
        const auto r = parseReplyNo(value);
        if (r)
            p.replyNo = *r;
        return r.has_value();
    }
    if (key == "lose-boot-reply") {
        int n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() || n < 0 ||
            n > kMaxLostBootReplies)
            return false;
        p.loseEnterBootReplies = n;
        return true;
    }
    if (key == "boot-bit31") {
        if (value == "1" || value == "true" || value == "yes")
            p.bootBit31 = true;
        else if (value == "0" || value == "false" || value == "no")
            p.bootBit31 = false;
        else
            return false;
        return true;
    }
    return std::nullopt;
}

std::optional<bool> parseUpgradePersonalityJson(const std::string& key, const json& v, const std::string& where,
                                                UpgradePersonality& p)
{
    if (key == "replyNo") {
        const auto r = v.is_string() ? parseReplyNo(v.get<std::string>()) : std::nullopt;
        if (!r)
            throw std::invalid_argument(where + ": expected \"zero\", \"echo\", \"next\" or \"count\", got " +
                                        v.dump());
        p.replyNo = *r;
        return true;
    }
    if (key == "loseEnterBootReplies") {
        if (!v.is_number_integer() || v.get<std::int64_t>() < 0 || v.get<std::int64_t>() > kMaxLostBootReplies)
            throw std::invalid_argument(where + ": expected an integer 0.." + std::to_string(kMaxLostBootReplies) +
                                        ", got " + v.dump());
        p.loseEnterBootReplies = v.get<int>();
        return true;
    }
    if (key == "bootBit31") {
        if (!v.is_boolean())
            throw std::invalid_argument(where + ": expected true or false, got " + v.dump());
        p.bootBit31 = v.get<bool>();
        return true;
    }
    return std::nullopt;
}

void writeUpgradePersonalityJson(const UpgradePersonality& p, json& faults)
{
    if (p.replyNo != UpgradePersonality::ReplyNo::Echo)
        faults["replyNo"] = replyNoText(p.replyNo);
    if (p.loseEnterBootReplies)
        faults["loseEnterBootReplies"] = p.loseEnterBootReplies;
    if (!p.bootBit31)
        faults["bootBit31"] = false;
}

} // namespace aulira::sim
