#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <iterator>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "addrbook/AddrBookFile.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListFile.h"
#include "grouping/GroupFile.h"
#include "shell/DataFolder.h"
#include "support/TestUtil.h"
#include "util/AtomicFile.h"
#include "util/DataLock.h"

using namespace aulira;
using aulira::test::ip;
using aulira::test::readAll;
using aulira::test::writeAll;
using aulira::test::TempDir;
namespace fs = std::filesystem;

namespace {

using Vec = std::vector<std::uint8_t>;

std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<fs::path> damagedCopies(const fs::path& dir, const std::string& name)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(name + ".damaged-", 0) == 0)
            out.push_back(e.path());
    return out;
}

DeviceListRecord deviceRecord(int no, const char* addr)
{
    DeviceListRecord r;
    r.bParaExt = 0xFFFFFFFFu;
    r.ip = ip(addr);
    r.info.setDevNo(no);
    r.info.setIp(ip(addr));
    r.info.setMask(ip("255.255.255.0"));
    r.info.setDevName("Dev " + std::to_string(no));
    return r;
}

GroupItem_Type group(int no)
{
    GroupItem_Type g;
    g.header.kind = kDevItemGroup;
    g.header.id = static_cast<std::uint32_t>(no);
    g.header.setNameBytes("G" + std::to_string(no));
    GroupDev_Type m;
    m.devNo = no;
    m.devIp = ip("10.0.0.9");
    g.members.push_back(m);
    return g;
}

AddrBook_Type book(const char* name)
{
    AddrBook_Type b;
    b.name = name;
    b.groups.push_back(groupEntry(group(4)));
    return b;
}

} // namespace

// --- saving ---------------------------------------------------------------

TEST(AtomicFile, ConcurrentWritersNeverMixOrLeaveTemporaries)
{
    TempDir dir;
    const fs::path target = dir.path() / "devices";
    // Each writer writes files made of its own byte; a shared temporary
    // name would mix them or make a rename fail.
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < 6; ++w)
        writers.emplace_back([&, w] {
            const Vec bytes(4096 + 512 * static_cast<std::size_t>(w), static_cast<std::uint8_t>('a' + w));
            for (int i = 0; i < 40; ++i)
                if (!writeFileAtomically(target, bytes))
                    ++failures;
        });
    for (auto& t : writers)
        t.join();
    EXPECT_EQ(0, failures.load());
    const Vec last = readAll(target);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(4096 + 512 * static_cast<std::size_t>(last[0] - 'a'), last.size());
    EXPECT_TRUE(std::all_of(last.begin(), last.end(), [&](std::uint8_t b) { return b == last[0]; }));
    EXPECT_EQ(std::vector<std::string>{"devices"}, namesIn(dir.path()));
}

TEST(AtomicFile, ALinkAtTheTargetIsReplacedNotFollowed)
{
    TempDir dir;
    const fs::path elsewhere = dir.path() / "elsewhere";
    writeAll(elsewhere, {1, 2, 3});
    std::error_code linkError;
    fs::create_symlink(elsewhere, dir.path() / "group", linkError);
    if (linkError) // Windows grants links to administrators and developer mode only
        GTEST_SKIP() << "cannot make a symbolic link here: " << linkError.message();
    ASSERT_TRUE(writeFileAtomically(dir.path() / "group", Vec(68, 7)));
    EXPECT_FALSE(fs::is_symlink(dir.path() / "group"));
    EXPECT_EQ(Vec(68, 7), readAll(dir.path() / "group"));
    EXPECT_EQ((Vec{1, 2, 3}), readAll(elsewhere));
}

TEST(AtomicFile, StaleTemporariesGoWhenTheLockIsTaken)
{
    TempDir dir;
    for (const char* n : {"devices.tmp", "devices.tmp-abc123", "group.tmp-x", "addrbook.tmp-1", "notes.tmp-1",
                          "devices.bak"})
        writeAll(dir.path() / n, {1});
    {
        DataLock lock(dir.path());
        ASSERT_TRUE(lock.held());
    }
    EXPECT_EQ((std::vector<std::string>{kDataLockFileName, "devices.bak", "notes.tmp-1"}), namesIn(dir.path()));
}

#ifdef _WIN32
TEST(AtomicFile, KillDuringSaveLeavesTheOldOrTheNewFile)
{
    GTEST_SKIP() << "needs fork(): a child process running this test's own code, which Windows has not";
}

