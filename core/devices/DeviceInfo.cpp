#include "devices/DeviceInfo.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "shell/Strings.h"
#include "util/Ipv4.h"

namespace aulira {

DeviceInfo_Type DeviceInfo_Type::fromPayload(ConstBytes payload)
{
    DeviceInfo_Type r;
    const std::size_t n = std::min(payload.size(), devinfo::size);
    std::copy_n(payload.begin(), n, r.raw.begin());
    return r;
}

namespace {
// The families a model text's prefix names, for devices that report no model name.
constexpr std::pair<std::string_view, std::string_view> kModelFamilies[] = {
    {"KS-", "Call Station"},
    {"KP-", "IP Terminal"},
    {"KC-", "Audio Converter"},
};
} // namespace

std::string DeviceInfo_Type::deviceType() const
{
    if (std::string name = modelName(); !name.empty())
        return name;
    const std::string model = modelText();
    for (const auto& [prefix, family] : kModelFamilies)
        if (model.starts_with(prefix))
            return std::string(family);
    return model.empty() ? typeText() : model;
}

void DeviceInfo_Type::setMac(const std::uint8_t* m) { std::memcpy(raw.data() + devinfo::mac, m, 6); }

std::string DeviceInfo_Type::macText() const { return formatMac(mac()); }

bool DeviceInfo_Type::macIsZero() const
{
    return std::all_of(mac(), mac() + 6, [](std::uint8_t b) { return b == 0; });
}

std::string workStateText(std::uint16_t workState)
{
    if (workState <= 7)
        return stringText(IDS_WORKSTATE_OFFLINE + workState);
    return "Unknown(" + std::to_string(workState) + ")";
}

} // namespace aulira
