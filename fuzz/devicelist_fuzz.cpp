// Fuzz target for the device list file. The decoder must take any bytes
// without a crash, and what it keeps must survive an encode/decode round trip
// and a load/save through DeviceList unchanged (save writes only the saved
// entries, and load shows every device "Offline").
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "FuzzCheck.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListFile.h"

using namespace aulira;

namespace {

bool sameRecord(const DeviceListRecord& a, const DeviceListRecord& b)
{
    return a.bParaExt == b.bParaExt && a.ip == b.ip && a.searchOnly == b.searchOnly && a.hasRecord == b.hasRecord &&
           a.info.raw == b.info.raw;
}

// One scratch directory per process, removed at exit. AULIRA_FUZZ_TMPDIR
// points it at a RAM disk when the disk is slow (each save syncs its file).
class Scratch {
public:
    Scratch()
    {
        namespace fs = std::filesystem;
        const char* env = std::getenv("AULIRA_FUZZ_TMPDIR");
        const fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path();
        dir_ = base / ("auct-devicelist-fuzz-" + std::to_string(static_cast<long>(getpid())));
        fs::create_directories(dir_);
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path file(const char* name) const { return dir_ / name; }

private:
    std::filesystem::path dir_;
};

Scratch& scratch()
{
    static Scratch s;
    return s;
}

void writeRaw(const std::filesystem::path& path, ConstBytes bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

void checkCodecRoundTrip(const DeviceListFileContent& decoded)
{
    const auto encoded = encodeDeviceListFile(decoded.records);
    FUZZ_CHECK(encoded.size() == kFileMagicSize + 4 + decoded.records.size() * kDeviceListRecordSize);
    const auto again = decodeDeviceListFile(encoded);
    FUZZ_CHECK(again.magicOk);
    FUZZ_CHECK(again.complete);
    FUZZ_CHECK(again.records.size() == decoded.records.size());
    for (std::size_t i = 0; i < decoded.records.size(); ++i)
        FUZZ_CHECK(sameRecord(again.records[i], decoded.records[i]));
}

void checkLoadSave(ConstBytes file, const DeviceListFileContent& decoded)
{
    const auto input = scratch().file("input");
    const auto output = scratch().file("output");
    writeRaw(input, file);

    DeviceList list([](std::uint32_t ip, std::uint32_t) { return (ip & 1u) != 0; });
    const FileLoadReport report = list.load(input);
    const auto items = list.snapshot();
    // A damaged file is moved aside, never left to be saved over.
    const bool damaged = !decoded.intact();
    FUZZ_CHECK((report.status == LoadStatus::Damaged) == damaged);
    if (damaged) {
        FUZZ_CHECK(!report.keptAs.empty());
        FUZZ_CHECK(!std::filesystem::exists(input));
        std::error_code rmEc;
        std::filesystem::remove(report.keptAs, rmEc);
    }
    if (!decoded.magicOk) {
        FUZZ_CHECK(items.empty()); // a foreign file loads nothing
        return;
    }
    FUZZ_CHECK(items.size() == decoded.records.size());
    // Loading a whole file is not a change; what was kept of a damaged one
    // is, so the next save writes it anew.
    FUZZ_CHECK(list.listModified() == (damaged && !items.empty()));

    std::vector<DeviceListRecord> expected;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& r = decoded.records[i];
        const auto& item = *items[i];
        FUZZ_CHECK(item.devItem.workState() == 0);
        FUZZ_CHECK(item.state == ((r.info.ip() & 1u) ? STATE_LOCAL_OFFLINE : STATE_REMOTE_OFFLINE));
        FUZZ_CHECK(item.ip == r.info.ip());
        FUZZ_CHECK(item.searchOnly == r.searchOnly);
        DeviceInfo_Type info = r.info;
        info.setWorkState(0);
        FUZZ_CHECK(item.devItem.raw == info.raw);
        if (r.searchOnly == 0) {
            DeviceListRecord w;
            w.bParaExt = r.bParaExt;
            w.ip = r.info.ip();
            w.searchOnly = 0;
            w.hasRecord = 1;
            w.info = info;
            expected.push_back(w);
        }
    }

    std::error_code ec;
    std::filesystem::remove(output, ec);
    list.setListModified(true);
    std::string error;
    FUZZ_CHECK(list.save(output, &error));
    FUZZ_CHECK(!list.listModified());

    std::vector<std::uint8_t> written;
    FUZZ_CHECK(readWholeFile(output, written));
    const auto reread = decodeDeviceListFile(written);
    FUZZ_CHECK(reread.magicOk);
    FUZZ_CHECK(reread.complete);
    FUZZ_CHECK(reread.records.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        FUZZ_CHECK(sameRecord(reread.records[i], expected[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes file(data, size);
    const auto decoded = decodeDeviceListFile(file);
    // Never more records than the bytes can hold.
    if (size >= kFileMagicSize + 4)
        FUZZ_CHECK(decoded.records.size() <= (size - kFileMagicSize - 4) / kDeviceListRecordSize);
    else
        FUZZ_CHECK(decoded.records.empty());
    if (!decoded.magicOk)
        FUZZ_CHECK(decoded.records.empty());
    checkCodecRoundTrip(decoded);
    checkLoadSave(file, decoded);
    return 0;
}
