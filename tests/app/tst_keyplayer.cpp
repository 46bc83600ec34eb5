#include "app/live/keyplayer.h"
#include "formats/tuningformats.h"
#include "midi/midi.h"
#include "tests/audio/soundmeasure.h"
#include "tests/common/jackserver.h"
#include "tests/common/midipeer.h"
#include "tests/formats/formatreaders.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using Tuning = std::vector<long double>;
Q_DECLARE_METATYPE(Tuning)

namespace {

using Samples = std::vector<std::int16_t>;

Tuning equal(const int& steps, const long double& period = 2) {
    Tuning tuning;
    for (int i = 0; i <= steps; ++i) {
        tuning.push_back(std::pow(period, static_cast<long double>(i) / steps));
    }
    return tuning;
}

Samples render(live::KeyPlayer& player, const std::size_t& frames) {
    Samples samples(frames);
    player.render(samples.data(), frames);
    return samples;
}

int peak(const Samples& samples) {
    int most = 0;
    for (const std::int16_t& sample : samples) {
        most = std::max(most, std::abs(int(sample)));
    }
    return most;
}

// Blocks, pulled as an output would, until one is (or is no longer) silent; bounded in time,
// as the MIDI message crosses the JACK server on its own thread.
bool renderUntil(live::KeyPlayer& player, Samples& into, const bool& sounding) {
    return testing::waitFor([&] {
        const Samples block = render(player, live::KeyPlayer::blockFrames);
        into.insert(into.end(), block.begin(), block.end());
        return (peak(block) > 0) == sounding;
    });
}

// The frequency the .tun export gives the key.
double tunFrequency(const Tuning& tuning, const formats::KeyMapping& mapping, const int& key) {
    formats::TuningDocument document;
    document.tuning = tuning;
    document.mapping = mapping;
    const readers::AnaMarkTuning tun =
        readers::readAnaMarkTuning(QString::fromUtf8(formats::writeAnaMarkTuning(document)));
    return static_cast<double>(tun.baseFrequency * std::exp2(tun.exact.value(key) / 1200.0L));
}

double worstError = 0;

} // namespace

