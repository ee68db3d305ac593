#include "CommandNames.h"

#include <charconv>
#include <cstdio>

#include "DeviceConfig.h"
#include "protocol/Packet.h"

namespace aulira::sim {

std::string commandText(std::uint16_t c)
{
    std::string name = commandName(c);
    if (name != "unknown")
        return name;
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", c);
    return buf;
}

std::optional<std::uint16_t> parseCommand(std::string_view text)
{
    static const std::uint16_t kAll[] = {CMD_SEARCH,          CMD_READ_SYS_PARA,     CMD_WRITE_SYS_PARA,
                                         CMD_APPLY_SYS_PARA,  CMD_ADDR_BOOK,         CMD_SYNC_TIME,
                                         CMD_ENTER_BOOT,      CMD_UPGRADE_PACKET,    CMD_SCREEN_STATUS,
                                         CMD_SCREEN_ENTER_APP, CMD_SCREEN_START,     CMD_SCREEN_END,
                                         CMD_SCREEN_WRITE_BUFFER, CMD_SCREEN_WRITE_FLASH};
    for (auto c : kAll)
        if (text == commandName(c))
            return c;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}


} // namespace aulira::sim
