#include "util/DataFile.h"
#include "util/PathText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>

namespace aulira {

LoadStatus readDataFile(const std::filesystem::path& file, std::vector<std::uint8_t>& out, std::string* error)
{
    namespace fs = std::filesystem;
    out.clear();
    std::error_code ec;
    const auto st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found || fs::is_directory(st))
        return LoadStatus::Missing;
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what;
        return LoadStatus::Unreadable;
    };
    if (ec)
        return fail(ec.message());
#ifdef _WIN32
    std::FILE* f = _wfopen(file.c_str(), L"rb");
#else
    std::FILE* f = std::fopen(file.c_str(), "rb");
#endif
    if (!f)
        return fail(std::strerror(errno));
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    const bool bad = std::ferror(f) != 0;
    const int e = errno;
    std::fclose(f);
    if (bad)
        return fail(std::strerror(e));
    return LoadStatus::Loaded;
}

std::filesystem::path keepDamagedFile(const std::filesystem::path& file, std::string* error)
{
    namespace fs = std::filesystem;
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    const std::string base = pathToUtf8(file.filename()) + ".damaged-" + stamp;
    for (int k = 1; k < 1000; ++k) {
        const fs::path aside = file.parent_path() / (k == 1 ? base : base + "-" + std::to_string(k));
        std::error_code ec;
        if (fs::exists(fs::symlink_status(aside, ec)))
            continue;
        fs::rename(file, aside, ec);
        if (!ec)
            return aside;
        if (error)
            *error = ec.message();
        return {};
    }
    if (error)
        *error = "no free name beside it";
    return {};
}

FileLoadReport damagedFileReport(const std::filesystem::path& file, std::string_view kind, std::string_view why,
                                 std::size_t kept, std::string_view entries)
{
    FileLoadReport r;
    r.status = LoadStatus::Damaged;
    std::string error;
    r.keptAs = keepDamagedFile(file, &error);
    r.message = "The " + std::string(kind) + " " + pathToUtf8(file) + " is damaged (" + std::string(why) + "); ";
    if (r.keptAs.empty())
        r.message += "it could not be moved aside (" + error + "), so nothing is saved over it";
    else
        r.message += "it was kept as " + pathToUtf8(r.keptAs) + " and a new one will be written";
    r.message += "; " + std::to_string(kept) + " " + std::string(entries) + " read completely from it " +
                 (kept == 1 ? "is" : "are") + " kept.";
    return r;
}

std::string_view damageReason(bool magicOk, bool complete, std::size_t extraBytes)
{
    if (!magicOk)
        return "it is not a file of this kind";
    if (!complete)
        return "it ends before everything it announces";
    if (extraBytes)
        return "it holds bytes behind its last entry";
    return {};
}

FileLoadReport unreadableFileReport(const std::filesystem::path& file, std::string_view kind,
                                    const std::string& error)
{
    FileLoadReport r;
    r.status = LoadStatus::Unreadable;
    r.message = "The " + std::string(kind) + " " + pathToUtf8(file) + " cannot be read (" + error + ").";
    return r;
}

} // namespace aulira
