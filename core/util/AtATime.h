#pragma once
// Running the same job for many devices, a few at a time. With one at a time
// everything runs on the calling thread, in order, exactly as a plain loop.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace aulira {

// Calls work(i) for every i below count, at most `atATime` at once, and
// returns when all have returned. work must be safe to call concurrently.
template <typename Work>
void runAtATime(std::size_t count, int atATime, Work&& work)
{
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(atATime, 1)), count);
    if (n <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::jthread> threads;
    threads.reserve(n);
    for (std::size_t t = 0; t < n; ++t)
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < count; i = next++)
                work(i);
        });
}

// As runAtATime, and then done(i) on the calling thread in index order, each
// as soon as work(0..i) have all returned: results are reported in the order
// a one-at-a-time run reports them.
template <typename Work, typename Done>
void runAtATimeInOrder(std::size_t count, int atATime, Work&& work, Done&& done)
{
    if (atATime <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
            done(i);
        }
        return;
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<char> finished(count, 0);
    std::jthread runner([&] {
        runAtATime(count, atATime, [&](std::size_t i) {
            work(i);
            std::lock_guard lock(m);
            finished[i] = 1;
            cv.notify_all();
        });
    });
    for (std::size_t i = 0; i < count; ++i) {
        {
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return finished[i] != 0; });
        }
        done(i);
    }
}

} // namespace aulira
