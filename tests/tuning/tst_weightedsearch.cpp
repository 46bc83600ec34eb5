#include "tests/common/numeric.h"
#include "tests/common/twelveedo.h"
#include "tests/tuning/patterns.h"
#include "tuning/plainsearch.h"
#include "tuning/scale.h"
#include "tuning/searchthreads.h"
#include "tuning/splitsearch.h"
#include "tuning/weightedsearch.h"
#include "tuning/weightedtuning.h"
#include "tuning/weightfunctions.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <random>
#include <vector>

using Tuning = std::vector<long double>;

namespace {

// The weighted tuning as the plain recursion gives it.
Tuning plainTuning(const Scale& scale) {
    std::atomic<bool> flag(false);
    return plainTuning(scale.searchInput(), flag);
}

// Both searches follow and cut the same paths; one sums logarithms where the other multiplies
// powers, which moves a result by a few parts in 1e19. A path followed where the other cuts
// it, or a remembered result taken outside the path weights it holds for, moves it by far
// more than this.
constexpr long double agreement = 1e-15L;

// The largest relative difference from the recursion met so far, reported at the end.
long double largestDifference = 0;

QString difference(const Tuning& actual, const Tuning& expected) {
    if (actual.size() != expected.size()) {
        return QStringLiteral("%1 notes, expected %2").arg(actual.size()).arg(expected.size());
    }
    for (std::size_t note = 0; note < actual.size(); ++note) {
        const long double relative =
            std::fabs(actual[note] - expected[note]) / std::fabs(expected[note]);
        if (relative > largestDifference) {
            largestDifference = relative;
        }
        if (actual[note] != expected[note] && !(relative <= agreement)) {
            return QStringLiteral("note %1: %2, expected %3 (relative difference %4)")
                .arg(note)
                .arg(testing::numberText(actual[note]), testing::numberText(expected[note]))
                .arg(double(relative));
        }
    }
    return QString();
}

// Indices into the name lists below.
enum class Cutoff { Zero, One, Uniform, Small, TopExponent, SecondPathWeight, LevelWeight };
const char* const cutoffNames[] = {"0",
                                   "1",
                                   "uniform in (0, 1)",
                                   "between 1e-12 and 1e-2",
                                   "equal to an exponent of the first level",
                                   "equal to a path weight of the second level",
                                   "equal to the weight of a level below the second"};

// The exponent of the note in the list, by the same operations as the search's, so that a
// cutoff test can meet an exact tie.
long double exponentIn(const Scale& scale, const std::vector<int>& notes, const int& note) {
    return Interval::clamp(1 / scale.sumProdWeights(notes) * scale.prodWeights(note, notes));
}

// The weight of a level at the end of a random path from the top, multiplied and clamped step
// by step as the recursion does: the deepest that the path reaches before its list runs out.
long double randomLevelWeight(std::mt19937& random, const Scale& scale, std::vector<int> notes) {
    int current = 1 + static_cast<int>(random() % (notes.size() - 1));
    long double weight = 1;
    while (notes.size() > 2) {
        std::vector<int> children;
        for (const int note : notes) {
            if (note != 0 && note != current) {
                children.push_back(note);
            }
        }
        const int child = children[random() % children.size()];
        weight = Interval::clamp(exponentIn(scale, notes, child) * weight);
        notes.erase(std::find(notes.begin(), notes.end(), current));
        current = child;
    }
    return weight;
}

long double randomCutoff(std::mt19937& random, const Scale& scale, const Cutoff& kind) {
    std::uniform_real_distribution<long double> unit(0, 1);
    std::vector<int> allNotes(scale.getSizes().size() + 1);
    std::iota(allNotes.begin(), allNotes.end(), 0);
    switch (kind) {
    case Cutoff::Zero:
        return 0;
    case Cutoff::One:
        return 1;
    case Cutoff::Uniform:
        return unit(random);
    case Cutoff::Small:
        return std::pow(10.0L, -2 - 10 * unit(random));
    case Cutoff::TopExponent:
        return exponentIn(scale, allNotes, 1 + static_cast<int>(random() % (allNotes.size() - 1)));
    case Cutoff::SecondPathWeight: {
        // Tuning note 1 through note 2, the path weight is note 2's exponent in the list of
        // all notes; the next step multiplies it by an exponent of the list without note 1.
        std::vector<int> rest = allNotes;
        rest.erase(rest.begin() + 1);
        const int next = rest[1 + random() % (rest.size() - 1)];
        return exponentIn(scale, rest, next) * exponentIn(scale, allNotes, 2);
    }
    case Cutoff::LevelWeight:
        return randomLevelWeight(random, scale, allNotes);
    }
    return 0;
}

// The scale of the test row: its pattern, cutoff and fixed notes.
std::unique_ptr<Scale> scaleOfRow() {
    QFETCH(IntervalsPattern, pattern);
    QFETCH(long double, cutoff);
    QFETCH(std::vector<int>, fixed);
    auto scale = std::make_unique<Scale>(pattern);
    scale->setWeightCutoff(cutoff);
    scale->setFixedNotes(fixed);
    return scale;
}

} // namespace

