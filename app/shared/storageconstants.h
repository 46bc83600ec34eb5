#pragma once

// The storage group: the tuning group plus the library folder and the file extension.

#include "app/shared/tuningconstants.h"

extern const QString pitchSpacesPath;
extern const QString fileExtension;
