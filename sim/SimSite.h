#pragma once
// A simulated site: any number of SimDevices behind one UDP socket on the
// device port. Datagrams are routed the way a switched network would deliver
// them (broadcasts to the devices on the arrival interface, unicasts to the
// device owning the destination address), and every reply leaves from the
// device's own address. Only datagrams arriving on the served interfaces
// (loopback by default) are answered.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "DeviceConfig.h"
#include "SimDevice.h"
#include "Traffic.h"
#include "protocol/UdpSocket.h"

namespace aulira::sim {

class SimSite {
public:
    using LogSink = std::function<void(const std::string& line)>;
    using TrafficSink = std::function<void(const TrafficEntry& entry)>;

    explicit SimSite(SiteOptions options = {});
    ~SimSite();
    SimSite(const SimSite&) = delete;
    SimSite& operator=(const SimSite&) = delete;

    // Binds the port and starts the receive and reply threads. Idempotent;
    // false with a reason when the port or an interface cannot be had.
    bool start(std::string* error = nullptr);
    void stop();
    bool running() const { return running_; }
    // The bound port (the chosen one when the options asked for 0).
    std::uint16_t port() const { return port_; }

    // Devices can come and go while the site runs. A device is attached to
    // its configured interface, else to the served interface whose subnet
    // holds its address.
    bool addDevice(const DeviceConfig& config, std::string* error = nullptr);
    bool addDevices(const std::vector<DeviceConfig>& configs, std::string* error = nullptr);
    bool removeDevice(std::uint32_t ip);
    std::size_t deviceCount() const;
    std::vector<std::uint32_t> deviceIps() const;

    std::optional<DeviceSnapshot> device(std::uint32_t ip) const;
    bool setFaults(std::uint32_t ip, const Faults& faults);
    void setFaultsAll(const Faults& faults);
    bool setScreenBootMode(std::uint32_t ip, bool on);
    void setSearchReplySpread(int ms) { spreadMs_ = ms; }

    // What the device now at ip received, in order; all devices' entries in
    // arrival order when no address is given.
    std::vector<TrafficEntry> traffic(std::uint32_t ip) const;
    std::vector<TrafficEntry> traffic() const;
    void clearTraffic();

    // Set before start(): a line per datagram received and reply sent, and
    // every traffic entry as it happens (the dump file). The log sink is
    // called from two threads and must be safe for that.
    void setLogSink(LogSink sink) { log_ = std::move(sink); }
    void setTrafficSink(TrafficSink sink) { trafficSink_ = std::move(sink); }

private:
    struct Iface {
        std::string name;
        int index = 0;
        bool loopback = false;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> nets; // address, mask (stored order)
    };
    struct Scheduled {
        std::chrono::steady_clock::time_point due;
        std::uint64_t order;
        std::vector<std::uint8_t> bytes;
        std::uint32_t fromIp, toIp;
        std::uint16_t toPort;
        bool operator>(const Scheduled& o) const { return due != o.due ? due > o.due : order > o.order; }
    };

    std::string refreshInterfaces(); // error text when a served interface is missing
    std::string attach(SimDevice& d) const; // needs m_
    std::shared_ptr<SimDevice> find(std::uint32_t ip) const;
    void receiveLoop();
    void replyLoop();
    void dispatch(ConstBytes datagram, std::uint32_t fromIp, std::uint16_t fromPort, std::uint32_t dstIp, int ifindex);
    void schedule(Scheduled s);
    void send(const std::vector<std::uint8_t>& bytes, std::uint32_t fromIp, std::uint32_t toIp, std::uint16_t toPort);

    const SiteOptions options_;
    std::atomic<int> spreadMs_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint16_t> port_{0};
    LogSink log_;
    TrafficSink trafficSink_;

    mutable std::mutex m_; // devices_ and ifaces_
    std::vector<std::shared_ptr<SimDevice>> devices_;
    std::vector<Iface> ifaces_;
    int loopbackIndex_ = 0;

    std::mutex lifecycle_;
    UdpSocket socket_;
    // Wakes the receive thread out of poll() when the site stops.
    struct WakePipe {
        int r = -1, w = -1;
        bool open();
        void close();
        ~WakePipe() { close(); }
    } wake_;
    std::thread receiver_, replier_;
    std::atomic<bool> stopping_{false};
    std::uint64_t datagramSeq_ = 0; // receive thread only
    std::mt19937_64 spreadRng_;     // receive thread only

    std::mutex qm_;
    std::condition_variable qcv_;
    std::priority_queue<Scheduled, std::vector<Scheduled>, std::greater<>> queue_;
    std::uint64_t queueOrder_ = 0;
};

} // namespace aulira::sim
