// A fault soak: a site of 30 devices that lose a fifth of the requests they
// are sent and answer every request twice. Each `params set` and each
// `book download` must end with the device truly done, as the simulator's own
// record of what it took in shows, or with auctl reporting a failure; never
// with a success that did not happen. Bounded: about half a minute for each
// command on two cores (two tests, which run side by side).
#include <gtest/gtest.h>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "addrbook/AddrBook.h"
#include "addrbook/AddrBookFile.h"
#include "params/SysParaFields.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

namespace {

constexpr int kDevices = 30;

// What happened to one device in one command.
struct Outcomes {
    int done = 0;             // reported done, and the device has it
    int failedReported = 0;   // reported failed (whatever the device has)
    int failedButDone = 0;    // of those, the device had it after all
    int unacknowledged = 0;   // reported sent without acknowledgement, and the device does not have it
    int silent = 0;           // reported done, and the device does not have it

    void print(const char* what) const
    {
        std::printf("fault soak, %-14s %d devices: %d done, %d reported failed (%d of them done after all), "
                    "%d sent unacknowledged and lost, %d silent\n",
                    what, kDevices, done, failedReported, failedButDone, unacknowledged, silent);
        std::fflush(stdout);
    }
};

class FaultSoak : public CliSiteTest {
protected:
    void SetUp() override
    {
        useFastTiming();
        auto& t = protocolConfig().timing;
        t.confirmWindowMs = 2500;
        t.confirmRetryPauseMs = 100;
        std::vector<sim::DeviceConfig> devices;
        for (int i = 0; i < kDevices; ++i)
            devices.push_back(simDevice(addr(i).c_str(), 100 + i, static_cast<std::uint32_t>(500 + i),
                                        ("Soak" + std::to_string(i)).c_str()));
        startSite(devices, sim::SiteOptions{.seed = 20261206, .keepTraffic = false});
        fault(0, [](auto& f) { f.dropRate = 0.2; f.duplicateReplies = 1; });
    }

    static std::string addr(int i) { return "127.0.0." + std::to_string(101 + i); }

    // The record the device works with, once a written one is no longer pending.
    std::vector<std::uint8_t> recordInUse(const std::string& a) { return settled(a.c_str()).sysPara; }
};

} // namespace

TEST_F(FaultSoak, ParamsSetEndsDoneOrReportedFailed)
{
    const std::size_t volumeAt = kSysParaFields[static_cast<std::size_t>(sysParaFieldIndex("volume"))].off436;
    Outcomes params;
    for (int i = 0; i < kDevices; ++i) {
        const std::string a = addr(i);
        int volume = 30 + i;
        if (recordInUse(a)[volumeAt] == volume)
            ++volume; // the device must not have it before
        const CliRun r = run({"--quiet", "params", "set", a, "volume=" + std::to_string(volume)});
        const bool has = recordInUse(a)[volumeAt] == volume;
        if (r.code != 0) {
            ++params.failedReported;
            params.failedButDone += has;
            EXPECT_FALSE(r.err.empty()) << "a failure says why";
        } else {
            ++(has ? params.done : params.silent);
        }
    }
    params.print("params set:");
    EXPECT_EQ(0, params.silent);
    EXPECT_GT(params.done, 0);
}

TEST_F(FaultSoak, BookDownloadEndsDoneOrReportedFailed)
{
    ASSERT_EQ(0, run({"--quiet", "group", "add", "1", "Hall"}).code);
    ASSERT_EQ(0, run({"--quiet", "book", "create", "Soak", "--group", "1"}).code);
    AddrBookList books;
    LoadAddrBookFile(addrBookPath(dir.path()), books);
    ASSERT_EQ(1u, books.size());
    Outcomes book;
    for (int i = 0; i < kDevices; ++i) {
        const std::string a = addr(i);
        const int before = site->device(ip(a.c_str()))->addrBookUpdates;
        const CliRun r = run({"--quiet", "--json", "book", "download", "Soak", a});
        // The packets are sent without waiting; give them time to land.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto d = site->device(ip(a.c_str()));
        const bool has = d->addrBookUpdates > before && d->addrBook == BuildBookImage(books[0], ip(a.c_str()), {});
        if (r.code != 0) {
            ++book.failedReported;
            book.failedButDone += has;
        } else if (has) {
            ++book.done;
        } else if (json::parse(r.out).value("acknowledged", true) == false) {
            ++book.unacknowledged;
        } else {
            ++book.silent;
        }
    }
    book.print("book download:");
    EXPECT_EQ(0, book.silent);
    EXPECT_GT(book.done, 0);
}