TEST(DataLock, ExcludesOtherProcessesAndIsSharedWithinOne)
{
    GTEST_SKIP() << "needs fork(): a child process running this test's own code, which Windows has not";
}
#else
// A save killed at any moment leaves the old file or the new one.
TEST(AtomicFile, KillDuringSaveLeavesTheOldOrTheNewFile)
{
    TempDir dir;
    const fs::path target = dir.path() / "devices";
    std::vector<DeviceListRecord> many;
    for (int i = 1; i <= 400; ++i)
        many.push_back(deviceRecord(i, "10.0.0.1"));
    const Vec oldFile = encodeDeviceListFile({deviceRecord(1, "10.0.0.1")});
    const Vec newFile = encodeDeviceListFile(many);
    int torn = 0;
    for (int round = 0; round < 40; ++round) {
        ASSERT_TRUE(writeFileAtomically(target, oldFile));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                writeFileAtomically(target, newFile);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200 + 150 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const Vec now = readAll(target);
        torn += now != oldFile && now != newFile;
        EXPECT_TRUE(decodeDeviceListFile(now).intact());
    }
    EXPECT_EQ(0, torn);
}

// --- the lock ----------------------------------------------------------------

TEST(DataLock, ExcludesOtherProcessesAndIsSharedWithinOne)
{
    TempDir dir;
    using namespace std::chrono_literals;
    {
        DataLock outer(dir.path());
        ASSERT_TRUE(outer.held());
        DataLock inner(dir.path(), 10ms); // again, on this thread
        EXPECT_TRUE(inner.held());
        // Another thread of the process shares the hold instead of waiting
        // for a holder that may be waiting for it.
        std::thread([&] {
            bool told = false;
            DataLock other(dir.path(), 10ms, [&] { told = true; });
            EXPECT_TRUE(other.held());
            EXPECT_FALSE(told);
        }).join();
    }
    // A second process holds it: we wait, then time out; when it lets go, we get it.
    int toChild[2], fromChild[2];
    ASSERT_EQ(0, pipe(toChild));
    ASSERT_EQ(0, pipe(fromChild));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DataLock held(dir.path());
        char c = held.held() ? 'y' : 'n';
        (void)!write(fromChild[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(1, read(fromChild[0], &c, 1));
    ASSERT_EQ('y', c);
    {
        DataLock mine(dir.path(), 150ms);
        EXPECT_FALSE(mine.held());
        EXPECT_TRUE(mine.busy());
    }
    std::thread release([&] {
        std::this_thread::sleep_for(100ms);
        (void)!write(toChild[1], "x", 1);
    });
    {
        DataLock mine(dir.path(), 10s);
        EXPECT_TRUE(mine.held());
    }
    release.join();
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        close(fd);
}
#endif

// --- damaged files ----------------------------------------------------------

namespace {

struct Kind {
    const char* file;
    Vec whole;           // a good file of three entries
    std::size_t countAt; // offset of the first count
    std::function<FileLoadReport(const fs::path&, std::size_t& loaded)> load;
};

std::vector<Kind> kinds()
{
    return {
        {"devices",
         encodeDeviceListFile({deviceRecord(1, "10.0.0.1"), deviceRecord(2, "10.0.0.2"), deviceRecord(3, "10.0.0.3")}),
         64,
         [](const fs::path& f, std::size_t& n) {
             DeviceList list;
             auto r = list.load(f);
             n = list.size();
             return r;
         }},
        {"group", encodeGroupFile({group(1), group(2), group(3)}), 64,
         [](const fs::path& f, std::size_t& n) {
             FileLoadReport r;
             n = loadGroupFile(f, r).size();
             return r;
         }},
        {"addrbook", encodeAddrBookFile({book("A"), book("B"), book("C")}), 64,
         [](const fs::path& f, std::size_t& n) {
             AddrBookList books;
             auto r = loadAddrBookFile(f, books);
             n = books.size();
             return r;
         }},
    };
}

} // namespace

TEST(DamagedFiles, AreMovedAsideAndReportedWithWhatWasReadKept)
{
    struct Damage {
        const char* what;
        std::function<Vec(const Vec&, std::size_t countAt)> make;
        std::size_t kept; // entries read completely
    };
    const std::vector<Damage> damages{
        {"wrong magic", [](Vec v, std::size_t) { v[1] ^= 0x20; return v; }, 0},
        {"empty file", [](const Vec&, std::size_t) { return Vec{}; }, 0},
        {"cut in the third entry", [](Vec v, std::size_t) { v.resize(v.size() - 3); return v; }, 2},
        {"count beyond the bytes",
         [](Vec v, std::size_t at) { writeU32(v, at, 0x7FFFFFF0u); return v; }, 3},
        {"bytes behind the end", [](Vec v, std::size_t) { v.push_back(0); return v; }, 3},
    };
    for (const auto& kind : kinds()) {
        for (const auto& d : damages) {
            SCOPED_TRACE(std::string(kind.file) + ": " + d.what);
            TempDir dir;
            const fs::path file = dir.path() / kind.file;
            const Vec bad = d.make(kind.whole, kind.countAt);
            writeAll(file, bad);
            std::size_t loaded = 99;
            const FileLoadReport r = kind.load(file, loaded);
            EXPECT_EQ(LoadStatus::Damaged, r.status);
            EXPECT_TRUE(r.failed());
            EXPECT_EQ(d.kept, loaded);
            EXPECT_FALSE(fs::exists(file)) << "moved aside, so no save writes over it";
            const auto copies = damagedCopies(dir.path(), kind.file);
            ASSERT_EQ(1u, copies.size());
            EXPECT_EQ(copies[0], r.keptAs);
            EXPECT_EQ(bad, readAll(copies[0]));
            EXPECT_NE(std::string::npos, r.message.find("is damaged")) << r.message;
            EXPECT_NE(std::string::npos, r.message.find(r.keptAs.string())) << r.message;
        }
        // Missing is not damage; neither is a folder of that name; a whole file loads.
        TempDir dir;
        const fs::path file = dir.path() / kind.file;
        std::size_t loaded = 99;
        EXPECT_EQ(LoadStatus::Missing, kind.load(file, loaded).status);
        EXPECT_EQ(0u, loaded);
        fs::create_directory(file);
        EXPECT_EQ(LoadStatus::Missing, kind.load(file, loaded).status);
        fs::remove(file);
        writeAll(file, kind.whole);
        EXPECT_EQ(LoadStatus::Loaded, kind.load(file, loaded).status);
        EXPECT_EQ(3u, loaded);
        EXPECT_TRUE(damagedCopies(dir.path(), kind.file).empty());
    }
}

TEST(DamagedFiles, TheDeviceListKeepsWhatWasReadForTheNextSave)
{
    TempDir dir;
    const fs::path file = dir.path() / "devices";
    Vec bytes = encodeDeviceListFile({deviceRecord(1, "10.0.0.1"), deviceRecord(2, "10.0.0.2")});
    bytes.resize(bytes.size() - 10);
    writeAll(file, bytes);
    DeviceList list;
    ASSERT_EQ(LoadStatus::Damaged, list.load(file).status);
    ASSERT_EQ(1u, list.size());
    EXPECT_TRUE(list.listModified());
    ASSERT_TRUE(list.save(file));
    const auto c = decodeDeviceListFile(readAll(file));
    EXPECT_TRUE(c.intact());
    ASSERT_EQ(1u, c.records.size());
    EXPECT_EQ(1, c.records[0].info.devNo());
    EXPECT_EQ(1u, damagedCopies(dir.path(), "devices").size());
    // A second damage the same second gets a name of its own.
    writeAll(file, Vec(10, 0));
    DeviceList again;
    EXPECT_EQ(LoadStatus::Damaged, again.load(file).status);
    EXPECT_EQ(2u, damagedCopies(dir.path(), "devices").size());
}

TEST(DamagedFiles, TheFolderCheckRewritesWhatWasReadAndReportsEachFile)
{
    TempDir dir;
    Vec devices = encodeDeviceListFile({deviceRecord(1, "10.0.0.1"), deviceRecord(2, "10.0.0.2")});
    devices.resize(devices.size() - 1);
    writeAll(dir.path() / "devices", devices);
    Vec groups = encodeGroupFile({group(7)});
    groups[0] = 'x';
    writeAll(dir.path() / "group", groups);
    writeAll(dir.path() / "addrbook", encodeAddrBookFile({book("Lobby")}));

    const auto problems = checkDataFiles(dir.path());
    ASSERT_EQ(2u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].message.find("device list file")) << problems[0].message;
    EXPECT_NE(std::string::npos, problems[1].message.find("group file")) << problems[1].message;
    // The device read completely is in a new file; the group file, of which
    // nothing could be read, is gone until the next save.
    const auto c = decodeDeviceListFile(readAll(dir.path() / "devices"));
    EXPECT_TRUE(c.intact());
    EXPECT_EQ(1u, c.records.size());
    EXPECT_FALSE(fs::exists(dir.path() / "group"));
    EXPECT_EQ(1u, damagedCopies(dir.path(), "devices").size());
    EXPECT_EQ(1u, damagedCopies(dir.path(), "group").size());
    EXPECT_TRUE(damagedCopies(dir.path(), "addrbook").empty());
    EXPECT_TRUE(checkDataFiles(dir.path()).empty()) << "reported once";
}
