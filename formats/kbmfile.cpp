#include "formats/tuningformats.h"

#include <QLocale>
#include <QStringList>

namespace formats {

QByteArray writeKeyboardMapping(const TuningDocument& document) {
    if (!mappingProblem(document.tuning).isEmpty()) {
        return QByteArray();
    }
    const int degrees = degreeCount(document.tuning);
    const QString key = QString::number(document.mapping.referenceKey);
    QStringList lines{
        QStringLiteral("! %1").arg(oneLine(document.title)),
        QStringLiteral("! %1").arg(oneLine(document.description)),
        QStringLiteral("!"),
        QStringLiteral("! Size of map:"),
        QString::number(degrees),
        QStringLiteral("! First MIDI note number to retune:"),
        QStringLiteral("0"),
        QStringLiteral("! Last MIDI note number to retune:"),
        QString::number(midiKeyCount - 1),
        QStringLiteral("! Middle note where the first entry of the mapping is mapped to:"),
        key,
        QStringLiteral("! Reference note for which frequency is given:"),
        key,
        QStringLiteral("! Frequency to tune the above note to:"),
        // The shortest text that reads back as the same double, never in exponent form, which
        // readers of these files refuse.
        QString::number(document.mapping.referenceFrequency, 'f', QLocale::FloatingPointShortest),
        QStringLiteral("! Scale degree to consider as formal octave:"),
        QString::number(degrees),
        QStringLiteral("! Mapping."),
    };
    for (int degree = 0; degree < degrees; ++degree) {
        lines << QString::number(degree);
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

} // namespace formats
