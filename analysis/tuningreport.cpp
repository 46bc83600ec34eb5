#include "analysis/tuningreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace analysis {

namespace {

QJsonArray oneBased(const std::vector<int>& notes) {
    QJsonArray array;
    for (const int& note : notes) {
        array.append(note + 1);
    }
    return array;
}

QJsonObject settingsObject(const ReportSettings& settings) {
    return QJsonObject{{QStringLiteral("file"), settings.file},
                       {QStringLiteral("notes"), oneBased(settings.notes)},
                       {QStringLiteral("fixed"), oneBased(settings.fixed)},
                       {QStringLiteral("weights"), settings.weights},
                       {QStringLiteral("attenuation"), settings.attenuation},
                       {QStringLiteral("dial"), settings.dial}};
}

QJsonArray noteArray(const TuningAnalysis& analysis) {
    QJsonArray array;
    for (const NoteRow& row : analysis.notes) {
        array.append(QJsonObject{
            {QStringLiteral("note"), row.note + 1},
            {QStringLiteral("ratio"), static_cast<double>(row.ratio)},
            {QStringLiteral("cents"), static_cast<double>(row.cents)},
            {QStringLiteral("fixed"), row.fixed},
            {QStringLiteral("deviation_from_stored_cents"), static_cast<double>(row.fromStored)},
            {QStringLiteral("deviation_from_equal_cents"), static_cast<double>(row.fromEqual)}});
    }
    return array;
}

QJsonArray intervalArray(const TuningAnalysis& analysis) {
    QJsonArray array;
    for (const IntervalRow& row : analysis.intervals) {
        array.append(
            QJsonObject{{QStringLiteral("from"), row.from + 1},
                        {QStringLiteral("to"), row.to + 1},
                        {QStringLiteral("stored_cents"), static_cast<double>(row.storedCents)},
                        {QStringLiteral("tuned_cents"), static_cast<double>(row.tunedCents)},
                        {QStringLiteral("deviation_cents"), static_cast<double>(row.deviation)},
                        {QStringLiteral("weight"), static_cast<double>(row.weight)}});
    }
    return array;
}

QJsonValue optionalNumber(const std::optional<long double>& value) {
    return value ? QJsonValue(static_cast<double>(*value)) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString centsText(const long double& value, const int& decimals) {
    const QString text = QString::number(static_cast<double>(value), 'f', decimals);
    // A value that rounds to zero reads as zero, whatever its sign.
    return text.toDouble() == 0 ? QString::number(0.0, 'f', decimals) : text;
}

QString fullText(const long double& value) {
    return QString::number(static_cast<double>(value), 'g', QLocale::FloatingPointShortest);
}

QString ratioText(const long double& value, const int& significant) {
    std::ostringstream stream;
    stream.precision(significant);
    // The significant digits, but in fixed notation also far from 1, where "%g" would switch
    // to an exponent (a range of many periods reaches 2^85).
    const long double magnitude = std::fabs(value);
    if (magnitude != 0 && std::isfinite(static_cast<double>(value)) &&
        (magnitude >= std::pow(10.0L, significant) || magnitude < 1e-4L)) {
        const int digits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        stream << std::fixed << std::setprecision(std::max(0, significant - digits));
    }
    stream << value;
    return QString::fromStdString(stream.str());
}

std::vector<QStringList> tuningTableRows(const TuningAnalysis& analysis, const TableStyle& style) {
    QStringList header =
        style.machineNames
            ? QStringList{QStringLiteral("note"),
                          QStringLiteral("ratio"),
                          QStringLiteral("cents"),
                          QStringLiteral("deviation_from_stored_cents"),
                          QStringLiteral("deviation_from_equal_cents"),
                          QStringLiteral("fixed")}
            : QStringList{QStringLiteral("Note"),       QStringLiteral("Ratio"),
                          QStringLiteral("Cents"),      QStringLiteral("From stored"),
                          QStringLiteral("From equal"), QStringLiteral("Fixed")};
    const bool withDeltas = !style.deltaHeading.isEmpty();
    if (withDeltas) {
        header << style.deltaHeading;
    }
    const auto number = [&style](const long double& value) {
        return style.decimals ? centsText(value, *style.decimals) : fullText(value);
    };
    std::vector<QStringList> rows{header};
    for (std::size_t k = 0; k < analysis.notes.size(); ++k) {
        const NoteRow& note = analysis.notes[k];
        QStringList row{QString::number(note.note + 1),
                        style.decimals ? ratioText(note.ratio, 10) : fullText(note.ratio),
                        number(note.cents), number(note.fromStored), number(note.fromEqual)};
        row << (style.machineNames ? QString(note.fixed ? "true" : "false")
                                   : QString(note.fixed ? "fixed" : ""));
        if (withDeltas) {
            const bool known = k < style.deltas.size() && style.deltas[k].has_value();
            row << (known ? number(*style.deltas[k]) : QString());
        }
        rows.push_back(row);
    }
    return rows;
}

QString tuningTableText(const TuningAnalysis& analysis, const TableStyle& style,
                        const QChar& separator) {
    QString text;
    for (const QStringList& row : tuningTableRows(analysis, style)) {
        text += row.join(separator) + QLatin1Char('\n');
    }
    return text;
}

QByteArray tuningJson(const TuningAnalysis& analysis, const ReportSettings& settings) {
    const QJsonValue largest =
        analysis.largest ? QJsonValue(static_cast<double>(std::fabs(analysis.largestDeviation())))
                         : QJsonValue(QJsonValue::Null);
    const QJsonObject report{
        {QStringLiteral("settings"), settingsObject(settings)},
        {QStringLiteral("notes"), noteArray(analysis)},
        {QStringLiteral("intervals"), intervalArray(analysis)},
        {QStringLiteral("largest_deviation_cents"), largest},
        {QStringLiteral("weighted_rms_deviation_cents"), optionalNumber(analysis.weightedRms)}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

} // namespace analysis
