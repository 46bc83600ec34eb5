#include "formats/tuningformats.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace formats {

QByteArray writeAnaMarkTuning(const TuningDocument& document) {
    if (!mappingProblem(document.tuning).isEmpty()) {
        return QByteArray();
    }
    const std::vector<long double> cents = keyCents(document.tuning, document.mapping);
    QStringList lines{
        QStringLiteral("; AnaMark tuning of %1").arg(oneLine(document.title)),
        QStringLiteral("; %1").arg(oneLine(document.description)),
        QStringLiteral("; Key %1 sounds the first note at %2 Hz")
            .arg(document.mapping.referenceKey)
            .arg(QString::number(document.mapping.referenceFrequency, 'g',
                                 QLocale::FloatingPointShortest)),
        QString(),
        QStringLiteral("[Tuning]"),
    };
    for (int key = 0; key < midiKeyCount; ++key) {
        lines << QStringLiteral("note %1=%2").arg(key).arg(std::llround(cents[std::size_t(key)]));
    }
    lines << QString() << QStringLiteral("[Exact Tuning]")
          << QStringLiteral("BaseFreq=8.1757989156437073");
    for (int key = 0; key < midiKeyCount; ++key) {
        lines << QStringLiteral("note %1=%2")
                     .arg(key)
                     .arg(static_cast<double>(cents[std::size_t(key)]), 0, 'f', 10);
    }
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace formats
