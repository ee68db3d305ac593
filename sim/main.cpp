// auct-devsim: a simulated site of audio devices answering the device protocol,
// for trying the tool and for tests without real hardware.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DeviceConfig.h"
#include "util/PathText.h"
#include "SimSite.h"
#include "shell/FileLog.h"
#include "util/Ipv4.h"

using namespace aulira;
using namespace aulira::sim;

namespace {

const char kUsage[] =
    "Usage: auct-devsim [options]\n"
    "\n"
    "Simulates a site of audio devices on the device port. Without --devices,\n"
    "--count or --device it starts the demo site on loopback.\n"
    "\n"
    "  --port N            UDP port to answer on (default 65176, 0 = any free port)\n"
    "  --devices FILE      the site as a JSON file (see docs/simulator.md)\n"
    "  --count N           add N generated devices from --first-ip on\n"
    "  --first-ip ADDR     first address of the generated devices (default 127.1.0.1)\n"
    "  --device KEY=VALUE,...\n"
    "                      add one device; the keys are ip, mask, gateway, server,\n"
    "                      mac, no, name, model, model-name, firmware, layout,\n"
    "                      type-code, work-state, remote, iface, screen-boot\n"
    "                      (repeatable); upgrade personality keys:\n"
    "                      reply-no=zero|echo|next|count, lose-boot-reply=N,\n"
    "                      boot-bit31=0|1\n"
    "  --iface NAME        serve this network interface (repeatable; default lo)\n"
    "  --spread MS         spread each device's search reply over 0..MS ms\n"
    "  --seed N            seed for simulated losses and spreading\n"
    "  --dump FILE         write every datagram a device took in, one JSON object a line\n"
    "  --print-site        print the site as JSON and exit\n"
    "  --quiet             do not log datagrams to stderr\n"
    "  --log-file FILE     also append the log, with time stamps, to FILE (with --quiet too)\n"
    "  --help              show this text\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "auct-devsim: %s\n%s", message.c_str(), "Try 'auct-devsim --help'.\n");
    return 2;
}

std::optional<unsigned long long> number(const std::string& text, unsigned long long max)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
        return std::nullopt;
    const unsigned long long n = std::stoull(text);
    if (n > max)
        return std::nullopt;
    return n;
}

#ifdef _WIN32
std::atomic<int> stopSignal{0};
void onStopSignal(int sig) { stopSignal.store(sig); }
#endif

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::string> devicesFile, dumpFile, logFile;
    std::optional<std::size_t> count;
    std::optional<std::uint16_t> port;
    std::optional<int> spread;
    std::optional<std::uint64_t> seed;
    std::uint32_t firstIp = *parseIp("127.1.0.1");
    std::vector<DeviceConfig> extra;
    std::vector<std::string> ifaces;
    bool quiet = false, printSite = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--quiet" || arg == "-q") {
            quiet = true;
        } else if (arg == "--print-site") {
            printSite = true;
        } else if (arg == "--port" || arg == "--devices" || arg == "--count" || arg == "--first-ip" ||
                   arg == "--device" || arg == "--iface" || arg == "--spread" || arg == "--seed" || arg == "--dump" ||
                   arg == "--log-file") {
            auto v = value();
            if (!v)
                return usageError(arg + " needs a value");
            if (arg == "--port") {
                auto n = number(*v, 65535);
                if (!n)
                    return usageError("--port: not a port number: " + *v);
                port = static_cast<std::uint16_t>(*n);
            } else if (arg == "--devices") {
                devicesFile = *v;
            } else if (arg == "--count") {
                auto n = number(*v, 60000);
                if (!n || *n == 0)
                    return usageError("--count: expected 1 to 60000, got " + *v);
                count = static_cast<std::size_t>(*n);
            } else if (arg == "--first-ip") {
                auto a = parseIp(*v);
                if (!a)
                    return usageError("--first-ip: not an IPv4 address: " + *v);
                firstIp = *a;
            } else if (arg == "--device") {
                DeviceConfig d;
                if (auto problem = parseDeviceOption(*v, d); !problem.empty())
                    return usageError("--device " + *v + ": " + problem);
                extra.push_back(d);
            } else if (arg == "--iface") {
                ifaces.push_back(*v);
            } else if (arg == "--spread") {
                auto n = number(*v, 60000);
                if (!n)
                    return usageError("--spread: expected milliseconds, got " + *v);
                spread = static_cast<int>(*n);
            } else if (arg == "--seed") {
                auto n = number(*v, ~0ull);
                if (!n)
                    return usageError("--seed: expected a number, got " + *v);
                seed = *n;
            } else if (arg == "--log-file") {
                logFile = *v;
            } else {
                dumpFile = *v;
            }
        } else {
            return usageError("unknown option " + arg);
        }
    }

    SiteConfig site;
    if (devicesFile) {
        LoadResult r = loadSiteFile(*devicesFile);
        if (!r.site)
            return usageError(r.error);
        site = std::move(*r.site);
    } else if (!count && extra.empty()) {
        site = defaultSite();
    }
    if (count) {
        SiteConfig g = generated(*count, firstIp);
        site.devices.insert(site.devices.end(), g.devices.begin(), g.devices.end());
        if (!devicesFile)
            site.options.searchReplySpreadMs = g.options.searchReplySpreadMs;
    }
    site.devices.insert(site.devices.end(), extra.begin(), extra.end());
    if (port)
        site.options.port = *port;
    if (!ifaces.empty())
        site.options.interfaces = ifaces;
    if (spread)
        site.options.searchReplySpreadMs = *spread;
    if (seed)
        site.options.seed = *seed;
    site.options.keepTraffic = false; // a long run would only pile them up; --dump writes them out
    if (auto problem = validateSite(site); !problem.empty())
        return usageError(problem);
    if (printSite) {
        std::fputs(siteToJson(site).c_str(), stdout);
        return 0;
    }

