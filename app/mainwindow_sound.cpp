// Hearing the tuning: the Tuning menu's play actions and the player behind them.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/menus/windowmenus.h"
#include "app/settings/settings.h"
#include "app/sound/tuningplayer.h"
#include "audio/score.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

namespace {

double referenceFrequency() {
    return Settings::instance().referenceFrequency();
}

} // namespace

void MainWindow::initialiseSound() {
    auto* player = new TuningPlayer(this);
    player->setObjectName(QStringLiteral("tuningPlayer"));

    QAction* playTuning = menus->action(QStringLiteral("actionPlayTuning"));
    QAction* playInterval = menus->action(QStringLiteral("actionPlayInterval"));
    QAction* stopSound = menus->action(QStringLiteral("actionStopSound"));

    const auto update = [this, player, playTuning, playInterval, stopSound] {
        const QString reason = player->unavailableReason();
        const bool hasTuning = !getTuning().empty();
        playTuning->setEnabled(player->isAvailable() && hasTuning);
        playTuning->setToolTip(!reason.isEmpty() ? reason
                               : hasTuning       ? QString()
                                                 : tr("Make a tuning to play it."));
        playInterval->setEnabled(player->isAvailable());
        playInterval->setToolTip(reason);
        stopSound->setEnabled(player->isPlaying());
    };
    connect(player, &TuningPlayer::availabilityChanged, this, update);
    connect(player, &TuningPlayer::playingChanged, this, update);
    connect(this, &MainWindow::tuningChanged, this, update);
    update();

    connect(playTuning, &QAction::triggered, this, [this, player] {
        if (!getTuning().empty()) {
            player->play(audio::tuningScore(getTuning(), referenceFrequency()));
        }
    });
    connect(playInterval, &QAction::triggered, this, [this, player] {
        const QModelIndex current = ui->scaleSpaceTable->currentIndex();
        if (!current.isValid()) {
            statusBar()->showMessage(tr("Choose a cell of the table to play its interval."));
            return;
        }
        // Both notes where the table puts them: the row note above note 0, the column note
        // above the row note, by the sizes shown.
        const long double row = model->interval(0, current.row()).size;
        const long double cell = model->interval(current.row(), current.column()).size;
        const double reference = referenceFrequency();
        player->play(audio::sequenceThenChord(
            {static_cast<double>(reference * row), static_cast<double>(reference * row * cell)}));
    });
    connect(stopSound, &QAction::triggered, player, &TuningPlayer::stop);
}