class TestWeightedSearch : public QObject {
    Q_OBJECT

private slots:
    // Patterns of 3 to 9 notes; each row is made from its seed alone, so a failing row can be
    // reproduced by itself.
    void agreesWithThePlainRecursion_data() {
        QTest::addColumn<IntervalsPattern>("pattern");
        QTest::addColumn<long double>("cutoff");
        QTest::addColumn<std::vector<int>>("fixed");

        const std::vector<Weights> weightKinds{Weights::Benedetti, Weights::Uniform,
                                               Weights::Random};
        const std::vector<Cutoff> cutoffKinds{Cutoff::Zero,        Cutoff::One,
                                              Cutoff::Uniform,     Cutoff::Small,
                                              Cutoff::TopExponent, Cutoff::SecondPathWeight,
                                              Cutoff::LevelWeight};
        for (unsigned seed = 1; seed <= 105; ++seed) {
            std::mt19937 random(seed);
            const int notes = 3 + static_cast<int>(random() % 7);
            const Weights weights = weightKinds[seed % weightKinds.size()];
            const Cutoff cutoffKind = cutoffKinds[(seed / weightKinds.size()) % cutoffKinds.size()];
            const IntervalsPattern pattern = randomPattern(random, notes, weights);
            std::vector<int> fixed;
            for (int note = 1; note < notes; ++note) {
                if (random() % 5 == 0) {
                    fixed.push_back(note);
                }
            }
            const long double cutoff = randomCutoff(random, Scale(pattern), cutoffKind);
            QTest::addRow("seed %u: %d notes, %s weights, cutoff %s (%Lg), %d fixed", seed, notes,
                          weightsNames[static_cast<int>(weights)],
                          cutoffNames[static_cast<int>(cutoffKind)], cutoff,
                          static_cast<int>(fixed.size()))
                << pattern << cutoff << fixed;
        }
        // A NaN cutoff answers every cutoff test "no"; the search falls back to the recursion.
        std::mt19937 random(91);
        QTest::newRow("NaN cutoff")
            << randomPattern(random, 6, Weights::Benedetti)
            << std::numeric_limits<long double>::quiet_NaN() << std::vector<int>{2};
        // Sizes of 1e-4000, whose products leave the range of long double in the recursion where
        // sums of their logarithms would not: the search falls back to the recursion.
        IntervalsPattern tiny = randomPattern(random, 6, Weights::Uniform);
        for (std::size_t row = 1; row < 3; ++row) {
            for (Interval& interval : tiny[row]) {
                interval.size = 1e-4000L;
            }
        }
        QTest::newRow("sizes whose products leave the range") << tiny << 0.0L << std::vector<int>{};
    }

