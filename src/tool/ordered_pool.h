// Independent work items run on a pool of threads, their results handed
// back in the order of the items whatever the order of completion.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Items made ahead of their use by a pool of `threads` threads (at least
// one), for a consumer that takes them one by one in the order of their index
// (a writer that asks for item i when it is ready for it). Items are started
// at most `window` ahead of the one taken last, so the results held at once
// stay bounded however many items there are. The threads live as long as the
// object, so what a thread keeps between items (buffers) is made once per
// thread. `work` must not throw. Destroying the object, also before every
// item is taken (the consumer failed), stops the pool: no further item is
// started, the threads finish the items they hold and are joined.
template <class Result> class OrderedPrefetch {
  public:
    OrderedPrefetch(std::size_t count, unsigned threads, std::size_t window,
                    std::function<Result(std::size_t)> work)
        : count_(count), window_(std::max<std::size_t>(window, 1)), work_(std::move(work)) {
        const std::size_t size =
            std::min<std::size_t>(std::max(threads, 1u), std::max<std::size_t>(count, 1));
        for (std::size_t t = 0; t < size; ++t) {
            pool_.emplace_back([this] { Work(); });
        }
    }
    ~OrderedPrefetch() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : pool_) {
            thread.join();
        }
    }
    OrderedPrefetch(const OrderedPrefetch&) = delete;
    OrderedPrefetch& operator=(const OrderedPrefetch&) = delete;

    // Item `index`: the one after the item taken last.
    Result Take(std::size_t index) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return finished_.contains(index); });
        auto node = finished_.extract(index);
        // The consumer holds `index` until it asks for the next one: the
        // window runs from here.
        nextToTake_ = index;
        changed_.notify_all();
        return std::move(node.mapped());
    }

  private:
    void Work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] {
                return stopping_ || nextToStart_ >= count_ || nextToStart_ < nextToTake_ + window_;
            });
            if (stopping_ || nextToStart_ >= count_) {
                return;
            }
            const std::size_t item = nextToStart_++;
            lock.unlock();
            Result result = work_(item);
            lock.lock();
            finished_.emplace(item, std::move(result));
            changed_.notify_all();
        }
    }

    const std::size_t count_;
    const std::size_t window_;
    const std::function<Result(std::size_t)> work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::size_t, Result> finished_;
    std::size_t nextToStart_ = 0;
    std::size_t nextToTake_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> pool_; // last: started once the rest is ready
};

// Runs `work(i)` for every i below `count` on `threads` threads and calls
// `report(i, result)` on the calling thread for i = 0, 1, ... in that order,
// with at most `window` items started ahead of the last one reported. When
// `report` throws, no further item is started, the threads finish the items
// they hold and are joined, and the exception goes on to the caller.
template <class Result, class Work, class Report>
void RunInOrder(std::size_t count, unsigned threads, std::size_t window, Work work, Report report) {
    OrderedPrefetch<Result> items(count, threads, window, std::move(work));
    for (std::size_t i = 0; i < count; ++i) {
        report(i, items.Take(i));
    }
}
