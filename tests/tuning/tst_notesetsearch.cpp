#include "tests/tuning/patterns.h"
#include "tuning/notesetsearch.h"
#include "tuning/plainsearch.h"
#include "tuning/scale.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using Tuning = std::vector<long double>;

namespace {

// The sums of logarithms differ from the recursion's products of powers by a few roundings of
// long double; a proposal taken through the wrong list, a misplaced exponent or a fixed note
// treated as free moves a result by far more.
constexpr long double agreement = 1e-15L;

long double largestRelativeDifference(const Tuning& actual, const Tuning& expected) {
    long double largest = 0;
    for (std::size_t note = 0; note < expected.size(); ++note) {
        largest = std::max(largest, std::fabs(actual[note] - expected[note]) / expected[note]);
    }
    return largest;
}

// A table of this many notes with sizes and weights drawn at random, each row from its seed.
IntervalsPattern randomTable(const unsigned& seed, const int& notes) {
    std::mt19937 random(seed);
    return randomPattern(random, notes, Weights::Random);
}

} // namespace

class TestNoteSetSearch : public QObject {
    Q_OBJECT

    long double largestDifference = 0;

private slots:
    void cleanupTestCase() {
        qInfo("largest relative difference from the recursion: %.3Le", largestDifference);
    }

    // Tables of 3 to 10 notes, every note fixed with chance 1/4.
    void agreesWithThePlainRecursion_data() {
        QTest::addColumn<IntervalsPattern>("pattern");
        QTest::addColumn<std::vector<int>>("fixed");
        for (unsigned seed = 1; seed <= 120; ++seed) {
            std::mt19937 random(seed);
            const int notes = 3 + static_cast<int>(seed % 8);
            const Weights weights = static_cast<Weights>(seed % 3);
            const IntervalsPattern pattern = randomPattern(random, notes, weights);
            std::vector<int> fixed;
            for (int note = 1; note < notes; ++note) {
                if (random() % 4 == 0) {
                    fixed.push_back(note);
                }
            }
            QTest::addRow("seed %u: %d notes, %s weights, %d fixed", seed, notes,
                          weightsNames[static_cast<int>(weights)], static_cast<int>(fixed.size()))
                << pattern << fixed;
        }
    }

    void agreesWithThePlainRecursion() {
        QFETCH(IntervalsPattern, pattern);
        QFETCH(std::vector<int>, fixed);
        Scale scale(pattern);
        scale.setWeightCutoff(0);
        scale.setFixedNotes(fixed);
        const SearchInput input = scale.searchInput();
        QVERIFY(NoteSetSearch::applies(input));
        std::atomic<bool> flag(false);
        const Tuning expected = plainTuning(input, flag);

        const Tuning tuned = NoteSetSearch(input, flag).tuneAllNotes(1, nullptr, [] {});
        QCOMPARE(tuned.size(), expected.size());
        const long double difference = largestRelativeDifference(tuned, expected);
        largestDifference = std::max(largestDifference, difference);
        QVERIFY2(difference <= agreement, qPrintable(QString::number(double(difference))));
        for (const int note : scale.getFixedNotes()) {
            QCOMPARE(tuned[static_cast<std::size_t>(note)],
                     expected[static_cast<std::size_t>(note)]);
        }
        QCOMPARE(tuned[0], 1.0L);
        // What the window runs takes the same pass.
        QCOMPARE(scale.tuneScale(flag, [](int) {}), tuned);
    }

    // Paths are cut, a weight or the cutoff is not a number, or the tables would not fit.
    void leavesWhatItCannotTake_data() {
        QTest::addColumn<int>("notes");
        QTest::addColumn<long double>("cutoff");
        QTest::addColumn<long double>("weight");
        QTest::addColumn<bool>("applies");
        const long double nan = std::numeric_limits<long double>::quiet_NaN();
        QTest::newRow("cutoff 0") << 8 << 0.0L << 0.5L << true;
        QTest::newRow("cutoff just above 0") << 8 << 1e-300L << 0.5L << false;
        QTest::newRow("NaN cutoff") << 8 << nan << 0.5L << false;
        QTest::newRow("NaN weight") << 8 << 0.0L << nan << false;
        QTest::newRow("23 notes fit") << 23 << 0.0L << 0.5L << true;
        QTest::newRow("24 notes do not") << 24 << 0.0L << 0.5L << false;
    }

    void leavesWhatItCannotTake() {
        QFETCH(int, notes);
        QFETCH(long double, cutoff);
        QFETCH(long double, weight);
        QFETCH(bool, applies);
        IntervalsPattern pattern = randomTable(5, notes);
        pattern[1][0].weight = weight;
        const std::vector<int> fixed;
        QCOMPARE(NoteSetSearch::applies(SearchInput{pattern, fixed, cutoff}), applies);
    }

    // Each pass is shared out among the threads by chunks of sets; every value is computed by
    // the same operations whichever thread takes it.
    void threadsGiveTheOneThreadResult() {
        const IntervalsPattern pattern = randomTable(11, 20);
        const std::vector<int> fixed{4, 13};
        const SearchInput input{pattern, fixed, 0};
        std::atomic<bool> flag(false);
        const Tuning one = NoteSetSearch(input, flag).tuneAllNotes(1, nullptr, [] {});
        for (const int threads : {2, 3, 8}) {
            WorkCounter work(NoteSetSearch::workUnits(input.noteCount()));
            QCOMPARE(NoteSetSearch(input, flag).tuneAllNotes(threads, &work, [] {}), one);
            QCOMPARE(work.percent(), 99);
        }
    }
};

QTEST_GUILESS_MAIN(TestNoteSetSearch)
#include "tst_notesetsearch.moc"
