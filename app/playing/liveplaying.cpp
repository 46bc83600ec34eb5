#include "app/playing/liveplaying.h"

#include "app/document/scalespacedocument.h"
#include "app/keyboard/keyboardpanel.h"
#include "app/live/livekeys.h"
#include "app/menus/windowmenus.h"
#include "app/output/tuningoutput.h"
#include "app/settings/settings.h"
#include "core/scalespace.h"
#include "formats/tuningformats.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>

namespace {

formats::KeyMapping currentMapping() {
    return Settings::instance().keyMapping().value_or(formats::KeyMapping());
}

// Long enough for the window to be up before a MIDI system is asked for its ports.
constexpr int reopenDelay = 1000;

} // namespace

LivePlaying::LivePlaying(const Parts& given, QObject* parent)
    : QObject(parent), parts(given), keys(new live::LiveKeys(this)),
      panel(new KeyboardPanel(given.window)) {
    panel->setObjectName(QStringLiteral("keyboardPanel"));
    parts.window->addDockWidget(Qt::BottomDockWidgetArea, panel);
    panel->hide();
    parts.window->restoreDockWidget(panel);
    connect(panel, &KeyboardPanel::keyPressed, keys, &live::LiveKeys::noteOn);
    connect(panel, &KeyboardPanel::keyReleased, keys, &live::LiveKeys::noteOff);
    connect(keys, &live::LiveKeys::statusMessage, this, &LivePlaying::statusMessage);
    connect(parts.output, &TuningOutput::changed, this, &LivePlaying::tuningChanged);
    connect(&Settings::instance(), &Settings::keyMappingChanged, this, &LivePlaying::tuningChanged);
    addActions();
    tuningChanged();
    QTimer::singleShot(reopenDelay, this, [this] {
        keys->reopen(Settings::instance().midiInputPort(), Settings::instance().midiOutputPort());
    });
}

void LivePlaying::addActions() {
    QAction* keyboardAction = panel->toggleViewAction();
    keyboardAction->setText(tr("&Keyboard"));
    keyboardAction->setObjectName(QStringLiteral("actionKeyboard"));
    parts.menus->menu(QStringLiteral("menuView"))->addAction(keyboardAction);

    QMenu* tuning = parts.menus->menu(QStringLiteral("menuTuning"));
    tuning->addSeparator();
    for (const bool input : {true, false}) {
        QMenu* ports = tuning->addMenu(input ? tr("MIDI I&nput") : tr("MIDI &Output"));
        ports->setObjectName(input ? QStringLiteral("menuMidiInput")
                                   : QStringLiteral("menuMidiOutput"));
        connect(ports, &QMenu::aboutToShow, this,
                [this, ports, input] { fillPortMenu(ports, input); });
    }
    sendAction = tuning->addAction(tr("Send &Tuning"));
    sendAction->setObjectName(QStringLiteral("actionSendTuning"));
    connect(sendAction, &QAction::triggered, this, &LivePlaying::sendTuning);
    sendAfterMake = tuning->addAction(tr("Sen&d After Each Make"));
    sendAfterMake->setObjectName(QStringLiteral("actionSendAfterMake"));
    sendAfterMake->setCheckable(true);
    sendAfterMake->setChecked(Settings::instance().sendTuningAfterMake());
    connect(sendAfterMake, &QAction::toggled, this,
            [](bool checked) { Settings::instance().setSendTuningAfterMake(checked); });
}

void LivePlaying::fillPortMenu(QMenu* menu, bool input) {
    menu->clear();
    const QStringList ports = input ? live::LiveKeys::inputPorts() : live::LiveKeys::outputPorts();
    const QString open = input ? keys->inputPort() : keys->outputPort();
    if (ports.isEmpty()) {
        menu->addAction(tr("No MIDI ports"))->setEnabled(false);
    }
    auto* group = new QActionGroup(menu);
    for (const QString& port : QStringList{QString()} + ports) {
        QAction* entry = menu->addAction(port.isEmpty() ? tr("None") : port);
        entry->setCheckable(true);
        entry->setChecked(port == open);
        group->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, input, port] { choosePort(input, port); });
    }
}

void LivePlaying::choosePort(bool input, const QString& port) {
    const bool opened = input ? keys->openInput(port) : keys->openOutput(port);
    if (!opened) {
        return; // the keys said why
    }
    input ? Settings::instance().setMidiInputPort(port)
          : Settings::instance().setMidiOutputPort(port);
    emit statusMessage(
        port.isEmpty()
            ? (input ? tr("MIDI input closed.") : tr("MIDI output closed."))
            : (input ? tr("MIDI input from %1.").arg(port) : tr("MIDI output to %1.").arg(port)));
}

bool LivePlaying::sendTuning() {
    const QString file = parts.document->currentUrl().fileName();
    const formats::TuningDocument document =
        parts.output->exportDocument(file.isEmpty() ? parts.space->getName() : file);
    if (document.tuning.empty()) {
        emit statusMessage(tr("Make a tuning to send it."));
        return false;
    }
    if (const QString problem = formats::mappingProblem(document.tuning); !problem.isEmpty()) {
        emit statusMessage(tr("Cannot send the tuning: %1.").arg(problem));
        return false;
    }
    if (keys->outputPort().isEmpty()) {
        emit statusMessage(tr("Choose a port in Tuning > MIDI Output to send the tuning to."));
        return false;
    }
    formats::TuningDocument mapped = document;
    mapped.mapping = currentMapping();
    if (!keys->send(formats::writeBulkTuningDump(mapped))) {
        return false; // the keys said why
    }
    emit statusMessage(tr("Sent the tuning to %1.").arg(keys->outputPort()));
    return true;
}

void LivePlaying::tuningChanged() {
    const std::optional<KeptTuning> kept = parts.output->kept();
    const std::vector<long double> tuning = kept ? kept->ratios : std::vector<long double>();
    const formats::KeyMapping mapping = currentMapping();
    keys->setTuning(tuning, mapping);
    if (tuning.size() < 2) {
        panel->clearTuning();
    } else {
        std::vector<int> notes;
        for (const int& note : kept->notes) {
            notes.push_back(note + 1);
        }
        panel->setTuning(tuning, notes, mapping);
    }
    // A tuning made, not one read from a file or shown again.
    const bool made = !tuning.empty() && tuning != lastTuning && !parts.output->isLoaded();
    lastTuning = tuning;
    if (made && sendAfterMake->isChecked() && !keys->outputPort().isEmpty()) {
        sendTuning();
    }
}
