#pragma once

// The application group of the shared constants: used by every unit.

#include <QString>

extern const QString appName;
// The user's base configuration folder followed by "/" and appName. Evaluated before main,
// while no application name is set, so QStandardPaths adds no sub-folder of its own.
extern const QString configPath;
