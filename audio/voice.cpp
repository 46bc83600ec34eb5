#include "audio/voice.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace audio {

namespace {

constexpr double pi = 3.14159265358979323846;

// The largest value that a sum of sin(k x) / k over k = 1 ... n reaches, for any n and x: the
// sine integral at pi. A note at full amplitude peaks no higher.
constexpr double partialSumBound = 1.8519370519824662;

// Full scale is 32767; a little headroom keeps rounding off the limit.
constexpr double fullScale = 32767.0 * 0.95 / partialSumBound;

// Frames between two phases taken afresh from the frame number: the rounding of the turns in
// between stays near 1e-13 of a cycle.
constexpr std::int64_t stretchFrames = 1024;

// 1 / k for partial k.
constexpr std::array<double, partialCount + 1> partialAmplitudes = [] {
    std::array<double, partialCount + 1> amplitudes{};
    for (std::size_t k = 1; k < amplitudes.size(); ++k) {
        amplitudes[k] = 1.0 / static_cast<double>(k);
    }
    return amplitudes;
}();

std::int64_t framesOf(const double& seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * sampleRate));
}

// A raised-cosine ramp: 0 at step 0, 1 at step `steps`.
double ramp(const std::int64_t& step, const std::int64_t& steps) {
    const double s = std::sin(0.5 * pi * static_cast<double>(step) / static_cast<double>(steps));
    return s * s;
}

} // namespace

Voice makeVoice(const ScoreNote& note) {
    Voice voice;
    voice.note = note;
    const double nyquist = 0.5 * sampleRate;
    if (std::isfinite(note.frequency) && note.frequency > 0 && note.frequency < nyquist) {
        voice.cyclesPerFrame = note.frequency / sampleRate;
        voice.stepCosine = std::cos(2.0 * pi * voice.cyclesPerFrame);
        voice.stepSine = std::sin(2.0 * pi * voice.cyclesPerFrame);
        while (voice.partials < partialCount && (voice.partials + 1) * note.frequency < nyquist) {
            ++voice.partials;
        }
    }
    // The last frame is silent as well as the first: a note shorter than its ramps shares its
    // frames out between them.
    const std::int64_t span = note.length - 1;
    voice.attack = framesOf(attackSeconds);
    voice.release = framesOf(releaseSeconds);
    if (voice.attack + voice.release > span) {
        voice.attack = span * voice.attack / (voice.attack + voice.release);
        voice.release = span - voice.attack;
    }
    return voice;
}

void releaseVoiceAt(Voice& voice, const std::int64_t& frame) {
    // The envelope is the lower of the two ramps, so a note released during its attack falls
    // from where the attack stands, without a step.
    const std::int64_t length =
        std::max<std::int64_t>(frame - voice.note.start, 0) + voice.release + 1;
    voice.note.length = std::min(voice.note.length, length);
}

void addVoice(const Voice& voice, const std::int64_t& from, const std::int64_t& to, double* mix) {
    const ScoreNote& note = voice.note;
    const std::int64_t first = std::max(from, note.start) - note.start;
    const std::int64_t last = std::min(to, note.start + note.length) - note.start;
    const std::int64_t releaseStart = note.length - 1 - voice.release;
    for (std::int64_t m = first; m < last;) {
        // The phase at the start of each stretch comes from the frame's number, not from a
        // running sum, so no error accumulates however long the note; within the stretch the
        // fundamental turns by one exact step per frame.
        const double cycles = static_cast<double>(m) * voice.cyclesPerFrame;
        const double angle = 2.0 * pi * (cycles - std::floor(cycles));
        double cosine = std::cos(angle);
        double sine = std::sin(angle);
        const std::int64_t stretchEnd = std::min(last, m + stretchFrames);
        for (; m < stretchEnd; ++m) {
            // sin(k angle) by the recurrence s(k + 1) = 2 cos(angle) s(k) - s(k - 1).
            double previous = 0.0;
            double current = sine;
            double sum = current;
            for (int k = 2; k <= voice.partials; ++k) {
                const double following = 2.0 * cosine * current - previous;
                previous = current;
                current = following;
                sum += current * partialAmplitudes[static_cast<std::size_t>(k)];
            }
            double envelope = 1.0;
            if (m < voice.attack) {
                envelope = ramp(m, voice.attack);
            }
            if (m > releaseStart) {
                envelope = std::min(envelope, ramp(note.length - 1 - m, voice.release));
            }
            mix[note.start + m - from] += note.amplitude * envelope * sum;
            const double turnedCosine = cosine * voice.stepCosine - sine * voice.stepSine;
            sine = sine * voice.stepCosine + cosine * voice.stepSine;
            cosine = turnedCosine;
        }
    }
}

void mixToSamples(const double* mix, std::size_t count, std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        // The amplitudes keep the mix within full scale; the clamp only guards the conversion.
        const double value = std::clamp(std::round(mix[i] * fullScale), -32767.0, 32767.0);
        out[i] = static_cast<std::int16_t>(value);
    }
}

} // namespace audio
