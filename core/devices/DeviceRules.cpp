#include "devices/DeviceRules.h"

#include <climits>
#include <cstring>

#include "shell/Strings.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira {

namespace {
inline constexpr std::size_t kDevNameMaxBytes = 31;
}

std::int32_t parseDeviceNo(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturate, as the C runtime does
        ++i;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<std::int32_t>(value);
}

int checkDeviceEntry(EntryMode mode, const DeviceEntry& entry, const std::vector<DeviceItemPtr>& devices,
                     const DeviceItem_Type* editing)
{
    const std::int32_t no = parseDeviceNo(entry.noText);
    if (no == 0)
        return IDS_ENTER_DEVICE_NO;
    for (const auto& item : devices) {
        if (mode == EntryMode::Edit && item.get() == editing)
            continue;
        if (item->devItem.devNo() == no)
            return IDS_DEVICE_NO_DUPLICATE;
    }
    if (entry.name.empty())
        return IDS_ENTER_DEVICE_NAME;
    // The identity record holds 31 bytes of name; a longer name is refused
    // rather than cut, so what the list shows is what the user typed.
    auto ansi = utf8ToAnsi(entry.name);
    if (!ansi)
        return IDS_DEVICE_NAME_NOT_ENCODABLE;
    if (ansi->size() > kDevNameMaxBytes)
        return IDS_DEVICE_NAME_TOO_LONG;
    if (entry.ip.value_or(0) == 0)
        return IDS_ENTER_IP;
    if (entry.mask.value_or(0) == 0)
        return IDS_ENTER_MASK;
    return 0;
}

std::optional<std::int32_t> parseWholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > INT_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

int checkTypedDeviceEntry(EntryMode mode, const DeviceEntry& entry, const std::vector<DeviceItemPtr>& devices,
                          const DeviceItem_Type* editing)
{
    // 0 goes on to the dialog's own message for it.
    if (!parseWholeNumber(entry.noText))
        return IDS_DEVICE_NO_RANGE;
    if (int id = checkDeviceEntry(mode, entry, devices, editing))
        return id;
    for (const auto& item : devices) {
        if (mode == EntryMode::Edit && item.get() == editing)
            continue;
        if (item->ip == *entry.ip || item->devItem.ip() == *entry.ip)
            return IDS_IP_IN_LIST;
    }
    if (!isContiguousMask(*entry.mask))
        return IDS_MASK_NOT_CONTIGUOUS;
    if (!isHostAddress(*entry.ip, *entry.mask))
        return IDS_IP_NOT_HOST;
    return 0;
}

void storeDeviceEntry(const DeviceEntry& entry, DeviceItem_Type& item)
{
    item.devItem.setDevNo(parseDeviceNo(entry.noText));
    item.devItem.setIp(entry.ip.value_or(0));
    item.devItem.setMask(entry.mask.value_or(0));
    item.ip = entry.ip.value_or(0);
    item.devItem.setDevName(utf8ToAnsi(entry.name).value_or(std::string{}));
}

DeviceItemPtr newManualDevice(const DeviceEntry& entry)
{
    auto item = std::make_shared<DeviceItem_Type>();
    item->state = STATE_LOCAL_OFFLINE;
    item->searchOnly = 0;
    item->paraExt = -1;
    storeDeviceEntry(entry, *item);
    return item;
}

int CheckDuplicates(const std::vector<DeviceItemPtr>& devices, int* messageId)
{
    for (std::size_t i = 0; i < devices.size(); ++i) {
        for (std::size_t j = 0; j < devices.size(); ++j) {
            if (i == j)
                continue;
            const auto& a = devices[i]->devItem;
            const auto& b = devices[j]->devItem;
            int id = 0;
            if (!a.macIsZero() && std::memcmp(a.mac(), b.mac(), 6) == 0)
                id = IDS_DUPLICATE_ADDRESS;
            else if (a.ip() == b.ip())
                id = IDS_DUPLICATE_ADDRESS;
            else if (a.devNo() == b.devNo())
                id = IDS_DEVICE_NO_DUPLICATE;
            if (id) {
                if (messageId)
                    *messageId = id;
                return 1;
            }
        }
    }
    return 0;
}

} // namespace aulira
