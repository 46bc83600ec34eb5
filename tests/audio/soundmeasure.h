#pragma once

// Measuring rendered sound: the fundamental of a note of the synthesizer's tone.

#include "audio/score.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testing {

// The fundamental of one note over the frames [from, to), from its rising zero crossings: each
// crossing is placed between its two frames by linear interpolation, and the period is the
// slope of a least-squares line through the crossing times. The tone has exactly one rising
// crossing per period (its partial sums of sin(k x) / k are positive on (0, pi) and negative
// on (pi, 2 pi)). 0 when fewer than three crossings are found.
inline double measuredFrequency(const std::vector<std::int16_t>& samples, const std::int64_t& from,
                                const std::int64_t& to) {
    std::vector<double> times;
    for (std::int64_t n = from + 1; n < to; ++n) {
        const double before = samples[static_cast<std::size_t>(n - 1)];
        const double after = samples[static_cast<std::size_t>(n)];
        if (before < 0 && after >= 0) {
            times.push_back(static_cast<double>(n - 1) + before / (before - after));
        }
    }
    if (times.size() < 3) {
        return 0;
    }
    const auto count = static_cast<double>(times.size());
    const double meanIndex = (count - 1) / 2;
    double meanTime = 0;
    for (const double& time : times) {
        meanTime += time / count;
    }
    double covariance = 0;
    double variance = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double index = static_cast<double>(i) - meanIndex;
        covariance += index * (times[i] - meanTime);
        variance += index * index;
    }
    return audio::sampleRate * variance / covariance;
}

// The frames of a note that sound at full level, a little inside its ramps.
inline std::pair<std::int64_t, std::int64_t> steadyPart(const audio::ScoreNote& note) {
    const auto margin = static_cast<std::int64_t>(0.02 * audio::sampleRate);
    return {note.start + margin, note.start + note.length - margin};
}

inline double centsBetween(const double& measured, const double& target) {
    return 1200 * std::log2(measured / target);
}

} // namespace testing
