#pragma once

// The other end of Quillmere's MIDI ports in the tests, straight on RtMidi: a port that
// receives (an output port to Quillmere) and one that sends (an input port to Quillmere).

#include <rtmidi/RtMidi.h>

#include <QString>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testing {

class MidiPeer {
public:
    using Message = std::vector<unsigned char>;

    // Two clients, as JACK names each client once: ports "<receiver>:in" and
    // "<sender>:out".
    MidiPeer(const std::string& receiver, const std::string& sender)
        : in(RtMidi::UNIX_JACK, receiver), out(RtMidi::UNIX_JACK, sender) {
        in.ignoreTypes(false, true, true); // the bulk dump is a SysEx message
        in.setCallback(&MidiPeer::received, this);
        in.openVirtualPort("in");
        out.openVirtualPort("out");
    }

    void send(const Message& message) { out.sendMessage(&message); }

    std::vector<Message> messages() {
        const std::lock_guard<std::mutex> guard(lock);
        return got;
    }

private:
    static void received(double, Message* message, void* self) {
        auto* peer = static_cast<MidiPeer*>(self);
        const std::lock_guard<std::mutex> guard(peer->lock);
        peer->got.push_back(*message);
    }

    RtMidiIn in;
    RtMidiOut out;
    std::mutex lock;
    std::vector<Message> got;
};

inline QString hex(const std::vector<unsigned char>& bytes) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
            .toHex(' '));
}

} // namespace testing
