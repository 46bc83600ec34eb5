#include "app/shared/tuningconstants.h"
#include "tests/common/numeric.h"
#include "tuning/weightfunctions.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

SizeToWeightFunction functionAt(int position) {
    return populateWeightFunctionsMap()[position].second;
}

// The worked example: notes 1, 5/4, 3/2 with repetition interval 2.
SizePattern threeNotes() {
    return {{5.0L / 4, 3.0L / 2, 2.0L}, {6.0L / 5, 8.0L / 5}, {4.0L / 3}};
}

// Sizes and weights of a pattern, for comparison with the numeric helpers.
SizePattern sizesOf(const IntervalsPattern& pattern) {
    SizePattern sizes;
    for (const auto& row : pattern) {
        sizes.emplace_back();
        for (const Interval& interval : row) {
            sizes.back().push_back(interval.size);
        }
    }
    return sizes;
}

SizePattern weightsOf(const IntervalsPattern& pattern) {
    SizePattern weights;
    for (const auto& row : pattern) {
        weights.emplace_back();
        for (const Interval& interval : row) {
            weights.back().push_back(interval.weight);
        }
    }
    return weights;
}

} // namespace

class TestWeightFunctions : public QObject {
    Q_OBJECT

private slots:
    void benedetti_data() {
        QTest::addColumn<long double>("size");
        QTest::addColumn<long double>("weight");
        const long double infinity = std::numeric_limits<long double>::infinity();
        QTest::newRow("1") << 1.0L << 1.0L;
        QTest::newRow("2") << 2.0L << 0.5L;
        QTest::newRow("1/2") << 0.5L << 0.5L;
        QTest::newRow("3/2") << 1.5L << 1.0L / 6;
        QTest::newRow("-3/2") << -1.5L << 1.0L / 6;
        QTest::newRow("5/4") << 1.25L << 0.05L;
        QTest::newRow("6/5") << 6.0L / 5 << 1.0L / 30;
        QTest::newRow("6/5 as a double") << static_cast<long double>(6.0 / 5) << 1.0L / 30;
        QTest::newRow("4/3") << 4.0L / 3 << 1.0L / 12;
        // Its convergent 3/2 equals the running value 1.5 on the way, but not the size.
        QTest::newRow("8/5") << 8.0L / 5 << 1.0L / 40;
        QTest::newRow("3") << 3.0L << 1.0L / 3;
        QTest::newRow("1/3") << 1.0L / 3 << 1.0L / 3;
        QTest::newRow("81/80") << 81.0L / 80 << 1.0L / 6480;
        QTest::newRow("0.001") << 0.001L << 0.001L;
        QTest::newRow("10000000") << 10000000.0L << 1e-7L;
        QTest::newRow("0") << 0.0L << 0.0L;
        QTest::newRow("-0") << -0.0L << 0.0L;
        QTest::newRow("infinity") << infinity << 0.0L;
        QTest::newRow("-infinity") << -infinity << 0.0L;
        QTest::newRow("NaN") << std::numeric_limits<long double>::quiet_NaN() << 0.0L;
        // The next convergent's denominator is beyond 1000000.
        QTest::newRow("1.0000001") << 1.0000001L << 1.0L;
        QTest::newRow("0.0000001") << 0.0000001L << 0.0L;
        QTest::newRow("0.000001, denominator at the limit") << 0.000001L << 1e-6L;
        // The last convergents within the denominator limit: 665857/470832 and 720009/679598.
        QTest::newRow("sqrt 2") << std::sqrt(2.0L) << 1.0L / (665857.0L * 470832.0L);
        QTest::newRow("2^(1/12)") << static_cast<long double>(std::pow(2.0, 1.0 / 12))
                                  << 1.0L / (720009.0L * 679598.0L);
        // 2^62 + 1/2: the second convergent would overflow 64 bits, so the first one stands.
        QTest::newRow("overflow guard") << std::ldexp(1.0L, 62) + 0.5L << std::ldexp(1.0L, -62);
        // Beyond the 64-bit range the first term saturates; the expansion ends on q = 0.
        QTest::newRow("saturated term") << 1e30L << 0.0L;
        QTest::newRow("largest size") << static_cast<long double>(Interval::highest) << 0.0L;
    }

