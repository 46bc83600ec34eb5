#include "tests/common/numeric.h"
#include "tests/tuning/patterns.h"
#include "tuning/scale.h"

#include <QTest>

#include <atomic>
#include <cmath>
#include <vector>

using Tuning = std::vector<long double>;
using Reports = std::vector<int>;

namespace {

Matrix uniformWeights(const std::size_t& rows) {
    Matrix weights;
    for (std::size_t i = 0; i < rows; ++i) {
        weights.emplace_back(rows - i, 1.0L);
    }
    return weights;
}

// The sizes between the given pitches, which therefore agree with one another.
Matrix consistentSizes(const std::vector<long double>& pitches) {
    Matrix sizes;
    for (std::size_t i = 0; i + 1 < pitches.size(); ++i) {
        sizes.emplace_back();
        for (std::size_t j = i + 1; j < pitches.size(); ++j) {
            sizes.back().push_back(pitches[j] / pitches[i]);
        }
    }
    return sizes;
}

// Three notes whose interval from note 1 to note 2 (5/4) disagrees with 5/4 and 3/2 from note 0.
const Matrix threeNoteSizes{{5.0L / 4, 3.0L / 2}, {5.0L / 4}};
// Four notes: 5/4, 3/2, 2 from note 0, but 5/4 instead of 6/5 from note 1 to note 2.
const Matrix fourNoteSizes{{5.0L / 4, 3.0L / 2, 2}, {5.0L / 4, 8.0L / 5}, {4.0L / 3}};
const Matrix fourNoteBenedetti{{1.0L / 20, 1.0L / 6, 0.5L}, {1.0L / 20, 1.0L / 40}, {1.0L / 12}};

// Runs tuneScale and keeps every progress report.
Tuning runSearch(const Scale& scale, Reports& reports, std::atomic<bool>& flag) {
    return scale.tuneScale(flag, [&reports](int percent) { reports.push_back(percent); });
}

Tuning runSearch(const Scale& scale) {
    std::atomic<bool> flag(false);
    Reports reports;
    return runSearch(scale, reports, flag);
}

} // namespace

