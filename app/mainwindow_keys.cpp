// The application-wide keys, copy and paste of table cells, and the cells' tooltips.
// Declared in mainwindow.h and defined with a later change: makeTooltipText.

#include "app/mainwindow.h"

// Placeholder: the keys, tooltips and focus handling arrive with a later change; until then
// every event goes on as if there were no filter.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    return QMainWindow::eventFilter(watched, event);
}
