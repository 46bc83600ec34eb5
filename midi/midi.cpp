#include "midi/midi.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

namespace midi {

namespace {

// The client name under which Quillmere's ports appear, and by which its own are left out of
// the lists (a second client of the same name gets a suffix from the system: "Quillmere-01").
const std::string clientName = "Quillmere";

void quietJack(const char*) {}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// Looking for a system that is not there makes both libraries write to standard error; the
// answer "no ports" says it all.
void silenceLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        snd_lib_error_set_handler(quietAlsa);
    });
}

bool jackServerRuns() {
    jack_status_t status{};
    // JACK names a client's socket by the client's name alone, not the server's: the process
    // number keeps processes that probe different servers at once apart.
    const std::string name = "quillmere-probe-" + std::to_string(getpid());
    // JackNoStartServer: a missing server is an answer, not a reason to start one.
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

// Under JACK a message sent leaves with the sending client's next process cycle, and RtMidi's
// close waits at most a second for that: on a loaded machine the message was dropped while
// the send had been reported. Every client runs in every cycle, so two cycles seen by a client
// of our own mean that what was sent before it opened has left.
bool waitForJackCycles(const int& cycles, const std::chrono::milliseconds& limit) {
    jack_status_t status{};
    const std::string name = "quillmere-drain-" + std::to_string(getpid());
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    std::atomic<int> seen{0};
    jack_set_process_callback(
        client,
        [](jack_nframes_t, void* counter) {
            static_cast<std::atomic<int>*>(counter)->fetch_add(1);
            return 0;
        },
        &seen);
    bool passed = false;
    if (jack_activate(client) == 0) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (seen.load() < cycles && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        passed = seen.load() >= cycles;
        jack_deactivate(client);
    }
    jack_client_close(client);
    return passed;
}

bool alsaSequencerOpens() {
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        return false;
    }
    snd_seq_close(sequencer);
    return true;
}

