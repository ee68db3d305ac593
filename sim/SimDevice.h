#pragma once
// One simulated audio device: its identity record, parameter record, address
// book, boot loader, upgrade and screen state, and what it does with each
// request. It knows nothing of sockets; SimSite routes datagrams to it and
// sends what it answers. Every member is safe to call from any thread.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "DeviceConfig.h"
#include "Faults.h"
#include "Traffic.h"
#include "devices/DeviceInfo.h"
#include "params/SysParaOffsets.h"
#include "protocol/Packet.h"

namespace aulira::sim {

inline constexpr std::uint32_t kScreenFlashBase = 0x08005000;
inline constexpr std::size_t kScreenBufferSize = 2048;
inline constexpr std::size_t kScreenFlashMax = 4u << 20; // larger than any screen image we expect
inline constexpr std::size_t kUpgradePacketSize = 1024;
inline constexpr std::size_t kUpgradeHeaderSize = 128;
inline constexpr std::size_t kBookPacketSize = 512;
inline constexpr std::size_t kBookMaxPackets = 64;       // 32768-byte images at most

// The clock as the last time synchronisation set it.
struct DeviceClock {
    std::uint16_t year = 0;
    std::uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0, weekday = 0;
    bool operator==(const DeviceClock&) const = default;
};

// A consistent copy of a device's state, for tests and tools.
struct DeviceSnapshot {
    DeviceInfo_Type info;                 // what a search would return now
    std::vector<std::uint8_t> sysPara;    // the record in use (392 or 436 bytes)
    std::optional<std::vector<std::uint8_t>> pendingPara; // written, not yet applied
    int layout = 436;
    std::vector<std::uint8_t> addrBook;   // the last complete address-book image
    int addrBookUpdates = 0;
    int addrBookRejected = 0;             // complete transfers whose image made no sense
    bool inBoot = false;
    std::vector<std::uint8_t> upgradeHeader;  // the last accepted upgrade header
    std::vector<std::uint8_t> firmwareImage;  // the last installed image
    int upgradesInstalled = 0;
    bool screen = false;
    bool screenBootMode = false;
    std::vector<std::uint8_t> screenFlash;    // offset 0 is flash address 0x08005000
    int screenUpgradesEnded = 0;
    std::optional<DeviceClock> clock;
    int timeSyncs = 0;
    Faults faults;
    bool remote = false;
    std::string iface;
};

class SimDevice {
public:
    using Clock = std::chrono::steady_clock;

    SimDevice(const DeviceConfig& config, std::uint64_t seed, bool keepTraffic);

    struct Arrival {
        std::uint32_t fromIp = 0;
        std::uint16_t fromPort = 0;
        bool broadcast = false;
        std::uint64_t seq = 0;
    };
    struct Reply {
        std::vector<std::uint8_t> bytes; // a whole datagram
        int delayMs = 0;
    };
    struct Outcome {
        bool accepted = false;           // the device took the datagram in (it is in the traffic record)
        std::vector<Reply> replies;      // from the device's address (sourceIp)
        std::uint32_t sourceIp = 0;
        bool addressChanged = false;     // apply moved the device to another address
        std::optional<TrafficEntry> traffic;
    };

    // request holds a datagram whose magic and checksum were checked.
    Outcome handle(const Packet& request, const Arrival& arrival, Clock::time_point now);

    // For routing, without the state lock.
    std::uint32_t ip() const { return ip_.load(); }
    bool remote() const { return remote_; }
    const std::string& configuredIface() const { return iface_; }
    int ifindex() const { return ifindex_.load(); }
    void attach(int ifindex, std::string ifaceName);

    DeviceSnapshot snapshot() const;
    void setFaults(const Faults& f);
    void setScreenBootMode(bool on);
    std::vector<TrafficEntry> traffic() const;
    void clearTraffic();

private:
    std::optional<std::vector<std::uint8_t>> dispatch(const Packet& req, std::uint16_t cmd, Clock::time_point now,
                                                      std::uint16_t& pollMark, bool& addressChanged);
    bool macIs(ConstBytes payload, std::size_t off) const;
    void applyRecord(std::vector<std::uint8_t> record, bool& addressChanged);
    void setFirmware(const std::string& version);
    void takeBookPacket(const Packet& req);
    bool takeUpgradePacket(const Packet& req, std::uint16_t& pollMark, Clock::time_point now);
    DeviceInfo_Type currentInfo() const;
    const SysParaLayout& layout() const { return sysParaLayout(sysPara_.size() == kLayout436.size); }
    bool chance(double rate);

    const bool remote_;
    const bool screen_;
    const bool keepTraffic_;
    const std::string iface_;
    std::atomic<std::uint32_t> ip_;
    std::atomic<int> ifindex_{0};

    mutable std::mutex m_;
    std::string attachedIface_;
    DeviceInfo_Type info_;
    std::vector<std::uint8_t> sysPara_;
    std::optional<std::vector<std::uint8_t>> pending_;
    Faults faults_;
    std::mt19937_64 rng_;
    std::vector<TrafficEntry> traffic_;

    std::vector<std::uint8_t> book_;
    int bookUpdates_ = 0, bookRejected_ = 0;
    std::size_t bookPackets_ = 0; // transfer under way: its packet count, 0 = none
    std::vector<std::uint8_t> bookBuf_;
    std::vector<bool> bookGot_;

    bool inBoot_ = false;
    int enterBootRepliesLost_ = 0;
    Clock::time_point unreachableUntil_{};
    std::size_t upgradePackets_ = 0; // accepted header's packet count, 0 = none
    bool upgradeDone_ = false;
    std::size_t upgradeLastLen_ = 0;
    std::vector<std::uint8_t> upgradeHeader_, upgradeBuf_;
    std::vector<bool> upgradeGot_;
    std::vector<std::uint8_t> firmwareImage_;
    int upgradesInstalled_ = 0;

    bool screenBootMode_ = false;
    std::vector<std::uint8_t> screenBuffer_;
    std::vector<std::uint8_t> screenFlash_;
    int screenEnds_ = 0;

    std::optional<DeviceClock> clock_;
    int timeSyncs_ = 0;
};

// A fresh parameter record of the given layout holding the identity's values.
std::vector<std::uint8_t> makeSysPara(const DeviceConfig& config, int layout);

} // namespace aulira::sim