class TestTuningSearch : public QObject {
    Q_OBJECT

private slots:
    void tuning_data() {
        QTest::addColumn<Matrix>("sizes");
        QTest::addColumn<Matrix>("weights");
        QTest::addColumn<bool>("unweighted");
        QTest::addColumn<long double>("cutoff");
        QTest::addColumn<std::vector<int>>("fixed");
        QTest::addColumn<Tuning>("expected");
        QTest::addColumn<long double>("tolerance");

        const Matrix consistent = consistentSizes({1, 5.0L / 4, 3.0L / 2, 2});
        const Tuning just{1, 5.0L / 4, 3.0L / 2, 2};
        for (const long double cutoff : {0.0L, 0.1L, 0.3L, 1.0L}) {
            QTest::addRow("consistent, weighted, cutoff %g", double(cutoff))
                << consistent << uniformWeights(3) << false << cutoff << std::vector<int>() << just
                << 1e-15L;
        }
        QTest::newRow("consistent, unweighted") << consistent << uniformWeights(3) << true << 0.0L
                                                << std::vector<int>() << just << 1e-15L;

        const Tuning threeNotes{1, 1.2331060371652351L, 1.5205504988933503L};
        QTest::newRow("three notes, unweighted")
            << threeNoteSizes << uniformWeights(2) << true << 0.0L << std::vector<int>()
            << threeNotes << 1e-15L;
        QTest::newRow("three notes, weighted, cutoff 0")
            << threeNoteSizes << uniformWeights(2) << false << 0.0L << std::vector<int>()
            << threeNotes << 1e-15L;
        // Every exponent is 1/3: a path whose weight equals the cutoff is cut too.
        QTest::newRow("three notes, weighted, cutoff equal to the path weight")
            << threeNoteSizes << uniformWeights(2) << false << 1.0L / 3 << std::vector<int>()
            << Tuning{1, 1.25L, 1.5L} << 1e-15L;
        QTest::newRow("three notes, weighted, cutoff 0.5")
            << threeNoteSizes << uniformWeights(2) << false << 0.5L << std::vector<int>()
            << Tuning{1, 1.25L, 1.5L} << 1e-15L;

        const Tuning fourNotes{1, 1.237308000959941L, 1.515386628507467L, 2};
        QTest::newRow("four notes, unweighted")
            << fourNoteSizes << uniformWeights(3) << true << 0.0L << std::vector<int>() << fourNotes
            << 1e-14L;
        QTest::newRow("four notes, weighted, uniform weights")
            << fourNoteSizes << uniformWeights(3) << false << 0.0L << std::vector<int>()
            << fourNotes << 1e-14L;
        QTest::newRow("four notes, unweighted, weights, cutoff and fixed notes ignored")
            << fourNoteSizes << fourNoteBenedetti << true << 0.3L << std::vector<int>{1, 3}
            << fourNotes << 1e-14L;

        // Paths of one step (weight 1/4) are followed, paths of two steps (1/4 * 1/3) are cut:
        // note 3 reached through note 1 or 2 then sees only stored sizes from note 0.
        QTest::newRow("four notes, weighted, uniform weights, cutoff 0.2")
            << fourNoteSizes << uniformWeights(3) << false << 0.2L << std::vector<int>()
            << Tuning{1, std::pow(std::pow(5.0L / 4, 3) * 6 / 5, 0.25L),
                      std::pow(std::pow(3.0L / 2, 3) * 25 / 16, 0.25L), 2}
            << 1e-15L;
        QTest::newRow("Benedetti weights, cutoff 0")
            << fourNoteSizes << fourNoteBenedetti << false << 0.0L << std::vector<int>()
            << Tuning{1, 1.244073756L, 1.500641694L, 2.000867994L} << 1e-9L;
        QTest::newRow("Benedetti weights, cutoff 0.1")
            << fourNoteSizes << fourNoteBenedetti << false << 0.1L << std::vector<int>()
            << Tuning{1, 1.244073756L, 1.5L, 2} << 1e-9L;
        QTest::newRow("Benedetti weights, cutoff 0.3")
            << fourNoteSizes << fourNoteBenedetti << false << 0.3L << std::vector<int>()
            << Tuning{1, 1.25L, 1.5L, 2} << 1e-15L;
        QTest::newRow("Benedetti weights, cutoff 1 gives the stored sizes")
            << fourNoteSizes << fourNoteBenedetti << false << 1.0L << std::vector<int>()
            << Tuning{1, 1.25L, 1.5L, 2} << 1e-15L;

        QTest::newRow("two notes") << Matrix{{3.0L / 2}} << Matrix{{1}} << false << 0.0L
                                   << std::vector<int>() << Tuning{1, 1.5L} << 1e-15L;
        QTest::newRow("empty pattern, weighted")
            << Matrix() << Matrix() << false << 0.0L << std::vector<int>() << Tuning{1} << 0.0L;
        QTest::newRow("empty pattern, unweighted")
            << Matrix() << Matrix() << true << 0.0L << std::vector<int>() << Tuning{1} << 0.0L;

        // Paths through every ordering of seven notes: each proposal agrees only if every
        // recursion level estimates the note it is meant to.
        const std::vector<long double> pitches{1, 1.07L, 1.19L, 1.31L, 1.52L, 1.66L, 1.9L};
        const Matrix unevenWeights{{0.9L, 0.05L, 0.3L, 0.7L, 0.02L, 0.5L},
                                   {0.4L, 0.6L, 0.1L, 0.8L, 0.25L},
                                   {0.35L, 0.9L, 0.15L, 0.05L},
                                   {0.55L, 0.45L, 0.65L},
                                   {0.2L, 0.75L},
                                   {0.3L}};
        for (const long double cutoff : {0.0L, 0.001L, 0.05L}) {
            QTest::addRow("seven consistent notes, uneven weights, cutoff %g", double(cutoff))
                << consistentSizes(pitches) << unevenWeights << false << cutoff
                << std::vector<int>() << Tuning(pitches) << 1e-14L;
        }
    }

