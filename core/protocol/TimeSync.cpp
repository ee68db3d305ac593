#include "protocol/TimeSync.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

#include "protocol/Packet.h"
#include "protocol/Timing.h"
#include "protocol/UdpSocket.h"
#include "shell/Log.h"

namespace aulira {

static_assert(kHeaderSize + kTimeSyncPayloadSize + kChecksumSize == kTimeSyncPacketSize);

LocalTime currentLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    LocalTime t;
    t.year = static_cast<std::uint16_t>(tm.tm_year + 1900);
    t.month = static_cast<std::uint8_t>(tm.tm_mon + 1);
    t.day = static_cast<std::uint8_t>(tm.tm_mday);
    t.hour = static_cast<std::uint8_t>(tm.tm_hour);
    t.minute = static_cast<std::uint8_t>(tm.tm_min);
    // A leap second is shown as the 59th, as the devices' clocks know no 60.
    t.second = static_cast<std::uint8_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    t.weekday = static_cast<std::uint8_t>(tm.tm_wday);
    return t;
}

std::array<std::uint8_t, kTimeSyncPacketSize> buildTimeSyncPacket(const LocalTime& time)
{
    Packet p = Packet::request(CMD_SYNC_TIME, kTimeSyncPayloadSize);
    Bytes payload = p.payloadArea();
    writeU16(payload, 0, time.year);
    payload[2] = time.month;
    payload[3] = time.day;
    payload[4] = time.hour;
    payload[5] = time.minute;
    payload[6] = time.second;
    payload[7] = time.weekday;
    p.seal(kBroadcastTarget);
    std::array<std::uint8_t, kTimeSyncPacketSize> out;
    std::copy_n(p.bytes().begin(), kTimeSyncPacketSize, out.begin());
    return out;
}

bool TimeSyncThreadProc(const std::string& adapter)
{
    const auto packet = buildTimeSyncPacket(currentLocalTime());
    UdpSocket sock;
    if (!sock.open()) {
        std::printf("socket error:%d\n", UdpSocket::lastError());
        return false;
    }
    // Unbound, the broadcast would leave through whatever interface routes
    // 255.255.255.255, not through the adapter this thread stands for.
    if (!sock.bind(adapter, 0)) {
        OutputLog("bind error:%d", UdpSocket::lastError());
        return false;
    }
    sock.setBroadcast(true);
    long sent = -1;
    int error = 0;
    for (int i = 0; i < kTimeSyncSends; ++i) {
        sent = sock.sendTo(packet, kBroadcastTarget, protocolConfig().devicePort);
        if (sent < 0)
            error = UdpSocket::lastError();
    }
    sock.close();
    // Only the last send decides; devices that missed an earlier one got a later one.
    if (sent < 0) {
        OutputLog("sendto error:%d", error);
        return false;
    }
    OutputLog("Synchronization time completed.");
    return true;
}

int SyncTimeAllAdapters(const std::vector<std::string>& adapters)
{
    std::atomic<int> completed{0};
    std::vector<std::thread> threads;
    threads.reserve(adapters.size());
    for (const auto& adapter : adapters)
        threads.emplace_back([&completed, adapter] {
            if (TimeSyncThreadProc(adapter))
                ++completed;
        });
    for (auto& t : threads)
        t.join();
    return completed.load();
}

} // namespace aulira
