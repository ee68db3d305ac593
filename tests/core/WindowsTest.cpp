// What only the Windows build has: Winsock, the adapter list from the IP
// helper, code pages through MultiByteToWideChar and the per-user folder
// under %APPDATA%, the data folder's lock through LockFileEx.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <thread>

#include "protocol/Adapters.h"
#include "protocol/UdpSocket.h"
#include "shell/AppDir.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"
#include "util/DataLock.h"
#include "util/PathText.h"

using namespace aulira;
using namespace aulira::test;
namespace fs = std::filesystem;

TEST(WindowsSockets, LoopbackDatagramsTimeOutsAndOversizedDatagrams)
{
    UdpSocket rx, tx;
    ASSERT_TRUE(rx.open()) << UdpSocket::lastError();
    ASSERT_TRUE(rx.bind(ip("127.0.0.1"), 0)) << UdpSocket::lastError();
    ASSERT_TRUE(rx.setReceiveTimeout(200));
    const std::uint16_t port = rx.localPort();
    ASSERT_NE(0, port);
    ASSERT_TRUE(tx.open());
    ASSERT_TRUE(tx.bind("127.0.0.1", 0));
    ASSERT_TRUE(tx.setBroadcast(true));

    std::array<std::uint8_t, 8> buf{};
    // Nothing sent: a time-out, told apart from a failure.
    RecvResult r = rx.receive(buf);
    EXPECT_EQ(RecvResult::Timeout, r.kind) << r.error;
    EXPECT_TRUE(UdpSocket::isTimeoutError(r.error));

    const std::uint8_t small[] = {1, 2, 3};
    ASSERT_EQ(3, tx.sendTo(small, ip("127.0.0.1"), port));
    r = rx.receive(buf);
    ASSERT_EQ(RecvResult::Ok, r.kind) << r.error;
    EXPECT_EQ(3u, r.size);
    EXPECT_EQ(ip("127.0.0.1"), r.fromIp);
    EXPECT_EQ(tx.localPort(), r.fromPort);

    // Longer than the buffer: reported, never cut silently.
    const std::vector<std::uint8_t> big(20, 9);
    ASSERT_EQ(20, tx.sendTo(big, ip("127.0.0.1"), port));
    EXPECT_EQ(RecvResult::TooLarge, rx.receive(buf).kind);

    // Waiting datagrams are thrown away without blocking.
    ASSERT_EQ(3, tx.sendTo(small, ip("127.0.0.1"), port));
    ASSERT_EQ(3, tx.sendTo(small, ip("127.0.0.1"), port));
    Sleep(100);
    EXPECT_EQ(2, rx.discardPending());
    EXPECT_EQ(RecvResult::Timeout, rx.receive(buf).kind);
}

TEST(WindowsAdapters, LoopbackIsListedOnceAndOnlyUsedWhenChosen)
{
    const auto all = interfaceAddresses();
    int loopbacks = 0;
    for (const auto& a : all)
        if (a.loopback) {
            ++loopbacks;
            EXPECT_EQ(127u, ip(a.ip.c_str()) & 0xFF) << a.ip;
        }
    EXPECT_GE(loopbacks, 1);
    std::vector<std::string> ips, masks;
    ASSERT_EQ(1, EnumLocalAdapters(ips, masks));
    for (const auto& a : ips)
        EXPECT_NE(127u, ip(a.c_str()) & 0xFF) << a;
    ASSERT_EQ(1, EnumLocalAdapters(ips, masks, {"127.0.0.1"}));
    EXPECT_EQ(std::vector<std::string>{"127.0.0.1"}, ips);
    EXPECT_EQ(std::vector<std::string>{"255.0.0.0"}, masks);
}

