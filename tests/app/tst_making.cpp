#include "app/making/searchclock.h"
#include "app/making/tuningmaking.h"
#include "tests/common/twelveedo.h"
#include "tuning/searchthreads.h"

#include <QException>
#include <QFutureInterface>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <cmath>
#include <stdexcept>

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(std::vector<long double>)

namespace {

// A pattern whose every interval tells where it came from.
Interval tracer(const int& row, const int& column) {
    return Interval(1 + row + column / 100.0L, 1 + column);
}

class FailedTask : public QException {
public:
    void raise() const override { throw *this; }
    FailedTask* clone() const override { return new FailedTask(*this); }
};

} // namespace

class TestMaking : public QObject {
    Q_OBJECT

private slots:
    // The time left as the progress bar shows it: nothing until 200 ms of work say something,
    // then the extrapolation of the share done, counting down, never below a second.
    void searchClock_data() {
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("reportedAt");
        QTest::addColumn<int>("now");
        QTest::addColumn<QString>("format");
        QTest::newRow("too early") << 10000 << 150 << 150 << "%p %";
        QTest::newRow("no work yet") << 0 << 5000 << 5000 << "%p %";
        QTest::newRow("a quarter in a second") << 250000 << 1000 << 1000 << "%p % – 0:03 left";
        QTest::newRow("counting down") << 250000 << 1000 << 1800 << "%p % – 0:02 left";
        // A quarter in 1 s, but no second quarter by 9 s: half takes 9 s at least.
        QTest::newRow("behind the estimate") << 250000 << 1000 << 9000 << "%p % – 0:09 left";
        // Reports of whole notes: the next is not due before 2 s, so the clock counts down.
        QTest::newRow("a note of twelve, the next not yet due")
            << 80000 << 1000 << 1900 << "%p % – 0:11 left";
        QTest::newRow("all but done") << workParts - 1 << 1000 << 9000 << "%p % – 0:01 left";
        QTest::newRow("a long one") << 10000 << 3000 << 3000 << "%p % – 4:57 left";
        QTest::newRow("hours") << 1000 << 4000 << 4000 << "%p % – 1:06:36 left";
        // A search of a day has done a hundred-thousandth of its work after a second.
        QTest::newRow("a day, told in its first second")
            << 10 << 1000 << 1000 << "%p % – 27:46:39 left";
    }

    void searchClock() {
        QFETCH(int, parts);
        QFETCH(int, reportedAt);
        QFETCH(int, now);
        QFETCH(QString, format);
        SearchClock clock;
        clock.start(1000);
        clock.report(parts, 1000 + reportedAt);
        QCOMPARE(clock.progressFormat(1000 + now), format);
    }

