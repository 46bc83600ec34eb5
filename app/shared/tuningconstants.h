#pragma once

// The tuning group: the application group plus the weight function names, the tolerance
// of the "Benedetti" weight and the list of scale spaces.

#include "app/shared/appconstants.h"

#include <QStringList>

extern const QString uniformFunctionName;
extern const QStringList weightFunctionNames;
extern const QString arbitraryFunctionName;
extern const long double epsilon;
extern const QString customEntry;
extern const QStringList defaultScaleSpaces;
extern const QString defaultScaleSpace;
