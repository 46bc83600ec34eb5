#include "app/making/searchclock.h"
#include "app/making/tuningmaking.h"
#include "app/shared/storageconstants.h"
#include "core/scalespace.h"
#include "model/scalespacemodel.h"
#include "storage/dbmanager.h"
#include "tuning/searchthreads.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

// How well the start of a search foretells its length: the estimate that the progress bar and
// the status line show (the work done so far, extrapolated) after 1 s of the search, against
// the time it really took. The built-in scale spaces as quillmere-tune tunes them by default:
// every note of a period and its repetition, Benedetti weights, attenuation 50. Arguments: the
// built-in's index (2 = 12edo ... 5 = 19edo), the dial, and a limit in seconds after which the
// run is cancelled ("finished" 0; its real time then reads as the limit).

namespace {

TuningRequest request(const int& index, const int& dial) {
    ScaleSpace space(defaultScaleSpaces.at(index), dbManager::builtInPattern(index));
    ScaleSpaceModel model(&space);
    model.setRange(space.noteCount() + 1);
    const SizeToWeightFunction benedetti = populateWeightFunctionsMap()[0].second;
    model.setWeightFunction([benedetti](long double size) { return benedetti(size); });
    model.setAttenuation(50);
    return makeTuningRequest({{}, QStringLiteral("Benedetti"), dial, 1000}, model);
}

void BM_Estimate(benchmark::State& state) {
    const TuningRequest made =
        request(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const qint64 limit = state.range(2) * 1000;
    double real = 0;
    std::optional<double> estimate;
    std::optional<double> lastEstimate;
    bool finished = false;
    for (auto _ : state) {
        std::atomic<bool> cancel(false);
        std::atomic<bool> ended(false);
        std::vector<std::pair<qint64, int>> reports;
        QElapsedTimer clock;
        clock.start();
        // The callbacks run on the search's thread; the reports are read once it has joined.
        std::thread worker([&] {
            // A stopped search still reports its notes as done: those reports say nothing.
            const auto report = [&](int parts) {
                if (!cancel) {
                    reports.emplace_back(clock.elapsed(), parts);
                }
            };
            makeTuning(
                made, cancel, [&](int percent) { report(percent * (workParts / 100)); }, report);
            ended = true;
        });
        while (!ended && clock.elapsed() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        finished = ended;
        const qint64 stopped = clock.elapsed();
        cancel = true;
        worker.join();
        real = clock.elapsed() / 1000.0;
        state.SetIterationTime(real);
        SearchClock estimator;
        estimator.start(0);
        SearchClock lastEstimator;
        lastEstimator.start(0);
        for (const auto& [at, parts] : reports) {
            if (at <= 1000) {
                estimator.report(parts, at);
            }
            lastEstimator.report(parts, at);
        }
        // What the bar says: the time so far and the time left.
        const auto said = [](const SearchClock& told, const qint64& at) -> std::optional<double> {
            const std::optional<double> left = told.secondsLeft(at);
            return left ? std::optional<double>(at / 1000.0 + *left) : std::nullopt;
        };
        estimate = stopped > 1000 ? said(estimator, 1000) : std::nullopt;
        lastEstimate = said(lastEstimator, stopped);
    }
    state.SetLabel(defaultScaleSpaces.at(static_cast<int>(state.range(0))).toStdString() +
                   " dial " + std::to_string(state.range(1)));
    state.counters["real_s"] = real;
    // -1 when the first second said nothing (a search that ended within it needs no estimate).
    state.counters["estimate_1s"] = estimate.value_or(-1);
    state.counters["ratio"] = estimate ? *estimate / real : -1;
    state.counters["finished"] = finished ? 1 : 0;
    // What the bar said last: for a search stopped unfinished, the best forecast there is.
    state.counters["estimate_end"] = lastEstimate.value_or(-1);
}

void cases(benchmark::internal::Benchmark* benchmark) {
    for (const int space : {2, 3, 4, 5}) {
        for (const int dial : {700, 800, 900, 950}) {
            benchmark->Args({space, dial, 300});
        }
    }
}

} // namespace

BENCHMARK(BM_Estimate)->Apply(cases)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
