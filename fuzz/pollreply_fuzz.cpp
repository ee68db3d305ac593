// Fuzz target for a status poll reply taken into a saved device's entry: the
// entry keeps the address it is polled at, a device waiting to be seen comes
// online, no byte of the identity record past the reply is touched, another
// entry is left alone, and the row texts stay valid UTF-8 without raw control
// characters (they go to a terminal and the log).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "devices/DeviceList.h"
#include "protocol/Packet.h"
#include "shell/TextCodec.h"

using namespace aulira;

namespace {

DeviceItemPtr savedEntry(std::uint32_t ip, std::uint8_t fill)
{
    auto item = std::make_shared<DeviceItem_Type>();
    item->devItem.raw.fill(fill);
    item->devItem.setIp(ip);
    item->ip = ip;
    item->state = STATE_REMOTE_OFFLINE;
    return item;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes d(data, size);
    if (!PacketChecksumOk(d))
        return 0; // the exchange drops it before the list sees it
    Packet reply;
    std::copy_n(d.begin(), std::min(d.size(), kPacketBufferSize), reply.bytes().begin());
    const ConstBytes payload = reply.payload();

    DeviceList list([](std::uint32_t, std::uint32_t) { return false; });
    const std::uint32_t at = 0x0500000Au, otherAt = 0x0600000Au;
    auto item = savedEntry(at, 0xA5), other = savedEntry(otherAt, 0x5A);
    list.insertManual(other);
    list.insertManual(item);
    const auto otherBefore = other->devItem.raw;
    const auto before = item->devItem.raw;

    list.applyPollReply(item, "127.0.0.1", payload);

    std::lock_guard lock(list.mutex());
    FUZZ_CHECK(item->ip == at);
    FUZZ_CHECK(item->state == STATE_REMOTE_ONLINE);
    FUZZ_CHECK(item->unicastOk == 1);
    FUZZ_CHECK(item->localIp == "127.0.0.1");
    const std::size_t n = std::min(payload.size(), devinfo::size);
    FUZZ_CHECK(std::equal(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n), item->devItem.raw.begin()));
    FUZZ_CHECK(std::equal(before.begin() + static_cast<std::ptrdiff_t>(n), before.end(),
                          item->devItem.raw.begin() + static_cast<std::ptrdiff_t>(n)));
    FUZZ_CHECK(other->devItem.raw == otherBefore && other->state == STATE_REMOTE_OFFLINE);

    nlohmann::json row = nlohmann::json::array();
    for (const auto& text : deviceColumns(*item)) {
        FUZZ_CHECK(validUtf8(text) == text);
        FUZZ_CHECK(escapeControls(text) == text);
        row.push_back(text);
    }
    (void)row.dump();
    return 0;
}
