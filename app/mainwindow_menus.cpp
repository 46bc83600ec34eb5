// The menu bar's actions, undo and redo, the modified state and the question before unsaved
// edits are discarded, what the window remembers between runs, help, and Scala import.

#include "app/mainwindow.h"
#include "app/widgets/statusrelay.h"
#include "ui_mainwindow.h"

#include "app/document/scalespacedocument.h"
#include "app/editing/edithistory.h"
#include "app/menus/helpdialogs.h"
#include "app/menus/keyfilter.h"
#include "app/menus/stepactions.h"
#include "app/menus/windowmenus.h"
#include "app/settings/settings.h"
#include "app/shared/storageconstants.h"
#include "app/shared/tuningconstants.h"
#include "app/table/scalespaceeditor.h"
#include "app/widgets/tablecursor.h"

#include <QAbstractSlider>
#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QUndoStack>

void MainWindow::initialiseDocument() {
    history = new EditHistory([this] { return editor->captureState(); },
                              [this](const EditState& state) { editor->applyState(state); }, this);
    connect(model, &ScaleSpaceModel::aboutToEdit, history,
            [this] { history->begin(tr("Edit Cell")); });
    connect(model, &ScaleSpaceModel::edited, history, &EditHistory::commit);
    std::vector<SizeToWeightFunction> functions;
    for (const auto& entry : weightFunctionsMap) {
        functions.push_back(entry.second);
    }
    editor =
        new ScaleSpaceEditor({&scaleSpace, model, ui->scaleSpaceTable, ui->rangeSpinBox,
                              ui->selectionBox, cursor, history, ui->weightFuncCombo, functions});
    document = new ScaleSpaceDocument(
        this, history->stack(),
        QUrl::fromLocalFile(makeFilePath(defaultScaleSpace, pitchSpacesPath)));
    connect(document, &ScaleSpaceDocument::modifiedChanged, this, &MainWindow::setWindowModified);
    relayStatusMessages(document, statusBar(), statusTimeout);
    connect(document, &ScaleSpaceDocument::saveRequested, this,
            &MainWindow::handleSaveSubScaleSpace);
    connect(document, &ScaleSpaceDocument::recentChosen, this, &MainWindow::openRecentFile);
}

void MainWindow::initialiseMenus() {
    QUndoStack* stack = history->stack();

    const auto on = [this](const char* name, auto slot) {
        QAction* action = menus->action(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    on("actionOpen", [this] { handleScaleSpaceActivated(customEntry); });
    on("actionImportScala", [this] {
        const QString chosen = document->chooseScalaFile();
        if (!chosen.isEmpty()) {
            importScala(chosen);
        }
    });
    on("actionSave", [this] { handleSaveSubScaleSpace(); });
    on("actionSaveAs", [this] { handleSaveSubScaleSpaceAs(); });
    on("actionQuit", [this] { close(); });

    QAction* undo = on("actionUndo", [stack] { stack->undo(); });
    QAction* redo = on("actionRedo", [stack] { stack->redo(); });
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);

    editor->attachActions(menus);
    initialiseKeyActions();

    on("actionShortcuts", [this] { showShortcutsDialog(this); });
    on("actionAbout", [this] { showAboutDialog(this, QStringLiteral(QUILLMERE_VERSION)); });

    document->attachRecentMenu(menus->menu(QStringLiteral("menuRecent")));
    for (QMenu* menu : ui->menubar->findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::refreshActions);
    }
    refreshActions();

    // A fresh configuration folder starts the window as it always did.
    if (const QByteArray geometry = Settings::instance().windowGeometry(); !geometry.isEmpty()) {
        restoreGeometry(geometry);
        restoreState(Settings::instance().windowState());
    }
}

void MainWindow::initialiseKeyActions() {
    const auto on = [this](const char* name, auto slot) {
        connect(menus->action(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("actionMake", [this] { ui->makeButton->click(); });
    on("actionCancel", [this] { ui->cancelButton->click(); });
    on("actionClear", [this] { ui->clearButton->click(); });
    on("actionDecimal", [this] { handleChangeDisplay(DisplayMode::Decimal); });
    on("actionCents", [this] { handleChangeDisplay(DisplayMode::Cents); });
    on("actionSize", [this] { handleChangeSizeWeight(IntervalMode::Size); });
    on("actionWeight", [this] { handleChangeSizeWeight(IntervalMode::Weight); });
    on("actionSwapDisplay", [this] { swapDisplayMode(); });
    on("actionSwapInterval", [this] { swapIntervalMode(); });
    attachStepActions(menus, ui->cutoffDial, ui->attenuationSlider, ui->rangeSpinBox,
                      [this] { return scaleSpace.noteCount(); });
    qApp->installEventFilter(
        new KeyFilter(this, ui->scaleSpaceTable, menus, [this] { refreshActions(); }));
}

void MainWindow::refreshActions() {
    menus->enable("actionSave", ui->saveAsButton->isEnabled());
    menus->enable("actionSaveAs", ui->saveAsButton->isEnabled());
    menus->enable("actionMake", ui->makeButton->isEnabled());
    menus->enable("actionCancel", ui->cancelButton->isEnabled());
    menus->enable("actionClear", ui->clearButton->isEnabled());
    editor->refreshActions(menus);
    menus->check("actionDecimal", model->getDisplayMode() == DisplayMode::Decimal);
    menus->check("actionCents", model->getDisplayMode() == DisplayMode::Cents);
    menus->check("actionSize", model->getIntervalMode() == IntervalMode::Size);
    menus->check("actionWeight", model->getIntervalMode() == IntervalMode::Weight);
}

bool MainWindow::maybeSave() {
    return document->maybeSave(scaleSpace.getName());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    Settings::instance().setWindowGeometry(saveGeometry(), saveState());
    event->accept();
}

void MainWindow::openRecentFile(const QString& path) {
    if (!maybeSave()) {
        return;
    }
    if (openScaleSpaceFile(path, false)) {
        showEntryOfCurrentFile();
        document->rememberFile(path);
    }
}

bool MainWindow::importScala(const QString& path) {
    const std::optional<SizePattern> pattern = document->readScala(path);
    if (!pattern || !maybeSave()) {
        return false;
    }
    // A space of no file: "Save" asks where, and it counts as modified until saved.
    forgetTuning();
    if (!showSizePattern(QFileInfo(path).baseName(), *pattern, true)) {
        return false;
    }
    emit currentUrlChanged(QUrl());
    {
        const QSignalBlocker blocker(ui->scaleSpaceCombo);
        ui->scaleSpaceCombo->setCurrentText(customEntry);
    }
    document->markImported(path);
    return true;
}
