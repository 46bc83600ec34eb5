#include "formats/tuningformats.h"

#include "storage/scalafile.h"

#include <QRegularExpression>

namespace formats {

const std::vector<TuningFormat>& tuningFormats() {
    static const std::vector<TuningFormat> formats{
        {QStringLiteral("scl"), QStringLiteral("Scala scale"), false, false, writeScalaScale},
        {QStringLiteral("kbm"), QStringLiteral("Scala keyboard mapping"), false, true,
         writeKeyboardMapping},
        {QStringLiteral("tun"), QStringLiteral("AnaMark tuning"), false, true, writeAnaMarkTuning},
        {QStringLiteral("syx"), QStringLiteral("MIDI tuning dump"), true, true,
         writeBulkTuningDump},
    };
    return formats;
}

const TuningFormat* findTuningFormat(const QString& name) {
    return findByName(tuningFormats(), name);
}

QString oneLine(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n]+"));
    return QString(text).replace(breaks, QStringLiteral(" "));
}

QByteArray writeScalaScale(const TuningDocument& document) {
    std::vector<long double> pitches;
    for (std::size_t i = 1; i < document.tuning.size(); ++i) {
        pitches.push_back(document.tuning[i] / document.tuning[0]);
    }
    return formatScala(oneLine(document.title), oneLine(document.description), pitches).toUtf8();
}

} // namespace formats