    void agreesWithThePlainRecursion() {
        const std::unique_ptr<Scale> rowScale = scaleOfRow();
        const Scale& scale = *rowScale;
        QFETCH(std::vector<int>, fixed);
        const Tuning expected = plainTuning(scale);

        std::atomic<bool> flag(false);
        const Tuning tuned = scale.tuneScale(flag, [](int) {});
        const QString tunedDifference = difference(tuned, expected);
        QVERIFY2(tunedDifference.isEmpty(), qPrintable(tunedDifference));

        // Budgets that make the search forget at every level, now and then, or never.
        for (const std::size_t budget :
             {std::size_t(0), std::size_t(64) << 10, WeightedSearch::defaultMemoryBudget}) {
            WeightedSearch search(scale.searchInput(), flag, budget);
            Tuning tuning{1};
            for (int note = 1; note < static_cast<int>(expected.size()); ++note) {
                tuning.push_back(std::find(fixed.begin(), fixed.end(), note) != fixed.end()
                                     ? expected[static_cast<std::size_t>(note)]
                                     : search.tuneFromAllNotes(note));
            }
            const QString budgetDifference = difference(tuning, expected);
            QVERIFY2(budgetDifference.isEmpty(),
                     qPrintable(QStringLiteral("budget %1: %2").arg(budget).arg(budgetDifference)));
        }
        // The split at every depth, so that the levels below it are walked from states, and
        // within a budget so small that a depth is filed in parts.
        if (!scale.searchInput().takesLogarithms()) {
            return;
        }
        std::vector<int> notes(expected.size());
        std::iota(notes.begin(), notes.end(), 0);
        for (const int depth : {0, 1, 2, 3, std::numeric_limits<int>::max()}) {
            for (const std::size_t budget :
                 {std::size_t(2) << 10, SplitSearch::defaultMemoryBudget}) {
                SplitSearch search(scale.searchInput(), flag, budget);
                search.setDepthLimit(depth);
                const QString splitDifference =
                    difference(search.tune(notes, 2, nullptr, [] {}), expected);
                QVERIFY2(splitDifference.isEmpty(),
                         qPrintable(QStringLiteral("split at depth %1 or above, budget %2: %3")
                                        .arg(depth)
                                        .arg(budget)
                                        .arg(splitDifference)));
            }
        }
    }

    void cleanupTestCase() {
        qInfo("Largest relative difference from the recursion: %g",
              static_cast<double>(largestDifference));
    }

    // Threads that remember together, taking entries of the same notes at once, forgetting
    // together when the budget is spent (16 KiB: at nearly every level) or never: every note
    // as the recursion gives it, and as one thread gives it, reported in order.
    void threadsRememberingTogetherAgree_data() {
        QTest::addColumn<IntervalsPattern>("pattern");
        QTest::addColumn<long double>("cutoff");
        QTest::addColumn<std::vector<int>>("fixed");
        for (unsigned seed = 201; seed <= 210; ++seed) {
            std::mt19937 random(seed);
            const int notes = 6 + static_cast<int>(random() % 4);
            const Weights weights = seed % 2 == 0 ? Weights::Benedetti : Weights::Random;
            const IntervalsPattern pattern = randomPattern(random, notes, weights);
            std::vector<int> fixed;
            if (seed % 3 == 0) {
                fixed.push_back(1 + static_cast<int>(random() % (notes - 1)));
            }
            const Cutoff kind = seed % 4 == 0 ? Cutoff::SecondPathWeight : Cutoff::Small;
            const long double cutoff = randomCutoff(random, Scale(pattern), kind);
            QTest::addRow("seed %u: %d notes, %s weights, cutoff %Lg, %d fixed", seed, notes,
                          weightsNames[static_cast<int>(weights)], cutoff,
                          static_cast<int>(fixed.size()))
                << pattern << cutoff << fixed;
        }
    }

    void threadsRememberingTogetherAgree() {
        const std::unique_ptr<Scale> rowScale = scaleOfRow();
        const Scale& scale = *rowScale;
        const Tuning expected = plainTuning(scale);
        std::atomic<bool> flag(false);
        Tuning oneThread;
        for (const int threads : {1, 2, 4}) {
            for (const std::size_t budget :
                 {std::size_t(16) << 10, WeightedSearch::defaultMemoryBudget}) {
                std::vector<int> reported;
                const Tuning tuning = tuneByPathWeights(
                    scale.searchInput(), flag,
                    [&reported](const int& note) { reported.push_back(note); }, {}, threads,
                    budget);
                const QString context =
                    QStringLiteral("%1 threads, budget %2: ").arg(threads).arg(budget);
                const QString recursionDifference = difference(tuning, expected);
                QVERIFY2(recursionDifference.isEmpty(), qPrintable(context + recursionDifference));
                if (oneThread.empty()) {
                    oneThread = tuning;
                }
                const QString threadDifference = difference(tuning, oneThread);
                QVERIFY2(threadDifference.isEmpty(), qPrintable(context + threadDifference));
                std::vector<int> inOrder(expected.size() - 1);
                std::iota(inOrder.begin(), inOrder.end(), 1);
                QCOMPARE(reported, inOrder);
            }
        }
    }

