// The interval table at its largest: 1024 notes of "12edo" (1,048,576 cells) with
// "Benedetti" weights. The naive rebuild and the stream formatter are the baselines: what
// the cache would cost if every cell formatted its own texts through a string stream.
#include "model/scalespacemodel.h"
#include "tests/common/streamtext.h"
#include "tests/common/twelveedo.h"
#include "tuning/weightfunctions.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using testing::streamText;

constexpr int largeRange = 1024;

SizeToWeightFunction benedetti() {
    return populateWeightFunctionsMap()[0].second;
}

struct Table {
    Table() : space(QStringLiteral("12edo"), testing::twelveEdoPattern()), model(&space) {
        model.setWeightFunction(benedetti());
        model.setRange(largeRange);
    }
    ScaleSpace space;
    ScaleSpaceModel model;
};

// Every cell of the table's sizes and weights, the way the cache holds them.
std::vector<long double> tableSizes(int range) {
    const ScaleSpace space(QStringLiteral("12edo"), testing::twelveEdoPattern());
    std::vector<long double> sizes;
    sizes.reserve(std::size_t(range) * range);
    for (int row = 0; row < range; ++row) {
        for (int column = 0; column < range; ++column) {
            sizes.push_back(space.getIntervalSize(column, row));
        }
    }
    return sizes;
}

void BM_ResetAt1024(benchmark::State& state) {
    Table table;
    for (auto _ : state) {
        table.model.reset();
        benchmark::DoNotOptimize(table.model.cellCache(largeRange - 1, 0).sizeText.size());
    }
}
BENCHMARK(BM_ResetAt1024)->Unit(benchmark::kMillisecond);

void BM_SetRange13To1024(benchmark::State& state) {
    Table table;
    for (auto _ : state) {
        state.PauseTiming();
        table.model.setRange(13);
        state.ResumeTiming();
        table.model.setRange(largeRange);
        benchmark::DoNotOptimize(table.model.cellCache(largeRange - 1, 0).sizeText.size());
    }
}
BENCHMARK(BM_SetRange13To1024)->Unit(benchmark::kMillisecond);

void BM_DisplayModeSwitchAt1024(benchmark::State& state) {
    Table table;
    bool cents = false;
    for (auto _ : state) {
        cents = !cents;
        table.model.setDisplayMode(cents ? DisplayMode::Cents : DisplayMode::Decimal);
        benchmark::DoNotOptimize(table.model.cellCache(largeRange - 1, 0).sizeText.size());
    }
}
BENCHMARK(BM_DisplayModeSwitchAt1024)->Unit(benchmark::kMillisecond);

void BM_AttenuationChangeAt1024(benchmark::State& state) {
    Table table;
    bool high = false;
    for (auto _ : state) {
        high = !high;
        table.model.setAttenuation(high ? 80 : 20);
        benchmark::DoNotOptimize(table.model.cellCache(largeRange - 1, 0).weightText.size());
    }
}
BENCHMARK(BM_AttenuationChangeAt1024)->Unit(benchmark::kMillisecond);

// Baseline: every cell computed and formatted on its own through a string stream.
void BM_NaiveRebuildAt1024(benchmark::State& state) {
    const ScaleSpace space(QStringLiteral("12edo"), testing::twelveEdoPattern());
    const SizeToWeightFunction weight = benedetti();
    for (auto _ : state) {
        auto cells = std::make_unique<std::vector<CellCache>>(std::size_t(largeRange) * largeRange);
        for (int row = 0; row < largeRange; ++row) {
            for (int column = 0; column < largeRange; ++column) {
                CellCache& cell = (*cells)[std::size_t(row) * largeRange + column];
                const long double size = space.getIntervalSize(column, row);
                const long double w = weight(size);
                cell.interval = Interval(size, w);
                cell.sizeText = streamText(size, 4, false);
                cell.weightText = streamText(w, 4, true);
            }
        }
        benchmark::DoNotOptimize(cells->back().sizeText.size());
    }
}
BENCHMARK(BM_NaiveRebuildAt1024)->Unit(benchmark::kMillisecond);

// Formatting one number: the stream against the model's formatter, over the sizes of a
// 64-note table (4096 values).
void BM_FormatStream(benchmark::State& state) {
    const std::vector<long double> values = tableSizes(64);
    const bool scientific = state.range(0) != 0;
    for (auto _ : state) {
        for (const long double value : values) {
            benchmark::DoNotOptimize(streamText(value, 4, scientific).size());
        }
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(values.size()));
}
BENCHMARK(BM_FormatStream)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FormatNumber(benchmark::State& state) {
    const std::vector<long double> values = tableSizes(64);
    const bool scientific = state.range(0) != 0;
    for (auto _ : state) {
        for (const long double value : values) {
            benchmark::DoNotOptimize(formatNumber(value, 4, scientific).size());
        }
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(values.size()));
}
BENCHMARK(BM_FormatNumber)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
