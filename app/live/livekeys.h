#pragma once

// Playing the tuning live, for the window: the on-screen keyboard's and a MIDI keyboard's keys
// sound through the audio output, MIDI in is passed through to MIDI out, and the tuning's bulk
// dump goes out on request. Ports are named as midi::inputPorts() and midi::outputPorts() list
// them. Wiring it to the keyboard panel takes a few lines:
//
//     auto* keys = new live::LiveKeys(this);
//     auto* panel = new KeyboardPanel(this);
//     addDockWidget(Qt::BottomDockWidgetArea, panel);
//     connect(panel, &KeyboardPanel::keyPressed, keys, &live::LiveKeys::noteOn);
//     connect(panel, &KeyboardPanel::keyReleased, keys, &live::LiveKeys::noteOff);
//     connect(keys, &live::LiveKeys::statusMessage, this,
//             [this](const QString& text) { statusBar()->showMessage(text, statusTimeout); });
//
// and after each "Make": panel->setTuning(tuning, notes, mapping) and keys->setTuning(tuning,
// mapping); panel->toggleViewAction() is View > Keyboard.

#include "app/live/keyplayer.h"
#include "app/live/liveoutput.h"
#include "midi/midi.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

namespace live {

class LiveKeys : public QObject {
    Q_OBJECT

public:
    explicit LiveKeys(QObject* parent = nullptr);
    ~LiveKeys() override;

    // The ports there are now; empty without a MIDI system, at once.
    static QStringList inputPorts();
    static QStringList outputPorts();

    // The last tuning made; an empty one silences the keys.
    void setTuning(const std::vector<long double>& tuning, const formats::KeyMapping& mapping);

    // An empty name closes the port. False, with a status message, when it cannot be opened.
    bool openInput(const QString& port);
    bool openOutput(const QString& port);
    QString inputPort() const;
    QString outputPort() const;
    // The ports remembered from the last run (Settings), each opened only if it is there now;
    // a port gone is no error worth a message at start.
    void reopen(const QString& input, const QString& output);

    // Sends one complete message (the bulk dump of formats/) to the output port.
    bool send(const QByteArray& message);

    KeyPlayer& player() { return keys; }

public slots:
    // From the on-screen keyboard: velocity 1 ... 127.
    void noteOn(int key, int velocity);
    void noteOff(int key);
    void allNotesOff();

signals:
    // One line for the status bar: why a key is silent, why a port did not open.
    void statusMessage(const QString& text);

private:
    // The audio output opens on the first key, not before; false when there is none.
    bool ensureSound();

    KeyPlayer keys;
    LiveOutput* output;
    midi::Output midiOut;
    midi::Input midiIn;
    std::atomic<bool> soundAsked{false};
};

} // namespace live
