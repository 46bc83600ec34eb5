#include "app/live/keyplayer.h"

#include <algorithm>
#include <cmath>

namespace live {

namespace {

bool isKey(const int& key) {
    return key >= 0 && key < formats::midiKeyCount;
}

} // namespace

KeyPlayer::KeyPlayer() {
    queue.reserve(64);
    taken.reserve(64);
}

void KeyPlayer::setTuning(const std::vector<long double>& tuning,
                          const formats::KeyMapping& mapping) {
    std::array<double, formats::midiKeyCount> now{};
    if (formats::mappingProblem(tuning).isEmpty()) {
        const std::vector<long double> cents = formats::keyCents(tuning, mapping);
        for (std::size_t key = 0; key < now.size(); ++key) {
            now[key] = static_cast<double>(formats::midiNoteZeroFrequency *
                                           std::exp2(cents[key] / 1200.0L));
        }
    }
    const std::lock_guard<std::mutex> guard(lock);
    frequencies = now;
}

double KeyPlayer::keyFrequency(int key) const {
    const std::lock_guard<std::mutex> guard(lock);
    return isKey(key) ? frequencies[static_cast<std::size_t>(key)] : 0.0;
}

void KeyPlayer::noteOn(int key, int velocity) {
    if (velocity <= 0) {
        noteOff(key);
        return;
    }
    post({Action::On, key, std::min(velocity, 127), std::chrono::steady_clock::now()});
}

void KeyPlayer::noteOff(int key) {
    post({Action::Off, key, 0, std::chrono::steady_clock::now()});
}

void KeyPlayer::setSustain(bool held) {
    post({held ? Action::Sustain : Action::Release, 0, 0, std::chrono::steady_clock::now()});
}

void KeyPlayer::allNotesOff() {
    post({Action::AllOff, 0, 0, std::chrono::steady_clock::now()});
}

void KeyPlayer::handle(const midi::Event& event) {
    switch (event.kind) {
    case midi::Event::Kind::NoteOn:
        post({Action::On, event.key, std::clamp(event.velocity, 1, 127), event.arrival});
        return;
    case midi::Event::Kind::NoteOff:
        post({Action::Off, event.key, 0, event.arrival});
        return;
    case midi::Event::Kind::Sustain:
        post({event.held ? Action::Sustain : Action::Release, 0, 0, event.arrival});
        return;
    }
}

void KeyPlayer::post(const Pending& pending) {
    if ((pending.action == Action::On || pending.action == Action::Off) && !isKey(pending.key)) {
        return;
    }
    const std::lock_guard<std::mutex> guard(lock);
    queue.push_back(pending);
}

void KeyPlayer::render(std::int16_t* out, std::size_t frames) {
    while (frames > 0) {
        const std::size_t count = std::min(frames, blockFrames);
        renderBlock(out, count);
        out += count;
        frames -= count;
    }
}

void KeyPlayer::renderBlock(std::int16_t* out, std::size_t frames) {
    taken.clear();
    takenFrequencies.clear();
    {
        // Only the swap and the look-ups happen under the lock, so a sender never waits long.
        const std::lock_guard<std::mutex> guard(lock);
        taken.swap(queue);
        for (const Pending& pending : taken) {
            takenFrequencies.push_back(pending.action == Action::On
                                           ? frequencies[static_cast<std::size_t>(pending.key)]
                                           : 0.0);
            if (pending.action == Action::On) {
                started = {pending.arrival, synthesizer.position()};
            }
        }
    }
    for (std::size_t i = 0; i < taken.size(); ++i) {
        apply(taken[i], takenFrequencies[i]);
    }
    synthesizer.render(out, frames);
}

void KeyPlayer::apply(const Pending& pending, const double& frequency) {
    const auto key = static_cast<std::size_t>(pending.key);
    switch (pending.action) {
    case Action::On:
        down[key] = true;
        sustained[key] = false;
        if (frequency > 0) {
            synthesizer.start(pending.key, frequency, pending.velocity / 127.0);
        }
        return;
    case Action::Off:
        down[key] = false;
        sustained[key] = sustain;
        if (!sustain) {
            synthesizer.stop(pending.key);
        }
        return;
    case Action::Sustain:
        sustain = true;
        return;
    case Action::Release:
        sustain = false;
        for (std::size_t k = 0; k < sustained.size(); ++k) {
            if (sustained[k] && !down[k]) {
                synthesizer.stop(static_cast<int>(k));
            }
            sustained[k] = false;
        }
        return;
    case Action::AllOff:
        synthesizer.stopAll();
        down.fill(false);
        sustained.fill(false);
        return;
    }
}

KeyPlayer::Started KeyPlayer::lastStarted() const {
    const std::lock_guard<std::mutex> guard(lock);
    return started;
}

} // namespace live
