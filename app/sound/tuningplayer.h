#pragma once

#include "audio/score.h"

#include <QObject>
#include <QString>

class QMediaDevices;

class QThread;

namespace sound {
class SoundWorker;
}

// Plays scores on the default audio output. The sound is rendered and fed to the output on a
// thread of the player's own, so that the caller never waits for it; playing again stops what
// is playing first. Without a usable output nothing plays, and the player says why.
class TuningPlayer : public QObject {
    Q_OBJECT

public:
    explicit TuningPlayer(QObject* parent = nullptr);
    // Stops the sound and ends the player's thread.
    ~TuningPlayer() override;

    // Both look for the audio output first if nobody has yet.
    bool isAvailable();
    // One sentence for the user; empty while an output is there.
    QString unavailableReason();
    // What is known without looking: empty until the output was looked for.
    QString knownReason() const { return problem; }
    bool isPlaying() const { return playing; }

    // Does nothing without an output.
    void play(const audio::Score& score);
    void stop();

signals:
    void availabilityChanged();
    void playingChanged(bool playing);

private:
    // Finding the audio output can wait for a sound server's time-out: it is done once the
    // window is up, or on first use, never while the window opens.
    void discover();
    void checkOutput();
    void setPlaying(const bool& nowPlaying);
    // The worker's report that the sound of that run has ended, or failed.
    void runEnded(const unsigned int& endedRun);

    QMediaDevices* devices = nullptr;
    QString problem;
    QThread* thread = nullptr;
    sound::SoundWorker* worker = nullptr;
    // Numbers the sounds started, so that the end of one already replaced is ignored.
    unsigned int run = 0;
    bool playing = false;
};
