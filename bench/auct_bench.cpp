// Benchmarks of discovery, the unicast exchange and the search-reply merge.
// Each prints its measurements and the ratio to its target (below 1.0 meets
// it); nothing here fails on time. Run inside a private network namespace or
// on loopback only: scripts/netns.sh build/bench/auct-bench [name...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimSite.h"
#include "devices/DeviceList.h"
#include "protocol/Discovery.h"
#include "protocol/Exchange.h"
#include "protocol/Timing.h"
#include "util/Ipv4.h"

using namespace aulira;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::unique_ptr<sim::SimSite> startSite(const sim::SiteConfig& cfg, int spreadMs)
{
    auto options = cfg.options;
    options.port = 0;
    options.searchReplySpreadMs = spreadMs;
    options.keepTraffic = false;
    auto site = std::make_unique<sim::SimSite>(options);
    std::string error;
    if (!site->addDevices(cfg.devices, &error) || !site->start(&error)) {
        std::fprintf(stderr, "cannot start the simulated site: %s\n", error.c_str());
        std::exit(1);
    }
    protocolConfig().devicePort = site->port();
    return site;
}

// 1000 devices answer one search; all must be found in that search, and the
// search must end within 5.2 s of the last new device (window + one round).
void benchDiscovery()
{
    constexpr int kDevices = 1000;
    auto site = startSite(sim::generated(kDevices), 300);
    DeviceList list;
    std::mutex m;
    Clock::time_point lastNew;
    int found = 0;
    const auto t0 = Clock::now();
    SearchThreadProc("127.0.0.1", [&](const std::string& adapter, ConstBytes d) {
        int isNew = list.mergeSearchReply(adapter, d);
        if (isNew) {
            std::lock_guard lock(m);
            lastNew = Clock::now();
            ++found;
        }
        return isNew;
    });
    const auto end = Clock::now();
    const double tail = ms(end - lastNew);
    std::printf("discovery: %d of %d devices found in one search; last new device after %.0f ms; "
                "search ended %.0f ms after it (target 5200 ms): ratio %.3f\n",
                found, kDevices, ms(lastNew - t0), tail, tail / 5200.0);
}

// Time an ExchangeUnicast takes beyond its mandated 5 ms pause, against a raw
// UDP round trip on loopback to the same simulated device.
void benchExchange()
{
    sim::DeviceConfig d;
    d.ip = parseIp("127.0.0.9").value();
    d.mac = sim::generatedMac(9);
    d.devNo = 9;
    d.name = "Bench";
    sim::SiteConfig cfg;
    cfg.devices = {d};
    auto site = startSite(cfg, 0);
    constexpr int kRounds = 300;

    std::vector<double> exchange, raw;
    for (int i = 0; i < kRounds; ++i) {
        Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
        const auto t0 = Clock::now();
        int r = ExchangeUnicast("127.0.0.1", d.ip, req, reply, 1);
        const auto t1 = Clock::now();
        if (r == RES_OK)
            exchange.push_back(ms(t1 - t0) - protocolConfig().timing.sendPauseMs);
    }
    UdpSocket sock;
    sock.open();
    sock.bind(std::string("127.0.0.1"), 0);
    sock.setReceiveTimeout(1000);
    for (int i = 0; i < kRounds; ++i) {
        Packet req = Packet::request(CMD_SEARCH, 0, kPollMark), reply;
        const std::size_t n = req.seal(d.ip);
        const auto t0 = Clock::now();
        sock.sendTo(req.bytes().first(n), d.ip, site->port());
        RecvResult r = sock.receive(reply.bytes());
        const auto t1 = Clock::now();
        if (r.kind == RecvResult::Ok)
            raw.push_back(ms(t1 - t0));
    }
    const double me = median(exchange), mr = median(raw);
    std::printf("exchange: ExchangeUnicast median %.3f ms beyond the 5 ms pause (%zu ok); raw UDP round trip "
                "median %.3f ms; overhead over raw %.3f ms (target 0.3 ms): ratio %.3f\n",
                me, exchange.size(), mr, me - mr, (me - mr) / 0.3);
}

// Merging search replies into the list: 10,000 in under 20 ms, growing linearly.
double mergeMs(int count)
{
    std::vector<std::vector<std::uint8_t>> datagrams;
    datagrams.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        DeviceInfo_Type info;
        info.setDevNo(k + 1);
        info.setIp(0x0000010A | (static_cast<std::uint32_t>(k) << 16));
        auto mac = sim::generatedMac(static_cast<std::uint32_t>(k));
        info.setMac(mac.data());
        info.setDevName("Device");
        Packet p = Packet::request(CMD_SEARCH, devinfo::size);
        std::memcpy(p.payloadArea().data(), info.raw.data(), devinfo::size);
        const std::size_t n = p.seal(kBroadcastTarget);
        datagrams.emplace_back(p.bytes().begin(), p.bytes().begin() + static_cast<long>(n));
    }
    DeviceList list;
    const auto t0 = Clock::now();
    for (const auto& d : datagrams)
        list.mergeSearchReply("127.0.0.1", d);
    const auto t1 = Clock::now();
    if (list.size() != static_cast<std::size_t>(count))
        std::fprintf(stderr, "merge: expected %d entries, have %zu\n", count, list.size());
    return ms(t1 - t0);
}

// The best of several runs, so a stray scheduling hiccup does not decide.
double bestMergeMs(int count)
{
    double best = 1e9;
    for (int i = 0; i < 7; ++i)
        best = std::min(best, mergeMs(count));
    return best;
}

void benchMerge()
{
    const double small = bestMergeMs(1000);
    const double large = bestMergeMs(10000);
    std::printf("merge: 1,000 replies %.2f ms; 10,000 replies %.2f ms (target 20 ms): ratio %.3f; "
                "growth 10k/1k %.2fx (target under 12x): ratio %.3f\n",
                small, large, large / 20.0, large / small, (large / small) / 12.0);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> which(argv + 1, argv + argc);
    auto want = [&](const char* name) {
        return which.empty() || std::find(which.begin(), which.end(), name) != which.end();
    };
    if (want("merge"))
        benchMerge();
    if (want("exchange"))
        benchExchange();
    if (want("discovery"))
        benchDiscovery();
    return 0;
}
