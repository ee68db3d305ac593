#pragma once
// The data folder's lock: an advisory lock on the file "auct.lock" in the
// folder, held by whoever loads, changes and saves its files (auctl and the
// desktop app alike), so two programs on one folder never lose each other's
// changes or mix their saves. The lock belongs to the process: taking it
// again, on any thread, while the process holds it returns at once (one
// process keeps one copy of each list, under its own mutexes), so a thread
// that saves while another holds the lock can never wait on it.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace aulira {

inline constexpr const char* kDataLockFileName = "auct.lock";

class DataLock {
public:
    // Waits for the lock: without limit when `wait` is empty, else at most
    // that long. `waiting` is called once when another holder makes us wait.
    explicit DataLock(const std::filesystem::path& dataDir,
                      std::optional<std::chrono::milliseconds> wait = std::nullopt,
                      const std::function<void()>& waiting = {});
    ~DataLock();
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

    // False when the wait ran out, or the lock file could not be opened
    // (a folder that cannot be written to; its saves then fail on their own).
    bool held() const { return held_; }
    // Not held because another holder kept it beyond the wait.
    bool busy() const { return busy_; }
    const std::string& error() const { return error_; }

private:
    std::string key_;
    bool held_ = false;
    bool busy_ = false;
    std::string error_;
};

} // namespace aulira
