#pragma once
// The operation log on disk: every log line, with its time and the program
// that wrote it, appended to a file by a thread of its own, so no device
// thread ever waits for the disk. By default one file a day in the data
// folder's logs/ (auct-YYYY-MM-DD.log, local date; files older than
// kLogKeepDays days are removed), or one named file. A file that cannot be
// written does not stop the program: it is reported once, lines are dropped
// (and counted) meanwhile, and the file is tried again later.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace aulira {

inline constexpr int kLogKeepDays = 30;
inline constexpr std::size_t kFileLogQueueLimit = 10000;
inline constexpr std::chrono::milliseconds kFileLogRetry{60000};
inline constexpr const char* kLogFolderName = "logs";

// The folder of the daily log files inside a data folder.
std::filesystem::path logFolder(const std::filesystem::path& dataDir);

class FileLog {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    struct Options {
        std::string program{};          // stands in every line: "auct", "auctl", "auct-devsim"
        std::filesystem::path folder{}; // daily files here ...
        std::filesystem::path file{};   // ... or, when set, this one file
        Clock clock{};                  // the time stamps and the day; default: the system clock
        std::chrono::milliseconds retryAfter = kFileLogRetry;
        std::size_t queueLimit = kFileLogQueueLimit;
        int keepDays = kLogKeepDays;
        // Told, once each, when the file stops being written and when it is
        // written again; default: the operation log.
        std::function<void(const std::string&)> report{};
    };

    explicit FileLog(Options options);
    // Writes what is queued, then ends the thread.
    ~FileLog();
    FileLog(const FileLog&) = delete;
    FileLog& operator=(const FileLog&) = delete;

    // Hands every line of the operation log to this file from now on (the
    // lines held for the first display included).
    void attachToLog();

    // Queues one line; never waits for the disk. A full queue drops the line
    // (the file says how many were dropped).
    void add(const std::string& line);
    // Waits until every line added before the call is written or dropped.
    void flush();
    // True while the file cannot be written.
    bool failing() const;

    // "auct-YYYY-MM-DD.log" for the local date of t.
    static std::string dailyFileName(std::chrono::system_clock::time_point t);

private:
    struct Entry {
        std::chrono::system_clock::time_point time;
        std::string text;
    };
    void run();
    // Writes the batch; false (with the reason) when the file failed.
    bool writeBatch(const std::deque<Entry>& batch, std::size_t dropped, std::string& why);
    bool openFor(std::chrono::system_clock::time_point t, std::string& why);
    void closeFile();
    void prune(std::chrono::system_clock::time_point now);
    std::string format(const Entry& e) const;
    std::filesystem::path target(std::chrono::system_clock::time_point t) const;

    Options options_;
    std::string tag_; // "program[pid]"

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Entry> queue_;
    std::size_t dropped_ = 0;   // lines not queued since the last write
    std::uint64_t added_ = 0;   // lines added or dropped so far
    std::uint64_t handled_ = 0; // of those, written or given up
    bool stop_ = false;
    bool failing_ = false;

    // The writer thread's own.
    std::FILE* file_ = nullptr;
    std::filesystem::path openPath_;
    std::size_t lost_ = 0; // lines not written while failing

    int token_ = 0;
    std::thread thread_;
};

} // namespace aulira