    void searchCost_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("notes");
        QTest::addColumn<QString>("text");
        QTest::newRow("quick") << 9.5 << 20 << "";
        QTest::newRow("half a minute") << 30.0 << 20 << "Making the tuning (about 30 s).";
        QTest::newRow("three minutes, few notes")
            << 180.0 << 20
            << "Making the tuning (about 3 min). A long search: the dial at 1000 takes every "
               "path and is done in seconds. Cancel stops this one.";
        QTest::newRow("three minutes, many notes")
            << 180.0 << 40
            << "Making the tuning (about 3 min). A long search: a lower dial cuts more paths "
               "and is quicker. Cancel stops this one.";
    }

    void searchCost() {
        QFETCH(double, seconds);
        QFETCH(int, notes);
        QFETCH(QString, text);
        QCOMPARE(searchCostText(seconds, notes), text);
    }

    void cutoff_data() {
        QTest::addColumn<int>("notes");
        QTest::addColumn<int>("dial");
        QTest::addColumn<double>("expected");
        QTest::newRow("13 notes, dial at 0") << 13 << 0 << 1.0 / 13;
        QTest::newRow("13 notes, dial at the maximum") << 13 << 1000 << 0.0;
        QTest::newRow("1024 notes, dial at 0") << 1024 << 0 << 1.0 / 1024;
        QTest::newRow("1024 notes, dial halfway") << 1024 << 500 << 1.0 / 1024;
        QTest::newRow("1024 notes, dial at the maximum") << 1024 << 1000 << 1.0 / 1024;
        QTest::newRow("one note, dial at the maximum") << 1 << 1000 << 0.0;
    }

    void cutoff() {
        QFETCH(int, notes);
        QFETCH(int, dial);
        QFETCH(double, expected);
        QCOMPARE(double(makeCutoff(notes, dial, 1000)), expected);
    }

    // Halfway, 13 notes give an exponent of about 15.49: 1.67e-6.
    void cutoffHalfwayFor13Notes() {
        const long double cutoff = makeCutoff(13, 500, 1000);
        QCOMPARE(QString::number(double(cutoff), 'g', 3), QStringLiteral("1.67e-06"));
        QCOMPARE(QString::number(-std::log2(double(cutoff * 13)), 'f', 2), QStringLiteral("15.49"));
        // Each step of the dial lowers it.
        QVERIFY(makeCutoff(13, 501, 1000) < cutoff);
        QVERIFY(makeCutoff(13, 499, 1000) > cutoff);
    }

    void fixedPositions_data() {
        QTest::addColumn<std::vector<int>>("notes");
        QTest::addColumn<std::vector<int>>("fixed");
        QTest::addColumn<std::vector<int>>("expected");
        QTest::newRow("middle") << std::vector<int>{2, 5, 7} << std::vector<int>{5}
                                << std::vector<int>{1};
        QTest::newRow("fixed in any order")
            << std::vector<int>{2, 5, 7} << std::vector<int>{7, 2} << std::vector<int>{0, 2};
        QTest::newRow("fixed outside the notes")
            << std::vector<int>{2, 5, 7} << std::vector<int>{3, 9} << std::vector<int>{};
        QTest::newRow("nothing fixed")
            << std::vector<int>{0, 1} << std::vector<int>{} << std::vector<int>{};
    }

    void fixedPositions() {
        QFETCH(std::vector<int>, notes);
        QFETCH(std::vector<int>, fixed);
        QFETCH(std::vector<int>, expected);
        QCOMPARE(makeFixedPositions(notes, fixed), expected);
    }

    void unweightedSearch_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<std::vector<int>>("fixed");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Uniform, nothing fixed") << "Uniform" << std::vector<int>{} << true;
        QTest::newRow("Uniform, a note fixed") << "Uniform" << std::vector<int>{9} << false;
        QTest::newRow("Benedetti") << "Benedetti" << std::vector<int>{} << false;
        QTest::newRow("Arbitrary") << "Arbitrary" << std::vector<int>{} << false;
    }

    void unweightedSearch() {
        QFETCH(QString, function);
        QFETCH(std::vector<int>, fixed);
        QFETCH(bool, expected);
        QCOMPARE(isUnweightedSearch(function, fixed), expected);
    }

    void notesIntervalsPattern_data() {
        QTest::addColumn<std::vector<int>>("notes");
        QTest::addColumn<int>("range");
        // The (row, column) pairs of the pattern's rows.
        QTest::addColumn<QList<QList<QPoint>>>("pairs");
        QTest::newRow("sorted first")
            << std::vector<int>{7, 2, 5} << 13 << QList<QList<QPoint>>{{{2, 5}, {2, 7}}, {{5, 7}}};
        QTest::newRow("no notes: the whole range")
            << std::vector<int>{} << 3 << QList<QList<QPoint>>{{{0, 1}, {0, 2}}, {{1, 2}}};
        QTest::newRow("one note") << std::vector<int>{4} << 13 << QList<QList<QPoint>>{};
    }

    void notesIntervalsPattern() {
        QFETCH(std::vector<int>, notes);
        QFETCH(int, range);
        QFETCH(QList<QList<QPoint>>, pairs);
        const IntervalsPattern pattern = makeNotesIntervalsPattern(notes, range, tracer);
        QCOMPARE(int(pattern.size()), int(pairs.size()));
        for (int i = 0; i < pairs.size(); ++i) {
            QCOMPARE(int(pattern[std::size_t(i)].size()), int(pairs[i].size()));
            for (int j = 0; j < pairs[i].size(); ++j) {
                const Interval& interval = pattern[std::size_t(i)][std::size_t(j)];
                const Interval expected = tracer(pairs[i][j].x(), pairs[i][j].y());
                QCOMPARE(double(interval.size), double(expected.size));
                QCOMPARE(double(interval.weight), double(expected.weight));
            }
        }
    }

    void takeTuningOfATask_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("shown");
        QTest::newRow("result") << 0 << true;
        QTest::newRow("standard exception") << 1 << false;
        QTest::newRow("Qt exception") << 2 << false;
        QTest::newRow("no tuning") << 3 << false;
    }

    void takeTuningOfATask() {
        QFETCH(int, outcome);
        QFETCH(bool, shown);
        QFuture<std::vector<long double>> future = QtConcurrent::run([outcome] {
            if (outcome == 1) {
                throw std::runtime_error("no tuning");
            }
            if (outcome == 2) {
                throw FailedTask();
            }
            return outcome == 3 ? std::vector<long double>{} : std::vector<long double>{1, 1.5L};
        });
        QTRY_VERIFY(future.isFinished());
        const std::optional<std::vector<long double>> tuning = takeTuning(future);
        QCOMPARE(tuning.has_value(), shown);
        if (shown) {
            QCOMPARE(*tuning, (std::vector<long double>{1, 1.5L}));
        }
    }

    void takeTuningOfAFutureWithoutResult() {
        QFutureInterface<std::vector<long double>> interface;
        interface.reportStarted();
        interface.reportFinished();
        QVERIFY(!takeTuning(interface.future()).has_value());
    }

    void numberText_data() {
        QTest::addColumn<long double>("value");
        QTest::addColumn<bool>("scientific");
        QTest::addColumn<QString>("expected");
        QTest::newRow("semitone") << std::pow(2.0L, 1.0L / 12) << false << "1.0594630943593";
        QTest::newRow("major third in cents")
            << 1200 * std::log2(1.25L) << false << "386.313713864835";
        QTest::newRow("whole number") << 2.0L << false << "2";
        QTest::newRow("tiny") << 1e-20L << false << "1e-20";
        QTest::newRow("scientific") << 1.5L << true << "1.500000000000000e+00";
    }

    void numberText() {
        QFETCH(long double, value);
        QFETCH(bool, scientific);
        QFETCH(QString, expected);
        QCOMPARE(makeNumberText(value, scientific), expected);
    }

    void tuningLines_data() {
        QTest::addColumn<std::vector<long double>>("tuning");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fifth") << std::vector<long double>{1, 1.5L}
                               << QStringList{"Decimal tuning", "1.0", "1.5",
                                              "\nCents tuning", "0.0", "701.955000865387"};
        QTest::newRow("octave") << std::vector<long double>{1, 2}
                                << QStringList{"Decimal tuning", "1.0", "2.0",
                                               "\nCents tuning", "0.0", "1200.0"};
        QTest::newRow("nothing") << std::vector<long double>{} << QStringList{};
    }

    void tuningLines() {
        QFETCH(std::vector<long double>, tuning);
        QFETCH(QStringList, expected);
        QCOMPARE(makeTuningLines(tuning), expected);
    }

    // The work reports reach the second callback, rising and below workParts, beside the per-note
    // reports; the closed formula has no work to report.
    void makeTuningReportsTheWork_data() {
        QTest::addColumn<bool>("unweighted");
        QTest::newRow("weighted, 21 notes, cutoff 0") << false;
        QTest::newRow("unweighted") << true;
    }

    void makeTuningReportsTheWork() {
        QFETCH(bool, unweighted);
        const ScaleSpace space(QStringLiteral("12edo"), testing::twelveEdoPattern());
        TuningRequest request;
        request.pattern = makeIntervalsPattern(space, populateWeightFunctionsMap()[0].second, 20);
        request.unweighted = unweighted;
        std::atomic<bool> cancelled(false);
        std::vector<int> perNote;
        std::vector<int> work;
        const std::vector<long double> tuning = makeTuning(
            request, cancelled, [&perNote](int percent) { perNote.push_back(percent); },
            [&work](int parts) { work.push_back(parts); });
        QCOMPARE(tuning.size(), std::size_t(21));
        QCOMPARE(perNote.back(), 100);
        QCOMPARE(work.empty(), unweighted);
        for (std::size_t i = 0; i < work.size(); ++i) {
            QVERIFY(work[i] >= 1 && work[i] < workParts && (i == 0 || work[i] > work[i - 1]));
        }
    }
};

QTEST_GUILESS_MAIN(TestMaking)
#include "tst_making.moc"
