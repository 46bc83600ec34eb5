// The application-wide keys, copy and paste of table cells, and the cells' tooltips.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/tablecursor.h"

#include <QHelpEvent>
#include <QToolTip>

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Events can arrive while the form is being built or taken down.
    if (ui == nullptr || model == nullptr || cursor == nullptr) {
        return QMainWindow::eventFilter(watched, event);
    }
    QTableView* table = ui->scaleSpaceTable;
    if (event->type() == QEvent::ToolTip && watched == ui->cutoffDial) {
        // The cutoff depends on the notes to tune, which change without the dial.
        ui->cutoffDial->setToolTip(controlTooltip(ui->cutoffDial));
    } else if (event->type() == QEvent::ToolTip && watched == table->viewport()) {
        const auto* helpEvent = static_cast<QHelpEvent*>(event);
        const QModelIndex cell = table->indexAt(helpEvent->pos());
        if (cell.isValid()) {
            QToolTip::showText(helpEvent->globalPos(), makeTooltipText(cell), table, QRect(), -1);
        }
        return true;
    } else if (event->type() == QEvent::FocusIn && watched == ui->temperamentBox) {
        cursor->unframe();
        if (QItemSelectionModel* selection = table->selectionModel()) {
            selection->clearSelection();
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
