#include "tuning/scale.h"
#include "tuning/weightfunctions.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>

// The weighted search on the built-in "12edo" scale space: all 13 notes 0 ... 12 of one period
// and its repetition, Benedetti weights as the model hands them over (not normalised), at the
// cutoffs that the main window's dial gives for 13 notes.

namespace {

constexpr int noteCount = 13;

IntervalsPattern twelveEdoPattern() {
    const std::vector<long double> steps{16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3,  45.0 / 32,
                                         3.0 / 2,   8.0 / 5, 5.0 / 3, 9.0 / 5, 15.0 / 8, 2.0};
    SizePattern sizes;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        sizes.emplace_back(steps.begin(), steps.end() - static_cast<std::ptrdiff_t>(i));
    }
    const ScaleSpace space(QStringLiteral("12edo"), sizes);
    return makeIntervalsPattern(space, populateWeightFunctionsMap()[0].second, noteCount - 1);
}

long double dialCutoff(const int& dial) {
    const double exponent = 20 * std::pow((1024 - noteCount) / 1024.0, 20);
    return std::pow((1000 - dial) / 1000.0, exponent) / noteCount;
}

void runSearch(benchmark::State& state, const bool& unweighted) {
    Scale scale(twelveEdoPattern());
    scale.setWeightCutoff(dialCutoff(static_cast<int>(state.range(0))));
    scale.setUnweighted(unweighted);
    std::atomic<bool> cancel(false);
    for (auto _ : state) {
        benchmark::DoNotOptimize(scale.tuneScale(cancel, [](int) {}));
    }
    state.counters["cutoff"] = static_cast<double>(scale.getWeightCutoff());
}

// Baseline: the closed-form unweighted tuning of the same pattern.
void BM_UnweightedTuning_12edo(benchmark::State& state) {
    runSearch(state, true);
}

// The plain recursive weighted search (tuneNote -> traversePath).
void BM_WeightedSearch_Recursive_12edo(benchmark::State& state) {
    runSearch(state, false);
}

} // namespace

BENCHMARK(BM_UnweightedTuning_12edo)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeightedSearch_Recursive_12edo)
    ->Arg(500)
    ->Arg(700)
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
