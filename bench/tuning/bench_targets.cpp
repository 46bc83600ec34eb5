#include "app/making/tuningmaking.h"
#include "model/scalespacemodel.h"
#include "tuning/notesetsearch.h"
#include "tuning/scale.h"
#include "tuning/searchthreads.h"
#include "tuning/weightedsearch.h"
#include "tuning/weightedtuning.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

// The built-in scale spaces as quillmere-tune tunes them by default: every note of one period
// and its repetition, Benedetti weights, attenuation 50, the cutoff of the dial. The search
// that tuneScale runs (on every core) against the path-weight search that it replaced, on every
// core within the same memory budget as before. Either is stopped after a time limit on the
// cases where it would run for many minutes; its time then reads as that limit and its
// "finished" counter as 0.

namespace {

struct Case {
    const char* name;
    std::vector<double> steps;
    int dial;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all{
        {"12edo dial 900",
         {16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32, 3.0 / 2, 8.0 / 5, 5.0 / 3,
          9.0 / 5, 15.0 / 8, 2.0},
         900},
        {"17edo dial 800",
         {25.0 / 24, 12.0 / 11, 9.0 / 8, 13.0 / 11, 11.0 / 9, 9.0 / 7, 4.0 / 3, 11.0 / 8, 13.0 / 9,
          3.0 / 2, 11.0 / 7, 13.0 / 8, 12.0 / 7, 7.0 / 4, 11.0 / 6, 27.0 / 14, 2.0},
         800},
        {"17edo dial 900", {}, 900},
        {"19edo dial 1000",
         {28.0 / 27, 15.0 / 14, 9.0 / 8, 7.0 / 6, 6.0 / 5, 5.0 / 4, 9.0 / 7, 4.0 / 3, 7.0 / 5,
          10.0 / 7, 3.0 / 2, 14.0 / 9, 8.0 / 5, 5.0 / 3, 7.0 / 4, 9.0 / 5, 15.0 / 8, 27.0 / 14,
          2.0},
         1000},
        {"22edo dial 1000",
         {std::pow(2.0, 1.0 / 22),
          17.0 / 16,
          11.0 / 10,
          9.0 / 8,
          7.0 / 6,
          6.0 / 5,
          5.0 / 4,
          9.0 / 7,
          4.0 / 3,
          11.0 / 8,
          7.0 / 5,
          16.0 / 11,
          3.0 / 2,
          14.0 / 9,
          8.0 / 5,
          5.0 / 3,
          12.0 / 7,
          7.0 / 4,
          11.0 / 6,
          15.0 / 8,
          std::pow(2.0, 21.0 / 22),
          2.0},
         1000},
    };
    return all;
}

// The request quillmere-tune makes for the case.
TuningRequest request(const int& index) {
    const Case& chosen = cases()[static_cast<std::size_t>(index)];
    // 17edo at dial 900 shares the steps of the case before it.
    const std::vector<double>& steps =
        chosen.steps.empty() ? cases()[static_cast<std::size_t>(index) - 1].steps : chosen.steps;
    SizePattern sizes;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        sizes.emplace_back(steps.begin(), steps.end() - static_cast<std::ptrdiff_t>(i));
    }
    ScaleSpace space(QString::fromLatin1(chosen.name), sizes);
    const int notes = static_cast<int>(steps.size()) + 1;
    ScaleSpaceModel model(&space);
    model.setRange(notes);
    const SizeToWeightFunction benedetti = populateWeightFunctionsMap()[0].second;
    model.setWeightFunction([benedetti](long double size) { return benedetti(size); });
    model.setAttenuation(50);
    TuningRequest made;
    made.pattern = makeNotesIntervalsPattern({}, model);
    made.cutoff = makeCutoff(notes, chosen.dial, 1000);
    return made;
}

std::unique_ptr<Scale> makeScale(const TuningRequest& made) {
    auto scale = std::make_unique<Scale>(made.pattern);
    scale->setWeightCutoff(made.cutoff);
    return scale;
}