    void benedetti() {
        QFETCH(long double, size);
        QFETCH(long double, weight);
        QUILLMERE_COMPARE_CLOSE(functionAt(0)(size), weight);
    }

    void uniform_data() {
        QTest::addColumn<long double>("size");
        QTest::newRow("3/2") << 1.5L;
        QTest::newRow("0") << 0.0L;
        QTest::newRow("negative") << -3.0L;
        QTest::newRow("infinity") << std::numeric_limits<long double>::infinity();
        QTest::newRow("NaN") << std::numeric_limits<long double>::quiet_NaN();
    }

    void uniform() {
        QFETCH(long double, size);
        QCOMPARE(functionAt(1)(size), 1.0L);
    }

    void weightFunctionsMapFollowsTheChooser() {
        const auto map = populateWeightFunctionsMap();
        QCOMPARE(map[0].first, QStringLiteral("Benedetti"));
        QCOMPARE(map[1].first, QStringLiteral("Uniform"));
        QCOMPARE(map[0].first, weightFunctionNames.at(0));
        QCOMPARE(map[1].first, weightFunctionNames.at(1));
        QUILLMERE_COMPARE_CLOSE(map[0].second(1.5L), 1.0L / 6);
        QCOMPARE(map[1].second(1.5L), 1.0L);
    }

    void makeIntervalsPattern_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("range");
        QTest::addColumn<SizePattern>("sizes");
        QTest::addColumn<SizePattern>("weights");
        QTest::newRow("uniform, one period and its repetition")
            << 1 << 3 << threeNotes() << SizePattern{{1, 1, 1}, {1, 1}, {1}};
        QTest::newRow("Benedetti")
            << 0 << 3 << threeNotes()
            << SizePattern{{1.0L / 20, 1.0L / 6, 0.5L}, {1.0L / 30, 1.0L / 40}, {1.0L / 12}};
        QTest::newRow("range 0") << 1 << 0 << SizePattern() << SizePattern();
        QTest::newRow("range 1") << 0 << 1 << SizePattern{{5.0L / 4}} << SizePattern{{0.05L}};
        // Notes 3 and 4 are notes 0 and 1 one period up.
        QTest::newRow("range 5, past one period")
            << 1 << 5
            << SizePattern{{5.0L / 4, 3.0L / 2, 2.0L, 5.0L / 2, 3.0L},
                           {6.0L / 5, 8.0L / 5, 2.0L, 12.0L / 5},
                           {4.0L / 3, 5.0L / 3, 2.0L},
                           {5.0L / 4, 3.0L / 2},
                           {6.0L / 5}}
            << SizePattern{{1, 1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1}, {1, 1}, {1}};
    }

    void makeIntervalsPattern() {
        QFETCH(int, function);
        QFETCH(int, range);
        QFETCH(SizePattern, sizes);
        QFETCH(SizePattern, weights);
        const ScaleSpace space(QStringLiteral("three"), threeNotes());
        const IntervalsPattern pattern = ::makeIntervalsPattern(space, functionAt(function), range);
        QUILLMERE_COMPARE_PATTERN(sizesOf(pattern), sizes);
        QUILLMERE_COMPARE_PATTERN(weightsOf(pattern), weights);
    }

    void makeIntervalsPatternCallsTheFunctionRowByRow() {
        const ScaleSpace space(QStringLiteral("three"), threeNotes());
        std::vector<long double> seen;
        const SizeToWeightFunction zero = [&seen](const long double& size) {
            seen.push_back(size);
            return 0.0L;
        };
        const IntervalsPattern pattern = ::makeIntervalsPattern(space, zero, 2);
        QCOMPARE(seen, (std::vector<long double>{5.0L / 4, 3.0L / 2, 6.0L / 5}));
        // A zero weight is raised to the smallest positive value.
        QUILLMERE_COMPARE_PATTERN(
            weightsOf(pattern),
            (SizePattern{{Interval::lowest, Interval::lowest}, {Interval::lowest}}));
    }

    void makeIntervalsPatternRejectsNegativeRange() {
        const ScaleSpace space(QStringLiteral("three"), threeNotes());
        QVERIFY_THROWS_EXCEPTION(std::length_error,
                                 ::makeIntervalsPattern(space, functionAt(1), -1));
    }
};

QTEST_APPLESS_MAIN(TestWeightFunctions)
#include "tst_weightfunctions.moc"