    // Sets of more than 64 notes take several words as a key. Notes 0 to 4 are bound to each
    // other by weights of 1, all others by weights of 1e-3: only paths through notes 1 to 4
    // are followed, so the plain recursion stays quick.
    void largeTablesAgreeWithThePlainRecursion() {
        std::mt19937 random(7);
        std::uniform_real_distribution<long double> unit(0, 1);
        const int count = 66;
        IntervalsPattern pattern;
        for (int i = 0; i + 1 < count; ++i) {
            pattern.emplace_back();
            for (int j = i + 1; j < count; ++j) {
                pattern.back().emplace_back((1 + unit(random)) * (j - i), j <= 4 ? 1 : 1e-3L);
            }
        }
        Scale scale(pattern);
        scale.setWeightCutoff(1e-3L);
        std::vector<int> allNotes(count);
        std::iota(allNotes.begin(), allNotes.end(), 0);
        std::atomic<bool> flag(false);
        const long double normaliser = 1 / scale.sumProdWeights(allNotes);
        const std::vector<int> notes{1, 2, 3, 33, 65};
        Tuning expected;
        for (const int note : notes) {
            expected.push_back(scale.traversePath(note, allNotes, 1, normaliser, flag));
        }
        for (const std::size_t budget : {std::size_t(0), WeightedSearch::defaultMemoryBudget}) {
            WeightedSearch search(scale.searchInput(), flag, budget);
            Tuning tuning;
            for (const int note : notes) {
                tuning.push_back(search.tuneFromAllNotes(note));
            }
            const QString budgetDifference = difference(tuning, expected);
            QVERIFY2(budgetDifference.isEmpty(),
                     qPrintable(QStringLiteral("budget %1: %2").arg(budget).arg(budgetDifference)));
            if (budget > 0) {
                // Tuning note 1 through note 2 meets the levels of tuning note 2 through note 1.
                QVERIFY(search.reusedLevels() > 0);
                QVERIFY(search.computedLevels() > 3 * notes.size());
            } else {
                QVERIFY(search.forgettings() >= search.computedLevels());
            }
        }
    }

    // Notes 1 and 3 have the same weights to the others, so tuning note 1 through note 3 and
    // note 3 through note 1 reach note 2 over {0, 2, 4} with path weights that are equal but
    // for the rounding of products taken in another order. The cutoff is the weight of the
    // path on through note 4 from the lower of the two, exactly: one is cut there and the other
    // not, so a result remembered for one must not be taken for the other.
    void pathWeightsAnUlpApart() {
        const long double w01 = 0.539069768145474074409L;
        const long double w02 = 0.914822402331922862801L;
        const long double w04 = 0.462632761183923984946L;
        const long double w12 = 0.436391584524675954368L;
        const long double w13 = 0.939736517015607810495L;
        const long double w14 = 0.78060534318353060366L;
        const long double w24 = 0.718810805925805382591L;
        Scale scale({{{1.25L, w01}, {1.5L, w02}, {1.75L, w01}, {2, w04}},
                     {{1.2L, w12}, {1.4L, w13}, {1.6L, w14}},
                     {{1.17L, w12}, {1.33L, w24}},
                     {{1.14L, w14}}});
        const std::vector<int> all{0, 1, 2, 3, 4};
        const long double throughThree = Interval::clamp(
            exponentIn(scale, {0, 2, 3, 4}, 2) * Interval::clamp(exponentIn(scale, all, 3) * 1));
        const long double throughOne = Interval::clamp(
            exponentIn(scale, {0, 1, 2, 4}, 2) * Interval::clamp(exponentIn(scale, all, 1) * 1));
        const long double lastStep = exponentIn(scale, {0, 2, 4}, 4);
        const long double cutoff = lastStep * std::min(throughThree, throughOne);
        QVERIFY(throughThree != throughOne);
        QVERIFY(!(lastStep * std::max(throughThree, throughOne) <= cutoff));
        scale.setWeightCutoff(cutoff);

        std::atomic<bool> flag(false);
        const Tuning expected = plainTuning(scale);
        const QString tunedDifference = difference(scale.tuneScale(flag, [](int) {}), expected);
        QVERIFY2(tunedDifference.isEmpty(), qPrintable(tunedDifference));
    }

