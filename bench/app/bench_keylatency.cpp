// From a note-on's arrival to its first sound: the time until the block holding its first
// non-zero sample has been rendered, plus that sample's place in the block (its delay once the
// block plays). "Immediate" renders right after the event, with other notes already sounding:
// the work a note-on costs. "Paced" pulls 256-frame blocks every 5.33 ms on a thread of its
// own, as an audio output does, and the events arrive at random moments between blocks: what
// a player hears, short of the output's own buffer.

#include "app/live/keyplayer.h"
#include "audio/score.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Block = std::vector<std::int16_t>;

constexpr double framesPerSecond = audio::sampleRate;

std::vector<long double> twelveEdo() {
    std::vector<long double> tuning;
    for (int i = 0; i <= 12; ++i) {
        tuning.push_back(std::exp2(i / 12.0L));
    }
    return tuning;
}

// The first non-zero sample at or after `from`; -1 when none.
long firstSound(const Block& block, const std::size_t& from = 0) {
    for (std::size_t i = from; i < block.size(); ++i) {
        if (block[i] != 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// Where a note's first non-zero sample falls in the block it starts: a fixed number of frames
// into its attack, found once with nothing else sounding.
long attackFrames() {
    live::KeyPlayer player;
    player.setTuning(twelveEdo(), {});
    player.noteOn(90, 100);
    Block block(live::KeyPlayer::blockFrames);
    player.render(block.data(), block.size());
    return firstSound(block);
}

// Other notes (the argument) sound meanwhile on keys 30 and up; the measured one is key 90.
void immediate(benchmark::State& state) {
    live::KeyPlayer player;
    player.setTuning(twelveEdo(), {});
    for (int i = 0; i < state.range(0); ++i) {
        player.noteOn(30 + static_cast<int>(i), 100);
    }
    const long first = attackFrames();
    Block block(live::KeyPlayer::blockFrames);
    Block release(8 * live::KeyPlayer::blockFrames);
    for (auto _ : state) {
        player.noteOff(90);
        player.render(release.data(), release.size()); // its release, outside the timing
        const Clock::time_point arrival = Clock::now();
        player.noteOn(90, 100);
        player.render(block.data(), block.size());
        const double rendered = std::chrono::duration<double>(Clock::now() - arrival).count();
        state.SetIterationTime(rendered + static_cast<double>(first) / framesPerSecond);
    }
    state.counters["first_sample_frame"] = static_cast<double>(first);
}

// What the output thread saw: when the first block with sound was rendered, and where in it.
struct Heard {
    std::mutex lock;
    std::condition_variable changed;
    bool seen = false;
    Clock::time_point at;
    long frame = 0;
};

void pullBlocks(live::KeyPlayer& player, Heard& heard, const std::atomic<bool>& running) {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(live::KeyPlayer::blockFrames / framesPerSecond));
    Block block(live::KeyPlayer::blockFrames);
    Clock::time_point deadline = Clock::now();
    while (running.load()) {
        deadline += period;
        player.render(block.data(), block.size());
        const long first = firstSound(block);
        if (first >= 0) {
            const std::lock_guard<std::mutex> guard(heard.lock);
            if (!heard.seen) {
                heard.seen = true;
                heard.at = Clock::now();
                heard.frame = first;
                heard.changed.notify_all();
            }
        }
        std::this_thread::sleep_until(deadline);
    }
}

void paced(benchmark::State& state) {
    live::KeyPlayer player;
    player.setTuning(twelveEdo(), {});
    Heard heard;
    std::atomic<bool> running{true};
    std::thread output(pullBlocks, std::ref(player), std::ref(heard), std::cref(running));
    std::mt19937 random(26);
    std::uniform_int_distribution<int> offset(0, 5333);
    double worst = 0;
    for (auto _ : state) {
        // The last note's release is over (15 ms); the next arrives anywhere between blocks.
        std::this_thread::sleep_for(std::chrono::milliseconds(40) +
                                    std::chrono::microseconds(offset(random)));
        std::unique_lock<std::mutex> guard(heard.lock);
        heard.seen = false;
        const Clock::time_point arrival = Clock::now();
        player.noteOn(90, 100);
        heard.changed.wait(guard, [&] { return heard.seen; });
        const double seconds = std::chrono::duration<double>(heard.at - arrival).count() +
                               static_cast<double>(heard.frame) / framesPerSecond;
        guard.unlock();
        player.noteOff(90);
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    running.store(false);
    output.join();
    state.counters["worst_ms"] = 1000 * worst;
}

} // namespace

BENCHMARK(immediate)->Arg(0)->Arg(15)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(paced)->Iterations(150)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
