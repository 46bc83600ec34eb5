#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// The work of a search is reported in millionths: fine enough that the report of a search of
// many minutes moves every couple of seconds, although the work of its first levels is counted
// evenly while their first paths take longest, and that a search of hours has moved within its
// first second, so that its length can be told from the first report.
constexpr int workParts = 1000000;

// Work counted by the searching threads against the work expected, read by the thread that
// waits for them.
class WorkCounter {
public:
    explicit WorkCounter(const std::uint64_t& expected) : expected(expected) {}
    void add(const std::uint64_t& units) { done.fetch_add(units, std::memory_order_relaxed); }
    // Whole percentages of the work expected; 99 at most, since the caller still has the
    // result to hand over when every unit is done.
    int percent() const { return parts() * 100 / workParts; }
    // The same in millionths (workParts); workParts - 1 at most.
    int parts() const;

private:
    std::atomic<std::uint64_t> done{0};
    std::uint64_t expected;
};

// The threads a long search uses: as many as the machine has cores.
int searchThreadCount();

// Runs work(0), ..., work(threads - 1) on threads of their own and calls tick on this thread
// every few tens of milliseconds until all have returned. An exception that a thread or tick
// throws is thrown again here once all have returned; tick is not called again after throwing.
void runOnThreads(const int& threads, const std::function<void(const int&)>& work,
                  const std::function<void()>& tick);
