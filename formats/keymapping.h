#pragma once

// Putting a tuning on the 128 MIDI keys. Every synthesizer format maps the same way: the
// tuned notes relative to the first are the scale degrees, the last tuned note is the period,
// and the reference key sounds degree 0 at the reference frequency.

#include <QString>

#include <vector>

namespace formats {

constexpr int midiKeyCount = 128;
constexpr int defaultReferenceKey = 60;
// Middle C of standard tuning (A above it at 440 Hz).
constexpr double defaultReferenceFrequency = 261.6255653005986;
// MIDI note 0 of standard tuning: the zero from which .tun and .syx count their pitches.
constexpr long double midiNoteZeroFrequency = 8.1757989156437073L;

struct KeyMapping {
    int referenceKey = defaultReferenceKey;
    double referenceFrequency = defaultReferenceFrequency;
};

// Empty when the tuning can be put on keys; otherwise why not, in a few words. It needs a
// period (two notes at least) and positive finite ratios, the period above the first note.
QString mappingProblem(const std::vector<long double>& tuning);

// The number of scale degrees: the tuned notes less one.
int degreeCount(const std::vector<long double>& tuning);

// For every key 0 ... 127, its pitch in cents above MIDI note 0 of standard tuning. Key k
// sounds degree ((k - reference) mod M), raised or lowered by whole periods. Computed with
// logarithms, so that even extreme tunings give finite values. Only for a tuning without a
// mappingProblem.
std::vector<long double> keyCents(const std::vector<long double>& tuning,
                                  const KeyMapping& mapping);

} // namespace formats
