#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#if defined(_WIN32)
#include <process.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "shell/FileLog.h"
#include "shell/Log.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace std::chrono;
using aulira::test::readText;
using aulira::test::splitLines;
namespace fs = std::filesystem;

namespace {

// The file names and time stamps are local time; these tests fix the zone.
struct UtcZone : ::testing::Environment {
    void SetUp() override
    {
#if defined(_WIN32)
        _putenv_s("TZ", "UTC");
        _tzset();
#else
        ::setenv("TZ", "UTC", 1);
        ::tzset();
#endif
    }
};
[[maybe_unused]] auto* const utcZone = ::testing::AddGlobalTestEnvironment(new UtcZone);

system_clock::time_point at(int y, int m, int d, int hh, int mm, int ss, int ms = 0)
{
    return sys_days(year(y) / month(static_cast<unsigned>(m)) / day(static_cast<unsigned>(d))) + hours(hh) +
           minutes(mm) + seconds(ss) + milliseconds(ms);
}

struct FakeClock {
    std::atomic<system_clock::rep> now{0};
    void set(system_clock::time_point t) { now = t.time_since_epoch().count(); }
    FileLog::Clock fn()
    {
        return [this] { return system_clock::time_point(system_clock::duration(now.load())); };
    }
};

std::string tag(const char* program)
{
#if defined(_WIN32)
    const long pid = _getpid();
#else
    const long pid = ::getpid();
#endif
    return std::string(program) + "[" + std::to_string(pid) + "]: ";
}

} // namespace

TEST(FileLog, OperationLogLinesReachTheDailyFileWithTimeAndProgram)
{
    test::TempDir dir;
    FakeClock clock;
    clock.set(at(2026, 3, 14, 9, 26, 53, 500));
    {
        FileLog log({.program = "auctl", .folder = logFolder(dir.path()), .clock = clock.fn()});
        log.attachToLog();
        OutputLog("sendto error:%d", 10051);
        clock.set(at(2026, 3, 14, 9, 26, 54, 7));
        // A text with line feeds stays one line in the file.
        OutputLog("Device NO is duplicate!\r\n");
        log.flush();
        EXPECT_FALSE(log.failing());
    }
    OutputLog("after the file log ended");
    EXPECT_EQ("2026-03-14 09:26:53.500 " + tag("auctl") + "sendto error:10051\n"
              "2026-03-14 09:26:54.007 " + tag("auctl") + "Device NO is duplicate!\n",
              readText(dir.path() / "logs" / "auct-2026-03-14.log"));
}

TEST(FileLog, LinesHeldForTheFirstDisplayAlsoReachTheFileAndStillTheDisplay)
{
    test::TempDir dir;
    Log::instance().holdUntilFirstSink();
    OutputLog("held before anything listens");
    FileLog log({.program = "auct", .folder = dir.path()});
    log.attachToLog();
    OutputLog("held after the file listens");
    LogRecorder display; // the first display sink
    OutputLog("live");
    log.flush();
    EXPECT_EQ((std::vector<std::string>{"held before anything listens", "held after the file listens", "live"}),
              display.lines());
    const auto lines = splitLines(readText(dir.path() / FileLog::dailyFileName(system_clock::now())));
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(tag("auct") + "held before anything listens"));
    EXPECT_NE(std::string::npos, lines[2].find(tag("auct") + "live"));
}

