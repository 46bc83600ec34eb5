#include "tuning/searchpace.h"

#include <QTest>

#include <cmath>
#include <vector>

using Seconds = std::vector<double>;

class TestSearchPace : public QObject {
    Q_OBJECT

private slots:
    void share_data();
    void share();
    void forecast_data();
    void forecast();
    void forecastFromPilots_data();
    void forecastFromPilots();
    void lastStage_data();
    void lastStage();
};

void TestSearchPace::share_data() {
    QTest::addColumn<Seconds>("forecast");
    QTest::addColumn<double>("pilot");
    QTest::addColumn<Seconds>("ended");
    QTest::addColumn<double>("inNote");
    QTest::addColumn<double>("share");

    QTest::newRow("the pilot counts as done")
        << Seconds{1, 1, 2} << 1.0 << Seconds{} << 0.0 << 1.0 / 5;
    QTest::newRow("the time in a note counts as done")
        << Seconds{1, 1, 2} << 0.0 << Seconds{} << 0.5 << 0.5 / 4;
    // The first note took twice its forecast: the others are expected to take nearly as long,
    // a twentieth of the whole forecast counting as kept to.
    QTest::newRow("an ended note sets the pace")
        << Seconds{1, 1, 2} << 0.0 << Seconds{2} << 0.0 << 2 / (2 + 3 * 2.2 / 1.2);
    QTest::newRow("a short note hastens the rest")
        << Seconds{2, 2, 4} << 0.0 << Seconds{1} << 0.5 << 1.5 / (1 + 6 * 1.4 / 2.4);
    QTest::newRow("a note of microseconds tells little")
        << Seconds{1e-6, 1, 1} << 0.0 << Seconds{1e-4} << 0.0
        << 1e-4 / (1e-4 + 2 * (1e-4 + 0.05 * 2.000001) / (1e-6 + 0.05 * 2.000001));
    // Past its forecast a note is taken to need a tenth of it more.
    QTest::newRow("a note past its forecast") << Seconds{1} << 0.0 << Seconds{} << 3.0 << 3 / 3.1;
    QTest::newRow("every note ended") << Seconds{1, 1} << 0.0 << Seconds{1, 1} << 0.0 << 1 - 1e-9;
    QTest::newRow("nothing to do") << Seconds{0} << 0.0 << Seconds{} << 0.0 << 0.0;
}

void TestSearchPace::share() {
    QFETCH(Seconds, forecast);
    QFETCH(double, pilot);
    QFETCH(Seconds, ended);
    QFETCH(double, inNote);
    QFETCH(double, share);
    SearchPace pace(forecast, pilot);
    for (const double seconds : ended) {
        pace.noteEnded(seconds);
    }
    QVERIFY2(std::fabs(pace.share(inNote) - share) < 1e-12,
             qPrintable(QString::number(pace.share(inNote), 'g', 17)));
}

void TestSearchPace::forecast_data() {
    QTest::addColumn<Seconds>("coarser");
    QTest::addColumn<Seconds>("coarse");
    QTest::addColumn<Seconds>("fine");
    QTest::addColumn<int>("decades");
    QTest::addColumn<Seconds>("forecast");

    QTest::newRow("each factor costs what the last did")
        << Seconds{} << Seconds{0.01, 0.02} << Seconds{0.03, 0.045} << 2
        << Seconds{0.03 * 6.25, 0.045 * 6.25};
    // Pilots this short measure little but noise.
    QTest::newRow("a pilot too short to measure")
        << Seconds{} << Seconds{0.0005, 0.0005} << Seconds{0.01, 0.02} << 1 << Seconds{0.025, 0.05};
    QTest::newRow("no coarse pilot")
        << Seconds{} << Seconds{} << Seconds{0.01} << 2 << Seconds{0.0625};
    QTest::newRow("a step that grows beyond reason")
        << Seconds{} << Seconds{0.01} << Seconds{0.5} << 1 << Seconds{1.35};
    QTest::newRow("a finer pilot that came out quicker")
        << Seconds{} << Seconds{0.02} << Seconds{0.01} << 2 << Seconds{0.0225};
    // Steps of 4 and then 1.44 count as two of 2.4.
    QTest::newRow("two factors that grew unevenly")
        << Seconds{0.01} << Seconds{0.04} << Seconds{0.0576} << 2 << Seconds{0.0576 * 5.76};
    QTest::newRow("a coarser pilot too short to measure")
        << Seconds{0.001} << Seconds{0.04} << Seconds{0.09} << 1 << Seconds{0.2025};
}

