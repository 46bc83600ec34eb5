#include "app/review/deviationcolours.h"

#include <algorithm>
#include <cmath>

QColor flatColour() {
    return QColor(33, 102, 172);
}

QColor sharpColour() {
    return QColor(178, 24, 43);
}

QColor deviationColour(const long double& deviation, const long double& largest) {
    const long double scale = std::fabs(largest);
    if (!(scale > 0) || !std::isfinite(static_cast<double>(deviation))) {
        return QColor(Qt::white);
    }
    const double share = static_cast<double>(std::min(std::fabs(deviation) / scale, 1.0L));
    const QColor end = deviation < 0 ? flatColour() : sharpColour();
    // Straight from white towards the end, channel by channel.
    const auto mix = [share](int towards) {
        return static_cast<int>(std::lround(255 + (towards - 255) * share));
    };
    return QColor(mix(end.red()), mix(end.green()), mix(end.blue()));
}
