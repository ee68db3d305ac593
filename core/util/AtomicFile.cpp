#include "util/AtomicFile.h"
#include "util/PathText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace aulira {

namespace {

constexpr const char* kTempMarker = ".tmp-";

std::string randomSuffix()
{
    static std::atomic<unsigned> counter{0};
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device rd;
    std::mt19937_64 gen((static_cast<std::uint64_t>(rd()) << 32) ^ rd() ^
                        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                        (static_cast<std::uint64_t>(counter++) << 48));
    std::string s(8, 'x');
    for (auto& c : s)
        c = digits[gen() % (sizeof digits - 1)];
    return s;
}

#ifndef _WIN32
std::string errnoText(int e) { return std::strerror(e); }

// A rename is durable only once the folder that holds the new name is.
bool syncFolder(const std::filesystem::path& dir)
{
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
#endif

} // namespace

bool writeFileAtomically(const std::filesystem::path& target, ConstBytes data, std::string* error,
                         [[maybe_unused]] FileAccess access)
{
    namespace fs = std::filesystem;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what;
        return false;
    };
    const fs::path dir = target.parent_path();
    fs::path tmp;
#ifdef _WIN32
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        tmp = target;
        tmp += kTempMarker + randomSuffix();
        // CREATE_NEW fails on any existing name, a link included.
        h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (h == INVALID_HANDLE_VALUE)
        return fail("cannot create " + pathToUtf8(tmp) + ": error " + std::to_string(GetLastError()));
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        ok = WriteFile(h, data.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    ok = FlushFileBuffers(h) && ok;
    const DWORD savedError = GetLastError();
    ok = CloseHandle(h) && ok;
    if (!ok) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot write " + pathToUtf8(tmp) + ": error " + std::to_string(savedError));
    }
    // Another save replacing the same target, or a reader with it open,
    // makes the rename fail for a moment; it is retried, not reported.
    bool moved = false;
    for (int attempt = 0; attempt < 200 && !moved; ++attempt) {
        moved = MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        const DWORD e = moved ? 0 : GetLastError();
        if (!moved && e != ERROR_ACCESS_DENIED && e != ERROR_SHARING_VIOLATION)
            break;
        if (!moved)
            Sleep(5);
    }
    if (!moved) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot replace " + pathToUtf8(target));
    }
    return true;
#else
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = target;
        tmp += kTempMarker + randomSuffix();
        // O_EXCL with O_CREAT never opens an existing name, and O_NOFOLLOW
        // keeps a planted link from redirecting the write.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    access == FileAccess::Private ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return fail("cannot create " + pathToUtf8(tmp) + ": " + errnoText(errno));
    bool ok = true;
    int savedErrno = 0;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            savedErrno = n < 0 ? errno : ENOSPC;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) {
        savedErrno = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        savedErrno = errno;
        ok = false;
    }
    if (!ok) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot write " + pathToUtf8(tmp) + ": " + errnoText(savedErrno));
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot replace " + pathToUtf8(target) + ": " + errnoText(e));
    }
    if (!syncFolder(dir))
        return fail("cannot flush the folder of " + pathToUtf8(target) + ": " + errnoText(errno));
    return true;
#endif
}

int removeStaleTemporaries(const std::filesystem::path& target)
{
    namespace fs = std::filesystem;
    const std::string name = pathToUtf8(target.filename());
    const std::string fixed = name + ".tmp";
    const std::string prefix = name + kTempMarker;
    std::error_code ec;
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    int removed = 0;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = pathToUtf8(it->path().filename());
        if (n != fixed && n.rfind(prefix, 0) != 0)
            continue;
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc) && !it->is_symlink(typeEc))
            continue;
        std::error_code rmEc;
        if (fs::remove(it->path(), rmEc))
            ++removed;
    }
    return removed;
}

} // namespace aulira
