#pragma once
// auctl in process with its own data folder, pointed at the simulated site
// once the test started one.
#include "support/CliRunner.h"
#include "support/SimFixture.h"

namespace aulira::test {

class CliSiteTest : public SimFixture {
protected:
    CliRun run(std::vector<std::string> args)
    {
        return runAuctl(site ? siteOptions(dir.path().string(), site->port())
                             : std::vector<std::string>{"--data-dir", dir.path().string()},
                        std::move(args));
    }

    TempDir dir;
};

} // namespace aulira::test