TEST(FileLog, EachDayHasItsFileAndFilesOlderThanThirtyDaysGo)
{
    test::TempDir dir;
    const fs::path folder = dir.path() / "logs";
    fs::create_directories(folder);
    // name, kept after the first write on 2026-03-01
    const std::vector<std::pair<std::string, bool>> existing = {
        {"auct-2026-01-29.log", false}, // 31 days old
        {"auct-2026-01-30.log", true},  // 30 days old
        {"auct-2026-02-28.log", true},
        {"auct-2025-12-31.log", false},
        {"auct-2026-1-01.log", true},  // not a name of ours
        {"notes.log", true},
        {"auct-2026-01-29.log.bak", true},
    };
    for (const auto& [name, kept] : existing)
        test::writeAll(folder / name, {'x', '\n'});

    FakeClock clock;
    clock.set(at(2026, 3, 1, 23, 59, 59, 999));
    FileLog log({.program = "auctl", .folder = folder, .clock = clock.fn()});
    log.add("last of the first day");
    log.flush();
    for (const auto& [name, kept] : existing)
        EXPECT_EQ(kept, fs::exists(folder / name)) << name;

    clock.set(at(2026, 3, 2, 0, 0, 0, 0));
    log.add("first of the next day");
    log.flush();
    EXPECT_EQ("2026-03-01 23:59:59.999 " + tag("auctl") + "last of the first day\n",
              readText(folder / "auct-2026-03-01.log"));
    EXPECT_EQ("2026-03-02 00:00:00.000 " + tag("auctl") + "first of the next day\n",
              readText(folder / "auct-2026-03-02.log"));
    clock.set(at(2026, 4, 1, 0, 0, 1, 0));
    log.add("a month later");
    log.flush();
    EXPECT_EQ("2026-04-01 00:00:01.000 " + tag("auctl") + "a month later\n", readText(folder / "auct-2026-04-01.log"));
    // Opening 2026-04-01's file removed those more than thirty days older.
    EXPECT_FALSE(fs::exists(folder / "auct-2026-03-01.log")); // 31 days
    EXPECT_TRUE(fs::exists(folder / "auct-2026-03-02.log"));  // 30 days
    EXPECT_TRUE(fs::exists(folder / "notes.log"));
}

TEST(FileLog, AFileThatComesBackIsWrittenAgainAndSaysWhatWasLost)
{
    test::TempDir dir;
    // The folder is a plain file at first, so the log cannot be created.
    const fs::path folder = dir.path() / "logs";
    test::writeAll(folder, {'x'});
    std::vector<std::string> reports;
    std::mutex m;
    FakeClock clock;
    clock.set(at(2026, 5, 5, 12, 0, 0));
    FileLog log({.program = "auct",
                 .folder = folder,
                 .clock = clock.fn(),
                 .retryAfter = milliseconds(50),
                 .report = [&](const std::string& r) {
                     std::lock_guard lock(m);
                     reports.push_back(r);
                 }});
    log.add("lost one");
    log.add("lost two");
    log.flush();
    ASSERT_TRUE(log.failing());
    fs::remove(folder);
    const auto deadline = steady_clock::now() + seconds(20);
    while (log.failing() && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(10));
    ASSERT_FALSE(log.failing());
    log.add("kept");
    log.flush();
    const auto lines = splitLines(readText(folder / "auct-2026-05-05.log"));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("2026-05-05 12:00:00.000 " + tag("auct") + "2 log lines could not be written to this file.", lines[0]);
    EXPECT_EQ("2026-05-05 12:00:00.000 " + tag("auct") + "kept", lines[1]);
    std::lock_guard lock(m);
    ASSERT_EQ(2u, reports.size());
    EXPECT_NE(std::string::npos, reports[0].find("cannot be written"));
    EXPECT_EQ("The log file " + (folder / "auct-2026-05-05.log").string() + " is written again.", reports[1]);
}

#if !defined(_WIN32)
TEST(FileLog, AWriterNeverWaitsForAStuckFileAndTheFileSaysWhatWasDropped)
{
    // A FIFO nobody reads: opening it blocks the log's thread as a hung disk would.
    test::TempDir dir;
    const fs::path fifo = dir.path() / "stuck";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    std::string text;
    std::thread reader;
    {
        FileLog log({.program = "auctl", .file = fifo, .queueLimit = 10});
        // Every add returns although nothing can be written yet.
        for (int i = 0; i < 100; ++i)
            log.add("line " + std::to_string(i));
        reader = std::thread([&] {
            const int fd = ::open(fifo.c_str(), O_RDONLY);
            if (fd < 0)
                return;
            char buf[4096];
            ssize_t n;
            while ((n = ::read(fd, buf, sizeof buf)) > 0)
                text.append(buf, static_cast<std::size_t>(n));
            ::close(fd);
        });
        log.flush();
    } // closes the writing end: the reader reaches the end
    reader.join();
    std::size_t written = 0, dropped = 0;
    for (const auto& l : splitLines(text)) {
        if (l.find(": line ") != std::string::npos)
            ++written;
        else if (const auto p = l.find("]: "); p != std::string::npos && l.find("were dropped") != std::string::npos)
            dropped += std::stoul(l.substr(p + 3));
    }
    EXPECT_EQ(100u, written + dropped);
    EXPECT_GE(dropped, 80u);
}
#endif