    // Both searches, long enough to report their work more than once on any machine.
    void workReportsRiseBelowTenThousand_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<long double>("cutoff");
        QTest::newRow("one pass over note sets: 19 notes, cutoff 0") << 18 << 0.0L;
        // Long enough for several reports, short enough for a test.
        QTest::newRow("split search: 17 notes, cutoff 1e-8") << 16 << 1e-8L;
    }

    void workReportsRiseBelowTenThousand() {
        QFETCH(int, range);
        QFETCH(long double, cutoff);
        const ScaleSpace space(QStringLiteral("12edo"), testing::twelveEdoPattern());
        Scale scale(makeIntervalsPattern(space, populateWeightFunctionsMap()[0].second, range));
        scale.setWeightCutoff(cutoff);
        std::vector<int> work;
        scale.setWorkCallback([&work](int percent) { work.push_back(percent); });
        std::vector<int> perNote;
        std::atomic<bool> flag(false);
        scale.tuneScale(flag, [&perNote](int percent) { perNote.push_back(percent); });

        std::vector<int> expected;
        for (int note = 0; note <= range; ++note) {
            expected.push_back(static_cast<int>(100.0f * note / range));
        }
        expected.insert(expected.end(), {100, 100});
        QCOMPARE(perNote, expected);
        QVERIFY(!work.empty());
        QVERIFY2(std::adjacent_find(work.begin(), work.end(), std::greater_equal<int>()) ==
                         work.end() &&
                     work.front() >= 1 && work.back() < workParts,
                 qPrintable(QStringLiteral("%1 reports from %2 to %3")
                                .arg(work.size())
                                .arg(work.front())
                                .arg(work.back())));
    }

    // With a cutoff of 0 these searches would run for ages. The flag is set from another thread
    // while the search is busy with note 1; the run must end soon after, its last two reports
    // (makeWeightedTuning's and tuneScale's) 0. The bound here only catches a search that does
    // not notice; the time it takes is measured in the benchmark.
    void cancellationFromAnotherThread_data() {
        QTest::addColumn<int>("range");
        QTest::newRow("23 notes, one pass over note sets") << 22;
        QTest::newRow("25 notes") << 24;
        QTest::newRow("70 notes, keys of two words") << 69;
        QTest::newRow("400 notes, long exponent products") << 399;
    }

    void cancellationFromAnotherThread() {
        QFETCH(int, range);
        const std::vector<long double> steps{16.0L / 15, 9.0L / 8,   6.0L / 5,  5.0L / 4,
                                             4.0L / 3,   45.0L / 32, 3.0L / 2,  8.0L / 5,
                                             5.0L / 3,   9.0L / 5,   15.0L / 8, 2.0L};
        SizePattern sizes;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            sizes.emplace_back(steps.begin(), steps.end() - static_cast<std::ptrdiff_t>(i));
        }
        const ScaleSpace space(QStringLiteral("12edo"), sizes);
        Scale scale(makeIntervalsPattern(space, populateWeightFunctionsMap()[0].second, range));
        scale.setWeightCutoff(0);

        std::atomic<bool> flag(false);
        std::mutex mutex;
        std::vector<int> reports;
        std::atomic<int> reportCount(0);
        std::future<Tuning> run = std::async(std::launch::async, [&] {
            return scale.tuneScale(flag, [&](int percent) {
                const std::lock_guard<std::mutex> lock(mutex);
                reports.push_back(percent);
                ++reportCount;
            });
        });
        // Note 0 is answered at once; then the search of note 1 begins.
        QTRY_VERIFY_WITH_TIMEOUT(reportCount >= 1, 5000);
        QTest::qWait(50);
        QVERIFY(run.wait_for(std::chrono::seconds(0)) == std::future_status::timeout);
        flag = true;
        QVERIFY(run.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
        const Tuning tuning = run.get();
        QCOMPARE(int(tuning.size()), range + 1);
        const std::lock_guard<std::mutex> lock(mutex);
        QVERIFY(reports.size() >= 3);
        QCOMPARE(reports.front(), 0);
        QCOMPARE(reports[reports.size() - 2], 0);
        QCOMPARE(reports.back(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWeightedSearch)
#include "tst_weightedsearch.moc"
