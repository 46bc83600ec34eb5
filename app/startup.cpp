#include "app/startup.h"

#include "app/mainwindow.h"
#include "app/shared/storageconstants.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPalette>
#include <QStyle>

QString makeFilePath(const QString& name, const QString& folder) {
    return QDir(folder).filePath(name + "." + fileExtension);
}

void initialisePalette() {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette palette = QGuiApplication::palette();
    const QBrush orange(QColor(255, 128, 0), Qt::SolidPattern);
    palette.setBrush(QPalette::All, QPalette::Highlight, orange);
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    palette.setBrush(QPalette::All, QPalette::Accent, orange);
#endif
    QApplication::setPalette(palette);
}

void applyCommandLine(MainWindow& window, const QStringList& arguments) {
    if (arguments.size() < 2) {
        return;
    }
    // A Scala scale is imported, as File > Import Scala... does.
    if (QFileInfo(arguments.at(1)).suffix().compare(QStringLiteral("scl"), Qt::CaseInsensitive) ==
        0) {
        window.importScala(arguments.at(1));
    } else {
        window.changeScaleSpace(arguments.at(1));
    }
}
