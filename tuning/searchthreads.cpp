#include "tuning/searchthreads.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Often enough for a progress bar and for handing over per-note results promptly.
constexpr std::chrono::milliseconds tickInterval(50);

} // namespace

int WorkCounter::parts() const {
    if (expected == 0) {
        return 0;
    }
    const std::uint64_t counted = std::min(done.load(std::memory_order_relaxed), expected);
    return std::min(workParts - 1, static_cast<int>(workParts * static_cast<long double>(counted) /
                                                    static_cast<long double>(expected)));
}

int searchThreadCount() {
    return std::max(1, QThread::idealThreadCount());
}

void runOnThreads(const int& threads, const std::function<void(const int&)>& work,
                  const std::function<void()>& tick) {
    std::mutex mutex;
    std::condition_variable ended;
    int running = threads;
    std::exception_ptr failure;
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int index = 0; index < threads; ++index) {
        pool.emplace_back([&, index] {
            std::exception_ptr thrown;
            try {
                work(index);
            } catch (...) {
                thrown = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(mutex);
            if (thrown && !failure) {
                failure = thrown;
            }
            --running;
            ended.notify_all();
        });
    }
    // The threads refer to this frame: they are waited for even when tick throws.
    std::exception_ptr tickFailure;
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            if (!ended.wait_for(lock, tickInterval, [&running] { return running == 0; }) &&
                !tickFailure) {
                lock.unlock();
                try {
                    tick();
                } catch (...) {
                    tickFailure = std::current_exception();
                }
                lock.lock();
            }
        }
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (tickFailure) {
        std::rethrow_exception(tickFailure);
    }
}
