// File > Export: the last tuning written for synthesizers, one entry per format.

#include "app/exporting/tuningexporter.h"
#include "app/mainwindow.h"
#include "app/menus/windowmenus.h"
#include "app/output/tuningoutput.h"
#include "app/review/tuningreview.h"
#include "app/widgets/statusrelay.h"
#include "ui_mainwindow.h"

#include <QStatusBar>

void MainWindow::initialiseExporting() {
    auto* exportMenu =
        new ExportMenu(menus->menu(QStringLiteral("menuExport")), new TuningExporter(this),
                       [this] { return output->exportDocument(scaleSpace.getName()); });
    connect(exportMenu, &ExportMenu::statusMessage, this, [this](const QString& text) {
        const bool stale = output->isOutOfDate() && text.startsWith(tr("Exported"));
        statusBar()->showMessage(stale ? text + tr(" - the tuning is out of date") : text,
                                 statusTimeout);
    });
    connect(this, &MainWindow::tuningChanged, exportMenu,
            [this, exportMenu] { exportMenu->setProblem(output->exportProblem()); });
    auto* review = new TuningReview(
        {this, menus, output, model, &scaleSpace, ui->scaleSpaceTable, cursor, editor}, this);
    relayStatusMessages(review, statusBar(), statusTimeout);
}
