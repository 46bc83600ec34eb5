// Making a tuning in the background.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/widgets/tablecursor.h"

#include "app/making/tuningcheck.h"
#include "app/making/tuningjob.h"
#include "app/making/tuningmaking.h"
#include "app/shared/tuningconstants.h"
#include "app/widgets/scalespacedelegate.h"

#include <QScrollBar>
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
        statusBar()->showMessage(*untunable);
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
    ui->temperamentBox->setPlainText(tr("Making tuning..."));
    statusBar()->clearMessage();
    job->start(makeTuningRequest(currentTuningSettings(), *model));
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
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);
    ui->temperamentBox->clear();
}

void MainWindow::makingTuningFinished(const std::vector<long double>& result) {
    cursor->unframe();
    ui->makeButton->setEnabled(true);
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);
    tuning = result;
    if (tuning.empty()) {
        ui->temperamentBox->clear();
        ui->makeProgressBar->setValue(0);
        statusBar()->showMessage(tr("The tuning could not be made."));
    } else {
        displayTuning();
    }
    emit tuningChanged();
}

void MainWindow::clearTemperamentBox() {
    if (job->isRunning()) {
        return;
    }
    tuning.clear();
    ui->temperamentBox->clear();
    ui->makeProgressBar->setValue(0);
    emit tuningChanged();
}

void MainWindow::displayTuning() {
    QPlainTextEdit* box = ui->temperamentBox;
    box->clear();
    if (tuning.empty()) {
        return;
    }
    for (const QString& line : makeTuningLines(tuning)) {
        box->appendPlainText(line);
    }
    box->verticalScrollBar()->setValue(0);
    box->moveCursor(QTextCursor::Start);
}
