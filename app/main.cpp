#include "app/mainwindow.h"
#include "app/shared/appconstants.h"
#include "storage/dbmanager.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(appName);
    // QSettings() then keeps what the window remembers in the configuration folder's own file.
    QCoreApplication::setOrganizationName(appName);
    QGuiApplication::setApplicationDisplayName(appName);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMERE_DESKTOP_FILE_NAME));

    // The window opens the default scale space from the library, so the library comes first.
    dbManager::initialise();
    initialisePalette();

    MainWindow window;
    applyCommandLine(window, QCoreApplication::arguments());
    window.show();
    return application.exec();
}