    void tuning() {
        QFETCH(Matrix, sizes);
        QFETCH(Matrix, weights);
        QFETCH(bool, unweighted);
        QFETCH(long double, cutoff);
        QFETCH(std::vector<int>, fixed);
        QFETCH(Tuning, expected);
        QFETCH(long double, tolerance);

        Scale scale(makePattern(sizes, weights));
        scale.setWeightCutoff(cutoff);
        scale.setUnweighted(unweighted);
        scale.setFixedNotes(fixed);
        const Tuning actual = runSearch(scale);
        QCOMPARE(actual.size(), expected.size());
        QCOMPARE(actual.front(), 1.0L);
        for (std::size_t i = 0; i < actual.size(); ++i) {
            if (!testing::closeRelative(actual[i], expected[i], tolerance)) {
                QFAIL(qPrintable(
                    QStringLiteral("note %1: %2, expected %3")
                        .arg(i)
                        .arg(testing::numberText(actual[i]), testing::numberText(expected[i]))));
            }
        }
    }

    void fixedNotesKeepTheirStoredSize_data() {
        QTest::addColumn<std::vector<int>>("fixed");
        QTest::newRow("note 3") << std::vector<int>{3};
        QTest::newRow("notes 1 and 3") << std::vector<int>{1, 3};
        QTest::newRow("note 0 listed") << std::vector<int>{0, 2};
    }

    void fixedNotesKeepTheirStoredSize() {
        QFETCH(std::vector<int>, fixed);
        Scale scale(makePattern(fourNoteSizes, fourNoteBenedetti));
        scale.setFixedNotes(fixed);
        const Tuning free = [] {
            Scale unfixed(makePattern(fourNoteSizes, fourNoteBenedetti));
            return runSearch(unfixed);
        }();
        const Tuning tuning = runSearch(scale);
        QCOMPARE(tuning.size(), std::size_t(4));
        QCOMPARE(tuning[0], 1.0L);
        for (int note = 1; note <= 3; ++note) {
            const bool isFixed = std::find(fixed.begin(), fixed.end(), note) != fixed.end();
            if (isFixed) {
                QCOMPARE(tuning[note], fourNoteSizes[0][note - 1]);
            } else {
                // A free note is pulled towards the fixed anchors, not left at its stored size.
                QVERIFY(tuning[note] != fourNoteSizes[0][note - 1]);
            }
        }
        QVERIFY(tuning != free);
    }

    void rootNoteHasNoEffect() {
        Scale scale(makePattern(fourNoteSizes, fourNoteBenedetti));
        std::atomic<bool> flag(false);
        const auto ignore = [](int) {
        };
        QCOMPARE(scale.tuneScale(flag, ignore, 2), scale.tuneScale(flag, ignore));
    }

    void workedExampleSteps() {
        const Scale scale(makePattern(threeNoteSizes, uniformWeights(2)));
        std::atomic<bool> flag(false);
        // Note 2 estimated from [0, 2] at path weight 1/3: the stored 3/2.
        QUILLMERE_COMPARE_CLOSE(scale.traversePath(1, {0, 2}, 1.0L / 3, 0.5L, flag), 1.5L);
        QUILLMERE_COMPARE_CLOSE(scale.tuneNote(1, flag), 1.2331060371652351L);
    }

