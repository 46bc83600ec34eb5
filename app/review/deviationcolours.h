#pragma once

#include <QColor>

// The diverging scale of deviations: flat in blue, sharp in red, white at 0, saturated at
// the largest deviation (either sign) and beyond. Everything is white when the largest is 0.
QColor deviationColour(const long double& deviation, const long double& largest);

// The ends of the scale.
QColor flatColour();
QColor sharpColour();
