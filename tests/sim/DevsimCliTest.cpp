// The auct-devsim executable as a script would use it.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SimTestSupport.h"

extern char** environ;

using namespace aulira;
using namespace aulira::test;

namespace {

// A running auct-devsim with its stdout (and optionally stderr) on pipes.
class Devsim {
public:
    explicit Devsim(std::vector<std::string> args)
    {
        args.insert(args.begin(), AUCT_DEVSIM_PATH);
        int out[2], err[2];
        EXPECT_EQ(0, ::pipe(out));
        EXPECT_EQ(0, ::pipe(err));
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, err[1], 2);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addclose(&fa, err[0]);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(0, posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ));
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        ::close(err[1]);
        out_ = ::fdopen(out[0], "r");
        err_ = ::fdopen(err[0], "r");
    }
    ~Devsim()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_)
            std::fclose(out_);
        if (err_)
            std::fclose(err_);
    }

    std::string line()
    {
        char buf[512];
        return std::fgets(buf, sizeof buf, out_) ? std::string(buf) : std::string();
    }
    static std::string drain(FILE* f)
    {
        std::string all;
        char buf[512];
        while (std::fgets(buf, sizeof buf, f))
            all += buf;
        return all;
    }
    std::string restOfStdout() { return drain(out_); }
    std::string restOfStderr() { return drain(err_); }
    int exitCode(int signal = 0)
    {
        if (signal)
            ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
    FILE* out_ = nullptr;
    FILE* err_ = nullptr;
};

} // namespace

TEST(DevsimCli, AnnouncesItsPortAnswersAndStopsOnSigterm)
{
    ProtocolConfigGuard guard;
    useFastTiming();
    TempDir dir;
    const std::string dump = (dir.path() / "dump.jsonl").string();
    Devsim sim({"--port", "0", "--count", "5", "--device", "ip=127.0.0.77,name=Extra,no=77", "--dump", dump,
                "--quiet"});
    const std::string first = sim.line();
    unsigned devices = 0, port = 0;
    ASSERT_EQ(2, std::sscanf(first.c_str(), "auct-devsim: %u devices on port %u", &devices, &port)) << first;
    EXPECT_EQ(6u, devices);
    protocolConfig().devicePort = static_cast<std::uint16_t>(port);

    Packet reply;
    ASSERT_EQ(RES_OK, unicast(ip("127.0.0.77"), Packet::request(CMD_SEARCH, 0, kPollMark), reply));
    EXPECT_EQ("Extra", DeviceInfo_Type::fromPayload(reply.payload()).devName());
    EXPECT_EQ(6u, broadcastSearch(6).size());

    EXPECT_EQ(0, sim.exitCode(SIGTERM));
    std::ifstream in(dump);
    std::string l;
    int lines = 0;
    while (std::getline(in, l)) {
        ++lines;
        EXPECT_NE(std::string::npos, l.find("\"name\":\"CMD_SEARCH\"")) << l;
    }
    EXPECT_EQ(7, lines);
}

TEST(DevsimCli, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"--port"}, {"--port", "70000"}, {"--device", "name=x"}, {"--devices", "/nonexistent.json"}};
    for (const auto& args : bad) {
        Devsim sim(args);
        EXPECT_EQ(2, sim.exitCode()) << args[0];
        EXPECT_NE(std::string::npos, sim.restOfStderr().find("auct-devsim: ")) << args[0];
    }
    Devsim help({"--help"});
    EXPECT_NE(std::string::npos, help.restOfStdout().find("Usage: auct-devsim"));
    EXPECT_EQ(0, help.exitCode());

    Devsim print({"--print-site"});
    const std::string json = print.restOfStdout();
    EXPECT_EQ(0, print.exitCode());
    auto r = sim::parseSiteJson(json);
    ASSERT_TRUE(r.site) << r.error;
    EXPECT_EQ(sim::defaultSite().devices.size(), r.site->devices.size());
}
