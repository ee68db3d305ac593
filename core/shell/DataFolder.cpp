#include "shell/DataFolder.h"

#include "addrbook/AddrBookFile.h"
#include "devices/DeviceListFile.h"
#include "grouping/GroupFile.h"
#include "shell/AppDir.h"
#include "util/AtomicFile.h"
#include "util/DataLock.h"

namespace aulira {

namespace {

// Writes what was kept of a damaged file; an empty remainder writes
// nothing, so the next save starts the file anew.
void writeKept(FileLoadReport& report, const std::filesystem::path& file, std::size_t kept,
               const std::vector<std::uint8_t>& bytes)
{
    if (report.status != LoadStatus::Damaged || report.keptAs.empty() || kept == 0)
        return;
    std::string error;
    if (!writeFileAtomically(file, bytes, &error))
        report.message += " They could not be written to a new file: " + error;
}

} // namespace

std::vector<FileLoadReport> checkDataFiles(const std::filesystem::path& dataDir, std::chrono::milliseconds wait)
{
    DataLock lock(dataDir, wait);
    std::vector<FileLoadReport> problems;
    if (lock.busy())
        return problems;

    {
        const auto file = dataDir / kDeviceListFileName;
        std::vector<std::uint8_t> bytes;
        std::string error;
        FileLoadReport r;
        r.status = readDataFile(file, bytes, &error);
        if (r.status == LoadStatus::Unreadable) {
            r = unreadableFileReport(file, "device list file", error);
        } else if (r.status == LoadStatus::Loaded) {
            auto c = decodeDeviceListFile(bytes);
            if (!c.intact()) {
                r = damagedFileReport(file, "device list file", damageReason(c.magicOk, c.complete, c.extraBytes),
                                      c.records.size(), "saved devices");
                for (auto& rec : c.records)
                    rec.searchOnly = 0;
                writeKept(r, file, c.records.size(), encodeDeviceListFile(c.records));
            }
        }
        if (r.failed())
            problems.push_back(std::move(r));
    }
    {
        const auto file = groupFilePath(dataDir);
        FileLoadReport r;
        const GroupList groups = loadGroupFile(file, r);
        writeKept(r, file, groups.size(), encodeGroupFile(groups));
        if (r.failed())
            problems.push_back(std::move(r));
    }
    {
        const auto file = addrBookPath(dataDir);
        AddrBookList books;
        FileLoadReport r = loadAddrBookFile(file, books);
        writeKept(r, file, books.size(), encodeAddrBookFile(books));
        if (r.failed())
            problems.push_back(std::move(r));
    }
    return problems;
}

} // namespace aulira
