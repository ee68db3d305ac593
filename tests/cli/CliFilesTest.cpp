// auctl and its data folder: damaged files are reported and kept, parallel
// runs lose nothing, and values that would strand a device or break a file
// are refused before anything is written.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <nlohmann/json.hpp>

#include "shell/FileLog.h"
#include "addrbook/AddrBook.h"
#include "addrbook/AddrBookFile.h"
#include "devices/DeviceListFile.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceRules.h"
#include "grouping/GroupFile.h"
#include "params/ConfigFile.h"
#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"
#include "support/CliSite.h"
#include "util/DataLock.h"

#ifndef _WIN32
extern char** environ;
#endif

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

using Vec = std::vector<std::uint8_t>;

#ifndef _WIN32
// The real auctl in a process of its own, so the lock between programs is
// what is tested.
pid_t spawnAuctl(const std::vector<std::string>& args)
{
    std::vector<std::string> all{AUCTL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, AUCTL_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int waitExit(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
#endif

class CliFilesTest : public ::testing::Test {
protected:
    CliRun run(std::vector<std::string> args, const fs::path& folder = {})
    {
        return runAuctl({"--data-dir", (folder.empty() ? dir.path() : folder).string(), "--adapter", "127.0.0.1"},
                        std::move(args));
    }
#ifndef _WIN32
    // auctl on the test's folder in a process of its own, quietly.
    pid_t spawn(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--quiet", "--data-dir", dir.path().string(), "--adapter", "127.0.0.1"});
        return spawnAuctl(args);
    }
    pid_t spawnAdd(int no, const std::string& addr)
    {
        return spawn({"devices", "add", "--no", std::to_string(no), "--name", "Dev " + std::to_string(no), "--ip", addr,
                      "--mask", "255.255.255.0"});
    }
#endif
    DeviceListFileContent saved() { return decodeDeviceListFile(readAll(dir.path() / "devices")); }

    TempDir dir;
};

} // namespace

#ifdef _WIN32
TEST_F(CliFilesTest, ProgramsInProcessesOfTheirOwn)
{
    GTEST_SKIP() << "TwentyParallelAddsLoseNothing, AddAgainstDeleteNeverTearsTheFile and "
                    "ReadersGoOnWhileAnotherProgramHoldsTheFolderAndWritersWaitForIt start auctl and a lock "
                    "holder with posix_spawn() and fork(); they run in the POSIX build";
}
#else
TEST_F(CliFilesTest, TwentyParallelAddsLoseNothing)
{
    std::vector<pid_t> runs;
    for (int i = 1; i <= 20; ++i)
        runs.push_back(spawnAdd(i, "10.9.1." + std::to_string(i)));
    for (pid_t p : runs) {
        ASSERT_GT(p, 0);
        EXPECT_EQ(0, waitExit(p));
    }
    const auto c = saved();
    ASSERT_TRUE(c.intact());
    EXPECT_EQ(20u, c.records.size());
    std::set<std::int32_t> numbers;
    for (const auto& r : c.records)
        numbers.insert(r.info.devNo());
    EXPECT_EQ(20u, numbers.size());
    // No temporary is left; the daily log folder holds every run's lines.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path().filename() == "devices" || e.path().filename() == kDataLockFileName ||
                    e.path().filename() == kLogFolderName)
            << e.path();
}

// The desktop app keeps the list open while auctl saves to it: the app's
// next save takes in auctl's additions and deletions, and the app's own
// changes win for the entries it changed.
TEST_F(CliFilesTest, AnOpenListTakesInWhatAuctlSavedMeanwhile)
{
    for (int no : {1, 2, 3})
        ASSERT_EQ(0, waitExit(spawnAdd(no, "10.9.3." + std::to_string(no))));
    DeviceManager app(dir.path());
    ASSERT_FALSE(app.loadSavedList().failed());
    ASSERT_EQ(0, waitExit(spawnAdd(4, "10.9.3.4")));
    ASSERT_EQ(0, waitExit(spawn({"devices", "delete", "10.9.3.2"})));
    DeviceList& list = app.devices();
    list.insertManual(newManualDevice({"5", "Dev 5", ip("10.9.3.5"), ip("255.255.255.0")}));
    list.deleteItems({list.findByIp(ip("10.9.3.3"))});
    auto one = list.findByIp(ip("10.9.3.1"));
    storeDeviceEntry({"1", "Renamed", ip("10.9.3.1"), ip("255.255.255.0")}, *one);
    list.editedManual(one);
    ASSERT_TRUE(app.saveDeviceList());

    std::set<std::string> inFile, inApp;
    for (const auto& r : saved().records)
        inFile.insert(std::to_string(r.info.devNo()) + " " + std::string(r.info.devName()));
    for (const auto& item : list.snapshot())
        inApp.insert(std::to_string(item->devItem.devNo()) + " " + std::string(item->devItem.devName()));
    const std::set<std::string> want{"1 Renamed", "4 Dev 4", "5 Dev 5"};
    EXPECT_EQ(want, inFile);
    EXPECT_EQ(want, inApp);
}

// The same for the group and address book files, which the app saves from
// its copies: groups and books auctl saved meanwhile stay, the app's own win.
TEST_F(CliFilesTest, GroupsAndBooksAuctlSavedMeanwhileAreKept)
{
    const auto auctl = [&](std::vector<std::string> args) { return waitExit(spawn(std::move(args))); };
    ASSERT_EQ(0, auctl({"group", "add", "1", "Lobby"}));
    ASSERT_EQ(0, auctl({"book", "create", "Front", "--group", "1"}));
    const auto groupFile = groupFilePath(dir.path());
    const auto bookFile = addrBookPath(dir.path());
    GroupList groupBase = LoadGroupInfoFile(groupFile), groups = groupBase;
    AddrBookList bookBase, books;
    ASSERT_TRUE(LoadAddrBookFile(bookFile, bookBase));
    books = bookBase;
    ASSERT_EQ(0, auctl({"group", "add", "2", "Hall"}));
    ASSERT_EQ(0, auctl({"book", "create", "Back", "--group", "2"}));

    groups[0].header.setNameBytes("Lobby East");
    groups.push_back(groups[0]);
    groups.back().header.id = 3;
    groups.back().header.setNameBytes("Yard");
    books.push_back(books[0]);
    books.back().name = "Side";
    std::string error;
    ASSERT_TRUE(SaveGroupInfoFileMerged(groupFile, groupBase, groups, &error)) << error;
    ASSERT_TRUE(SaveAddrBookFileMerged(bookFile, bookBase, books, &error)) << error;

    std::set<std::string> groupNames, bookNames;
    for (const auto& g : LoadGroupInfoFile(groupFile))
        groupNames.insert(std::to_string(g.number()) + " " + g.header.nameBytes());
    AddrBookList onDisk;
    ASSERT_TRUE(LoadAddrBookFile(bookFile, onDisk));
    for (const auto& b : onDisk)
        bookNames.insert(b.name);
    EXPECT_EQ((std::set<std::string>{"1 Lobby East", "2 Hall", "3 Yard"}), groupNames);
    EXPECT_EQ((std::set<std::string>{"Front", "Back", "Side"}), bookNames);
    EXPECT_EQ(groups.size(), 3u); // the app's copy holds what was written
}

TEST_F(CliFilesTest, AddAgainstDeleteNeverTearsTheFile)
{
    ASSERT_EQ(0, run({"--quiet", "devices", "add", "--no", "100", "--name", "First", "--ip", "10.9.2.100", "--mask",
                      "255.255.255.0"})
                     .code);
    std::string previous = "10.9.2.100";
    for (int i = 1; i <= 15; ++i) {
        SCOPED_TRACE(i);
        const std::string next = "10.9.2." + std::to_string(i);
        const pid_t add = spawnAdd(i, next);
        const pid_t del = spawn({"devices", "delete", previous});
        ASSERT_GT(add, 0);
        ASSERT_GT(del, 0);
        EXPECT_EQ(0, waitExit(add));
        EXPECT_EQ(0, waitExit(del));
        const auto c = saved();
        ASSERT_TRUE(c.intact());
        ASSERT_EQ(1u, c.records.size());
        EXPECT_EQ(ip(next.c_str()), c.records[0].ip);
        previous = next;
    }
}
#endif

TEST_F(CliFilesTest, ADamagedFileIsReportedKeptAndThenStartedAnew)
{
    // The kinds of damage each file may have are DataFilesTest's; here what auctl does with one.
    struct Row {
        const char* file;
        const char* kind;
        Vec bytes;
    } rows[] = {
        {"devices", "device list file", Vec(64, 'x')},
        {"group", "group file", Vec(64, 'x')},
        {"addrbook", "address book file", Vec(64, 'x')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        TempDir here;
        const fs::path file = here.path() / row.file;
        writeAll(file, row.bytes);
        // The command stops with one line on stderr, --quiet or not, and
        // saves nothing over the damaged file.
        const CliRun bad = run({"--quiet", "devices", "list", "--no-poll"}, here.path());
        EXPECT_EQ(1, bad.code);
        EXPECT_EQ(0u, bad.err.rfind(std::string("auctl: The ") + row.kind + " " + file.string() + " is damaged", 0))
            << bad.err;
        EXPECT_EQ(1, std::count(bad.err.begin(), bad.err.end(), '\n')) << bad.err;
        std::vector<fs::path> kept;
        for (const auto& e : fs::directory_iterator(here.path()))
            if (e.path().filename().string().rfind(std::string(row.file) + ".damaged-", 0) == 0)
                kept.push_back(e.path());
        ASSERT_EQ(1u, kept.size());
        EXPECT_NE(std::string::npos, bad.err.find(kept[0].string()));
        EXPECT_EQ(row.bytes, readAll(kept[0]));
        // The next run goes on with what could be read.
        EXPECT_EQ(0, run({"--quiet", "devices", "list", "--no-poll"}, here.path()).code);
    }
    // A missing file is no damage.
    EXPECT_EQ(0, run({"--quiet", "devices", "list", "--no-poll"}).code);
}

TEST_F(CliFilesTest, ValuesThatWouldStrandADeviceOrBreakAFileAreRefused)
{
    ASSERT_EQ(0, run({"--quiet", "devices", "add", "--no", "5", "--name", "Gate", "--ip", "10.9.0.5", "--mask",
                      "255.255.255.0"})
                     .code);
    ASSERT_EQ(0, run({"--quiet", "group", "add", "3", "Hall"}).code);
    const Vec devicesBefore = readAll(dir.path() / "devices");
    const Vec groupsBefore = readAll(dir.path() / "group");

    auto add = [](const char* no, const char* addr, const char* mask) {
        return std::vector<std::string>{"--quiet", "devices", "add", "--no", no, "--name", "New",
                                        "--ip", addr, "--mask", mask};
    };
    struct Row {
        std::vector<std::string> args;
        const char* message;
    } rows[] = {
        // One case per refusal: the variants of each are EntryRules' cases, the group's CliGroupTest's.
        {add("2147483648", "10.9.0.60", "255.255.255.0"), "The device NO must be a whole number from 1 to 2147483647!"},
        {add("60", "10.9.0.5", "255.255.255.0"), "A device with this IP address is already in the list!"},
        {add("60", "10.9.0.255", "255.255.255.0"),
         "The IP address must be one device's own address, not a broadcast, multicast or network address!"},
        {add("60", "10.9.0.60", "255.255.0.255"), "The subnet mask must be ones followed by zeros, such as 255.255.255.0!"},
        {{"--quiet", "book", "create", std::string(256, 'b'), "--group", "3"},
         "The address book name is too long and cannot exceed 255 characters!"},
        {{"--quiet", "mac", "set", "5", "00:00:00:00:00:00"}, "The MAC address cannot be all zeros!"},
        {{"--quiet", "mac", "set", "5", "01:00:5e:00:00:01"},
         "The MAC address cannot be a broadcast or multicast address (its first byte must be even)!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[2] + " " + row.args[3]);
        EXPECT_TRUE(refusedExactly(run(row.args), std::string("auctl: ") + row.message + "\n"));
    }
    EXPECT_EQ(devicesBefore, readAll(dir.path() / "devices"));
    EXPECT_EQ(groupsBefore, readAll(dir.path() / "group"));
    EXPECT_FALSE(fs::exists(dir.path() / "addrbook"));
}

namespace {

class CliImportTest : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        startSite({simDevice("127.0.0.41", 41, 41, "Lobby")});
    }
    int writes() { return countSent(CMD_WRITE_SYS_PARA); }
};

} // namespace

TEST_F(CliImportTest, ARecordWithoutAUsableAddressIsNotWritten)
{
    const fs::path file = dir.path() / "lobby.alc";
    ASSERT_EQ(0, run({"--quiet", "params", "export", "127.0.0.41", file.string()}).code);
    const Vec good = readAll(file);
    ASSERT_EQ(kConfigFileSize, good.size());
    const auto& L = kLayout436;
    auto patched = [&](std::size_t field, const char* value) {
        Vec v = good;
        writeIp(v, kConfigFileBodyOffset + field, ip(value));
        return v;
    };
    struct Row {
        const char* what;
        Vec bytes;
        const char* says;
    } rows[] = {
        {"a zeroed file", encodeConfigFile(SysParaBuffer{}), "nothing was imported"},
        {"a zeroed address", patched(L.ip, "0.0.0.0"), "Please enter the correct IP address! (ip in "},
        {"a broadcast address", patched(L.ip, "127.255.255.255"), "not a broadcast, multicast or network address! (ip in "},
        {"a zeroed mask", patched(L.mask, "0.0.0.0"), "Please enter the correct subnet mask! (mask in "},
        {"a mask with holes", patched(L.mask, "255.0.255.0"), "ones followed by zeros"},
        {"a multicast gateway", patched(L.gateway, "224.0.0.1"), "The gateway cannot be a broadcast or multicast"},
        {"a name without its end", [&] { Vec v = good; std::fill_n(v.begin() + kConfigFileBodyOffset + L.devName, 16, 'N'); return v; }(),
         "The length of the device name cannot exceed 15 bytes!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeAll(file, row.bytes);
        EXPECT_TRUE(refused(run({"--quiet", "params", "import", "127.0.0.41", file.string()}), row.says));
        EXPECT_EQ(0, writes());
    }
    writeAll(file, good);
    EXPECT_EQ(0, run({"--quiet", "params", "import", "127.0.0.41", file.string()}).code);
    EXPECT_EQ(1, writes());
}

#ifndef _WIN32
TEST_F(CliFilesTest, ReadersGoOnWhileAnotherProgramHoldsTheFolderAndWritersWaitForIt)
{
    int toChild[2], fromChild[2];
    ASSERT_EQ(0, pipe(toChild));
    ASSERT_EQ(0, pipe(fromChild));
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        DataLock held(dir.path());
        char c = held.held() ? 'y' : 'n';
        (void)!write(fromChild[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(1, read(fromChild[0], &c, 1));
    ASSERT_EQ('y', c);

    const CliRun list = expectOk(run({"--quiet", "devices", "list", "--no-poll"}));
    const pid_t add = spawnAdd(7, "10.9.4.7");
    ASSERT_GT(add, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int status = 0;
    EXPECT_EQ(0, waitpid(add, &status, WNOHANG)) << "the add waits for the holder";
    EXPECT_FALSE(fs::exists(dir.path() / "devices"));

    (void)!write(toChild[1], "x", 1);
    EXPECT_EQ(0, waitExit(add));
    EXPECT_EQ(0, waitExit(holder));
    EXPECT_EQ(1u, saved().records.size());
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        close(fd);
}
#endif
