// Reading crafted scale space files: each must be answered within 2 s, and none may make the
// process allocate more than 64 MB beyond its footprint. The files are the scale space
// fuzz corpus; its sound files ("seed-12edo.qmx") are the baseline of the same run.
//   bench_reading --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// peak_growth_MB: the most the resident set grew above its size before a read, during it
// (the kernel's high-water mark, reset before each read).

#include "storage/dbmanager.h"

#include <QCoreApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace {

// VmRSS or VmHWM of this process, in kB; 0 when /proc cannot tell.
long statusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return 0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_ReadScaleSpace(benchmark::State& state, const QString& path) {
    long peakGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const long before = statusKilobytes("VmRSS");
        state.ResumeTiming();
        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(path);
        benchmark::DoNotOptimize(read.pattern.data());
        state.PauseTiming();
        peakGrowth = std::max(peakGrowth, statusKilobytes("VmHWM") - before);
        state.ResumeTiming();
    }
    state.counters["peak_growth_MB"] = double(peakGrowth) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QDir corpus(QStringLiteral(QUILLMERE_SCALE_SPACE_CORPUS));
    for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
        const QString path = corpus.filePath(name);
        benchmark::RegisterBenchmark(
            ("BM_ReadScaleSpace/" + name.toStdString()).c_str(),
            [path](benchmark::State& state) { BM_ReadScaleSpace(state, path); })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
