#pragma once
// The operation log. Any thread writes one-line messages with OutputLog; every
// front end subscribes a sink (the desktop pane, the CLI's stderr, a test's
// recorder). A line written while nobody listens is dropped, unless the front
// end asked to hold such lines for the sink it attaches later (the desktop
// app's start-up lines come before its log pane exists).
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace aulira {

inline constexpr std::size_t kLogLineMaxChars = 249;

class Log {
public:
    using Sink = std::function<void(const std::string& line)>;

    static Log& instance();

    // Returns a token for unsubscribe().
    int subscribe(Sink sink);
    // A sink that keeps every line (the log file): it also gets the lines
    // held for the first sink, starting with those held now, and does not end
    // the holding, so the first display sink still receives them.
    int subscribeArchive(Sink sink);
    // After it returns the sink is not running and will not be called again
    // (unless called from inside that same sink).
    void unsubscribe(int token);

    // From now until the next subscribe(), lines written while no sink is
    // subscribed are kept (at most kMaxHeldLines) and handed to that sink, in
    // order, before any later line.
    void holdUntilFirstSink();
    static constexpr std::size_t kMaxHeldLines = 2000;

    // Hands the line to every sink and returns after they took it. Sinks are
    // called without the registry lock held, so a sink may itself log or wait
    // for another thread that logs; a sink must be safe to call from any thread.
    void write(const std::string& line);

private:
    struct Holder;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::vector<std::shared_ptr<Holder>> sinks_;
    int nextToken_ = 1;
    bool holding_ = false;
    std::vector<std::string> held_;
    std::mutex replayMutex_; // one subscribe() hands over the held lines at a time
};

// printf-style; the text is cut to kLogLineMaxChars characters (UTF-8 aware).
void OutputLog(const char* format, ...)
#if defined(__MINGW32__)
    // MinGW's C++ runtime formats as C99 does (%zu, %lld), not as msvcrt.
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Keeps a sink subscribed for its own lifetime.
class LogSubscription {
public:
    explicit LogSubscription(Log::Sink sink) : token_(Log::instance().subscribe(std::move(sink))) {}
    ~LogSubscription() { Log::instance().unsubscribe(token_); }
    LogSubscription(const LogSubscription&) = delete;
    LogSubscription& operator=(const LogSubscription&) = delete;

private:
    int token_;
};

// Collects log lines (tests, and callers that print them later).
class LogRecorder {
public:
    LogRecorder() : sub_([this](const std::string& l) { add(l); }) {}
    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    std::size_t count(const std::string& line) const;
    void clear();

private:
    void add(const std::string& l);
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    LogSubscription sub_;
};

} // namespace aulira