void TestSearchPace::forecast() {
    QFETCH(Seconds, coarser);
    QFETCH(Seconds, coarse);
    QFETCH(Seconds, fine);
    QFETCH(int, decades);
    QFETCH(Seconds, forecast);
    const Seconds made = forecastNotes(coarser, coarse, fine, decades);
    QCOMPARE(made.size(), forecast.size());
    for (std::size_t note = 0; note < made.size(); ++note) {
        QVERIFY2(std::fabs(made[note] - forecast[note]) < 1e-12 * forecast[note],
                 qPrintable(QString::number(made[note], 'g', 17)));
    }
}

void TestSearchPace::forecastFromPilots_data() {
    QTest::addColumn<Seconds>("wall");
    QTest::addColumn<Seconds>("processor");
    QTest::addColumn<int>("decades");
    QTest::addColumn<double>("forecast");

    // Two threads kept busy: the clock measures 2.5 a factor.
    QTest::newRow("a quiet machine")
        << Seconds{0.02, 0.05, 0.125} << Seconds{0.04, 0.1, 0.25} << 2 << 0.125 * 6.25;
    // Waits flatten the clock's growth to 1.5; the processor time grows by 2.5, and the last
    // pilot's clock time sets the pace.
    QTest::newRow("a busy machine")
        << Seconds{0.044, 0.072, 0.1} << Seconds{0.01, 0.025, 0.0625} << 2 << 0.1 * 6.25;
    QTest::newRow("one pilot") << Seconds{0.2} << Seconds{0.3} << 1 << 0.5;
}

void TestSearchPace::forecastFromPilots() {
    QFETCH(Seconds, wall);
    QFETCH(Seconds, processor);
    QFETCH(int, decades);
    QFETCH(double, forecast);
    const Seconds made = ::forecastFromPilots(wall, processor, decades);
    QCOMPARE(made.size(), std::size_t(1));
    QVERIFY2(std::fabs(made.front() - forecast) < 1e-12 * forecast,
             qPrintable(QString::number(made.front(), 'g', 17)));
}

void TestSearchPace::lastStage_data() {
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<double>("staged");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("parts");
    QTest::addColumn<double>("share");

    QTest::newRow("nothing done yet") << 10.0 << 1.0 << 0 << 1000 << -1.0;
    // The first of some thousands of states already tells the pace.
    QTest::newRow("one done") << 1.0 << 0.5 << 1 << 10000 << 1.0 / (1 + 0.5 * 9999);
    QTest::newRow("under a fifth of a second") << 10.0 << 0.1 << 100 << 1000 << -1.0;
    QTest::newRow("nothing to do") << 10.0 << 1.0 << 0 << 0 << -1.0;
    // 3 s for a quarter leave 9 s, after 4 s in all.
    QTest::newRow("a quarter done") << 4.0 << 3.0 << 250 << 1000 << 4.0 / 13;
    QTest::newRow("all done, but not yet ended") << 5.0 << 4.0 << 1000 << 1000 << 1 - 1e-9;
}

void TestSearchPace::lastStage() {
    QFETCH(double, elapsed);
    QFETCH(double, staged);
    QFETCH(int, done);
    QFETCH(int, parts);
    QFETCH(double, share);
    QCOMPARE(shareFromLastStage(elapsed, staged, static_cast<std::size_t>(done),
                                static_cast<std::size_t>(parts)),
             share);
}

QTEST_APPLESS_MAIN(TestSearchPace)
#include "tst_searchpace.moc"
