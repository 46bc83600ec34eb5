#include "app/mainwindow.h"
#include "app/shared/appconstants.h"
#include "storage/dbmanager.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Whether Qt has a display to open: an X or Wayland display, or a platform chosen by hand.
bool hasDisplay(int argc, char** argv) {
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Without a display Qt aborts with advice to reinstall; say what is missing instead.
    if (!hasDisplay(argc, argv)) {
        std::fputs("quillmere: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                   "for tunings on the command line use quillmere-tune (see quillmere-tune "
                   "--help)\n",
                   stderr);
        return 1;
    }
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
