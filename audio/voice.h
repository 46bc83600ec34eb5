#pragma once

// One note of the synthesizer's tone, as both the score's synthesizer and the live one render
// it: harmonic partials falling off as 1/k, shaped by a short attack and release so that no
// note clicks.

#include "audio/score.h"

#include <cstddef>
#include <cstdint>

namespace audio {

constexpr int partialCount = 8;
constexpr double attackSeconds = 0.005;
constexpr double releaseSeconds = 0.015;

struct Voice {
    ScoreNote note;
    double cyclesPerFrame = 0;
    // The turn of the fundamental from one frame to the next.
    double stepCosine = 1;
    double stepSine = 0;
    // Partials above half the sample rate are left out, so that none folds back as a false
    // pitch; 0 for a note that cannot sound.
    int partials = 0;
    std::int64_t attack = 0;
    std::int64_t release = 0;
};

// The ramps fit within the note's length: a note shorter than them shares its frames out.
Voice makeVoice(const ScoreNote& note);

// Ends a voice whose length was left open: its release starts at frame `frame` of the
// timeline and it is silent `release` frames later. A voice that ends earlier anyway is kept.
void releaseVoiceAt(Voice& voice, const std::int64_t& frame);

// Adds the voice's sound over the timeline's frames [from, to) into `mix`, whose first entry
// is frame `from`.
void addVoice(const Voice& voice, const std::int64_t& from, const std::int64_t& to, double* mix);

// Full-scale 16-bit samples of a mix whose notes' amplitudes sum to at most 1.
void mixToSamples(const double* mix, std::size_t count, std::int16_t* out);

} // namespace audio