RtMidi::Api apiOf(const System& system) {
    return system == System::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

bool isOwnPort(const std::string& name) {
    if (name.compare(0, clientName.size(), clientName) != 0) {
        return false;
    }
    return name.size() > clientName.size() &&
           (name[clientName.size()] == ':' || name[clientName.size()] == '-');
}

// Problems reported after construction land here instead of on standard error.
void keepProblem(RtMidiError::Type, const std::string& text, void* problem) {
    *static_cast<std::string*>(problem) = text;
}

template <typename Port>
std::unique_ptr<Port> makePort(const System& system, std::string& problem) {
    if (system == System::None) {
        problem = "no MIDI system: neither a JACK server nor the ALSA sequencer is there";
        return nullptr;
    }
    try {
        auto port = std::make_unique<Port>(apiOf(system), clientName);
        port->setErrorCallback(keepProblem, &problem);
        return port;
    } catch (const RtMidiError& error) {
        problem = error.getMessage();
        return nullptr;
    }
}

template <typename Port> std::vector<std::string> portNames(Port& port) {
    std::vector<std::string> names;
    const unsigned int count = port.getPortCount();
    for (unsigned int i = 0; i < count; ++i) {
        std::string name = port.getPortName(i);
        if (!name.empty() && !isOwnPort(name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

template <typename Port> std::vector<std::string> listPorts() {
    std::string problem;
    const std::unique_ptr<Port> port = makePort<Port>(currentSystem(), problem);
    return port ? portNames(*port) : std::vector<std::string>{};
}

// Opens the port of that name on `port`; the problem when there is none.
template <typename Port>
std::string connectTo(Port& port, const std::string& name, const std::string& ownName) {
    const unsigned int count = port.getPortCount();
    for (unsigned int i = 0; i < count; ++i) {
        if (port.getPortName(i) == name) {
            port.openPort(i, ownName);
            return port.isPortOpen() ? std::string() : "the port \"" + name + "\" did not open";
        }
    }
    return "there is no MIDI port \"" + name + "\"";
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

System currentSystem() {
    silenceLibraries();
    if (jackServerRuns()) {
        return System::Jack;
    }
    return alsaSequencerOpens() ? System::Alsa : System::None;
}

std::string systemName(System system) {
    switch (system) {
    case System::Jack:
        return "JACK";
    case System::Alsa:
        return "ALSA";
    case System::None:
        break;
    }
    return "none";
}

std::vector<std::string> outputPorts() {
    return listPorts<RtMidiOut>();
}

std::vector<std::string> inputPorts() {
    return listPorts<RtMidiIn>();
}

std::optional<std::string> findPort(const std::vector<std::string>& names,
                                    const std::string& fragment) {
    const std::string wanted = lowerCase(fragment);
    for (const std::string& name : names) {
        if (lowerCase(name).find(wanted) != std::string::npos) {
            return name;
        }
    }
    return std::nullopt;
}

std::optional<Event> decode(const unsigned char* bytes, std::size_t size) {
    if (size < 3) {
        return std::nullopt;
    }
    Event event;
    event.arrival = std::chrono::steady_clock::now();
    event.key = bytes[1] & 0x7F;
    event.velocity = bytes[2] & 0x7F;
    switch (bytes[0] & 0xF0) {
    case 0x90:
        event.kind = event.velocity > 0 ? Event::Kind::NoteOn : Event::Kind::NoteOff;
        return event;
    case 0x80:
        event.kind = Event::Kind::NoteOff;
        return event;
    case 0xB0:
        if (event.key != 64) {
            return std::nullopt;
        }
        event.kind = Event::Kind::Sustain;
        event.held = event.velocity >= 64;
        return event;
    default:
        return std::nullopt;
    }
}

struct Output::Connection {
    std::unique_ptr<RtMidiOut> port;
    std::string name;
    std::string problem;
    std::mutex sending;
    System system = System::None;
    // Something was sent that a JACK cycle may not have taken yet.
    bool pending = false;
};

Output::Output() : connection(std::make_unique<Connection>()) {}

Output::~Output() {
    close();
}

bool Output::open(const std::string& port) {
    close();
    connection->system = currentSystem();
    connection->port = makePort<RtMidiOut>(connection->system, connection->problem);
    if (!connection->port) {
        return false;
    }
    connection->problem = connectTo(*connection->port, port, "out");
    if (!connection->problem.empty()) {
        connection->port.reset();
        return false;
    }
    connection->name = port;
    return true;
}

void Output::close() {
    const std::lock_guard<std::mutex> lock(connection->sending);
    if (connection->port) {
        if (connection->pending && connection->system == System::Jack) {
            waitForJackCycles(2, std::chrono::seconds(10));
        }
        // Under JACK this also waits (up to a second) for the messages still queued to leave.
        connection->port->closePort();
        connection->port.reset();
    }
    connection->pending = false;
    connection->name.clear();
}

bool Output::isOpen() const {
    return connection->port != nullptr;
}

std::string Output::port() const {
    return connection->name;
}

std::string Output::problem() const {
    return connection->problem;
}

bool Output::send(const std::vector<unsigned char>& message) {
    const std::lock_guard<std::mutex> lock(connection->sending);
    if (!connection->port || message.empty()) {
        return false;
    }
    connection->problem.clear();
    connection->port->sendMessage(message.data(), message.size());
    connection->pending = true;
    return connection->problem.empty();
}

struct Input::Connection {
    std::unique_ptr<RtMidiIn> port;
    std::string name;
    std::string problem;
    Handler handler;
    std::atomic<Output*> thru{nullptr};
};

namespace {

void received(double, std::vector<unsigned char>* message, void* data) {
    auto* connection = static_cast<Input::Connection*>(data);
    const std::optional<Event> event = decode(message->data(), message->size());
    if (!event) {
        return;
    }
    if (Output* thru = connection->thru.load()) {
        thru->send(*message);
    }
    connection->handler(*event);
}

} // namespace

Input::Input() : connection(std::make_unique<Connection>()) {}

Input::~Input() {
    close();
}

bool Input::open(const std::string& port, Handler handler) {
    close();
    connection->port = makePort<RtMidiIn>(currentSystem(), connection->problem);
    if (!connection->port) {
        return false;
    }
    connection->handler = std::move(handler);
    connection->port->setCallback(received, connection.get());
    connection->problem = connectTo(*connection->port, port, "in");
    if (!connection->problem.empty()) {
        connection->port.reset();
        return false;
    }
    connection->name = port;
    return true;
}

void Input::close() {
    if (connection->port) {
        // After this no callback runs, so the handler and the thru output may go.
        connection->port->closePort();
        connection->port.reset();
    }
    connection->name.clear();
}

bool Input::isOpen() const {
    return connection->port != nullptr;
}

std::string Input::port() const {
    return connection->name;
}

std::string Input::problem() const {
    return connection->problem;
}

void Input::setThru(Output* output) {
    connection->thru.store(output);
}

} // namespace midi
