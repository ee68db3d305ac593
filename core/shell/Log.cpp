#include "shell/Log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <thread>

#include "shell/TextCodec.h"

namespace aulira {

Log& Log::instance()
{
    static Log log;
    return log;
}

struct Log::Holder {
    int token;
    Sink sink;
    bool archive = false;
    bool active = true;                 // guarded by Log::mutex_
    int inFlight = 0;                   // guarded by Log::mutex_
    std::vector<std::thread::id> callers; // guarded by Log::mutex_
};

void Log::holdUntilFirstSink()
{
    std::lock_guard lock(mutex_);
    holding_ = true;
}

int Log::subscribe(Sink sink)
{
    auto holder = std::make_shared<Holder>();
    holder->sink = std::move(sink);
    std::lock_guard replay(replayMutex_);
    for (;;) {
        std::vector<std::string> lines;
        {
            std::lock_guard lock(mutex_);
            if (!holding_ || held_.empty()) {
                // Lines written from here on reach the sink directly.
                holding_ = false;
                held_.clear();
                holder->token = nextToken_++;
                sinks_.push_back(holder);
                return holder->token;
            }
            lines.swap(held_);
        }
        // Outside the lock, as write() calls sinks; lines written meanwhile are
        // held and handed over in the next round, so the order stays.
        for (const auto& l : lines)
            holder->sink(l);
    }
}

int Log::subscribeArchive(Sink sink)
{
    auto holder = std::make_shared<Holder>();
    holder->sink = std::move(sink);
    holder->archive = true;
    std::vector<std::string> held;
    {
        std::lock_guard lock(mutex_);
        held = held_;
        holder->token = nextToken_++;
        sinks_.push_back(holder);
    }
    // An archive sink only queues the line, so a line written meanwhile
    // getting ahead of these is harmless.
    for (const auto& l : held)
        holder->sink(l);
    return holder->token;
}

void Log::unsubscribe(int token)
{
    std::unique_lock lock(mutex_);
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [token](const auto& h) { return h->token == token; });
    if (it == sinks_.end())
        return;
    auto holder = *it;
    sinks_.erase(it);
    holder->active = false;
    const auto self = std::this_thread::get_id();
    idle_.wait(lock, [&] {
        return holder->inFlight == 0 ||
               std::find(holder->callers.begin(), holder->callers.end(), self) != holder->callers.end();
    });
}

void Log::write(const std::string& line)
{
    std::vector<std::shared_ptr<Holder>> sinks;
    {
        std::lock_guard lock(mutex_);
        const bool onlyArchives =
            std::all_of(sinks_.begin(), sinks_.end(), [](const auto& h) { return h->archive; });
        if (holding_ && onlyArchives) {
            if (held_.size() < kMaxHeldLines)
                held_.push_back(line);
        }
        sinks = sinks_;
    }
    const auto self = std::this_thread::get_id();
    for (auto& h : sinks) {
        {
            std::lock_guard lock(mutex_);
            if (!h->active)
                continue;
            ++h->inFlight;
            h->callers.push_back(self);
        }
        h->sink(line);
        {
            std::lock_guard lock(mutex_);
            --h->inFlight;
            h->callers.erase(std::find(h->callers.begin(), h->callers.end(), self));
        }
        idle_.notify_all();
    }
}

namespace {
// Cuts UTF-8 text after maxChars code points without splitting a sequence.
void cutToChars(std::string& s, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) {
                s.resize(i);
                return;
            }
            ++chars;
        }
    }
}
// Control characters from device texts are shown as \xNN, never passed on
// raw; the line feeds some of the program's own texts end in stay.
std::string escapeLine(const std::string& line)
{
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\n' || line[i] == '\r') {
            out += escapeControls(std::string_view(line).substr(start, i - start));
            if (i < line.size())
                out += line[i];
            start = i + 1;
        }
    }
    return out;
}
} // namespace

void OutputLog(const char* format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0)
        return;
    const std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buf - 1);
    std::string line = escapeLine(validUtf8(std::string_view(buf, size)));
    cutToChars(line, kLogLineMaxChars);
    Log::instance().write(line);
}

std::vector<std::string> LogRecorder::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogRecorder::contains(const std::string& line) const { return count(line) > 0; }

std::size_t LogRecorder::count(const std::string& line) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
}

void LogRecorder::clear()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void LogRecorder::add(const std::string& l)
{
    std::lock_guard lock(mutex_);
    lines_.push_back(l);
}

} // namespace aulira
