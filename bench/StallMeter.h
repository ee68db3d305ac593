#pragma once
// The desktop app benchmarks' measure of a frozen window.
#include <QElapsedTimer>
#include <QTimer>

namespace aulira::bench {

// Records the longest gap between the ticks of a 1 ms timer: the longest time
// the event loop spent on something else.
class StallMeter {
public:
    StallMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        worst_ = 0;
        ticks_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    double worstMs() const { return worst_ / 1e6; }
    // When the longest stall ended, from start().
    double worstAtMs() const { return worstAt_ / 1e6; }
    long ticks() const { return ticks_; }

private:
    void tick()
    {
        const qint64 now = clock_.nsecsElapsed();
        if (now - last_ > worst_) {
            worst_ = now - last_;
            worstAt_ = now;
        }
        last_ = now;
        ++ticks_;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
    qint64 worstAt_ = 0;
    long ticks_ = 0;
};

} // namespace aulira::bench
