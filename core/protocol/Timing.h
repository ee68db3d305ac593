#pragma once
// Every protocol timing and the device port, gathered in one place. The values
// here are what the devices expect; a test that is not about timing may shorten
// them through protocolConfig() before it starts any thread.
#include <atomic>
#include <cstdint>

namespace aulira {

struct Timing {
    int unicastRecvTimeoutMs = 400;    // SO_RCVTIMEO of a unicast exchange
    int broadcastRecvTimeoutMs = 1000; // SO_RCVTIMEO of a broadcast or on-socket exchange
    int replyLimitMs = 5000;           // give up when only unrelated datagrams keep coming
    int sendPauseMs = 5;               // pause between sending and the first receive
    int searchWindowMs = 4000;         // a search thread stops this long after the last new device
    int searchRecvTimeoutMs = 1000;    // one search round's receive time-out
    int pollIdleMs = 1000;             // pause after a status poll pass in which every device answered
    int pollUpgradeCheckMs = 10;       // how often a paused poller looks at the upgrade flag
    int upgradeTypeRetryMs = 1000;     // after a failed device type query of an upgrade
    int upgradeBootWaitMs = 2000;      // for the boot loader to start after the enter-boot request
    int upgradeHeaderRetryMs = 1000;   // before the upgrade header is sent again on a fresh socket
    int upgradePacketPauseMs = 5;      // pacing before and after each accepted firmware data packet
    int upgradePacketRetryMs = 5;      // before a firmware data packet is sent again on a fresh socket
    int screenRetryPauseMs = 5;        // before a screen upgrade step is sent again on a fresh socket
    int confirmWindowMs = 5000;        // how long a written record is read back while the device restarts
    int confirmRetryPauseMs = 300;     // between two read-backs of a written record
    int searchMarginMs = 11000;        // a search ends this long after its window at the latest
};

inline constexpr std::uint16_t kDefaultDevicePort = 65176;
// How often an unanswered parameter read or write is tried again, and a write
// whose read-back shows it did not take is sent again (auctl --retries, the
// INI's Network/Retries).
inline constexpr int kDefaultRetries = 2;
inline constexpr int kMaxRetries = 20;
inline constexpr int kSearchSocketRcvBuf = 524288;
inline constexpr int kExchangeSocketRcvBuf = 32768;

struct ProtocolConfig {
    std::atomic<std::uint16_t> devicePort{kDefaultDevicePort};
    std::atomic<int> retries{kDefaultRetries};
    Timing timing;
};

// The process-wide protocol settings.
ProtocolConfig& protocolConfig();

// Restores the defaults (tests call it between cases).
void resetProtocolConfig();

} // namespace aulira
