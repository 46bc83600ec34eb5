#pragma once

// MIDI keys made sound: key K sounds what the exports (.kbm, .tun, .syx) put on key K, through
// the synthesizer's live voices. Events may come from any thread (a MIDI system's, the
// window's); the sound is pulled by the audio output's thread.

#include "audio/livesynthesizer.h"
#include "formats/keymapping.h"
#include "midi/midi.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace live {

class KeyPlayer {
public:
    // At 48 kHz a block is 5.3 ms: a note-on waits at most that long for its block.
    static constexpr std::size_t blockFrames = 256;

    KeyPlayer();

    // The keys of a tuning as the exports map them. A tuning that cannot be put on keys (see
    // formats::mappingProblem), or none, leaves every key silent. Sounding notes keep their
    // pitch.
    void setTuning(const std::vector<long double>& tuning, const formats::KeyMapping& mapping);
    // Hz; 0 for a key that sounds nothing.
    double keyFrequency(int key) const;

    // Velocity 1 ... 127 sets the loudness; 0 is a note-off, as in MIDI.
    void noteOn(int key, int velocity);
    void noteOff(int key);
    // While held, released keys sound on until the pedal is let go.
    void setSustain(bool held);
    void allNotesOff();
    void handle(const midi::Event& event);

    // Writes `frames` frames in blocks of at most blockFrames; the events that arrived before a
    // block start their notes at its first frame. Only one thread renders.
    void render(std::int16_t* out, std::size_t frames);

    // The arrival of the latest note-on that has started in a rendered block, and its first
    // frame; for measuring the delay from a key to its sound.
    struct Started {
        std::chrono::steady_clock::time_point arrival;
        std::int64_t frame = -1;
    };
    Started lastStarted() const;

    // Notes sounding after the last block, released ones still ringing included; for the
    // render thread.
    std::size_t soundingNotes() const { return synthesizer.voiceCount(); }

private:
    enum class Action { On, Off, Sustain, Release, AllOff };
    struct Pending {
        Action action;
        int key;
        int velocity;
        std::chrono::steady_clock::time_point arrival;
    };

    void post(const Pending& pending);
    void apply(const Pending& pending, const double& frequency);
    void renderBlock(std::int16_t* out, std::size_t frames);

    mutable std::mutex lock; // guards the queue, the frequencies and `started`
    std::vector<Pending> queue;
    std::array<double, formats::midiKeyCount> frequencies{};
    Started started;

    // The render thread's own.
    std::vector<Pending> taken;
    std::vector<double> takenFrequencies;
    audio::LiveSynthesizer synthesizer;
    std::array<bool, formats::midiKeyCount> down{};
    std::array<bool, formats::midiKeyCount> sustained{};
    bool sustain = false;
};

} // namespace live
