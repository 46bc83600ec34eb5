#include "app/making/searchclock.h"

#include "tuning/searchthreads.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// Before this, the work counter says too little to extrapolate.
constexpr qint64 settling = 200;

QString tr(const char* text) {
    return QCoreApplication::translate("SearchClock", text);
}

} // namespace

void SearchClock::start(const qint64& now) {
    started = now;
    reported = now;
    parts = 0;
    step = 0;
}

void SearchClock::report(const int& newParts, const qint64& now) {
    if (newParts > parts) {
        step = std::min(newParts, workParts) - parts;
        parts += step;
        reported = now;
    }
}

std::optional<double> SearchClock::totalSeconds() const {
    const qint64 elapsed = reported - started;
    if (parts <= 0 || elapsed < settling) {
        return std::nullopt;
    }
    return elapsed / 1000.0 * workParts / parts;
}

std::optional<double> SearchClock::lengthAt(const qint64& now) const {
    const std::optional<double> total = totalSeconds();
    if (!total) {
        return std::nullopt;
    }
    // Reports come in steps (of a millionth, or of a note): one as long as the last that has not
    // come by now says a slower pace, so the time left stops counting down to nothing while the
    // search turns out slower than it looked.
    const double elapsed = (now - started) / 1000.0;
    return std::max(*total, elapsed * workParts / (parts + step));
}

std::optional<double> SearchClock::secondsLeft(const qint64& now) const {
    const std::optional<double> length = lengthAt(now);
    if (!length) {
        return std::nullopt;
    }
    return std::max(1.0, *length - (now - started) / 1000.0);
}

QString SearchClock::progressFormat(const qint64& now) const {
    const std::optional<double> left = secondsLeft(now);
    return left ? tr("%p % – %1 left").arg(clockText(*left)) : tr("%p %");
}

QString clockText(const double& seconds) {
    const long long whole = std::llround(std::max(0.0, seconds));
    const long long hours = whole / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (whole / 60) % 60 : whole / 60,
                                               hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesAndSeconds)
                     : minutesAndSeconds;
}

QString roughDurationText(const double& seconds) {
    if (seconds < 90) {
        return tr("about %1 s").arg(std::llround(seconds));
    }
    if (seconds < 90 * 60) {
        return tr("about %1 min").arg(std::llround(seconds / 60));
    }
    return tr("about %1 h").arg(QString::number(seconds / 3600, 'f', 1));
}

QString searchCostText(const double& seconds, const int& noteCount) {
    if (seconds <= 10) {
        return QString();
    }
    QString text = tr("Making the tuning (%1).").arg(roughDurationText(seconds));
    if (seconds > 60) {
        // The pass over note sets at 1000 doubles with every note: quick up to some 23 notes.
        text += noteCount <= 23 ? tr(" A long search: the dial at 1000 takes every path and is "
                                     "done in seconds. Cancel stops this one.")
                                : tr(" A long search: a lower dial cuts more paths and is "
                                     "quicker. Cancel stops this one.");
    }
    return text;
}
