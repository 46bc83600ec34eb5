#include "app/live/livekeys.h"

namespace live {

namespace {

QStringList toList(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) {
        list << QString::fromStdString(name);
    }
    return list;
}

} // namespace

LiveKeys::LiveKeys(QObject* parent) : QObject(parent), output(new LiveOutput(keys, this)) {}

LiveKeys::~LiveKeys() {
    // The input's callback reaches the output and the player: it goes first. The audio output
    // pulls from the player on its own thread, so it ends before the player does.
    midiIn.close();
    midiOut.close();
    delete output;
}

QStringList LiveKeys::inputPorts() {
    return toList(midi::inputPorts());
}

QStringList LiveKeys::outputPorts() {
    return toList(midi::outputPorts());
}

void LiveKeys::setTuning(const std::vector<long double>& tuning,
                         const formats::KeyMapping& mapping) {
    keys.setTuning(tuning, mapping);
}

bool LiveKeys::openInput(const QString& port) {
    midiIn.close();
    if (port.isEmpty()) {
        return true;
    }
    const bool opened = midiIn.open(port.toStdString(), [this](const midi::Event& event) {
        keys.handle(event);
        // The audio output opens on the first key, on this object's thread; not at start, so
        // that reopening the ports of the last run costs the window nothing.
        if (event.kind == midi::Event::Kind::NoteOn && !soundAsked.exchange(true)) {
            QMetaObject::invokeMethod(
                this, [this] { ensureSound(); }, Qt::QueuedConnection);
        }
    });
    if (!opened) {
        emit statusMessage(tr("The MIDI input \"%1\" did not open: %2")
                               .arg(port, QString::fromStdString(midiIn.problem())));
        return false;
    }
    midiIn.setThru(midiOut.isOpen() ? &midiOut : nullptr);
    return true;
}

bool LiveKeys::openOutput(const QString& port) {
    midiIn.setThru(nullptr);
    midiOut.close();
    if (port.isEmpty()) {
        return true;
    }
    if (!midiOut.open(port.toStdString())) {
        emit statusMessage(tr("The MIDI output \"%1\" did not open: %2")
                               .arg(port, QString::fromStdString(midiOut.problem())));
        return false;
    }
    midiIn.setThru(&midiOut);
    return true;
}

QString LiveKeys::inputPort() const {
    return QString::fromStdString(midiIn.port());
}

QString LiveKeys::outputPort() const {
    return QString::fromStdString(midiOut.port());
}

void LiveKeys::reopen(const QString& input, const QString& output) {
    if (!output.isEmpty() && outputPorts().contains(output)) {
        openOutput(output);
    }
    if (!input.isEmpty() && inputPorts().contains(input)) {
        openInput(input);
    }
}

bool LiveKeys::send(const QByteArray& message) {
    if (!midiOut.isOpen()) {
        emit statusMessage(tr("No MIDI output is chosen."));
        return false;
    }
    if (!midiOut.send(std::vector<unsigned char>(message.begin(), message.end()))) {
        emit statusMessage(tr("Sending to the MIDI output \"%1\" failed: %2")
                               .arg(outputPort(), QString::fromStdString(midiOut.problem())));
        return false;
    }
    return true;
}

void LiveKeys::noteOn(int key, int velocity) {
    ensureSound();
    keys.noteOn(key, velocity);
}

void LiveKeys::noteOff(int key) {
    keys.noteOff(key);
}

void LiveKeys::allNotesOff() {
    keys.allNotesOff();
}

bool LiveKeys::ensureSound() {
    if (output->isRunning()) {
        return true;
    }
    if (!output->start()) {
        // The next key asks again: an output may have appeared by then.
        soundAsked = false;
        emit statusMessage(output->problem());
        return false;
    }
    return true;
}

} // namespace live
