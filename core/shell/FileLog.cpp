#include "shell/FileLog.h"
#include "util/PathText.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "shell/Log.h"
#include "shell/Strings.h"

namespace aulira {

namespace fs = std::filesystem;
using SysClock = std::chrono::system_clock;

namespace {

std::tm localTm(SysClock::time_point t)
{
    const std::time_t tt = SysClock::to_time_t(t);
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &tt);
#else
    localtime_r(&tt, &tm);
#endif
    return tm;
}

// Days since the epoch of a calendar date (proleptic Gregorian), for the
// age of a daily file.
long daysFromCivil(int y, int m, int d)
{
    using namespace std::chrono;
    return sys_days(year(y) / month(static_cast<unsigned>(m)) / day(static_cast<unsigned>(d)))
        .time_since_epoch()
        .count();
}

// The date in "auct-YYYY-MM-DD.log", or false for any other name.
bool parseDailyName(const std::string& name, int& y, int& m, int& d)
{
    if (name.size() != 19 || name.compare(0, 5, "auct-") != 0 || name.compare(15, 4, ".log") != 0 ||
        name[9] != '-' || name[12] != '-')
        return false;
    for (int i : {5, 6, 7, 8, 10, 11, 13, 14})
        if (name[static_cast<std::size_t>(i)] < '0' || name[static_cast<std::size_t>(i)] > '9')
            return false;
    y = std::stoi(name.substr(5, 4));
    m = std::stoi(name.substr(10, 2));
    d = std::stoi(name.substr(13, 2));
    return m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

std::string errnoText(int e) { return std::error_code(e, std::generic_category()).message(); }

long processId()
{
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<long>(::getpid());
#endif
}

} // namespace

fs::path logFolder(const fs::path& dataDir) { return dataDir / kLogFolderName; }

std::string FileLog::dailyFileName(SysClock::time_point t)
{
    const std::tm tm = localTm(t);
    char name[64];
    std::snprintf(name, sizeof name, "auct-%04d-%02d-%02d.log", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return name;
}

FileLog::FileLog(Options options) : options_(std::move(options))
{
    if (!options_.clock)
        options_.clock = [] { return SysClock::now(); };
    if (!options_.report)
        options_.report = [](const std::string& line) { OutputLog("%s", line.c_str()); };
    tag_ = options_.program + "[" + std::to_string(processId()) + "]";
    thread_ = std::thread([this] { run(); });
}

FileLog::~FileLog()
{
    if (token_)
        Log::instance().unsubscribe(token_);
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    closeFile();
}

void FileLog::attachToLog()
{
    if (!token_)
        token_ = Log::instance().subscribeArchive([this](const std::string& line) { add(line); });
}

void FileLog::add(const std::string& line)
{
    Entry e{options_.clock(), line};
    {
        std::lock_guard lock(mutex_);
        ++added_;
        if (queue_.size() >= options_.queueLimit) {
            ++dropped_;
            ++handled_;
            return;
        }
        queue_.push_back(std::move(e));
    }
    wake_.notify_one();
}

void FileLog::flush()
{
    std::unique_lock lock(mutex_);
    const auto target = added_;
    done_.wait(lock, [&] { return handled_ >= target; });
}

bool FileLog::failing() const
{
    std::lock_guard lock(mutex_);
    return failing_;
}

void FileLog::run()
{
    auto retryAt = std::chrono::steady_clock::time_point::max();
    for (;;) {
        std::deque<Entry> batch;
        std::size_t dropped = 0;
        bool failing = false;
        {
            std::unique_lock lock(mutex_);
            auto ready = [&] {
                return stop_ || !queue_.empty() || std::chrono::steady_clock::now() >= retryAt;
            };
            if (retryAt == std::chrono::steady_clock::time_point::max())
                wake_.wait(lock, ready);
            else
                wake_.wait_until(lock, retryAt, ready);
            batch.swap(queue_);
            dropped = dropped_;
            dropped_ = 0;
            failing = failing_;
            if (stop_ && batch.empty() && !failing)
                return;
        }
        const bool retryDue = std::chrono::steady_clock::now() >= retryAt;
        if (failing && !retryDue) {
            // Not tried again before its time: the lines are lost, and counted.
            lost_ += batch.size() + dropped;
        } else {
            std::string why;
            const bool ok = writeBatch(batch, dropped, why);
            if (!ok) {
                lost_ += batch.size() + dropped;
                retryAt = std::chrono::steady_clock::now() + options_.retryAfter;
                if (!failing) {
                    {
                        std::lock_guard lock(mutex_);
                        failing_ = true;
                    }
                    // Outside the lock: the report comes back here through the log.
                    options_.report("The log file " + pathToUtf8(openPath_) + " cannot be written (" + why +
                                    "); file logging stopped, it is tried again every " +
                                    std::to_string(options_.retryAfter.count() / 1000) + " s.");
                }
            } else if (failing) {
                retryAt = std::chrono::steady_clock::time_point::max();
                {
                    std::lock_guard lock(mutex_);
                    failing_ = false;
                }
                options_.report("The log file " + pathToUtf8(openPath_) + " is written again.");
            }
        }
        bool stop;
        {
            std::lock_guard lock(mutex_);
            handled_ += batch.size();
            stop = stop_ && queue_.empty();
        }
        done_.notify_all();
        if (stop)
            return;
    }
}

bool FileLog::writeBatch(const std::deque<Entry>& batch, std::size_t dropped, std::string& why)
{
    std::string text;
    auto note = [&](SysClock::time_point t, const std::string& what) { text += format({t, what}); };
    if (lost_ || dropped) {
        // Said first, so the gap shows where it was.
        const auto t = batch.empty() ? options_.clock() : batch.front().time;
        if (lost_)
            note(t, std::to_string(lost_) + " log lines could not be written to this file.");
        if (dropped)
            note(t, std::to_string(dropped) + " log lines were dropped: the file could not keep up.");
    }
    if (batch.empty() && text.empty()) {
        // A retry with nothing to say: see whether the file can be opened again.
        if (!openFor(options_.clock(), why))
            return false;
        return std::fflush(file_) == 0 || (why = errnoText(errno), closeFile(), false);
    }
    // One day's lines go to that day's file.
    std::size_t i = 0;
    while (i < batch.size() || !text.empty()) {
        const auto t = i < batch.size() ? batch[i].time : options_.clock();
        if (!openFor(t, why))
            return false;
        const fs::path path = openPath_;
        for (; i < batch.size() && target(batch[i].time) == path; ++i)
            text += format(batch[i]);
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
            why = errnoText(errno ? errno : EIO);
            closeFile();
            return false;
        }
        text.clear();
    }
    lost_ = 0;
    return true;
}

fs::path FileLog::target(SysClock::time_point t) const
{
    if (!options_.file.empty())
        return options_.file;
    return options_.folder / dailyFileName(t);
}

bool FileLog::openFor(SysClock::time_point t, std::string& why)
{
    const fs::path path = target(t);
    if (file_ && path == openPath_)
        return true;
    closeFile();
    openPath_ = path;
    if (options_.file.empty()) {
        std::error_code ec;
        fs::create_directories(options_.folder, ec);
        if (ec) {
            why = ec.message();
            return false;
        }
        // A new day's file: the old ones go.
        prune(t);
    }
#if defined(_WIN32)
    file_ = _wfopen(path.c_str(), L"ab");
#else
    file_ = std::fopen(path.c_str(), "ab");
#endif
    if (!file_) {
        why = errnoText(errno);
        return false;
    }
    return true;
}

void FileLog::closeFile()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void FileLog::prune(SysClock::time_point now)
{
    const std::tm tm = localTm(now);
    const long today = daysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::error_code ec;
    for (fs::directory_iterator it(options_.folder, ec), end; !ec && it != end; it.increment(ec)) {
        int y, m, d;
        if (!parseDailyName(pathToUtf8(it->path().filename()), y, m, d))
            continue;
        if (today - daysFromCivil(y, m, d) > options_.keepDays) {
            std::error_code rc;
            fs::remove(it->path(), rc);
        }
    }
}

std::string FileLog::format(const Entry& e) const
{
    const std::tm tm = localTm(e.time);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(e.time.time_since_epoch()).count() % 1000;
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
    return stamp + tag_ + ": " + oneLine(e.text) + "\n";
}

} // namespace aulira
