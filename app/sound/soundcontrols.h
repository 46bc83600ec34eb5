#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class TuningPlayer;

// The Tuning menu's play actions over a player: enabled when they can play, with the reason
// in their tooltips when they cannot.
class SoundControls : public QObject {
    Q_OBJECT

public:
    // The sizes of the current cell's interval: from note 0 up to its row note, and from the
    // row note up to its column note; nothing without a current cell.
    using IntervalSource = std::function<std::optional<std::pair<long double, long double>>()>;

    SoundControls(TuningPlayer* player, QAction* playTuning, QAction* playInterval,
                  QAction* stopSound, IntervalSource interval);

    // The tuning Play Tuning plays; empty for none.
    void setTuning(const std::vector<long double>& newTuning);

signals:
    void statusMessage(const QString& text);

private:
    void update();
    void playInterval();
    // True when there is an output; otherwise says why there is none, in the status bar.
    bool explainUnavailable();

    TuningPlayer* player;
    QAction* playTuningAction;
    QAction* playIntervalAction;
    QAction* stopSoundAction;
    IntervalSource interval;
    std::vector<long double> tuning;
};
