#pragma once
// auctl in process with its own data folder, pointed at the simulated site
// once the test started one, and what a test asserts about a run.
#include "support/CliRunner.h"
#include "support/SimFixture.h"

namespace aulira::test {

// A run the test needs to have succeeded; what it said on stderr when it did not.
inline CliRun expectOk(CliRun r)
{
    EXPECT_EQ(0, r.code) << r.err;
    return r;
}

// Exit status 1, and `text` in what it said on stderr.
inline ::testing::AssertionResult refused(const CliRun& r, const std::string& text)
{
    if (r.code == 1 && r.said(text))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit status " << r.code << ", stderr: " << r.err;
}

// Exit status 1, and exactly `text` on stderr.
inline ::testing::AssertionResult refusedExactly(const CliRun& r, const std::string& text)
{
    if (r.code == 1 && r.err == text)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit status " << r.code << ", stderr: " << r.err;
}

class CliSiteTest : public SimFixture {
protected:
    void SetUp() override { useFastTiming(); }
    CliRun run(std::vector<std::string> args)
    {
        return runAuctl(site ? siteOptions(dir.path().string(), site->port())
                             : std::vector<std::string>{"--data-dir", dir.path().string()},
                        std::move(args));
    }

    TempDir dir;
};

} // namespace aulira::test