class TestKeyPlayer : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() {
        qInfo("largest frequency error of a MIDI-played key: %.3g cents", worstError);
    }

    void midiKeySoundsWhatTheTunFileGivesIt_data() {
        QTest::addColumn<Tuning>("tuning");
        QTest::addColumn<int>("referenceKey");
        QTest::addColumn<double>("referenceFrequency");
        QTest::addColumn<int>("key");
        QTest::newRow("12edo: A above middle C") << equal(12) << 60 << 261.6255653005986 << 69;
        QTest::newRow("just major from A 220 on key 57, two periods up")
            << Tuning{1, 9.0L / 8, 5.0L / 4, 4.0L / 3, 3.0L / 2, 5.0L / 3, 15.0L / 8, 2} << 57
            << 220.0 << 57 + 7 * 2 + 4;
        QTest::newRow("7 unequal notes, a key in the period below")
            << Tuning{1, 1.1L, 1.25L, 1.3L, 1.5L, 1.6L, 1.9L, 2} << 60 << 300.0 << 50;
        QTest::newRow("13 steps of a 3/1 period, far from the reference")
            << equal(13, 3) << 62 << 293.0 << 100;
    }

    void midiKeySoundsWhatTheTunFileGivesIt() {
        QFETCH(Tuning, tuning);
        QFETCH(int, referenceKey);
        QFETCH(double, referenceFrequency);
        QFETCH(int, key);
        if (!startServer()) {
            QVERIFY2(!testing::JackServer::installed(), qPrintable(jack.problem()));
            QSKIP("jackd is not installed (Debian package jackd2)");
        }
        const formats::KeyMapping mapping{referenceKey, referenceFrequency};
        live::KeyPlayer player;
        player.setTuning(tuning, mapping);
        testing::MidiPeer peer("Synth", "Keyboard");
        midi::Input input;
        QVERIFY2(input.open("Keyboard:out", [&](const midi::Event& e) { player.handle(e); }),
                 input.problem().c_str());

        Samples before;
        QVERIFY(peak(render(player, 4096)) == 0);
        peer.send({0x90, static_cast<unsigned char>(key), 100});
        QVERIFY(renderUntil(player, before, true));
        // Every sample from the block the note started in.
        Samples note(before.end() - live::KeyPlayer::blockFrames, before.end());
        const Samples held = render(player, audio::sampleRate / 2);
        note.insert(note.end(), held.begin(), held.end());

        const double target = tunFrequency(tuning, mapping, key);
        const double measured = testing::measuredFrequency(note, audio::sampleRate / 50,
                                                           static_cast<std::int64_t>(note.size()));
        const double error = std::abs(testing::centsBetween(measured, target));
        worstError = std::max(worstError, error);
        QVERIFY2(error <= 0.05, qPrintable(QStringLiteral("%1 Hz, the .tun gives %2 Hz")
                                               .arg(measured, 0, 'g', 12)
                                               .arg(target, 0, 'g', 12)));

        peer.send({0x80, static_cast<unsigned char>(key), 0});
        Samples ending;
        QVERIFY(renderUntil(player, ending, false));
        // It ends by its release ramp, and for good.
        QVERIFY(ending.size() > 512);
        QCOMPARE(peak(render(player, audio::sampleRate / 10)), 0);
        QCOMPARE(player.soundingNotes(), std::size_t(0));
    }

    void keysPedalAndVelocity_data() {
        // Each step: 'n' key on at velocity, 'f' key off, 's' pedal down, 'u' pedal up,
        // 'a' all notes off; a block is rendered after each.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("sounding"); // notes ringing 0.1 s after the last step
        QTest::newRow("a key held") << "n60" << 1;
        QTest::newRow("a key released") << "n60 f60" << 0;
        QTest::newRow("velocity 0 releases") << "n60 v60" << 0;
        QTest::newRow("the pedal holds a released key") << "s n60 f60" << 1;
        QTest::newRow("pedal down after the key, before its release") << "n60 s f60" << 1;
        QTest::newRow("letting the pedal go ends it") << "s n60 f60 u" << 0;
        QTest::newRow("a key still down outlasts the pedal") << "s n60 n64 f64 u" << 1;
        QTest::newRow("a key struck again is one note") << "n60 n60" << 1;
        QTest::newRow("all notes off ends held and pedalled keys") << "s n60 n64 f64 a" << 0;
        QTest::newRow("a key out of range is ignored") << "n60 n128" << 1;
    }

    void keysPedalAndVelocity() {
        QFETCH(QString, steps);
        QFETCH(int, sounding);
        live::KeyPlayer player;
        player.setTuning(equal(12), {});
        for (const QString& step : steps.split(' ')) {
            const int key = step.mid(1).toInt();
            switch (step.at(0).toLatin1()) {
            case 'n':
                player.noteOn(key, 100);
                break;
            case 'v':
                player.noteOn(key, 0);
                break;
            case 'f':
                player.noteOff(key);
                break;
            case 's':
                player.setSustain(true);
                break;
            case 'u':
                player.setSustain(false);
                break;
            default:
                player.allNotesOff();
                break;
            }
            render(player, live::KeyPlayer::blockFrames);
        }
        const Samples later = render(player, audio::sampleRate / 10);
        QCOMPARE(player.soundingNotes(), std::size_t(sounding));
        const Samples last(later.end() - 256, later.end());
        QCOMPARE(peak(last) > 0, sounding > 0);
    }

    void velocityAndPolyphony_data() {
        QTest::addColumn<int>("notes");
        QTest::addColumn<int>("velocity");
        QTest::addColumn<int>("sounding");
        QTest::newRow("one at full velocity") << 1 << 127 << 1;
        QTest::newRow("one at half velocity") << 1 << 64 << 1;
        QTest::newRow("one softly") << 1 << 16 << 1;
        QTest::newRow("sixteen at once") << 16 << 127 << 16;
        QTest::newRow("thirty-two at once") << 32 << 100 << 32;
        QTest::newRow("thirty-three: the first gives way") << 33 << 100 << 32;
    }

    void velocityAndPolyphony() {
        QFETCH(int, notes);
        QFETCH(int, velocity);
        QFETCH(int, sounding);
        live::KeyPlayer player;
        player.setTuning(equal(12), {});
        for (int i = 0; i < notes; ++i) {
            player.noteOn(40 + i, velocity);
        }
        const Samples sound = render(player, audio::sampleRate / 5);
        QCOMPARE(player.soundingNotes(), std::size_t(sounding));
        const int loudest = peak(Samples(sound.begin() + audio::sampleRate / 10, sound.end()));
        // Never clipped.
        QVERIFY(loudest < 32767);
        if (notes == 1) {
            // A lone note's level follows its velocity, up to a quarter of full scale.
            live::KeyPlayer full;
            full.setTuning(equal(12), {});
            full.noteOn(40, 127);
            const Samples fullSound = render(full, audio::sampleRate / 5);
            const int fullPeak =
                peak(Samples(fullSound.begin() + audio::sampleRate / 10, fullSound.end()));
            QVERIFY(fullPeak > 0.2 * 32767 && fullPeak <= 0.25 * 32767);
            const double expected = fullPeak * velocity / 127.0;
            QVERIFY2(std::abs(loudest - expected) <= 1,
                     qPrintable(QStringLiteral("%1, expected %2").arg(loudest).arg(expected)));
        }
    }

private:
    // One server for the whole run, started by the first test that needs it.
    testing::OnDemandServer jack{QStringLiteral("keys")};
    bool startServer() { return jack.start(); }
};

QTEST_GUILESS_MAIN(TestKeyPlayer)
#include "tst_keyplayer.moc"
