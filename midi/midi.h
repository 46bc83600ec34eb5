#pragma once

// MIDI in and out, over whichever MIDI system the machine has: JACK while a JACK server runs,
// else the ALSA sequencer. Without either there are simply no ports; nothing waits for one.
// Ports are named as the system lists them ("client:port" under JACK).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace midi {

enum class System { None, Jack, Alsa };

// The system that the ports below come from, looked up afresh on each call (a JACK server may
// have started or stopped since).
System currentSystem();
std::string systemName(System system);

// The ports another program offers to receive MIDI (for an Output) or to send it (for an
// Input), without Quillmere's own.
std::vector<std::string> outputPorts();
std::vector<std::string> inputPorts();

// The first of the names that contains `fragment` (any case); none when no name does.
std::optional<std::string> findPort(const std::vector<std::string>& names,
                                    const std::string& fragment);

// What a keyboard plays, as the player takes it. Notes of every channel count alike.
struct Event {
    enum class Kind { NoteOn, NoteOff, Sustain } kind = Kind::NoteOn;
    int key = 0;       // 0 ... 127, for notes
    int velocity = 0;  // 1 ... 127 for NoteOn; a note-on of velocity 0 arrives as NoteOff
    bool held = false; // Sustain: controller 64 at 64 or above
    std::chrono::steady_clock::time_point arrival;
};

// The event of a MIDI message; none for a message that is no note and no sustain pedal.
std::optional<Event> decode(const unsigned char* bytes, std::size_t size);

class Output {
public:
    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Connects to the output port of that name exactly; false, with problem() set, when it is
    // not there or cannot be opened. Opening again closes the port open first.
    bool open(const std::string& port);
    // Waits for what was sent to leave, then disconnects.
    void close();
    bool isOpen() const;
    std::string port() const;
    std::string problem() const;

    // One complete message (a SysEx dump whole); false when no port is open. Any thread, one at
    // a time.
    bool send(const std::vector<unsigned char>& message);

private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};

class Input {
public:
    // Called on the MIDI system's own thread, at once: it must not block.
    using Handler = std::function<void(const Event&)>;

    Input();
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Connects to the input port of that name exactly; events go to `handler`.
    bool open(const std::string& port, Handler handler);
    void close();
    bool isOpen() const;
    std::string port() const;
    std::string problem() const;

    // Note and sustain messages received are passed on to `output` as they come (MIDI thru);
    // null stops that. The output must stay open until thru is set to null or this closes.
    void setThru(Output* output);

    // What an open port keeps; only the MIDI system's side knows it.
    struct Connection;

private:
    std::unique_ptr<Connection> connection;
};

} // namespace midi
