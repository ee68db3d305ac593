#include "util/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace aulira {

bool writeFileAtomically(const std::filesystem::path& target, ConstBytes data, std::string* error)
{
    namespace fs = std::filesystem;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what;
        return false;
    };
    fs::path tmp = target;
    tmp += ".tmp";
    std::FILE* f = nullptr;
#ifdef _WIN32
    f = _wfopen(tmp.c_str(), L"wb");
#else
    f = std::fopen(tmp.c_str(), "wb");
#endif
    if (!f)
        return fail("cannot create " + tmp.string() + ": " + std::strerror(errno));
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
#ifdef _WIN32
    ok = ok && _commit(_fileno(f)) == 0;
#else
    ok = ok && ::fsync(fileno(f)) == 0;
#endif
    int savedErrno = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot write " + tmp.string() + ": " + std::strerror(savedErrno));
    }
#ifdef _WIN32
    if (!MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot replace " + target.string());
    }
#else
    if (std::rename(tmp.c_str(), target.c_str()) != 0) {
        int e = errno;
        std::error_code ec;
        fs::remove(tmp, ec);
        return fail("cannot replace " + target.string() + ": " + std::strerror(e));
    }
#endif
    return true;
}

} // namespace aulira