TEST(WindowsCodePages, RecordTextsConvertThroughTheCodePage)
{
    CodePageGuard guard;
    struct Case {
        int cp;
        std::string ansi, utf8;
    };
    const Case cases[] = {
        {1252, "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {936, "\xB4\xF3\xCC\xFC", "\xE5\xA4\xA7\xE5\x8E\x85"},           // 大厅
        {1251, "\xC7\xE0\xEB", "\xD0\x97\xD0\xB0\xD0\xBB"},               // Зал
        {65001, "\xE5\xA4\xA7", "\xE5\xA4\xA7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cp);
        ASSERT_TRUE(codePageKnown(c.cp));
        setCodePage(c.cp);
        EXPECT_EQ(c.utf8, ansiToUtf8(c.ansi));
        EXPECT_EQ(std::optional<std::string>(c.ansi), utf8ToAnsi(c.utf8));
    }
    // A name the code page cannot hold is refused, not stored with '?'.
    setCodePage(1252);
    EXPECT_EQ(std::nullopt, utf8ToAnsi("\xE5\xA4\xA7"));
    EXPECT_EQ(std::nullopt, utf8ToAnsi("bad \xFF utf-8"));
    // A code page the system lacks keeps ASCII and marks the rest.
    setCodePage(12345);
    EXPECT_EQ("Hall\xEF\xBF\xBD", ansiToUtf8("Hall\xB4"));
}

namespace {
// Sets an environment variable for one test, UTF-16 as Windows keeps it.
class EnvGuard {
public:
    EnvGuard(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        if (const wchar_t* old = _wgetenv(name))
            old_ = old;
        _wputenv_s(name, value.c_str());
    }
    ~EnvGuard() { _wputenv_s(name_, old_ ? old_->c_str() : L""); }

private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};
} // namespace

TEST(WindowsDataFolder, TheUserFolderIsAuliraUnderAppDataWhateverItsName)
{
    TempDir dir;
    const fs::path appData = dir.path() / pathFromUtf8("Donn\xC3\xA9" "es-\xE7\xAB\x99\xE7\x82\xB9");
    EnvGuard env(L"APPDATA", appData.wstring());
    EXPECT_EQ(appData / "Aulira", userDataDirectory());
    // No AuliraServer.ini beside the test program: the per-user folder, made on first use.
    const fs::path chosen = applicationDirectory();
    EXPECT_EQ(appData / "Aulira", chosen);
    EXPECT_TRUE(fs::is_directory(appData / "Aulira"));
    EXPECT_EQ(pathToUtf8(appData) + "\\Aulira", pathToUtf8(chosen));
}

namespace {
// Another program's hold on a data folder's lock file: its own handle, locked
// the way DataLock locks (the first byte, exclusively).
class OtherProgramLock {
public:
    explicit OtherProgramLock(const fs::path& dir)
        : h_(CreateFileW((dir / kDataLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~OtherProgramLock()
    {
        release();
        CloseHandle(h_);
    }
    // True when taken; false when someone holds it (ERROR_LOCK_VIOLATION).
    bool tryLock()
    {
        OVERLAPPED ov{};
        if (LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov))
            return locked_ = true;
        EXPECT_EQ(DWORD(ERROR_LOCK_VIOLATION), GetLastError());
        return false;
    }
    void release()
    {
        OVERLAPPED ov{};
        if (locked_)
            UnlockFileEx(h_, 0, 1, 0, &ov);
        locked_ = false;
    }
    bool open() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
    bool locked_ = false;
};
} // namespace

TEST(WindowsDataLock, LockFileExKeepsOtherProgramsOutAndWaitsForThem)
{
    TempDir tmp;
    const fs::path dir = tmp.path() / pathFromUtf8("Donn\xC3\xA9" "es-\xE7\xAB\x99\xE7\x82\xB9");
    fs::create_directories(dir);
    OtherProgramLock other(dir);
    ASSERT_TRUE(other.open());

    // Held by us: another program cannot take it until we let go.
    {
        DataLock lock(dir);
        ASSERT_TRUE(lock.held()) << lock.error();
        DataLock again(dir, std::chrono::milliseconds(0)); // this process's second hold, at once
        EXPECT_TRUE(again.held());
        EXPECT_FALSE(other.tryLock());
    }
    ASSERT_TRUE(other.tryLock());

    // Held by another program: a bounded wait runs out and says why.
    int waitingCalls = 0;
    {
        DataLock lock(dir, std::chrono::milliseconds(150), [&] { ++waitingCalls; });
        EXPECT_FALSE(lock.held());
        EXPECT_TRUE(lock.busy());
        EXPECT_NE(std::string::npos, lock.error().find("in use by another program")) << lock.error();
    }
    EXPECT_EQ(1, waitingCalls);

    // ... and one without a limit gets it as soon as the other lets go.
    std::thread releaser([&] {
        Sleep(200);
        other.release();
    });
    {
        DataLock lock(dir, std::nullopt, [&] { ++waitingCalls; });
        EXPECT_TRUE(lock.held()) << lock.error();
        EXPECT_EQ(2, waitingCalls);
        EXPECT_FALSE(other.tryLock());
    }
    releaser.join();
    EXPECT_TRUE(other.tryLock());
}
