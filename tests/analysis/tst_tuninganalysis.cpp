#include "analysis/tuninganalysis.h"
#include "analysis/tuningreport.h"
#include "tests/tuning/patterns.h"
#include "tuning/scale.h"

#include <QTest>

#include <cmath>

namespace {

using analysis::cents;

// The weighted search's tuning of the pattern, fixed positions and cutoff given.
std::vector<long double> tune(const IntervalsPattern& pattern, const std::vector<int>& fixed,
                              const long double& cutoff) {
    Scale scale(pattern);
    scale.setFixedNotes(fixed);
    scale.setWeightCutoff(cutoff);
    std::atomic<bool> cancelled{false};
    return scale.tuneScale(cancelled, [](int) {});
}

// The pattern of sizes between the pitches, weighted 1 / (i + j + 1).
IntervalsPattern consistentPattern(const std::vector<long double>& pitches) {
    Matrix sizes(pitches.size() - 1);
    Matrix weights(pitches.size() - 1);
    for (std::size_t i = 0; i + 1 < pitches.size(); ++i) {
        for (std::size_t j = i + 1; j < pitches.size(); ++j) {
            sizes[i].push_back(pitches[j] / pitches[i]);
            weights[i].push_back(1.0L / static_cast<long double>(i + j + 1));
        }
    }
    return makePattern(sizes, weights);
}

std::vector<int> firstNotes(const std::size_t& count, const int& first = 0) {
    std::vector<int> notes;
    for (std::size_t k = 0; k < count; ++k) {
        notes.push_back(first + static_cast<int>(k));
    }
    return notes;
}

} // namespace

class TestTuningAnalysis : public QObject {
    Q_OBJECT

private slots:
    // Sizes that agree leave the search nothing to settle: every deviation is 0, whatever
    // the weights, the cutoff and the fixed notes.
    void consistentSizesDoNotDeviate_data() {
        QTest::addColumn<std::vector<long double>>("pitches");
        QTest::addColumn<std::vector<int>>("fixed");
        QTest::addColumn<double>("cutoff");
        const std::vector<long double> just{1, 5.0L / 4, 3.0L / 2, 2};
        std::vector<long double> equal;
        for (int k = 0; k <= 12; ++k) {
            equal.push_back(std::pow(2.0L, k / 12.0L));
        }
        QTest::newRow("1, 5/4, 3/2, 2, every path") << just << std::vector<int>{} << 0.0;
        QTest::newRow("1, 5/4, 3/2, 2, note 3 fixed, cut") << just << std::vector<int>{2} << 0.2;
        QTest::newRow("12 equal steps, cut") << equal << std::vector<int>{} << 0.01;
        QTest::newRow("12 equal steps, two fixed") << equal << std::vector<int>{5, 12} << 0.03;
    }

    void consistentSizesDoNotDeviate() {
        QFETCH(std::vector<long double>, pitches);
        QFETCH(std::vector<int>, fixed);
        QFETCH(double, cutoff);
        analysis::AnalysisInput input;
        input.pattern = consistentPattern(pitches);
        input.tuning = tune(input.pattern, fixed, cutoff);
        input.notes = firstNotes(pitches.size());
        input.noteCount = static_cast<int>(pitches.size()) - 1;
        input.repetition = pitches.back();
        const analysis::TuningAnalysis result = analysis::analyseTuning(input);
        QCOMPARE(result.intervals.size(), pitches.size() * (pitches.size() - 1) / 2);
        for (const analysis::IntervalRow& row : result.intervals) {
            QVERIFY2(std::fabs(row.deviation) < 1e-9L, qPrintable(QStringLiteral("%1-%2: %3")
                                                                      .arg(row.from)
                                                                      .arg(row.to)
                                                                      .arg(double(row.deviation))));
        }
        QVERIFY(result.weightedRms && *result.weightedRms < 1e-9L);
        QVERIFY(std::fabs(result.largestDeviation()) < 1e-9L);
    }

