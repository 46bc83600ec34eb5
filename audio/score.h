#pragma once

// What is played: notes placed on a timeline of frames at the synthesizer's sample rate.

#include <cstdint>
#include <vector>

namespace audio {

// Frames per second of everything rendered: one frame is one 16-bit mono sample.
constexpr int sampleRate = 48000;

// How long each note of a scale sounds on its own, and how long all of them sound together.
constexpr double scaleNoteSeconds = 0.4;
constexpr double chordSeconds = 2.0;

struct ScoreNote {
    double frequency = 0; // Hz; a note at or above half the sample rate is silent
    std::int64_t start = 0;
    std::int64_t length = 0; // frames
    // Share of full scale. The score keeps the sum over notes sounding at once at most 1, so
    // that the mix cannot clip.
    double amplitude = 1;
};

using Score = std::vector<ScoreNote>;

// The frame after the last note ends; 0 for an empty score.
std::int64_t scoreLength(const Score& score);

// Each frequency alone, in the order given, then all of them together.
Score sequenceThenChord(const std::vector<double>& frequencies);

// A tuning (ratios to its first note) as played: its notes in ascending pitch, then its chord,
// with the ratio 1 at the reference frequency.
Score tuningScore(const std::vector<long double>& tuning, const double& referenceFrequency);

} // namespace audio
