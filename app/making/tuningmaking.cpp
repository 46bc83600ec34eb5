#include "app/making/tuningmaking.h"

#include "app/shared/tuningconstants.h"
#include "model/scalespacemodel.h"
#include "tuning/scale.h"

#include <algorithm>
#include <cmath>
#include <sstream>

long double makeCutoff(const int& noteCount, const int& dialValue, const int& dialMaximum) {
    const double n = noteCount;
    const double maximum = dialMaximum;
    const double exponent = 20.0 * std::pow((1024.0 - n) / 1024.0, 20.0);
    return std::pow((maximum - dialValue) / maximum, exponent) / n;
}

std::vector<int> makeFixedPositions(const std::vector<int>& notes,
                                    const std::vector<int>& fixedNotes) {
    std::vector<int> positions;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (std::find(fixedNotes.begin(), fixedNotes.end(), notes[i]) != fixedNotes.end()) {
            positions.push_back(static_cast<int>(i));
        }
    }
    return positions;
}

bool isUnweightedSearch(const QString& weightFunctionName, const std::vector<int>& fixedNotes) {
    return weightFunctionName == uniformFunctionName && fixedNotes.empty();
}

IntervalsPattern makeNotesIntervalsPattern(std::vector<int> notes, const int& range,
                                           const IntervalLookup& interval) {
    if (notes.empty()) {
        for (int note = 0; note < range; ++note) {
            notes.push_back(note);
        }
    }
    std::sort(notes.begin(), notes.end());
    IntervalsPattern pattern;
    const std::size_t count = notes.size();
    if (count < 2) {
        return pattern;
    }
    pattern.reserve(count - 1);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        std::vector<Interval>& row = pattern.emplace_back();
        row.reserve(count - 1 - i);
        for (std::size_t j = i + 1; j < count; ++j) {
            row.push_back(interval(notes[i], notes[j]));
        }
    }
    return pattern;
}

IntervalsPattern makeNotesIntervalsPattern(const std::vector<int>& notes,
                                           const ScaleSpaceModel& model) {
    return makeNotesIntervalsPattern(
        notes, model.getRange(),
        [&model](const int& row, const int& column) { return model.interval(row, column); });
}

TuningRequest makeTuningRequest(const TuningSettings& settings, const ScaleSpaceModel& model) {
    std::vector<int> notes = settings.notes;
    if (notes.empty()) {
        for (int note = 0; note < model.getRange(); ++note) {
            notes.push_back(note);
        }
    }
    const std::vector<int> fixed = model.getFixedNotes();
    TuningRequest request;
    request.pattern = makeNotesIntervalsPattern(notes, model);
    request.fixedPositions = makeFixedPositions(notes, fixed);
    request.cutoff =
        makeCutoff(static_cast<int>(notes.size()), settings.dial, settings.dialMaximum);
    request.unweighted = isUnweightedSearch(settings.weightFunctionName, fixed);
    return request;
}

std::vector<long double> makeTuning(const TuningRequest& request,
                                    std::atomic<bool>& cancelationRequest,
                                    const std::function<void(int)>& progressCallback,
                                    const std::function<void(int)>& workCallback) {
    Scale scale(request.pattern, nullptr);
    scale.setWorkCallback(workCallback);
    // The fixed notes are kept only if they lie inside the pattern, so the pattern comes
    // first.
    scale.setWeightCutoff(request.cutoff);
    scale.setUnweighted(request.unweighted);
    scale.setFixedNotes(request.fixedPositions);
    return scale.tuneScale(cancelationRequest, progressCallback, 0);
}

std::optional<std::vector<long double>>
takeTuning(const QFuture<std::vector<long double>>& future) {
    try {
        if (!future.isFinished() || future.resultCount() == 0) {
            return std::nullopt;
        }
        std::vector<long double> tuning = future.result();
        if (tuning.empty()) {
            return std::nullopt;
        }
        return tuning;
    } catch (...) {
        return std::nullopt;
    }
}

QString makeNumberText(const long double& value, bool scientific) {
    std::ostringstream stream;
    stream.precision(15);
    if (scientific) {
        stream << std::scientific;
    }
    stream << value;
    return QString::fromUtf8(stream.str().c_str());
}

QString makeTuningValueText(const long double& value) {
    QString text = makeNumberText(value, false);
    if (!text.contains(QLatin1Char('.'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

QStringList makeTuningLines(const std::vector<long double>& tuning) {
    QStringList lines;
    if (tuning.empty()) {
        return lines;
    }
    lines << QStringLiteral("Decimal tuning");
    for (const long double& value : tuning) {
        lines << makeTuningValueText(value);
    }
    lines << QStringLiteral("\nCents tuning");
    for (const long double& value : tuning) {
        lines << makeTuningValueText(1200.0 * std::log2(static_cast<double>(value)));
    }
    return lines;
}

// One-based numbers as the window shows them: "1-3, 7" for 0, 1, 2, 6.
QString noteListText(const std::vector<int>& notes) {
    QStringList parts;
    for (std::size_t i = 0; i < notes.size();) {
        std::size_t end = i;
        while (end + 1 < notes.size() && notes[end + 1] == notes[end] + 1) {
            ++end;
        }
        parts << (end == i ? QString::number(notes[i] + 1)
                           : QStringLiteral("%1-%2").arg(notes[i] + 1).arg(notes[end] + 1));
        i = end + 1;
    }
    return parts.join(QLatin1Char(','));
}

QString describeTuning(const QString& name, const std::vector<int>& notes, const int& range,
                       const QString& weightFunctionName, const int& attenuation, const int& dial) {
    return name + QStringLiteral(": notes ") + noteListText(notes) + QStringLiteral(" of ") +
           QString::number(range) + QStringLiteral(", ") + weightFunctionName +
           QStringLiteral(" weights, attenuation ") + QString::number(attenuation) +
           QStringLiteral(", dial ") + QString::number(dial);
}
