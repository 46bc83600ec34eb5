// File > Export: the last tuning written for synthesizers, one entry per format.

#include "app/exporting/tuningexporter.h"
#include "app/mainwindow.h"
#include "app/menus/windowmenus.h"

#include <QStatusBar>

void MainWindow::initialiseExporting() {
    auto* exportMenu =
        new ExportMenu(menus->menu(QStringLiteral("menuExport")), new TuningExporter(this), [this] {
            formats::TuningDocument document;
            document.tuning = getTuning();
            document.title = scaleSpace.getName();
            document.description = tr("Tuning of %1 made by Quillmere").arg(scaleSpace.getName());
            return document;
        });
    connect(exportMenu, &ExportMenu::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(this, &MainWindow::tuningChanged, exportMenu,
            [this, exportMenu] { exportMenu->setExportable(!getTuning().empty()); });
}
