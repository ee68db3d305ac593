#pragma once
// auctl run in process, as the CLI tests drive it.
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Cli.h"

namespace aulira::test {

struct CliRun {
    int code;
    std::string out, err;

    bool said(const std::string& text) const { return err.find(text) != std::string::npos; }
    // One JSON object per output line (event streams).
    std::vector<nlohmann::json> events() const
    {
        std::vector<nlohmann::json> v;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            v.push_back(nlohmann::json::parse(line));
        return v;
    }
};

// Runs auctl with `prefix` (the test's data directory, adapter and port) in
// front of the arguments.
inline CliRun runAuctl(const std::vector<std::string>& prefix, std::vector<std::string> args)
{
    std::ostringstream out, err;
    args.insert(args.begin(), prefix.begin(), prefix.end());
    const int code = cli::runCli(args, out, err);
    return {code, out.str(), err.str()};
}

// The options that point auctl at a data directory and a simulated site on loopback.
inline std::vector<std::string> siteOptions(const std::string& dataDir, std::uint16_t port)
{
    return {"--data-dir", dataDir, "--adapter", "127.0.0.1", "--port", std::to_string(port)};
}

} // namespace aulira::test
