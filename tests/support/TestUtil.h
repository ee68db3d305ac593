#pragma once
// Small helpers shared by the test suites.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "protocol/Timing.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

namespace aulira::test {

// Restores the protocol settings when a test ends.
struct ProtocolConfigGuard {
    ProtocolConfigGuard() = default;
    ~ProtocolConfigGuard() { resetProtocolConfig(); }
};

// Shorter time-outs for tests that are not about timing.
inline void useFastTiming()
{
    auto& t = protocolConfig().timing;
    t.unicastRecvTimeoutMs = 150;
    t.broadcastRecvTimeoutMs = 250;
    t.replyLimitMs = 2000;
    t.searchWindowMs = 600;
    t.searchRecvTimeoutMs = 150;
    t.pollIdleMs = 100;
}

// A fresh directory under the system's temporary directory, removed at the end.
class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("auct-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A whole file's bytes; empty when it cannot be read.
inline std::vector<std::uint8_t> readAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes `text` to p and gives p back as a string (a command-line argument).
inline std::string writeText(const std::filesystem::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
    return p.string();
}

// n bytes that differ from their neighbours, varied by seed.
inline std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed)
{
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>((i * 29 + seed) ^ (i >> 7));
    return v;
}

// The lines of `text` ended by `eol`, without the empty one after the last end.
inline std::vector<std::string> splitLines(const std::string& text, const std::string& eol = "\n")
{
    std::vector<std::string> out;
    for (std::size_t start = 0, end = 0; start < text.size(); start = end + eol.size()) {
        end = std::min(text.find(eol, start), text.size());
        out.push_back(text.substr(start, end - start));
    }
    return out;
}

// For effects of requests that get no reply: they land shortly after sending.
inline bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

inline std::uint32_t ip(const char* text) { return parseIp(text).value(); }

// Wine emulates Windows on Linux sockets, and a few things differ from
// Windows there: a socket bound to one loopback address sends from another,
// and a bind to an address the machine lacks succeeds. Tests of those
// behaviours skip under Wine, saying why.
inline bool runningUnderWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}
inline constexpr const char* kWineBindsLoosely =
    "under Wine a socket bound to one 127/8 address or to an absent address does not keep it as Windows does";

// Restores the record code page when a test that switches it ends.
struct CodePageGuard {
    int saved = codePage();
    ~CodePageGuard() { setCodePage(saved); }
};

} // namespace aulira::test

#include "devices/DeviceInfo.h"
#include "protocol/Packet.h"

namespace aulira::test {

// A device's search reply as it arrives (the whole datagram).
inline std::vector<std::uint8_t> searchReply(const DeviceInfo_Type& info, std::size_t payloadSize = devinfo::size)
{
    Packet p = Packet::request(CMD_SEARCH | 0x8000, static_cast<std::uint16_t>(payloadSize));
    std::copy_n(info.raw.begin(), std::min(payloadSize, devinfo::size), p.payloadArea().begin());
    const std::size_t n = p.seal(kBroadcastTarget);
    return std::vector<std::uint8_t>(p.bytes().begin(), p.bytes().begin() + static_cast<long>(n));
}

inline DeviceInfo_Type deviceInfo(int no, const char* addr, std::uint8_t macLast, const char* name = "Lobby",
                                  const char* mask = "255.255.255.0")
{
    DeviceInfo_Type r;
    r.setDevNo(no);
    r.setIp(ip(addr));
    r.setMask(ip(mask));
    r.setDevName(name);
    r.setModelText("KP-4410");
    r.setFirmwareVersion("V2.0.1");
    r.setWorkState(1);
    const std::uint8_t mac[6] = {0x02, 0x4b, 0x50, 0, 0, macLast};
    r.setMac(mac);
    return r;
}

} // namespace aulira::test
