#pragma once

// A number as a narrow string stream writes it at a precision, in the general or the
// scientific form: the reference that the table's own formatter must match.

#include <QString>

#include <sstream>

namespace testing {

inline QString streamText(long double value, int precision, bool scientific) {
    std::ostringstream stream;
    stream.precision(precision);
    if (scientific) {
        stream << std::scientific;
    }
    stream << value;
    return QString::fromStdString(stream.str());
}

} // namespace testing
