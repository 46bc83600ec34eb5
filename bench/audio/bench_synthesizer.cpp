// Rendering speed of the synthesizer: one second of a chord, in the blocks a player pulls.
// Real time is 1 s per second of sound; the baseline is the plain way, one sine per partial
// per frame, on the same chord.

#include "audio/score.h"
#include "audio/synthesizer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t blockFrames = 4096;

// A chord of this many notes of 12edo from middle C, sounding one second.
audio::Score chord(const int& notes) {
    audio::Score score;
    for (int i = 0; i < notes; ++i) {
        score.push_back(
            {261.6255653005986 * std::pow(2.0, i / 12.0), 0, audio::sampleRate, 1.0 / notes});
    }
    return score;
}

void synthesizer(benchmark::State& state) {
    const audio::Score score = chord(static_cast<int>(state.range(0)));
    std::vector<std::int16_t> block(blockFrames);
    for (auto _ : state) {
        audio::Synthesizer synth(score);
        while (synth.render(block.data(), block.size()) > 0) {
            benchmark::DoNotOptimize(block.data());
        }
    }
}

// The same partials, envelope left out, each from its own sine.
void plainSines(benchmark::State& state) {
    const audio::Score score = chord(static_cast<int>(state.range(0)));
    std::vector<double> mix(blockFrames);
    std::vector<std::int16_t> block(blockFrames);
    constexpr double twoPi = 6.283185307179586;
    for (auto _ : state) {
        for (std::int64_t start = 0; start < audio::sampleRate; start += blockFrames) {
            const std::int64_t end = std::min<std::int64_t>(audio::sampleRate, start + blockFrames);
            std::fill(mix.begin(), mix.end(), 0.0);
            for (const audio::ScoreNote& note : score) {
                const double step = note.frequency / audio::sampleRate;
                for (std::int64_t n = start; n < end; ++n) {
                    double sum = 0;
                    for (int k = 1; k <= audio::Synthesizer::partialCount; ++k) {
                        const double cycles = static_cast<double>(n) * step * k;
                        sum += std::sin(twoPi * (cycles - std::floor(cycles))) / k;
                    }
                    mix[static_cast<std::size_t>(n - start)] += note.amplitude * sum;
                }
            }
            for (std::size_t i = 0; i < blockFrames; ++i) {
                block[i] = static_cast<std::int16_t>(std::lround(mix[i] * 16000));
            }
            benchmark::DoNotOptimize(block.data());
        }
    }
}

} // namespace

BENCHMARK(synthesizer)->Arg(2)->Arg(13)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(plainSines)->Arg(2)->Arg(13)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
