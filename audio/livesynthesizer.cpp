#include "audio/livesynthesizer.h"

#include <algorithm>
#include <limits>

namespace audio {

namespace {

// Long enough never to end by itself: a live note lasts until it is released.
constexpr std::int64_t openLength = std::numeric_limits<std::int64_t>::max() / 4;

} // namespace

LiveSynthesizer::LiveSynthesizer() {
    playing.reserve(polyphony + 1);
}

void LiveSynthesizer::start(int id, double frequency, double loudness) {
    stop(id);
    if (playing.size() >= polyphony) {
        // The oldest note goes; one already released goes first.
        const auto victim = std::find_if(playing.begin(), playing.end(),
                                         [](const Playing& p) { return p.released; });
        playing.erase(victim != playing.end() ? victim : playing.begin());
    }
    const double amplitude = noteShare * std::clamp(loudness, 0.0, 1.0);
    playing.push_back({id, false, makeVoice({frequency, next, openLength, amplitude})});
}

void LiveSynthesizer::stop(int id) {
    for (Playing& p : playing) {
        if (p.id == id && !p.released) {
            p.released = true;
            releaseVoiceAt(p.voice, next);
        }
    }
}

void LiveSynthesizer::stopAll() {
    for (Playing& p : playing) {
        if (!p.released) {
            p.released = true;
            releaseVoiceAt(p.voice, next);
        }
    }
}

void LiveSynthesizer::render(std::int16_t* out, std::size_t frames) {
    const std::int64_t from = next;
    const std::int64_t to = from + static_cast<std::int64_t>(frames);
    mix.assign(frames, 0.0);
    double total = 0;
    for (const Playing& p : playing) {
        total += p.voice.note.amplitude;
        if (p.voice.partials > 0) {
            addVoice(p.voice, from, to, mix.data());
        }
    }
    // The gain moves across the block to where the notes sounding now need it, so that a
    // chord's arrival turns the mix down without a step.
    const double target = total > 1 ? 1 / total : 1;
    for (std::size_t i = 0; i < frames; ++i) {
        const double share = static_cast<double>(i + 1) / static_cast<double>(frames);
        mix[i] *= gain + (target - gain) * share;
    }
    gain = target;
    mixToSamples(mix.data(), frames, out);
    next = to;
    playing.erase(std::remove_if(playing.begin(), playing.end(),
                                 [to](const Playing& p) {
                                     return p.voice.note.start + p.voice.note.length <= to;
                                 }),
                  playing.end());
}

} // namespace audio
