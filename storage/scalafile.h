#pragma once

// Scala scale files (.scl): the text format in which tuning programs and synthesizers
// exchange scales. A file holds a description line, the count of pitches, and the pitches
// above the implicit 1/1, each in cents (a number with a ".") or as a ratio ("p/q" or "p").

#include "core/scalespace.h"

#include <QString>

#include <optional>
#include <vector>

struct ScalaScale {
    QString description;
    // The pitches after the implicit 1/1, as frequency ratios; the last is the period.
    std::vector<long double> pitches;
};

struct ScalaParseResult {
    std::optional<ScalaScale> scale;
    // Empty on success; otherwise one line naming the problem, with its line number.
    QString error;
};

ScalaParseResult parseScala(const QString& text);

// The text of a Scala file: a "!" line naming the file, the description, the count, and
// each pitch in cents with 12 decimals, so that reading it back loses nothing a listener
// could hear (well below 1e-9 cents).
QString formatScala(const QString& fileName, const QString& description,
                    const std::vector<long double>& pitches);

// The size pattern of the scale space that holds the 1/1 and every pitch but the last,
// with the last pitch as its repetition interval: cell (i, j) = pitch(i + j + 1) / pitch(i).
SizePattern scalaSizePattern(const std::vector<long double>& pitches);
