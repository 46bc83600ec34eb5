#include "audio/synthesizer.h"

#include <algorithm>
#include <utility>

namespace audio {

Synthesizer::Synthesizer(Score score) {
    voices.reserve(score.size());
    for (const ScoreNote& note : score) {
        if (note.length > 0) {
            voices.push_back(makeVoice(note));
        }
    }
    std::stable_sort(voices.begin(), voices.end(),
                     [](const Voice& a, const Voice& b) { return a.note.start < b.note.start; });
    total = scoreLength(score);
}

std::size_t Synthesizer::render(std::int16_t* out, std::size_t frames) {
    const std::int64_t from = next;
    const std::int64_t to = std::min(total, from + static_cast<std::int64_t>(frames));
    if (to <= from) {
        return 0;
    }
    const auto count = static_cast<std::size_t>(to - from);
    mix.assign(count, 0.0);
    for (const Voice& voice : voices) {
        if (voice.note.start >= to) {
            break;
        }
        if (voice.note.start + voice.note.length > from && voice.partials > 0) {
            addVoice(voice, from, to, mix.data());
        }
    }
    mixToSamples(mix.data(), count, out);
    next = to;
    return count;
}

} // namespace audio
