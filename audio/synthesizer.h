#pragma once

// Renders a score to 16-bit mono frames at the sample rate, block by block, so that a player
// can pull sound as it needs it and a file can be written without holding it all.

#include "audio/score.h"
#include "audio/voice.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

// The tone: harmonic partials falling off as 1/k, so that beats and roughness between the
// notes of an interval are heard, shaped by a short attack and release so that no note clicks.
class Synthesizer {
public:
    // Partials above half the sample rate are left out, so that none folds back as a false
    // pitch.
    static constexpr int partialCount = audio::partialCount;
    static constexpr double attackSeconds = audio::attackSeconds;
    static constexpr double releaseSeconds = audio::releaseSeconds;

    explicit Synthesizer(Score score);

    // Writes the next frames, at most `frames` of them, and returns how many it wrote: fewer
    // only at the end of the score, 0 after it.
    std::size_t render(std::int16_t* out, std::size_t frames);

    std::int64_t length() const { return total; }
    std::int64_t position() const { return next; }
    bool atEnd() const { return next >= total; }

private:
    std::vector<Voice> voices; // by start frame
    std::int64_t total = 0;
    std::int64_t next = 0;
    std::vector<double> mix;
};

} // namespace audio
