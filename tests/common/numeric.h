#pragma once

// Comparisons of sizes and size patterns for the tests: relative tolerance, with a
// readable description of the first difference.

#include <QString>

#include <cmath>
#include <vector>

namespace testing {

inline bool closeRelative(long double actual, long double expected, long double tolerance = 1e-15L) {
    if (actual == expected) {
        return true;
    }
    const long double scale = std::max(std::fabs(actual), std::fabs(expected));
    return std::fabs(actual - expected) <= tolerance * scale;
}

inline QString numberText(long double value) { return QString::number(double(value), 'g', 17); }

// Empty when the patterns agree; otherwise where and how they differ.
inline QString patternDifference(const std::vector<std::vector<long double>>& actual,
                                 const std::vector<std::vector<long double>>& expected,
                                 long double tolerance = 1e-15L) {
    if (actual.size() != expected.size()) {
        return QStringLiteral("rows: %1, expected %2").arg(actual.size()).arg(expected.size());
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i].size() != expected[i].size()) {
            return QStringLiteral("row %1 length: %2, expected %3")
                .arg(i)
                .arg(actual[i].size())
                .arg(expected[i].size());
        }
        for (std::size_t j = 0; j < actual[i].size(); ++j) {
            if (!closeRelative(actual[i][j], expected[i][j], tolerance)) {
                return QStringLiteral("cell (%1, %2): %3, expected %4")
                    .arg(i)
                    .arg(j)
                    .arg(numberText(actual[i][j]), numberText(expected[i][j]));
            }
        }
    }
    return QString();
}

} // namespace testing

#define QUILLMERE_COMPARE_PATTERN(actual, expected)                                            \
    do {                                                                                       \
        const QString difference_ = testing::patternDifference((actual), (expected));          \
        if (!difference_.isEmpty())                                                            \
            QFAIL(qPrintable(difference_));                                                    \
    } while (false)

#define QUILLMERE_COMPARE_CLOSE(actual, expected)                                              \
    do {                                                                                       \
        const long double actual_ = (actual);                                                  \
        const long double expected_ = (expected);                                              \
        if (!testing::closeRelative(actual_, expected_))                                       \
            QFAIL(qPrintable(QStringLiteral("%1 is %2, expected %3")                          \
                                 .arg(QStringLiteral(#actual), testing::numberText(actual_),   \
                                      testing::numberText(expected_))));                       \
    } while (false)
