#pragma once

#include <QObject>
#include <QString>

class QThread;

namespace live {

class KeyPlayer;
class OutputWorker;

// The key player's sound on the default audio output, pulled on a thread of its own so that
// the window never waits for it. Nothing is looked up before start(): finding the audio
// devices takes a while, and the window's start should not.
class LiveOutput : public QObject {
    Q_OBJECT

public:
    // The player must outlive this output.
    explicit LiveOutput(KeyPlayer& player, QObject* parent = nullptr);
    ~LiveOutput() override;

    // Opens the default output unless it is open; false when there is none that plays 48 kHz
    // 16-bit sound, and problem() says why in one sentence.
    bool start();
    void stop();
    bool isRunning() const { return running; }
    QString problem() const { return reason; }

private:
    KeyPlayer& player;
    QThread* thread = nullptr;
    OutputWorker* worker = nullptr;
    QString reason;
    bool running = false;
};

} // namespace live
