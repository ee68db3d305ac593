#pragma once
// The protocol worker: one thread that runs parameter, MAC, address-book and
// group jobs one at a time, in the order they were posted. Results go to a
// WorkerListener, called synchronously on the worker thread; a GUI hands them
// to its own thread with a blocking call, so the worker waits until the view
// has taken a result before it starts the next job.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "devices/DeviceItem.h"
#include "protocol/Packet.h"
#include "protocol/ParaReadBack.h"

namespace aulira {

class DeviceList;

// How a MAC change ended, for every front end to show.
enum class MacChangeOutcome {
    Done,         // the device answers to the new MAC with the record written
    Failed,       // nothing changed, or the device still answers to its old MAC
    NotConfirmed, // written and applied, but neither MAC answers: search for the device
};

struct MacChangeResult {
    MacChangeOutcome outcome = MacChangeOutcome::Failed;
    int result = RES_OK; // the step's RES_* code; RES_OK when done
    MacBytes answersTo{}; // the MAC the entry now shows (and later jobs use)
};

// "done", "failed", "not confirmed": as JSON and scripts see it.
const char* macChangeOutcomeName(MacChangeOutcome outcome);
// One sentence for a person, in the program's language.
std::string macChangeResultText(const MacChangeResult& r);

class WorkerListener {
public:
    virtual ~WorkerListener() = default;
    virtual void onReadParaDone(const DeviceItemPtr&, int /*result*/) {}
    // After a parameter write, and after a successful MAC change (result 0).
    virtual void onWriteParaDone(const DeviceItemPtr&, int /*result*/) {}
    // A MAC change that failed at any step; the shown MAC is back to the old one.
    virtual void onWriteMacFailed(const DeviceItemPtr&, int /*result*/) {}
    // Every MAC change ends here too (after the call above), whatever its outcome.
    virtual void onMacChangeDone(const DeviceItemPtr&, const MacChangeResult&) {}
    virtual void onBookDownloaded(int /*result*/) {}
    virtual void onBookCleared(int /*result*/) {}
    virtual void onGroupProgress(int /*percent*/) {}
    virtual void onGroupDownloaded() {}
};

class ProtocolWorker {
public:
    explicit ProtocolWorker(DeviceList& list, WorkerListener* listener = nullptr);
    // Lets the running job finish, drops the queued ones and joins the thread.
    ~ProtocolWorker();

    ProtocolWorker(const ProtocolWorker&) = delete;
    ProtocolWorker& operator=(const ProtocolWorker&) = delete;

    void setListener(WorkerListener* listener);

    // When on, a parameter write and a MAC change are confirmed after the
    // apply: the record is read back (by the new MAC after a MAC change) and
    // the bytes the write changed are compared. A device that answers without
    // them is sent write and apply again (protocolConfig().retries times at
    // most), then reported RES_NOT_TAKEN; one that does not answer is logged
    // "written but not confirmed" and reported RES_NOT_CONFIRMED. Off by default.
    void setConfirmWrites(bool on) { confirm_ = on; }
    // Before a MAC change overwrites a device's record, the record as read is
    // kept as a backup in this data folder; no backup, no write. Empty: none.
    void setBackupDirectory(std::filesystem::path dir)
    {
        std::lock_guard lock(backupMutex_);
        backupDir_ = std::move(dir);
    }
    // For routines that report progress themselves (group download).
    WorkerListener* listener() const;

    void postReadPara(DeviceItemPtr item);
    void postWritePara(DeviceItemPtr item);
    // The item carries the new MAC in devItem and the one the device still
    // answers to in oldMac.
    void postWriteMac(DeviceItemPtr item);

    // The routines run on the worker thread in queue order; their result goes
    // to onBookDownloaded / onBookCleared, and onGroupDownloaded follows the
    // group routine.
    void postDownloadBook(DeviceItemPtr item, std::function<int()> routine);
    void postClearBook(DeviceItemPtr item, std::function<int()> routine);
    void postDownloadGroup(std::function<void()> routine);

    // Blocks until the queue is empty and no job runs. Not from a listener
    // or a routine (the worker would wait for itself).
    void waitIdle();

private:
    enum class JobKind { ReadPara, WritePara, WriteMac, DownloadBook, ClearBook, DownloadGroup };
    struct Job {
        JobKind kind;
        DeviceItemPtr item;
        std::function<int()> routine;
        std::function<void()> groupRoutine;
    };

    void post(Job job);
    void run();
    void runJob(const Job& job);
    void readPara(const DeviceItemPtr& item);
    void writePara(const DeviceItemPtr& item);
    void writeMac(const DeviceItemPtr& item);
    void macChangeFailed(const DeviceItemPtr& item, const MacBytes& oldMac, int result);
    void macChangeEnded(const DeviceItemPtr& item, const MacChangeResult& r);
    void logNotConfirmed(const DeviceItemPtr& item, int result);

    DeviceList& list_;

    mutable std::mutex m_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::atomic<bool> confirm_{false};
    std::mutex backupMutex_;
    std::filesystem::path backupDir_;
    WorkerListener* listener_ = nullptr;

    // One reply buffer for the worker's whole life; only the worker thread touches it.
    Packet reply_;

    std::thread thread_; // last: starts after everything above exists
};

} // namespace aulira
