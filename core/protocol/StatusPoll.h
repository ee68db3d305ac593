#pragma once
// The status poller: devices the user saved from other subnets cannot be seen
// by discovery, so one background thread asks each of them directly, through
// every local adapter, pass after pass, and brings the ones that answer online.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/DeviceItem.h"
#include "protocol/Packet.h"

namespace aulira {

class DeviceList;

// Set while an upgrade batch runs; the poller pauses so it does not disturb
// the upgrade traffic.
extern std::atomic<bool> upgradeRunning;

class PollListener {
public:
    virtual ~PollListener() = default;
    // Every attempt, after a successful reply has been applied to the entry.
    virtual void onPollResult(const DeviceItemPtr& item, const std::string& adapter, int result) = 0;
};

class StatusPoller {
public:
    using LocalIps = std::function<std::vector<std::string>()>;
    using LocalSubnetTest = std::function<bool(std::uint32_t ip, std::uint32_t mask)>;

    StatusPoller(DeviceList& list, LocalIps localIps, LocalSubnetTest isLocalSubnet, PollListener* listener = nullptr);
    ~StatusPoller(); // stops the thread

    StatusPoller(const StatusPoller&) = delete;
    StatusPoller& operator=(const StatusPoller&) = delete;

    // Starts the polling thread (once; again after stop()).
    void start();
    // Ends the thread; a pause in progress ends at once, a poll in progress
    // after its exchange.
    void stop();

    // One pass over the saved devices outside the local subnets, on the
    // calling thread. True when every attempt was answered.
    bool pollPass();

private:
    void run();
    bool stopRequested() const;
    // Sleeps up to ms; false when stop() was called meanwhile.
    bool pause(int ms);

    DeviceList& list_;
    const LocalIps localIps_;
    const LocalSubnetTest isLocalSubnet_;
    PollListener* const listener_;
    Packet request_; // built once; each exchange works on a copy

    mutable std::mutex m_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace aulira