// Times search(scale, flag) on a thread of its own per iteration, setting the flag after the
// limit in seconds (the second argument; the first is the case): the seconds each took, and
// the share of runs that finished by themselves.
template <typename Search> void timeWithLimit(benchmark::State& state, Search search) {
    const TuningRequest made = request(static_cast<int>(state.range(0)));
    const std::unique_ptr<Scale> scale = makeScale(made);
    const std::chrono::seconds limit(state.range(1));
    int finished = 0;
    for (auto _ : state) {
        std::atomic<bool> cancel(false);
        std::atomic<bool> ended(false);
        const auto started = std::chrono::steady_clock::now();
        std::thread worker([&] {
            search(*scale, cancel);
            ended = true;
        });
        while (!ended && std::chrono::steady_clock::now() - started < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        finished += ended ? 1 : 0;
        cancel = true;
        worker.join();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    state.SetLabel(cases()[static_cast<std::size_t>(state.range(0))].name);
    state.counters["finished"] = benchmark::Counter(finished, benchmark::Counter::kAvgIterations);
}

void BM_Target_Replaced(benchmark::State& state) {
    timeWithLimit(state, [](Scale& scale, std::atomic<bool>& cancel) {
        // At the dial's upper end both run the same pass over note sets.
        if (NoteSetSearch::applies(scale.searchInput())) {
            benchmark::DoNotOptimize(scale.tuneScale(cancel, [](int) {}));
            return;
        }
        benchmark::DoNotOptimize(tuneByPathWeights(
            scale.searchInput(), cancel, [](const int&) {}, {}, searchThreadCount(),
            std::size_t(192) << 20));
    });
}

// Also the longest time the work reports left the bar standing: from the start to the first,
// between two, and from the last to the end.
void BM_Target_Search(benchmark::State& state) {
    double longestGap = 0;
    timeWithLimit(state, [&longestGap](Scale& scale, std::atomic<bool>& cancel) {
        using Clock = std::chrono::steady_clock;
        Clock::time_point last = Clock::now();
        double gap = 0;
        const auto advanced = [&last, &gap] {
            const Clock::time_point now = Clock::now();
            gap = std::max(gap, std::chrono::duration<double>(now - last).count());
            last = now;
        };
        scale.setWorkCallback([&advanced](int) { advanced(); });
        benchmark::DoNotOptimize(scale.tuneScale(cancel, [](int) {}));
        advanced();
        longestGap = std::max(longestGap, gap);
    });
    state.counters["longest_gap_s"] = longestGap;
}

// The time from setting the flag, a while into the search (the second argument, in ms), until
// it returns: the search that tuneScale runs, or (third argument 1) the path-weight search, which
// still serves input whose logarithms do not stand for it.
void BM_Target_Cancellation(benchmark::State& state) {
    const TuningRequest made = request(static_cast<int>(state.range(0)));
    const std::unique_ptr<Scale> scale = makeScale(made);
    const bool pathWeights = state.range(2) == 1;
    for (auto _ : state) {
        std::atomic<bool> cancel(false);
        std::chrono::steady_clock::time_point returned;
        std::thread worker([&] {
            if (pathWeights) {
                tuneByPathWeights(
                    scale->searchInput(), cancel, [](const int&) {}, {}, searchThreadCount(),
                    std::size_t(192) << 20);
            } else {
                scale->tuneScale(cancel, [](int) {});
            }
            returned = std::chrono::steady_clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(1)));
        const auto flagged = std::chrono::steady_clock::now();
        cancel = true;
        worker.join();
        if (returned < flagged) {
            state.SkipWithError("the search ended before the flag was set");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(returned - flagged).count());
    }
    state.SetLabel(std::string(cases()[static_cast<std::size_t>(state.range(0))].name) +
                   (pathWeights ? ", path weights" : ""));
}

// Early (in the pilot searches), and into the search itself; the case of a tenth of a second
// only early.
void cancellationCases(benchmark::internal::Benchmark* benchmark) {
    for (int index = 0; index < static_cast<int>(cases().size()); ++index) {
        for (const int after : {30, 200}) {
            if (index != 3 || after == 30) {
                benchmark->Args({index, after, 0});
            }
        }
    }
    for (const int index : {0, 1, 2}) {
        benchmark->Args({index, 200, 1});
    }
    benchmark->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// The path-weight search alone with other memory budgets (MiB), and how often it forgot.
void BM_Target_Budget(benchmark::State& state) {
    const TuningRequest made = request(static_cast<int>(state.range(0)));
    const std::unique_ptr<Scale> scale = makeScale(made);
    std::uint64_t forgotten = 0;
    for (auto _ : state) {
        std::atomic<bool> cancel(false);
        WeightedSearch search(scale->searchInput(), cancel, std::size_t(state.range(1)) << 20);
        for (int note = 1; note <= static_cast<int>(made.pattern.size()); ++note) {
            benchmark::DoNotOptimize(search.tuneFromAllNotes(note));
        }
        forgotten = search.forgettings();
    }
    state.SetLabel(cases()[static_cast<std::size_t>(state.range(0))].name);
    state.counters["forgotten"] = static_cast<double>(forgotten);
}

// Every case with its limit in seconds: a few times the target, so that the replaced search's
// cases that finish in minutes are measured in full where the machine allows.
void casesWithLimits(benchmark::internal::Benchmark* benchmark) {
    for (const auto& [index, limit] :
         std::vector<std::pair<int, int>>{{0, 60}, {1, 120}, {2, 180}, {3, 120}, {4, 120}}) {
        benchmark->Args({index, limit});
    }
    benchmark->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Target_Replaced)->Apply(casesWithLimits);
BENCHMARK(BM_Target_Search)->Apply(casesWithLimits);
BENCHMARK(BM_Target_Budget)
    ->ArgsProduct({{0, 1}, {80, 160, 240}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Target_Cancellation)->Apply(cancellationCases);

BENCHMARK_MAIN();