#ifdef _WIN32
    // Ctrl+C (and a console closing) arrive as SIGINT/SIGBREAK on a thread of their own.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGBREAK, onStopSignal);
#else
    // Signals go to sigwait below, not to whichever thread they happen to hit.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
#endif

    // Before the site, which logs until it is gone.
    std::mutex logMutex;
    std::unique_ptr<FileLog> fileLog;
    SimSite sim(site.options);
    std::string error;
    if (!sim.addDevices(site.devices, &error)) {
        std::fprintf(stderr, "auct-devsim: %s\n", error.c_str());
        return 1;
    }

    if (logFile) {
        FileLog::Options o;
        o.program = "auct-devsim";
        o.file = *logFile;
        o.report = [&logMutex](const std::string& line) {
            std::lock_guard lock(logMutex);
            std::fprintf(stderr, "auct-devsim: %s\n", line.c_str());
        };
        fileLog = std::make_unique<FileLog>(std::move(o));
    }
    if (!quiet || fileLog)
        sim.setLogSink([&logMutex, &fileLog, quiet](const std::string& line) {
            if (fileLog)
                fileLog->add(line);
            if (quiet)
                return;
            std::lock_guard lock(logMutex);
            std::fprintf(stderr, "%s\n", line.c_str());
        });
    std::ofstream dump;
    if (dumpFile) {
        dump.open(pathFromUtf8(*dumpFile), std::ios::out | std::ios::trunc);
        if (!dump) {
            std::fprintf(stderr, "auct-devsim: cannot write %s\n", dumpFile->c_str());
            return 1;
        }
        sim.setTrafficSink([&dump](const TrafficEntry& e) { dump << trafficJsonLine(e) << '\n' << std::flush; });
    }

    if (!sim.start(&error)) {
        std::fprintf(stderr, "auct-devsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("auct-devsim: %zu devices on port %u\n", sim.deviceCount(), static_cast<unsigned>(sim.port()));
    std::fflush(stdout);

    int sig = 0;
#ifdef _WIN32
    while ((sig = stopSignal.load()) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
#else
    sigwait(&signals, &sig);
#endif
    sim.stop();
    if (!quiet)
        std::fprintf(stderr, "auct-devsim: stopped by signal %d\n", sig);
    return 0;
}