    // The example of three notes whose sizes disagree: s(0, 1) = 5/4, s(0, 2) = 3/2 and
    // s(1, 2) = 5/4, all weights 1.
    // Cutoff 0: t1 = (5/4 * 5/4 * 6/5)^(1/3) = (15/8)^(1/3), t2 = (3/2 * 3/2 * 25/16)^(1/3) =
    // (225/64)^(1/3), so that in cents
    //   d(0, 1) = 400 log2(15/8) - 1200 log2(5/4)        = -23.557...
    //   d(0, 2) = 400 log2(225/64) - 1200 log2(3/2)      = +23.557...
    //   d(1, 2) = 400 log2((225/64) / (15/8)) - 1200 log2(5/4) = d(0, 1),
    // and the weighted RMS is |d(0, 1)|.
    // Cutoff 0.5 cuts every path through a third note: t = 1, 5/4, 3/2, and only (1, 2)
    // deviates, by 1200 log2(6/5) - 1200 log2(5/4) = -70.67... cents; RMS |that| / sqrt(3).
    void threeNotesDeviateAsWorkedOut_data() {
        QTest::addColumn<double>("cutoff");
        QTest::addColumn<double>("d01");
        QTest::addColumn<double>("d02");
        QTest::addColumn<double>("d12");
        const auto c = [](long double ratio) {
            return double(cents(ratio));
        };
        const double every = 400 * std::log2(15.0 / 8) - c(5.0L / 4);
        QTest::newRow("every path")
            << 0.0 << every << 400 * std::log2(225.0 / 64) - c(1.5L) << every;
        QTest::newRow("cutoff 0.5") << 0.5 << 0.0 << 0.0 << c(6.0L / 5) - c(5.0L / 4);
    }

    void threeNotesDeviateAsWorkedOut() {
        QFETCH(double, cutoff);
        QFETCH(double, d01);
        QFETCH(double, d02);
        QFETCH(double, d12);
        analysis::AnalysisInput input;
        input.pattern = makePattern({{5.0L / 4, 3.0L / 2}, {5.0L / 4}}, {{1, 1}, {1}});
        input.tuning = tune(input.pattern, {}, cutoff);
        input.notes = {0, 1, 2};
        input.noteCount = 3;
        const analysis::TuningAnalysis result = analysis::analyseTuning(input);
        QCOMPARE(result.intervals.size(), std::size_t(3));
        const double expected[] = {d01, d02, d12};
        for (std::size_t i = 0; i < 3; ++i) {
            QVERIFY2(std::fabs(double(result.intervals[i].deviation) - expected[i]) < 1e-9,
                     qPrintable(QString::number(double(result.intervals[i].deviation), 'g', 17)));
        }
        const double rms = std::sqrt((d01 * d01 + d02 * d02 + d12 * d12) / 3);
        QVERIFY(std::fabs(double(*result.weightedRms) - rms) < 1e-9);
        const double largest = std::max({std::fabs(d01), std::fabs(d02), std::fabs(d12)});
        QVERIFY(std::fabs(std::fabs(double(result.largestDeviation())) - largest) < 1e-9);
        // The first note's row: the interval from note 1 up to note 3, and equal thirds of 2.
        QVERIFY(std::fabs(double(result.notes[2].fromStored) - d02) < 1e-9);
        QVERIFY(std::fabs(double(result.notes[2].fromEqual - (cents(input.tuning[2]) - 800))) <
                1e-9);
        QVERIFY(std::fabs(double(*result.deviation(2, 1)) + d12) < 1e-9);
    }

    // What the panel shows a person: never an exponent, never "-0".
    void readableNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ratio as printed") << analysis::ratioText(1.5L) << "1.5";
        QTest::newRow("ratio of 85 octaves")
            << analysis::ratioText(std::pow(2.0L, 85)) << "38685626227668133590597632";
        QTest::newRow("tiny ratio") << analysis::ratioText(0.00002L) << "0.0000200000000000000";
        QTest::newRow("flat by less than shown") << analysis::centsText(-0.0004L, 3) << "0.000";
        QTest::newRow("flat") << analysis::centsText(-0.0006L, 3) << "-0.001";
    }

    void readableNumbers() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // Two tunings are compared from the lowest note both tuned, whatever their first notes.
    void comparisonStartsAtTheLowestSharedNote() {
        const auto analysed = [](const std::vector<int>& notes,
                                 const std::vector<long double>& pitches) {
            analysis::AnalysisInput input;
            input.notes = notes;
            input.tuning = pitches;
            input.pattern = consistentPattern(pitches);
            input.noteCount = 12;
            return analysis::analyseTuning(input);
        };
        // Notes 2, 3, 5 against 0, 2, 5: note 5 is 10 cents higher above note 2 now.
        const long double up = std::pow(2.0L, 10.0L / 1200);
        const auto now = analysed({2, 3, 5}, {1, 1.1L, 1.3L * up});
        const auto then = analysed({0, 2, 5}, {1, 1.2L, 1.2L * 1.3L});
        const std::vector<std::optional<long double>> deltas = analysis::compareTunings(now, then);
        QCOMPARE(deltas.size(), std::size_t(3));
        QVERIFY(deltas[0] && std::fabs(*deltas[0]) < 1e-12L);
        QVERIFY(!deltas[1]);
        QVERIFY(deltas[2] && std::fabs(*deltas[2] - 10) < 1e-9L);
    }
};

QTEST_APPLESS_MAIN(TestTuningAnalysis)
#include "tst_tuninganalysis.moc"
