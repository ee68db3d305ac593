#pragma once
// auctl: the tool's operations from a terminal. runCli() is the whole program
// (main() only forwards to it), so tests drive it in-process.
#include <iosfwd>
#include <string>
#include <vector>

namespace aulira::cli {

enum ExitCode { EXIT_OK = 0, EXIT_REFUSED = 1, EXIT_USAGE = 2 };

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Aligned text table; widths count terminal columns (two for a CJK character).
std::string formatTable(const std::vector<std::vector<std::string>>& rows);

} // namespace aulira::cli
