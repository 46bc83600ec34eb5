#include "app/making/tuningcheck.h"

#include "core/interval.h"
#include "core/scalespace.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString whatIsWrong(const long double& size) {
    if (std::isnan(size)) {
        return QStringLiteral("is not a number");
    }
    if (!(size > 0)) {
        return QStringLiteral("is not positive");
    }
    if (std::isinf(size)) {
        return QStringLiteral("is not finite");
    }
    return QStringLiteral("is out of range");
}

} // namespace

std::optional<QString> findUntunableInterval(const std::vector<int>& notes,
                                             const SizeLookup& size) {
    for (std::size_t low = 0; low < notes.size(); ++low) {
        for (std::size_t high = low + 1; high < notes.size(); ++high) {
            const long double value = size(notes[low], notes[high]);
            if (!isUsableSize(value)) {
                return QCoreApplication::translate("TuningCheck",
                                                   "Cannot make a tuning: the size of interval "
                                                   "[%1, %2] %3.")
                    .arg(notes[low] + 1)
                    .arg(notes[high] + 1)
                    .arg(whatIsWrong(value));
            }
        }
    }
    return std::nullopt;
}

std::optional<QString> findUntunableInterval(const std::vector<int>& notes,
                                             const ScaleSpace& space) {
    if (space.noteCount() == 0) {
        return std::nullopt;
    }
    return findUntunableInterval(notes, [&space](const int& from, const int& to) {
        return space.getIntervalSize(to, from);
    });
}
