#include "formats/keymapping.h"

#include <cmath>

namespace formats {

QString mappingProblem(const std::vector<long double>& tuning) {
    if (tuning.size() < 2) {
        return QStringLiteral("a tuning of fewer than two notes has no period");
    }
    for (const long double ratio : tuning) {
        if (!std::isfinite(ratio) || ratio <= 0) {
            return QStringLiteral("the tuning holds a ratio that is not a positive number");
        }
    }
    if (tuning.back() <= tuning.front()) {
        return QStringLiteral("the period is not above the first note");
    }
    return QString();
}

int degreeCount(const std::vector<long double>& tuning) {
    return tuning.empty() ? 0 : static_cast<int>(tuning.size()) - 1;
}

std::vector<long double> keyCents(const std::vector<long double>& tuning,
                                  const KeyMapping& mapping) {
    const int degrees = degreeCount(tuning);
    const auto cents = [](long double ratio) {
        return 1200.0L * std::log2(ratio);
    };
    const long double referenceCents =
        cents(static_cast<long double>(mapping.referenceFrequency) / midiNoteZeroFrequency);
    const long double periodCents = cents(tuning.back() / tuning.front());

    std::vector<long double> result(midiKeyCount);
    for (int key = 0; key < midiKeyCount; ++key) {
        const int steps = key - mapping.referenceKey;
        // Floor division, so that keys below the reference fall into lower periods.
        const int periods = steps >= 0 ? steps / degrees : -((-steps + degrees - 1) / degrees);
        const int degree = steps - periods * degrees;
        result[std::size_t(key)] = referenceCents +
                                   cents(tuning[std::size_t(degree)] / tuning.front()) +
                                   periods * periodCents;
    }
    return result;
}

} // namespace formats
