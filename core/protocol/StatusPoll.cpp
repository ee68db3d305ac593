#include "protocol/StatusPoll.h"

#include <chrono>

#include "devices/DeviceList.h"
#include "protocol/Exchange.h"
#include "protocol/Timing.h"

namespace aulira {

std::atomic<bool> upgradeRunning{false};

StatusPoller::StatusPoller(DeviceList& list, LocalIps localIps, LocalSubnetTest isLocalSubnet, PollListener* listener)
    : list_(list), localIps_(std::move(localIps)), isLocalSubnet_(std::move(isLocalSubnet)), listener_(listener),
      request_(Packet::request(CMD_SEARCH, 0, kPollMark))
{
}

StatusPoller::~StatusPoller() { stop(); }

void StatusPoller::start()
{
    std::lock_guard lock(m_);
    if (thread_.joinable())
        return;
    stop_ = false;
    thread_ = std::thread([this] { run(); });
}

void StatusPoller::stop()
{
    std::thread t;
    {
        std::lock_guard lock(m_);
        stop_ = true;
        t = std::move(thread_);
    }
    wake_.notify_all();
    if (t.joinable())
        t.join();
}

bool StatusPoller::stopRequested() const
{
    std::lock_guard lock(m_);
    return stop_;
}

bool StatusPoller::pause(int ms)
{
    std::unique_lock lock(m_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
}

bool StatusPoller::pollPass()
{
    bool allOk = true;
    const std::vector<std::string> adapters = localIps_ ? localIps_() : std::vector<std::string>{};
    Packet reply;
    for (const DeviceItemPtr& item : list_.snapshot()) {
        std::uint32_t itemIp, recordIp, recordMask;
        {
            std::lock_guard lock(list_.mutex());
            if (item->searchOnly != 0)
                continue;
            itemIp = item->ip;
            recordIp = item->devItem.ip();
            recordMask = item->devItem.mask();
        }
        // Devices inside a local subnet are discovery's business.
        if (isLocalSubnet_ && isLocalSubnet_(recordIp, recordMask))
            continue;
        for (const std::string& adapter : adapters) {
            if (stopRequested())
                return allOk;
            Packet request = request_;
            const int result = ExchangeUnicast(adapter, itemIp, request, reply, 1);
            if (result == RES_OK)
                list_.applyPollReply(item, adapter, reply.payload());
            else
                allOk = false;
            if (listener_)
                listener_->onPollResult(item, adapter, result);
        }
    }
    return allOk;
}

void StatusPoller::run()
{
    for (;;) {
        const bool allOk = pollPass();
        while (upgradeRunning.load())
            if (!pause(protocolConfig().timing.pollUpgradeCheckMs))
                return;
        // A pass with silent devices was already paced by their time-outs.
        if (allOk ? !pause(protocolConfig().timing.pollIdleMs) : stopRequested())
            return;
    }
}

} // namespace aulira
