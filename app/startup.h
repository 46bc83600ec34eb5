#pragma once

// The steps of start-up around the window, and the path of a library file.

#include <QString>
#include <QStringList>

class MainWindow;

// The file of the named scale space in the folder.
QString makeFilePath(const QString& name, const QString& folder);
// The command-line step of start-up: the first argument after the program's own path, if
// any, names a scale space file to show instead of the default; further ones are ignored.
void applyCommandLine(MainWindow& window, const QStringList& arguments);
// The application style and palette: "Fusion" with orange selection highlights and accents.
// Called once, after the application object exists and before any window is built.
void initialisePalette();
