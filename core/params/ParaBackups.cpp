#include "params/ParaBackups.h"
#include "util/PathText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "params/ConfigFile.h"
#include "util/Ipv4.h"

namespace aulira {

namespace fs = std::filesystem;

namespace {

// "20261206-171005-042": sorts as it happened.
std::string stamp(std::chrono::system_clock::time_point t)
{
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &secs);
#else
    localtime_r(&secs, &local);
#endif
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
    return text;
}

} // namespace

fs::path backupFolder(const fs::path& dataDir, const SysParaBuffer& record)
{
    std::string mac = formatMac(record.data() + kLayout436.mac);
    std::replace(mac.begin(), mac.end(), ':', '-'); // a file name everywhere
    return dataDir / "backups" / mac;
}

std::vector<fs::path> listBackups(const fs::path& dataDir, const SysParaBuffer& record)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(backupFolder(dataDir, record), ec))
        if (e.is_regular_file() && e.path().extension() == ".alc")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

fs::path backupRecord(const fs::path& dataDir, const SysParaBuffer& record, std::string* error)
{
    const fs::path folder = backupFolder(dataDir, record);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        if (error)
            *error = "cannot create the backup folder " + pathToUtf8(folder) + ": " + ec.message();
        return {};
    }
#ifndef _WIN32
    // The records hold the devices' passwords: the folders are the user's alone.
    for (const fs::path& f : {folder.parent_path(), folder})
        fs::permissions(f, fs::perms::owner_all, fs::perm_options::replace, ec);
#endif
    auto t = std::chrono::system_clock::now();
    fs::path file = folder / (stamp(t) + ".alc");
    while (fs::exists(file)) { // two writes within a millisecond
        t += std::chrono::milliseconds(1);
        file = folder / (stamp(t) + ".alc");
    }
    if (!exportConfigFile(file, record, error))
        return {};
    auto all = listBackups(dataDir, record);
    for (std::size_t i = 0; i + kBackupsKept < all.size(); ++i)
        fs::remove(all[i], ec); // a backup that cannot go stays; the new one is written
    return file;
}

} // namespace aulira
