// auctl's log files: the daily file in the data folder and --log-file.
#include <gtest/gtest.h>

#include <regex>

#include <nlohmann/json.hpp>

#include "shell/FileLog.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

// The log text of each file line, after "YYYY-MM-DD HH:MM:SS.mmm auctl[PID]: ".
std::vector<std::string> logTexts(const std::string& file)
{
    static const std::regex prefix(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} auctl\[\d+\]: (.*)$)");
    std::vector<std::string> out;
    for (const auto& l : splitLines(file)) {
        std::smatch m;
        if (!std::regex_match(l, m, prefix))
            return {"<not a log line: " + l + ">"};
        out.push_back(m[1]);
    }
    return out;
}

} // namespace

using CliLogTest = CliSiteTest;

TEST_F(CliLogTest, TheLogOnStderrAlsoReachesTheDailyFileAndTheNamedFile)
{
    const auto named = dir.path() / "run.log";
    CliRun r = expectOk(run({"--demo", "--log-file", named.string(), "search"}));
    const auto shown = splitLines(r.err);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown, logTexts(readText(named)));
    const auto daily = dir.path() / "logs" / FileLog::dailyFileName(std::chrono::system_clock::now());
    EXPECT_EQ(shown, logTexts(readText(daily)));

    // --quiet keeps stderr quiet, not the files; a second run appends.
    CliRun quiet = expectOk(run({"--demo", "--quiet", "--log-file", named.string(), "search"}));
    EXPECT_EQ("", quiet.err);
    EXPECT_EQ(2 * shown.size(), logTexts(readText(named)).size());

    EXPECT_EQ(2, run({"search", "--log-file"}).code);
    EXPECT_EQ(2, run({"--log-file"}).code);
}

TEST_F(CliLogTest, ALogFileOnAFullDiskIsSaidOnceAndTheCommandGoesOn)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    const std::string said =
        "The log file /dev/full cannot be written (No space left on device); file logging stopped, it is tried "
        "again every 60 s.";
    const struct {
        bool quiet;
        std::string line; // how stderr says it
    } cases[] = {{true, "auctl: " + said}, {false, said}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--demo", "--log-file", "/dev/full", "--json", "search"};
        if (c.quiet)
            args.insert(args.begin(), "--quiet");
        CliRun r = expectOk(run(args));
        EXPECT_EQ(11u, json::parse(r.out).size()); // the command did its work
        const auto err = splitLines(r.err);
        EXPECT_EQ(1, std::count(err.begin(), err.end(), c.line)) << r.err;
        if (c.quiet) {
            EXPECT_EQ(1u, err.size()) << r.err;
        }
    }
}
