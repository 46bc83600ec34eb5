// Making a tuning in the background.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/making/tuningcheck.h"
#include "app/making/tuningmaking.h"
#include "app/shared/tuningconstants.h"
#include "app/widgets/scalespacedelegate.h"

#include <QScrollBar>
#include <QStatusBar>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

long double MainWindow::makeCutoffValue() const {
    return makeCutoff(static_cast<int>(notesToSave().size()), ui->cutoffDial->value(),
                      ui->cutoffDial->maximum());
}

IntervalsPattern MainWindow::makeSubIntervalsPattern(std::vector<int> notes) const {
    return makeNotesIntervalsPattern(notes, *model);
}

void MainWindow::handleMakeClicked() {
    keepCurrentCell([this] { startMaking(); });
}

void MainWindow::handleCancelClicked() {
    keepCurrentCell([this] { cancelMaking(); });
    ui->makeProgressBar->setValue(0);
}

void MainWindow::handleClearClicked() {
    keepCurrentCell([this] { clearTemperamentBox(); });
}

void MainWindow::startMaking() {
    // A size that is not usable would make the search run for minutes and print infinities.
    if (const std::optional<QString> untunable = findUntunableInterval(notesToSave(), scaleSpace)) {
        statusBar()->showMessage(*untunable);
        return;
    }
    if (makingFuture.isRunning()) {
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

    cancelationRequest = false;

    const std::vector<int> notes = notesToSave();
    const std::vector<int> fixed = model->getFixedNotes();
    TuningRequest request;
    request.fixedPositions = makeFixedPositions(notes, fixed);
    request.pattern = makeSubIntervalsPattern(notes);
    request.cutoff = makeCutoffValue();
    request.unweighted = isUnweightedSearch(ui->weightFuncCombo->currentText(), fixed);

    const unsigned int run = ++makingRun;
    MainWindow* window = this;
    makingFuture = QtConcurrent::run(
        QThreadPool::globalInstance(), [window, run, request = std::move(request)] {
            // Queued on the window: Qt drops the calls still pending when it goes. The search
            // reports per note and by the work done, so within a run the bar only moves on.
            // The bar counts ten-thousandths, the work reports' unit.
            const auto show = [window, run](int parts) {
                QMetaObject::invokeMethod(
                    window,
                    [window, run, parts] {
                        if (run == window->makingRun && !window->cancelationRequest) {
                            QProgressBar* bar = window->ui->makeProgressBar;
                            bar->setValue(std::max(bar->value(), parts));
                        }
                    },
                    Qt::QueuedConnection);
            };
            const auto progress = [show](int percent) {
                show(100 * percent);
            };
            // An exception kept in the future would be thrown again by every later wait for
            // it, the window's destructor included: a failed search gives no tuning instead.
            try {
                return makeTuning(request, window->cancelationRequest, progress, show);
            } catch (...) {
                return std::vector<long double>();
            }
        });
    makingWatcher.setFuture(makingFuture);
}

void MainWindow::cancelMaking() {
    if (!makingFuture.isRunning()) {
        return;
    }
    cancelationRequest = true;
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);
    ui->temperamentBox->clear();
}

void MainWindow::makingTuningFinished() {
    // A cancelled task's result is never shown; the buttons already stand as when idle.
    if (cancelationRequest || !makingFuture.isFinished()) {
        return;
    }
    if (ScaleSpaceDelegate* delegate = tableDelegate()) {
        delegate->setLastSelectedIndex(std::optional<QModelIndex>());
    }
    ui->makeButton->setEnabled(true);
    ui->cancelButton->setEnabled(false);
    ui->clearButton->setEnabled(true);

    std::optional<std::vector<long double>> result = takeTuning(makingFuture);
    if (!result) {
        tuning.clear();
        ui->temperamentBox->clear();
        ui->makeProgressBar->setValue(0);
        statusBar()->showMessage(tr("The tuning could not be made."));
        emit tuningChanged();
        return;
    }
    tuning = std::move(*result);
    displayTuning();
    emit tuningChanged();
}

void MainWindow::clearTemperamentBox() {
    if (makingFuture.isRunning()) {
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
