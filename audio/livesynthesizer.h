#pragma once

// The synthesizer's tone played live: notes start and stop when told, not by a score, and the
// sound is rendered block by block for as long as it is pulled.

#include "audio/voice.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

class LiveSynthesizer {
public:
    // Notes that sound at once; one more takes the place of the one that started first.
    static constexpr std::size_t polyphony = 32;
    // A note at full velocity takes this share of full scale, so that this many of them sound
    // together unscaled; beyond that the whole mix is turned down.
    static constexpr double noteShare = 0.25;

    LiveSynthesizer();

    // Starts a note at the next frame rendered. `id` names it for stop(); a note already
    // sounding under that id is released first. `loudness` is 0 ... 1 (velocity / 127).
    void start(int id, double frequency, double loudness);
    // Releases the note of that id, if it sounds; its release ramp follows.
    void stop(int id);
    void stopAll();

    // Notes started and not yet silent, released ones included.
    std::size_t voiceCount() const { return playing.size(); }

    // Writes exactly `frames` frames, silence where no note sounds.
    void render(std::int16_t* out, std::size_t frames);

    std::int64_t position() const { return next; }

private:
    struct Playing {
        int id;
        bool released;
        Voice voice;
    };

    std::vector<Playing> playing; // in the order started
    std::int64_t next = 0;
    double gain = 1;
    std::vector<double> mix;
};

} // namespace audio