    // Sizes that agree with the pitches 1, 5/4, 3/2, 2 except s(0 -> 1), which is off by
    // delta; w(1, 3) = 1/2, all other weights 1. Note 3's exponents are 1/3, 1/6, 1/3, 1/6; on
    // the second level, 1/3 each. Its estimate is 2 * delta^x, where x counts how often the
    // paths through notes 1 and 2 end on the stored s(0 -> 1): from path weight A = 0.5 and
    // cutoff 0.06 both second-level paths are cut (x = 1/6); from A = 1 only the one through
    // note 1 is (x = 1/6 + 1/9); with cutoff 0 none is (x = 1/6 * 2/3 + 1/3 * 1/3).
    void traversePathCarriesThePathWeight_data() {
        QTest::addColumn<long double>("pathWeight");
        QTest::addColumn<long double>("cutoff");
        QTest::addColumn<long double>("exponent");
        QTest::newRow("A = 0.5, cutoff 0.06") << 0.5L << 0.06L << 1.0L / 6;
        QTest::newRow("A = 1, cutoff 0.06") << 1.0L << 0.06L << 5.0L / 18;
        QTest::newRow("A = 1, cutoff 0") << 1.0L << 0.0L << 2.0L / 9;
    }

    void traversePathCarriesThePathWeight() {
        QFETCH(long double, pathWeight);
        QFETCH(long double, cutoff);
        QFETCH(long double, exponent);
        const long double delta = 81.0L / 80;
        Matrix sizes = consistentSizes({1, 5.0L / 4, 3.0L / 2, 2});
        sizes[0][0] *= delta;
        Scale scale(makePattern(sizes, {{1, 1, 1}, {1, 0.5L}, {1}}));
        scale.setWeightCutoff(cutoff);
        std::atomic<bool> flag(false);
        QUILLMERE_COMPARE_CLOSE(scale.traversePath(3, {0, 1, 2, 3}, pathWeight, 1.0L / 3, flag),
                                2 * std::pow(delta, exponent));
    }

    void prodWeights_data() {
        QTest::addColumn<Matrix>("weights");
        QTest::addColumn<int>("note");
        QTest::addColumn<std::vector<int>>("notes");
        QTest::addColumn<long double>("product");
        QTest::newRow("upwards and downwards")
            << fourNoteBenedetti << 1 << std::vector<int>{0, 1, 2} << 1.0L / 400;
        QTest::newRow("from note 0")
            << fourNoteBenedetti << 0 << std::vector<int>{0, 2, 3} << 1.0L / 12;
        QTest::newRow("note not in the list")
            << fourNoteBenedetti << 3 << std::vector<int>{1, 2} << 1.0L / 480;
        QTest::newRow("empty list") << fourNoteBenedetti << 2 << std::vector<int>() << 0.0L;
        const Matrix tiny{{Interval::lowest, Interval::lowest}, {Interval::lowest}};
        QTest::newRow("underflow stops at the smallest weight")
            << tiny << 0 << std::vector<int>{0, 1, 2} << static_cast<long double>(Interval::lowest);
        const Matrix huge{{Interval::highest, Interval::highest}, {1}};
        QTest::newRow("overflow stops at the largest weight")
            << huge << 0 << std::vector<int>{0, 1, 2}
            << static_cast<long double>(Interval::highest);
    }

    void prodWeights() {
        QFETCH(Matrix, weights);
        QFETCH(int, note);
        QFETCH(std::vector<int>, notes);
        QFETCH(long double, product);
        const Scale scale(
            makePattern(consistentSizes(std::vector<long double>(weights.size() + 1, 1)), weights));
        QUILLMERE_COMPARE_CLOSE(scale.prodWeights(note, notes), product);
    }

    void sumProdWeights() {
        const Scale scale(makePattern(fourNoteSizes, fourNoteBenedetti));
        // P(0) = 1/20 * 1/6, P(1) = 1/20 * 1/20, P(2) = 1/6 * 1/20.
        QUILLMERE_COMPARE_CLOSE(scale.sumProdWeights({0, 1, 2}),
                                1.0L / 120 + 1.0L / 400 + 1.0L / 120);
        QCOMPARE(scale.sumProdWeights({}), 0.0L);
    }

