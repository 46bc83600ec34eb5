#pragma once

// What is written of an analysed tuning: the tuning table as separated text (a spreadsheet's
// paste, the command line's CSV), the JSON report, and the numbers as people read them.

#include "analysis/tuninganalysis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace analysis {

// The settings a tuning was made with, as the report names them.
struct ReportSettings {
    QString file;
    std::vector<int> notes; // table notes, counted from 0
    std::vector<int> fixed;
    QString weights; // the weight function's name, or "Arbitrary"
    int attenuation = 50;
    int dial = 500;
};

struct TableStyle {
    // Names for programs (the JSON's keys) instead of the panel's headings.
    bool machineNames = false;
    // Decimals of the cents; none for every digit a double holds.
    std::optional<int> decimals;
    // A last column, with its heading, for a comparison; empty for none.
    QString deltaHeading;
    std::vector<std::optional<long double>> deltas;
};

// A header row, then one row per tuned note (notes one-based, as the window numbers them).
std::vector<QStringList> tuningTableRows(const TuningAnalysis& analysis, const TableStyle& style);
// The rows joined by the separator, a line each, each line ended.
QString tuningTableText(const TuningAnalysis& analysis, const TableStyle& style,
                        const QChar& separator);

// The indented JSON object of the report, with full doubles.
QByteArray tuningJson(const TuningAnalysis& analysis, const ReportSettings& settings);

// Cents with the decimals, in fixed notation and never "-0".
QString centsText(const long double& value, const int& decimals);
// A number with every digit a double holds, in the shortest form that reads back exactly.
QString fullText(const long double& value);
// A ratio with the significant digits (15: as the output box prints it), never with an
// exponent.
QString ratioText(const long double& value, const int& significant = 15);

} // namespace analysis
