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
// there are. `work` must not throw.
template <class Result, class Work, class Report>
void RunInOrder(std::size_t count, unsigned threads, std::size_t window, Work work, Report report) {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, Result> finished;
    std::size_t nextToStart = 0;
    std::size_t nextToReport = 0;
    window = std::max<std::size_t>(window, 1);

    const auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(
                lock, [&] { return nextToStart >= count || nextToStart < nextToReport + window; });
            if (nextToStart >= count) {
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
    std::vector<std::thread> pool;
    const unsigned poolSize = static_cast<unsigned>(
        std::min<std::size_t>(std::max(threads, 1u), std::max<std::size_t>(count, 1)));
    for (unsigned t = 0; t < poolSize; ++t) {
        pool.emplace_back(worker);
    }
    {
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
    for (std::thread& thread : pool) {
        thread.join();
    }
}
