#include "util/DataLock.h"
#include "util/PathText.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "util/AtomicFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace aulira {

namespace {

#ifdef _WIN32
using Handle = HANDLE;
const Handle kNoHandle = INVALID_HANDLE_VALUE;
#else
using Handle = int;
constexpr Handle kNoHandle = -1;
#endif

// One entry per folder this process holds or is taking. The operating
// system's lock belongs to the open file; the process counts its holds here.
struct Holder {
    bool acquired = false; // false while the first taker waits for the system's lock
    int depth = 0;
    Handle handle = kNoHandle;
};

std::mutex holdersMutex;
std::condition_variable released;
std::map<std::string, Holder> holders;

// The files whose saves the lock guards; a temporary of theirs found while
// the lock is newly taken belongs to a save that died.
constexpr const char* kGuardedFiles[] = {"devices", "group", "addrbook"};

enum class Os { Locked, Busy, Failed };

Os lockFile(Handle h, bool block)
{
#ifdef _WIN32
    OVERLAPPED ov{};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (block ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(h, flags, 0, 1, 0, &ov))
        return Os::Locked;
    return GetLastError() == ERROR_LOCK_VIOLATION ? Os::Busy : Os::Failed;
#else
    for (;;) {
        if (::flock(h, LOCK_EX | (block ? 0 : LOCK_NB)) == 0)
            return Os::Locked;
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? Os::Busy : Os::Failed;
    }
#endif
}

void closeHandle(Handle h)
{
#ifdef _WIN32
    OVERLAPPED ov{};
    UnlockFileEx(h, 0, 1, 0, &ov);
    CloseHandle(h);
#else
    ::flock(h, LOCK_UN);
    ::close(h);
#endif
}

Handle openLockFile(const std::filesystem::path& file, std::string& error)
{
#ifdef _WIN32
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        error = "cannot open " + pathToUtf8(file) + ": error " + std::to_string(GetLastError());
    return h;
#else
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        error = "cannot open " + pathToUtf8(file) + ": " + std::strerror(errno);
    return fd;
#endif
}

} // namespace

DataLock::DataLock(const std::filesystem::path& dataDir, std::optional<std::chrono::milliseconds> wait,
                   const std::function<void()>& waiting)
{
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(dataDir, ec);
    key_ = pathToUtf8((ec ? dataDir : canonical).lexically_normal());
    const auto deadline = std::chrono::steady_clock::now() + wait.value_or(std::chrono::milliseconds(0));
    bool told = false;

    std::unique_lock lock(holdersMutex);
    for (;;) {
        auto it = holders.find(key_);
        if (it == holders.end())
            break;
        if (it->second.acquired) {
            ++it->second.depth;
            held_ = true;
            return;
        }
        // Another thread of this process is taking it: wait for its outcome.
        if (!told && waiting) {
            told = true;
            waiting();
        }
        if (!wait) {
            released.wait(lock);
        } else if (released.wait_until(lock, deadline) == std::cv_status::timeout &&
                   holders.count(key_)) {
            error_ = "the data folder " + pathToUtf8(dataDir) + " is in use by another program";
            busy_ = true;
            return;
        }
    }
    // Claimed; the operating system's lock is taken outside the process-wide
    // mutex, so other folders are not held up meanwhile.
    holders[key_] = Holder{false, 1, kNoHandle};
    lock.unlock();

    const Handle h = openLockFile(dataDir / kDataLockFileName, error_);
    Os got = h == kNoHandle ? Os::Failed : lockFile(h, false);
    if (got == Os::Busy) {
        if (!told && waiting) {
            told = true;
            waiting();
        }
        if (!wait) {
            got = lockFile(h, true);
        } else {
            // Polled, since the system's wait has no time limit.
            while (got == Os::Busy && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                got = lockFile(h, false);
            }
            if (got == Os::Busy) {
                error_ = "the data folder " + pathToUtf8(dataDir) + " is in use by another program";
                busy_ = true;
            }
        }
    }
    if (got == Os::Failed && error_.empty())
        error_ = "cannot lock " + pathToUtf8(dataDir / kDataLockFileName);

    lock.lock();
    if (got != Os::Locked) {
        if (h != kNoHandle) {
#ifdef _WIN32
            CloseHandle(h);
#else
            ::close(h);
#endif
        }
        holders.erase(key_);
        released.notify_all();
        return;
    }
    holders[key_].handle = h;
    holders[key_].acquired = true;
    held_ = true;
    released.notify_all(); // threads waiting for the outcome share the hold
    lock.unlock();
    for (const char* name : kGuardedFiles)
        removeStaleTemporaries(dataDir / name);
}

DataLock::~DataLock()
{
    if (!held_)
        return;
    std::lock_guard lock(holdersMutex);
    auto it = holders.find(key_);
    if (it == holders.end() || --it->second.depth > 0)
        return;
    closeHandle(it->second.handle);
    holders.erase(it);
    released.notify_all();
}

} // namespace aulira
