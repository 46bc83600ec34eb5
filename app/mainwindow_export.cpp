// File > Export: the last tuning written for synthesizers, one entry per format.

#include "app/exporting/tuningexporter.h"
#include "app/mainwindow.h"
#include "app/menus/windowmenus.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

namespace {

// "Scala keyboard mapping" as the menus write their entries: "Scala Keyboard Mapping".
QString titleCase(const QString& title) {
    QStringList words = title.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (!word.isEmpty()) {
            word[0] = word[0].toUpper();
        }
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

void MainWindow::initialiseExporting() {
    auto* exporter = new TuningExporter(this);
    QMenu* exportMenu = menus->menu(QStringLiteral("menuExport"));
    QList<QAction*> exports;
    for (const formats::TuningFormat& format : formats::tuningFormats()) {
        QAction* action =
            exportMenu->addAction(tr("%1 (.%2)...").arg(titleCase(format.title), format.name));
        action->setObjectName(QStringLiteral("actionExport") + format.name.toUpper());
        connect(action, &QAction::triggered, this, [this, exporter, &format] {
            formats::TuningDocument document;
            document.tuning = getTuning();
            document.title = scaleSpace.getName();
            document.description = tr("Tuning of %1 made by Quillmere").arg(scaleSpace.getName());
            const QString status = exporter->exportTuning(format, document);
            if (!status.isEmpty()) {
                statusBar()->showMessage(status);
            }
        });
        exports << action;
    }
    exportMenu->addSeparator();
    QAction* reference = exportMenu->addAction(tr("&Reference Key and Frequency..."));
    reference->setObjectName(QStringLiteral("actionExportReference"));
    connect(reference, &QAction::triggered, this, [exporter] { exporter->askKeyMapping(); });

    const auto enableExports = [this, exports] {
        for (QAction* action : exports) {
            action->setEnabled(!getTuning().empty());
        }
    };
    connect(this, &MainWindow::tuningChanged, this, enableExports);
    enableExports();
}
