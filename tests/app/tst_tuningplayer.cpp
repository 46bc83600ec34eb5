#include "app/sound/tuningplayer.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

class TestTuningPlayer : public QObject {
    Q_OBJECT

private slots:
    void withoutOutputNothingPlays() {
        TuningPlayer player;
        if (player.isAvailable()) {
            QSKIP("This machine has an audio output.");
        }
        QVERIFY(!player.unavailableReason().isEmpty());
        QSignalSpy playing(&player, &TuningPlayer::playingChanged);
        player.play(audio::tuningScore({1, 1.5L}, 440));
        QVERIFY(!player.isPlaying());
        player.stop();
        QVERIFY(!player.isPlaying());
        QCOMPARE(playing.count(), 0);
        // Nothing was started that the player would have to wait for.
        QVERIFY(player.findChildren<QThread*>().isEmpty());
    }

    // Only where there is an output (a sound server, even one with a null sink), and only when
    // asked, since it is heard for seconds.
    void playsToTheEndAndStopsAtOnce() {
        if (qEnvironmentVariableIsEmpty("QUILLMERE_PLAY_SOUND")) {
            QSKIP("Plays sound: set QUILLMERE_PLAY_SOUND=1 to run it.");
        }
        TuningPlayer player;
        if (!player.isAvailable()) {
            QSKIP("This machine has no audio output.");
        }
        QSignalSpy playing(&player, &TuningPlayer::playingChanged);
        player.play(audio::sequenceThenChord({440}));
        QVERIFY(player.isPlaying());
        QVERIFY(playing.wait(10000));
        QCOMPARE(playing.count(), 2);
        QCOMPARE(playing.last().first().toBool(), false);

        playing.clear();
        player.play(audio::tuningScore({1, 1.25L, 1.5L, 2}, 261.6255653005986));
        // Playing again replaces the sound without an end in between.
        player.play(audio::sequenceThenChord({300, 450}));
        QCOMPARE(playing.count(), 1);
        QTest::qWait(300);
        QVERIFY(player.isPlaying());
        player.stop();
        QVERIFY(!player.isPlaying());
        QCOMPARE(playing.count(), 2);
        // The end of a stopped sound is not reported again.
        QVERIFY(!playing.wait(3500));
    }
};

QTEST_GUILESS_MAIN(TestTuningPlayer)
#include "tst_tuningplayer.moc"
