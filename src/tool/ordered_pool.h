// Independent work items run on a pool of threads, their results handed
// back in the order of the items whatever the order of completion.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Runs `work(i)` for every i below `count` on `threads` threads (at least
// one) and calls `report(i, result)` on the calling thread for i = 0, 1, ...
// in that order. At most `window` items are started ahead of the last one
// reported, so the results held at once stay bounded however many items
// there are. `work` must not throw. When `report` throws, no further item is
// started, the threads finish the items they hold and are joined, and the
// exception goes on to the caller.
template <class Result, class Work, class Report>
void RunInOrder(std::size_t count, unsigned threads, std::size_t window, Work work, Report report) {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, Result> finished;
    std::size_t nextToStart = 0;
    std::size_t nextToReport = 0;
    bool stopping = false;
    window = std::max<std::size_t>(window, 1);

    const auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] {
                return stopping || nextToStart >= count || nextToStart < nextToReport + window;
            });
            if (stopping || nextToStart >= count) {
                return;
            }
            const std::size_t item = nextToStart++;
            lock.unlock();
            Result result = work(item);
            lock.lock();
            finished.emplace(item, std::move(result));
            changed.notify_all();
        }
    };
    // Joins the pool on every way out of this function, a throwing report
    // included: a thread left joinable at its destruction ends the process.
    struct Pool {
        std::vector<std::thread> threads;
        std::mutex& mutex;
        std::condition_variable& changed;
        bool& stopping;
        ~Pool() {
            {
                const std::lock_guard lock(mutex);
                stopping = true;
            }
            changed.notify_all();
            for (std::thread& thread : threads) {
                thread.join();
            }
        }
    } pool{{}, mutex, changed, stopping};
    const unsigned poolSize = static_cast<unsigned>(
        std::min<std::size_t>(std::max(threads, 1u), std::max<std::size_t>(count, 1)));
    for (unsigned t = 0; t < poolSize; ++t) {
        pool.threads.emplace_back(worker);
    }
    std::unique_lock lock(mutex);
    while (nextToReport < count) {
        changed.wait(lock, [&] { return finished.contains(nextToReport); });
        auto node = finished.extract(nextToReport);
        lock.unlock();
        report(nextToReport, std::move(node.mapped()));
        lock.lock();
        ++nextToReport;
        changed.notify_all();
    }
}
