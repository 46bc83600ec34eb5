// Making a tuning in the background.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/widgets/tablecursor.h"

#include "app/making/tuningcheck.h"
#include "app/making/tuningjob.h"
#include "app/making/tuningmaking.h"
#include "app/output/tuningoutput.h"
#include "app/shared/tuningconstants.h"
#include "app/table/scalespaceeditor.h"
#include "app/widgets/scalespacedelegate.h"

#include <QStatusBar>

#include <algorithm>

long double MainWindow::makeCutoffValue() const {
    return makeCutoff(static_cast<int>(notesToSave().size()), ui->cutoffDial->value(),
                      ui->cutoffDial->maximum());
}

IntervalsPattern MainWindow::makeSubIntervalsPattern(std::vector<int> notes) const {
    return makeNotesIntervalsPattern(notes, *model);
}

void MainWindow::handleMakeClicked() {
    cursor->keepCurrentCell([this] { startMaking(); });
}

void MainWindow::handleCancelClicked() {
    cursor->keepCurrentCell([this] { cancelMaking(); });
    ui->makeProgressBar->setValue(0);
}

void MainWindow::handleClearClicked() {
    cursor->keepCurrentCell([this] { clearTemperamentBox(); });
}

void MainWindow::startMaking() {
    // A size that is not usable would make the search run for minutes and print infinities.
    if (const std::optional<QString> untunable = findUntunableInterval(notesToSave(), scaleSpace)) {
        statusBar()->showMessage(*untunable, statusTimeout);
        return;
    }
    if (job->isRunning()) {
        // One task at a time: stop the running one and come back once it has ended.
        ui->cancelButton->click();
        QMetaObject::invokeMethod(this, &MainWindow::startMaking, Qt::QueuedConnection);
        return;
    }
    ui->cancelButton->setEnabled(true);
    ui->clearButton->setEnabled(false);
    ui->makeProgressBar->setValue(0);
    const TuningSettings settings = currentTuningSettings();
    output->begin(describeTuning(scaleSpace.getName(), settings.notes, model->getRange(),
                                 settings.weightFunctionName, model->getAttenuation(),
                                 settings.dial),
                  keptTuningInput(settings, *model));
    ui->temperamentBox->setPlainText(tr("Making tuning..."));
    statusBar()->clearMessage();
    job->start(makeTuningRequest(settings, *model));
}

TuningSettings MainWindow::currentTuningSettings() const {
    TuningSettings settings;
    settings.notes = notesToSave();
    settings.weightFunctionName = ui->weightFuncCombo->currentText();
    settings.dial = ui->cutoffDial->value();
    settings.dialMaximum = ui->cutoffDial->maximum();
    return settings;
}

void MainWindow::cancelMaking() {
    if (!job->cancel()) {
        return;
    }
    // No tuning stays behind the empty box.
    output->clear();
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);
}

void MainWindow::makingTuningFinished(const std::vector<long double>& result) {
    cursor->unframe();
    ui->makeButton->setEnabled(true);
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);
    if (result.empty()) {
        output->clear();
        ui->makeProgressBar->setValue(0);
        statusBar()->showMessage(tr("The tuning could not be made."), statusTimeout);
        return;
    }
    output->show(result);
    if (result.size() < 2) {
        statusBar()->showMessage(output->exportProblem(), statusTimeout);
    }
}

const std::vector<long double>& MainWindow::getTuning() const {
    return output->tuning();
}

void MainWindow::clearTemperamentBox() {
    if (job->isRunning()) {
        return;
    }
    output->clear();
    ui->makeProgressBar->setValue(0);
}

void MainWindow::displayTuning() {
    if (!output->tuning().empty()) {
        const std::vector<long double> shown = output->tuning();
        output->show(shown);
    }
}
