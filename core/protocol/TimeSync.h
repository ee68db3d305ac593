#pragma once
// Clock setting: the workstation's local time, broadcast five times from each
// local adapter address, with no reply awaited.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aulira {

struct LocalTime {
    std::uint16_t year = 0;
    std::uint8_t month = 0; // 1..12
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::uint8_t weekday = 0; // 0 = Sunday
};

LocalTime currentLocalTime();

inline constexpr std::size_t kTimeSyncPayloadSize = 8;
inline constexpr std::size_t kTimeSyncPacketSize = 30;
inline constexpr int kTimeSyncSends = 5;

// The whole datagram, addressed to every device (targetIp 255.255.255.255).
std::array<std::uint8_t, kTimeSyncPacketSize> buildTimeSyncPacket(const LocalTime& time);

// Broadcasts the current time from one adapter address. Logs
// "Synchronization time completed." and returns true when the last send went out.
bool TimeSyncThreadProc(const std::string& adapter);

// One thread per adapter address, all at once; returns how many completed.
int SyncTimeAllAdapters(const std::vector<std::string>& adapters);

} // namespace aulira
