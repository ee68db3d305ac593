#pragma once
// What the main view does without its widgets: the local adapters, the device
// list and its file, and the search (save if changed, reload the saved list,
// one search thread per adapter address, completion when all have ended).
// The desktop app and auctl both drive this.
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devices/DeviceList.h"
#include "protocol/StatusPoll.h"

namespace aulira {

class DeviceManager {
public:
    explicit DeviceManager(std::filesystem::path dataDir);
    ~DeviceManager(); // stops the status poll, waits for running search threads

    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    // Reads the local adapters (all non-loopback ones, or exactly `requested`).
    // Returns 0 when the adapter information cannot be read.
    int initAdapters(const std::vector<std::string>& requested = {});
    // Uses the given adapter addresses and masks as they are (tests).
    void setAdapters(std::vector<std::string> ips, std::vector<std::string> masks);
    std::vector<std::string> localIps() const;
    std::vector<std::string> localMasks() const;
    bool isLocalSubnet(std::uint32_t ip, std::uint32_t mask) const;

    DeviceList& devices() { return list_; }
    const DeviceList& devices() const { return list_; }
    std::filesystem::path dataDirectory() const { return dataDir_; }
    std::filesystem::path deviceListPath() const;

    // Loads the saved list into an empty list (no network), under the data
    // folder's lock. A damaged or unreadable file is reported in the result
    // and kept for takeFileProblem().
    FileLoadReport loadSavedList();
    // Saves when the list changed, under the data folder's lock; a failure
    // (also a folder another program holds beyond the wait) is logged, the
    // change kept and the reason given in `error`.
    bool saveDeviceList(std::string* error = nullptr);
    // The message of the last load that found the file damaged or
    // unreadable, once; empty when there is none to tell.
    std::string takeFileProblem();
    // How long saves and loads wait for another program's hold on the data
    // folder; empty: as long as it takes. Default kDataLockWait.
    void setDataLockWait(std::optional<std::chrono::milliseconds> wait);
    static constexpr std::chrono::milliseconds kDataLockWait{5000};
    // What a load alone waits for the lock before it reads without it.
    static constexpr std::chrono::milliseconds kLoadLockWait{1000};

    enum class SearchStart { Started, NoAdapter, AlreadyRunning };
    SearchStart StartSearch();
    bool searching() const;
    // Blocks until the running search (if any) has ended.
    void waitSearchDone();
    // Called on the last search thread when a search ends, with the count
    // of online devices.
    void setSearchFinishedHandler(std::function<void(int found)> handler);

    // The status poll of saved devices outside the local subnets, on its own
    // thread until the manager goes; a second call restarts it with the new
    // listener.
    void startStatusPoll(PollListener* listener = nullptr);
    // One poll pass on the calling thread (auctl); true when every polled
    // device answered.
    bool pollOnce(PollListener* listener = nullptr);

private:
    void searchThreadDone();
    std::unique_ptr<StatusPoller> makePoller(PollListener* listener);

    std::optional<std::chrono::milliseconds> lockWait() const;
    FileLoadReport loadSavedListLocked();
    bool saveDeviceListLocked(std::string* error = nullptr);

    std::filesystem::path dataDir_;
    DeviceList list_;
    std::optional<std::chrono::milliseconds> lockWait_ = kDataLockWait;
    std::string fileProblem_;
    mutable std::mutex mutex_;
    std::condition_variable searchEnded_;
    std::vector<std::string> localIps_;
    std::vector<std::string> localMasks_;
    bool searching_ = false;
    int searchDone_ = 0;
    int searchThreads_ = 0;
    std::vector<std::thread> threads_;
    std::function<void(int)> onSearchFinished_;
    std::unique_ptr<StatusPoller> poller_; // after list_: stopped before the list goes
};

} // namespace aulira
