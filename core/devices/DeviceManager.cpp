#include "devices/DeviceManager.h"

#include <utility>

#include "protocol/Adapters.h"
#include "protocol/Discovery.h"
#include "shell/AppDir.h"
#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/DataLock.h"

namespace aulira {

DeviceManager::DeviceManager(std::filesystem::path dataDir) : dataDir_(std::move(dataDir))
{
    list_.setLocalSubnetTest([this](std::uint32_t ip, std::uint32_t mask) { return isLocalSubnet(ip, mask); });
}

DeviceManager::~DeviceManager()
{
    if (poller_)
        poller_->stop();
    waitSearchDone();
    for (auto& t : threads_)
        if (t.joinable())
            t.join();
}

int DeviceManager::initAdapters(const std::vector<std::string>& requested)
{
    std::vector<std::string> ips, masks;
    int ok = EnumLocalAdapters(ips, masks, requested);
    setAdapters(std::move(ips), std::move(masks));
    return ok;
}

void DeviceManager::setAdapters(std::vector<std::string> ips, std::vector<std::string> masks)
{
    std::lock_guard lock(mutex_);
    localIps_ = std::move(ips);
    localMasks_ = std::move(masks);
}

std::vector<std::string> DeviceManager::localIps() const
{
    std::lock_guard lock(mutex_);
    return localIps_;
}

std::vector<std::string> DeviceManager::localMasks() const
{
    std::lock_guard lock(mutex_);
    return localMasks_;
}

bool DeviceManager::isLocalSubnet(std::uint32_t ip, std::uint32_t mask) const
{
    std::lock_guard lock(mutex_);
    return IsLocalSubnet(localIps_, localMasks_, ip, mask) == 1;
}

std::filesystem::path DeviceManager::deviceListPath() const { return dataDir_ / kDeviceListFileName; }

void DeviceManager::setDataLockWait(std::optional<std::chrono::milliseconds> wait)
{
    std::lock_guard lock(mutex_);
    lockWait_ = wait;
}

std::optional<std::chrono::milliseconds> DeviceManager::lockWait() const
{
    std::lock_guard lock(mutex_);
    return lockWait_;
}

std::string DeviceManager::takeFileProblem()
{
    std::lock_guard lock(mutex_);
    return std::exchange(fileProblem_, {});
}

FileLoadReport DeviceManager::loadSavedList()
{
    // Reading needs no lock (saves replace the file whole); it keeps a
    // damaged file from being moved aside while another program saves, so a
    // read-only command waits for it only briefly, then reads anyway.
    auto wait = lockWait();
    if (!wait || *wait > kLoadLockWait)
        wait = kLoadLockWait;
    DataLock dataLock(dataDir_, wait);
    return loadSavedListLocked();
}

FileLoadReport DeviceManager::loadSavedListLocked()
{
    list_.clear();
    FileLoadReport report = list_.load(deviceListPath());
    if (report.failed()) {
        std::lock_guard lock(mutex_);
        fileProblem_ = report.message;
    }
    return report;
}

bool DeviceManager::saveDeviceList(std::string* error)
{
    if (!list_.listModified())
        return true;
    DataLock dataLock(dataDir_, lockWait());
    if (dataLock.busy()) {
        OutputLog("Failed to save the device list: %s", dataLock.error().c_str());
        if (error)
            *error = dataLock.error();
        return false;
    }
    return saveDeviceListLocked(error);
}

bool DeviceManager::saveDeviceListLocked(std::string* error)
{
    std::string why;
    if (list_.save(deviceListPath(), &why))
        return true;
    OutputLog("Failed to save the device list: %s", why.c_str());
    if (error)
        *error = std::move(why);
    return false;
}

DeviceManager::SearchStart DeviceManager::StartSearch()
{
    std::vector<std::string> adapters;
    {
        std::lock_guard lock(mutex_);
        if (localIps_.empty())
            return SearchStart::NoAdapter;
        if (searching_)
            return SearchStart::AlreadyRunning;
        searching_ = true; // claimed before the list is rebuilt, so no second search starts meanwhile
        searchDone_ = 0;
        adapters = localIps_;
        searchThreads_ = static_cast<int>(adapters.size());
    }
    // Threads of the previous search have all reported; reap them (a thread
    // that starts a search from its own completion handler cannot join itself).
    for (auto& t : threads_) {
        if (!t.joinable())
            continue;
        if (t.get_id() == std::this_thread::get_id())
            t.detach();
        else
            t.join();
    }
    threads_.clear();

    {
        // Save and reload under one hold, so no other program's save falls
        // between them. A list that could not be saved is not reloaded: that
        // would drop the changes the save was to keep; the entries in memory
        // are the saved list then.
        DataLock dataLock(dataDir_, lockWait());
        if (list_.listModified() && (dataLock.busy() || !saveDeviceListLocked())) {
            if (dataLock.busy())
                OutputLog("Failed to save the device list: %s", dataLock.error().c_str());
            list_.keepSavedOnly();
        } else {
            loadSavedListLocked();
        }
    }

    auto sink = [this](const std::string& adapter, ConstBytes datagram) {
        return list_.mergeSearchReply(adapter, datagram);
    };
    for (const auto& adapter : adapters)
        threads_.emplace_back([this, adapter, sink] {
            SearchThreadProc(adapter, sink);
            searchThreadDone();
        });
    return SearchStart::Started;
}

void DeviceManager::searchThreadDone()
{
    std::function<void(int)> handler;
    {
        std::lock_guard lock(mutex_);
        ++searchDone_;
        if (searchDone_ != searchThreads_)
            return;
        handler = onSearchFinished_;
    }
    const int found = list_.countOnline();
    OutputLog("%s:%d.", stringText(IDS_SEARCH_COMPLETED), found);
    {
        std::lock_guard lock(mutex_);
        searching_ = false;
        searchDone_ = 0;
    }
    searchEnded_.notify_all();
    if (handler)
        handler(found);
}

bool DeviceManager::searching() const
{
    std::lock_guard lock(mutex_);
    return searching_;
}

void DeviceManager::waitSearchDone()
{
    std::unique_lock lock(mutex_);
    searchEnded_.wait(lock, [this] { return !searching_; });
}

void DeviceManager::setSearchFinishedHandler(std::function<void(int)> handler)
{
    std::lock_guard lock(mutex_);
    onSearchFinished_ = std::move(handler);
}

std::unique_ptr<StatusPoller> DeviceManager::makePoller(PollListener* listener)
{
    return std::make_unique<StatusPoller>(
        list_, [this] { return localIps(); },
        [this](std::uint32_t ip, std::uint32_t mask) { return isLocalSubnet(ip, mask); }, listener);
}

void DeviceManager::startStatusPoll(PollListener* listener)
{
    if (poller_)
        poller_->stop();
    poller_ = makePoller(listener);
    poller_->start();
}

bool DeviceManager::pollOnce(PollListener* listener) { return makePoller(listener)->pollPass(); }

} // namespace aulira
