#include "audio/score.h"
#include "audio/synthesizer.h"
#include "tests/audio/soundmeasure.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

Q_DECLARE_METATYPE(audio::Score)

namespace {

using Samples = std::vector<std::int16_t>;

Samples renderAll(const audio::Score& score, const std::size_t& block) {
    audio::Synthesizer synthesizer(score);
    Samples samples(static_cast<std::size_t>(synthesizer.length()));
    std::size_t done = 0;
    while (const std::size_t count =
               synthesizer.render(samples.data() + done, std::min(block, samples.size() - done))) {
        done += count;
    }
    samples.resize(done);
    return samples;
}

double worstError = 0;

} // namespace

class TestSynthesizer : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { qInfo("largest frequency error measured: %.3g cents", worstError); }

    void playsEachNoteInTuneAndCleanly_data() {
        QTest::addColumn<audio::Score>("score");
        // The notes played one by one, in the order they should sound.
        QTest::addColumn<std::vector<double>>("frequencies");

        std::vector<long double> twelve;
        std::vector<double> twelveHz;
        for (int i = 0; i <= 12; ++i) {
            twelve.push_back(std::pow(2.0L, i / 12.0L));
            twelveHz.push_back(261.6255653005986 * std::pow(2.0, i / 12.0));
        }
        QTest::newRow("12edo at the default reference")
            << audio::tuningScore(twelve, 261.6255653005986) << twelveHz;
        QTest::newRow("just major scale from A 440")
            << audio::tuningScore(
                   {1, 9.0L / 8, 5.0L / 4, 4.0L / 3, 3.0L / 2, 5.0L / 3, 15.0L / 8, 2}, 440)
            << std::vector<double>{440, 495, 550, 440 * 4.0 / 3, 660, 440 * 5.0 / 3, 825, 880};
        QTest::newRow("a tuning below its first note plays in ascending pitch")
            << audio::tuningScore({1, 0.75L, 1.5L}, 300) << std::vector<double>{225, 300, 450};
        // 40 Hz gets all partials, 5500 Hz only four below half the sample rate.
        QTest::newRow("low and high notes") << audio::tuningScore({1, 7, 40, 137.5L}, 40)
                                            << std::vector<double>{40, 280, 1600, 5500};
        QTest::newRow("an interval downwards keeps its order")
            << audio::sequenceThenChord({440, 293.3}) << std::vector<double>{440, 293.3};
    }

    void playsEachNoteInTuneAndCleanly() {
        QFETCH(audio::Score, score);
        QFETCH(std::vector<double>, frequencies);
        const std::size_t count = frequencies.size();
        QCOMPARE(score.size(), 2 * count);

        const Samples samples = renderAll(score, 777);
        QCOMPARE(static_cast<std::int64_t>(samples.size()), audio::scoreLength(score));
        // Blocks of any size give the same sound.
        QVERIFY(samples == renderAll(score, samples.size()));

        const auto peak = [&](const std::int64_t& from, const std::int64_t& to) {
            int most = 0;
            for (std::int64_t n = from; n < to; ++n) {
                most = std::max(most, std::abs(int(samples[static_cast<std::size_t>(n)])));
            }
            return most;
        };
        QVERIFY2(peak(0, std::int64_t(samples.size())) < 32767, "a sample reaches full scale");

        const auto ramp = static_cast<std::int64_t>(0.0005 * audio::sampleRate);
        // The chord is its notes, each at an equal share.
        std::vector<double> chord;
        for (std::size_t i = 0; i < score.size(); ++i) {
            const audio::ScoreNote& note = score[i];
            const double target = frequencies[i % count];
            QCOMPARE(note.frequency, target);
            const std::int64_t end = note.start + note.length;
            // Alone for the first pass, in the chord after it.
            const bool alone = i < count;
            QCOMPARE(note.start, alone
                                     ? std::int64_t(i) * std::llround(0.4 * audio::sampleRate)
                                     : std::int64_t(count) * std::llround(0.4 * audio::sampleRate));
            QCOMPARE(note.length, std::llround((alone ? 0.4 : 2.0) * audio::sampleRate));

            const Samples own = alone ? Samples() : renderAll({{target, 0, note.length, 1}}, 4096);
            const Samples& heard = alone ? samples : own;
            chord.resize(own.size());
            for (std::size_t n = 0; n < own.size(); ++n) {
                chord[n] += own[n] / double(count);
            }
            const std::int64_t offset = alone ? 0 : note.start;
            const auto [from, to] = testing::steadyPart(note);
            const double measured = testing::measuredFrequency(heard, from - offset, to - offset);
            const double error = std::abs(testing::centsBetween(measured, target));
            worstError = std::max(worstError, error);
            QVERIFY2(error <= 0.05, qPrintable(QStringLiteral("note %1: %2 Hz, expected %3 Hz")
                                                   .arg(i)
                                                   .arg(measured, 0, 'g', 12)
                                                   .arg(target, 0, 'g', 12)));

            // No click: silent at both ends, rising and falling over more than half a
            // millisecond.
            QCOMPARE(samples[static_cast<std::size_t>(note.start)], 0);
            QCOMPARE(samples[static_cast<std::size_t>(end - 1)], 0);
            if (alone) {
                const int full = peak(from, to);
                QVERIFY(full > 8000);
                QVERIFY(peak(note.start, note.start + ramp) < full / 4);
                QVERIFY(peak(end - ramp, end) < full / 4);
            }
        }
        const std::int64_t chordStart = score.back().start;
        QCOMPARE(std::int64_t(chord.size()), std::int64_t(samples.size()) - chordStart);
        for (std::size_t n = 0; n < chord.size(); ++n) {
            const double heard = samples[static_cast<std::size_t>(chordStart) + n];
            QVERIFY2(std::abs(heard - chord[n]) <= 1.0, qPrintable(QString::number(n)));
        }
    }

    void leavesUnplayableNotesSilent_data() {
        QTest::addColumn<double>("frequency");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -440.0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
        QTest::newRow("half the sample rate") << 0.5 * audio::sampleRate;
        QTest::newRow("huge") << 1e300;
    }

    void leavesUnplayableNotesSilent() {
        QFETCH(double, frequency);
        const audio::Score score = audio::tuningScore({1, 2}, frequency);
        const Samples samples = renderAll(score, 1000);
        QCOMPARE(static_cast<std::int64_t>(samples.size()), audio::scoreLength(score));
        QVERIFY(!samples.empty());
        QVERIFY(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
    }

    void shortNotesStillStartAndEndSilent_data() {
        QTest::addColumn<std::int64_t>("length");
        QTest::newRow("one frame") << std::int64_t(1);
        QTest::newRow("two frames") << std::int64_t(2);
        QTest::newRow("shorter than the ramps") << std::int64_t(300);
    }

    void shortNotesStillStartAndEndSilent() {
        QFETCH(std::int64_t, length);
        const Samples samples = renderAll({{1000, 5, length, 1}}, 64);
        QCOMPARE(static_cast<std::int64_t>(samples.size()), 5 + length);
        QCOMPARE(samples[5], 0);
        QCOMPARE(samples.back(), 0);
        QVERIFY(std::all_of(samples.begin(), samples.begin() + 5,
                            [](std::int16_t s) { return s == 0; }));
    }

    void emptyScoreRendersNothing() {
        audio::Synthesizer synthesizer(audio::tuningScore({}, 440));
        std::int16_t sample = 7;
        QCOMPARE(synthesizer.length(), 0);
        QVERIFY(synthesizer.atEnd());
        QCOMPARE(synthesizer.render(&sample, 1), std::size_t(0));
        QCOMPARE(sample, 7);
    }
};

QTEST_GUILESS_MAIN(TestSynthesizer)
#include "tst_synthesizer.moc"