    void progress_data() {
        QTest::addColumn<int>("notes");
        QTest::addColumn<bool>("unweighted");
        QTest::addColumn<Reports>("reports");
        QTest::newRow("weighted, K = 4") << 5 << false << Reports{0, 25, 50, 75, 100, 100, 100};
        QTest::newRow("weighted, K = 3, truncated")
            << 4 << false << Reports{0, 33, 66, 100, 100, 100};
        QTest::newRow("weighted, K = 6, truncated")
            << 7 << false << Reports{0, 16, 33, 50, 66, 83, 100, 100, 100};
        QTest::newRow("weighted, K = 0") << 1 << false << Reports{0, 100, 100};
        // With K = 100 every note is one percent; single-precision rounding must not lose one.
        Reports percents;
        for (int i = 0; i <= 100; ++i) {
            percents.push_back(i);
        }
        percents.insert(percents.end(), {100, 100});
        QTest::newRow("weighted, K = 100") << 101 << false << percents;
        QTest::newRow("unweighted, K = 4") << 5 << true << Reports{100};
        QTest::newRow("unweighted, K = 0") << 1 << true << Reports{100};
    }

    void progress() {
        QFETCH(int, notes);
        QFETCH(bool, unweighted);
        QFETCH(Reports, reports);
        std::vector<long double> pitches;
        for (int i = 0; i < notes; ++i) {
            pitches.push_back(1 + i / 10.0L);
        }
        Scale scale(makePattern(consistentSizes(pitches), uniformWeights(notes - 1)));
        scale.setWeightCutoff(0.2L);
        scale.setUnweighted(unweighted);
        std::atomic<bool> flag(false);
        Reports seen;
        const Tuning tuning = runSearch(scale, seen, flag);
        QCOMPARE(seen, reports);
        QCOMPARE(int(tuning.size()), notes);
    }

    void cancelledBeforehand_data() {
        QTest::addColumn<bool>("unweighted");
        QTest::newRow("weighted") << false;
        QTest::newRow("unweighted") << true;
    }

    void cancelledBeforehand() {
        QFETCH(bool, unweighted);
        Scale scale(makePattern(fourNoteSizes, fourNoteBenedetti));
        scale.setUnweighted(unweighted);
        std::atomic<bool> flag(true);
        Reports seen;
        QVERIFY(runSearch(scale, seen, flag).empty());
        QCOMPARE(seen, Reports{0});
    }

    void cancelledDuringTheRun() {
        std::vector<long double> pitches{1, 1.1L, 1.2L, 1.3L, 1.4L};
        const Scale scale(makePattern(consistentSizes(pitches), uniformWeights(4)));
        std::atomic<bool> flag(false);
        Reports seen;
        const Tuning tuning = scale.tuneScale(flag, [&](int percent) {
            seen.push_back(percent);
            if (percent == 25) {
                flag = true;
            }
        });
        // The loop runs on, but every later note answers at once, and the run ends with 0.
        QCOMPARE(seen, (Reports{0, 25, 50, 75, 100, 0, 0}));
        QCOMPARE(tuning.size(), std::size_t(5));
        QUILLMERE_COMPARE_CLOSE(tuning[1], 1.1L);
        QCOMPARE(tuning[2], 1.0L);
        QCOMPARE(tuning[4], 1.0L);
    }

    void cancelledStepsAnswerAtOnce() {
        const Scale scale(makePattern(fourNoteSizes, fourNoteBenedetti));
        std::atomic<bool> flag(true);
        QCOMPARE(scale.tuneNote(2, flag), 1.0L);
        QCOMPARE(scale.traversePath(2, {0, 1, 2, 3}, 1, 1, flag), 1.0L);
        Reports seen;
        QVERIFY(scale.makeWeightedTuning(flag, [&seen](int percent) { seen.push_back(percent); })
                    .empty());
        QCOMPARE(seen, Reports{0});
    }
};

QTEST_APPLESS_MAIN(TestTuningSearch)
#include "tst_tuningsearch.moc"
