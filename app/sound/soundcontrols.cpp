#include "app/sound/soundcontrols.h"

#include "app/settings/settings.h"
#include "app/sound/tuningplayer.h"
#include "audio/score.h"

#include <QAction>

SoundControls::SoundControls(TuningPlayer* player, QAction* playTuning, QAction* playInterval,
                             QAction* stopSound, IntervalSource interval)
    : QObject(player), player(player), playTuningAction(playTuning),
      playIntervalAction(playInterval), stopSoundAction(stopSound), interval(std::move(interval)) {
    connect(player, &TuningPlayer::availabilityChanged, this, &SoundControls::update);
    connect(player, &TuningPlayer::playingChanged, this, &SoundControls::update);
    update();
    connect(playTuning, &QAction::triggered, this, [this] {
        if (!tuning.empty() && explainUnavailable()) {
            this->player->play(
                audio::tuningScore(tuning, Settings::instance().referenceFrequency()));
        }
    });
    connect(playInterval, &QAction::triggered, this, &SoundControls::playInterval);
    connect(stopSound, &QAction::triggered, player, &TuningPlayer::stop);
}

void SoundControls::setTuning(const std::vector<long double>& newTuning) {
    tuning = newTuning;
    update();
}

void SoundControls::update() {
    const QString reason = player->knownReason();
    const bool hasTuning = !tuning.empty();
    // Without an output the actions stay enabled, so that choosing them says why nothing sounds.
    playTuningAction->setEnabled(hasTuning);
    playTuningAction->setToolTip(!reason.isEmpty() ? reason
                                 : hasTuning       ? QString()
                                                   : tr("Make a tuning to play it."));
    playIntervalAction->setEnabled(true);
    playIntervalAction->setToolTip(reason);
    stopSoundAction->setEnabled(player->isPlaying());
}

bool SoundControls::explainUnavailable() {
    if (player->isAvailable()) {
        return true;
    }
    emit statusMessage(player->unavailableReason());
    return false;
}

void SoundControls::playInterval() {
    if (!explainUnavailable()) {
        return;
    }
    const std::optional<std::pair<long double, long double>> sizes = interval();
    if (!sizes) {
        emit statusMessage(tr("Choose a cell of the table to play its interval."));
        return;
    }
    // Both notes where the table puts them: the row note above note 0, the column note above
    // the row note, by the sizes shown.
    const long double row = sizes->first;
    const long double cell = sizes->second;
    const double reference = Settings::instance().referenceFrequency();
    player->play(audio::sequenceThenChord(
        {static_cast<double>(reference * row), static_cast<double>(reference * row * cell)}));
}
