#include "tuning/plainsearch.h"
#include "tuning/scale.h"
#include "tuning/searchthreads.h"
#include "tuning/splitsearch.h"
#include "tuning/weightedtuning.h"
#include "tuning/weightfunctions.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numeric>
#include <thread>

// The weighted search on the built-in "12edo" scale space: all 13 notes 0 ... 12 of one period
// and its repetition, Benedetti weights as the model hands them over (not normalised), at the
// cutoffs that the main window's dial gives for 13 notes. The plain recursion (traversePath
// for every note) is the baseline of the search that tuneScale runs.

namespace {

constexpr int twelveEdoNotes = 13;

// Notes 0 ... range of "12edo", as the window would take them with that range.
IntervalsPattern twelveEdoPattern(const int& range) {
    const std::vector<long double> steps{16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3,  45.0 / 32,
                                         3.0 / 2,   8.0 / 5, 5.0 / 3, 9.0 / 5, 15.0 / 8, 2.0};
    SizePattern sizes;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        sizes.emplace_back(steps.begin(), steps.end() - static_cast<std::ptrdiff_t>(i));
    }
    const ScaleSpace space(QStringLiteral("12edo"), sizes);
    return makeIntervalsPattern(space, populateWeightFunctionsMap()[0].second, range);
}

long double dialCutoff(const int& dial, const int& noteCount) {
    const double exponent = 20 * std::pow((1024 - noteCount) / 1024.0, 20);
    return std::pow((1000 - dial) / 1000.0, exponent) / noteCount;
}

// Baseline: the closed-form unweighted tuning of the same pattern.
void BM_UnweightedTuning_12edo(benchmark::State& state) {
    Scale scale(twelveEdoPattern(twelveEdoNotes - 1));
    scale.setUnweighted(true);
    std::atomic<bool> cancel(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(scale.tuneScale(cancel, [](int) {}));
    }
}

// The plain recursive weighted search (traversePath for every note), with the largest relative
// difference of the fast search's tuning from it.
void BM_WeightedSearch_Recursive_12edo(benchmark::State& state) {
    Scale scale(twelveEdoPattern(twelveEdoNotes - 1));
    scale.setWeightCutoff(dialCutoff(static_cast<int>(state.range(0)), twelveEdoNotes));
    std::atomic<bool> cancel(false);
    std::vector<long double> plain;
    for (auto _ : state) {
        plain = plainTuning(scale.searchInput(), cancel);
        benchmark::DoNotOptimize(plain);
    }
    const std::vector<long double> fast = scale.tuneScale(cancel, [](int) {});
    long double difference = 0;
    for (std::size_t note = 0; note < plain.size(); ++note) {
        difference = std::max(difference, std::fabs(fast[note] - plain[note]) / plain[note]);
    }
    state.counters["cutoff"] = static_cast<double>(scale.getWeightCutoff());
    state.counters["difference"] = static_cast<double>(difference);
}

// The search that tuneScale runs, with the depth of its split, the weights it filed and the
// states they were filed under (for the note that filed the most).
void BM_WeightedSearch_Fast_12edo(benchmark::State& state) {
    Scale scale(twelveEdoPattern(twelveEdoNotes - 1));
    scale.setWeightCutoff(dialCutoff(static_cast<int>(state.range(0)), twelveEdoNotes));
    std::atomic<bool> cancel(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(scale.tuneScale(cancel, [](int) {}));
    }
    state.counters["cutoff"] = static_cast<double>(scale.getWeightCutoff());
    if (scale.getWeightCutoff() > 0) {
        SplitSearch search(scale.searchInput(), cancel);
        std::vector<int> notes(twelveEdoNotes);
        std::iota(notes.begin(), notes.end(), 0);
        search.tune(notes, searchThreadCount(), nullptr, [] {});
        state.counters["filed"] = static_cast<double>(search.filedWeights());
        state.counters["states"] = static_cast<double>(search.states());
    }
}

// The path-weight search that the split search replaced, on every core as tuneScale ran it.
void BM_WeightedSearch_PathWeights_12edo(benchmark::State& state) {
    Scale scale(twelveEdoPattern(twelveEdoNotes - 1));
    scale.setWeightCutoff(dialCutoff(static_cast<int>(state.range(0)), twelveEdoNotes));
    std::atomic<bool> cancel(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tuneByPathWeights(
            scale.searchInput(), cancel, [](const int&) {}, {}, searchThreadCount(),
            std::size_t(192) << 20));
    }
}

// With the dial at 1000 (cutoff 0) on a table far too large to finish: the time from setting
// the flag until tuneScale returns, including giving back what the search remembered.
// Arguments: the range of "12edo" (range + 1 notes, as the window builds the table) and how long
// the search runs before the flag is set.
void BM_CancellationLatency(benchmark::State& state) {
    const int range = static_cast<int>(state.range(0));
    const IntervalsPattern pattern = twelveEdoPattern(range);
    const auto runFor = std::chrono::milliseconds(state.range(1));
    int cancelledRuns = 0;
    for (auto _ : state) {
        Scale scale(pattern);
        scale.setWeightCutoff(0);
        std::atomic<bool> cancel(false);
        int lastReport = -1;
        std::chrono::steady_clock::time_point returned;
        std::thread worker([&] {
            scale.tuneScale(cancel, [&lastReport](int percent) { lastReport = percent; });
            returned = std::chrono::steady_clock::now();
        });
        std::this_thread::sleep_for(runFor);
        const auto flagged = std::chrono::steady_clock::now();
        cancel = true;
        worker.join();
        state.SetIterationTime(std::chrono::duration<double>(returned - flagged).count());
        cancelledRuns += lastReport == 0 ? 1 : 0;
    }
    // 1 when every run was still searching when the flag was set, as it must be.
    state.counters["cancelled"] =
        benchmark::Counter(cancelledRuns, benchmark::Counter::kAvgIterations);
}

double largest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

} // namespace

BENCHMARK(BM_UnweightedTuning_12edo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeightedSearch_Recursive_12edo)
    ->Arg(500)
    ->Arg(700)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeightedSearch_Fast_12edo)
    ->Arg(500)
    ->Arg(700)
    ->Arg(800)
    ->Arg(900)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeightedSearch_PathWeights_12edo)
    ->Arg(500)
    ->Arg(700)
    ->Arg(800)
    ->Arg(900)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CancellationLatency)
    ->Args({24, 200})
    ->Args({24, 3000})
    ->Args({1024, 200})
    ->Args({1024, 2000})
    ->Iterations(1)
    ->UseManualTime()
    ->ComputeStatistics("max", largest)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
