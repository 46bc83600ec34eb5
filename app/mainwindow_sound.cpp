// Hearing the tuning: the Tuning menu's play actions and the player behind them, and playing it
// live from the keyboard panel and MIDI.

#include "app/mainwindow.h"
#include "app/widgets/statusrelay.h"
#include "ui_mainwindow.h"

#include "app/menus/windowmenus.h"
#include "app/playing/liveplaying.h"
#include "app/sound/soundcontrols.h"
#include "app/sound/tuningplayer.h"

void MainWindow::initialiseSound() {
    auto* player = new TuningPlayer(this);
    player->setObjectName(QStringLiteral("tuningPlayer"));
    auto* controls = new SoundControls(
        player, menus->action(QStringLiteral("actionPlayTuning")),
        menus->action(QStringLiteral("actionPlayInterval")),
        menus->action(QStringLiteral("actionStopSound")),
        [this]() -> std::optional<std::pair<long double, long double>> {
            const QModelIndex current = ui->scaleSpaceTable->currentIndex();
            if (!current.isValid()) {
                return std::nullopt;
            }
            return std::pair{model->interval(0, current.row()).size,
                             model->interval(current.row(), current.column()).size};
        });
    connect(this, &MainWindow::tuningChanged, controls,
            [this, controls] { controls->setTuning(getTuning()); });
    relayStatusMessages(controls, statusBar(), statusTimeout);
    relayStatusMessages(new LivePlaying({this, menus, output, &scaleSpace, document}, this),
                        statusBar(), statusTimeout);
}
