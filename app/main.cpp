#include "app/mainwindow.h"
#include "app/shared/appconstants.h"
#include "storage/dbmanager.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(appName);
    QGuiApplication::setApplicationDisplayName(appName);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMERE_DESKTOP_FILE_NAME));

    // The window opens the default scale space from the library, so the library comes first.
    dbManager::initialise();
    initialisePalette();

    MainWindow window;
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 2) {
        window.changeScaleSpace(arguments.at(1));
    }
    window.show();
    return application.exec();
}
