#pragma once
// Command codes as site files and dumps name them.
#include <cstdint>
#include <string>

namespace aulira::sim {

// "CMD_READ_SYS_PARA", or "0x1234" for a code without a name.
std::string commandText(std::uint16_t c);

} // namespace aulira::sim
