// File > Export: the last tuning written for synthesizers, one entry per format.

#include "app/exporting/tuningexporter.h"
#include "app/mainwindow.h"
#include "app/menus/windowmenus.h"
#include "app/output/tuningoutput.h"

#include <QStatusBar>

void MainWindow::initialiseExporting() {
    auto* exportMenu =
        new ExportMenu(menus->menu(QStringLiteral("menuExport")), new TuningExporter(this), [this] {
            formats::TuningDocument document;
            document.tuning = getTuning();
            document.title = scaleSpace.getName();
            document.description = output->description();
            if (output->isOutOfDate()) {
                document.description += tr(" (out of date: the table changed after it was made)");
            }
            return document;
        });
    connect(exportMenu, &ExportMenu::statusMessage, this, [this](const QString& text) {
        const bool stale = output->isOutOfDate() && text.startsWith(tr("Exported"));
        statusBar()->showMessage(stale ? text + tr(" - the tuning is out of date") : text,
                                 statusTimeout);
    });
    connect(this, &MainWindow::tuningChanged, exportMenu,
            [this, exportMenu] { exportMenu->setProblem(output->exportProblem()); });
}
