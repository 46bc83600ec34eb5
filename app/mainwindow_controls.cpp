// The display and weighting controls.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/widgets/tablecursor.h"

#include "app/shared/tuningconstants.h"
#include "app/widgets/scalespacedelegate.h"

#include "app/making/tuningmaking.h"
#include "app/table/scalespaceeditor.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>

QString MainWindow::controlTooltip(const QAbstractSlider* control) const {
    if (control == ui->cutoffDial) {
        return tr("Maker precision: %1 of %2\nWeight cutoff: %3")
            .arg(control->value())
            .arg(control->maximum())
            .arg(makeNumberText(makeCutoffValue(), true));
    }
    return tr("Weight attenuation: %1 of %2").arg(control->value()).arg(control->maximum());
}

void MainWindow::handlePrecisionChanged(const int& precision) {
    cursor->keepCurrentCell([this, precision] { model->setPrecision(precision); });
}

void MainWindow::handleRangeChanged(const int& range) {
    cursor->keepCurrentCell([this, range] { model->setRange(range); });
    editor->keepInRange(range);
}

void MainWindow::handleAttenuationChanged(int attenuation) {
    cursor->keepCurrentCell([this, attenuation] { model->setAttenuation(attenuation); });
}

// The dial's value is read only when a tuning is made; dragging it must not leave the table
// without its current cell and keyboard focus.
void MainWindow::handleCutoffChanged() {
    cursor->keepCurrentCell([] {});
}

void MainWindow::handleWeightFuncChanged(const int& index) {
    editor->chooseWeightFunction(index);
}

// The button is checked first so that a mode changed by a key shows in the buttons; checking
// emits no idReleased, so the handler does not run twice.
void MainWindow::handleChangeDisplay(const DisplayMode& mode) {
    if (QAbstractButton* button = displayModeGroup->button(static_cast<int>(mode))) {
        button->setChecked(true);
    }
    cursor->keepCurrentCell([this, mode] { model->setDisplayMode(mode); });
}

void MainWindow::handleChangeSizeWeight(const IntervalMode& mode) {
    if (QAbstractButton* button = sizeWeightGroup->button(static_cast<int>(mode))) {
        button->setChecked(true);
    }
    cursor->keepCurrentCell([this, mode] { model->setIntervalMode(mode); });
}

void MainWindow::swapDisplayMode() {
    handleChangeDisplay(model->getDisplayMode() == DisplayMode::Decimal ? DisplayMode::Cents
                                                                        : DisplayMode::Decimal);
}

void MainWindow::swapIntervalMode() {
    handleChangeSizeWeight(model->getIntervalMode() == IntervalMode::Size ? IntervalMode::Weight
                                                                          : IntervalMode::Size);
}
