// Independent work items run on a pool of threads, their results handed
// back in the order of the items whatever the order of completion.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
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

// Items made ahead of their use, on threads of their own, for a consumer that
// takes them one by one in the order of their index (a writer that asks for
// item i when it is ready for it): while it works on one item, the next
// `threads` are being made. An exception of `work` reaches the one who takes
// that item.
template <class Result> class OrderedPrefetch {
  public:
    OrderedPrefetch(std::size_t count, unsigned threads, std::function<Result(std::size_t)> work)
        : count_(count), work_(std::move(work)) {
        for (unsigned t = 0; t < std::max(threads, 1u); ++t) {
            StartNext();
        }
    }
    // Waits for the items still being made.
    ~OrderedPrefetch() = default;
    OrderedPrefetch(const OrderedPrefetch&) = delete;
    OrderedPrefetch& operator=(const OrderedPrefetch&) = delete;

    // Item `index`, the one after the item taken last.
    Result Take(std::size_t index) {
        (void)index; // taken in order: the oldest item running is this one
        std::future<Result> item = std::move(running_.front());
        running_.pop_front();
        StartNext();
        return item.get();
    }

  private:
    void StartNext() {
        if (started_ < count_) {
            running_.push_back(std::async(std::launch::async, work_, started_++));
        }
    }

    std::size_t count_;
    std::size_t started_ = 0;
    std::function<Result(std::size_t)> work_;
    std::deque<std::future<Result>> running_;
};
