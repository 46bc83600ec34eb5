#include "audio/score.h"

#include <algorithm>
#include <cmath>

namespace audio {

namespace {

std::int64_t framesOf(const double& seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * sampleRate));
}

} // namespace

std::int64_t scoreLength(const Score& score) {
    std::int64_t end = 0;
    for (const ScoreNote& note : score) {
        end = std::max(end, note.start + note.length);
    }
    return end;
}

Score sequenceThenChord(const std::vector<double>& frequencies) {
    Score score;
    if (frequencies.empty()) {
        return score;
    }
    score.reserve(2 * frequencies.size());
    const std::int64_t noteLength = framesOf(scaleNoteSeconds);
    std::int64_t start = 0;
    for (const double& frequency : frequencies) {
        score.push_back({frequency, start, noteLength, 1.0});
        start += noteLength;
    }
    const double share = 1.0 / static_cast<double>(frequencies.size());
    for (const double& frequency : frequencies) {
        score.push_back({frequency, start, framesOf(chordSeconds), share});
    }
    return score;
}

Score tuningScore(const std::vector<long double>& tuning, const double& referenceFrequency) {
    std::vector<double> frequencies;
    frequencies.reserve(tuning.size());
    for (const long double& ratio : tuning) {
        const double frequency = static_cast<double>(ratio * referenceFrequency);
        // Sorting needs an order; a note without a frequency stays silent at the end.
        frequencies.push_back(std::isnan(frequency) ? HUGE_VAL : frequency);
    }
    std::stable_sort(frequencies.begin(), frequencies.end());
    return sequenceThenChord(frequencies);
}

} // namespace audio
