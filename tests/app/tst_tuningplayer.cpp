#include "app/sound/tuningplayer.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <limits>

class TestTuningPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    }

    void readsTheKeptReferenceFrequency_data() {
        QTest::addColumn<QVariant>("kept");
        QTest::addColumn<double>("frequency");
        QTest::newRow("nothing kept") << QVariant() << 261.6255653005986;
        QTest::newRow("A 440") << QVariant(440.0) << 440.0;
        QTest::newRow("as text") << QVariant(QStringLiteral("432.5")) << 432.5;
        QTest::newRow("not a number") << QVariant(QStringLiteral("loud")) << 261.6255653005986;
        QTest::newRow("zero") << QVariant(0.0) << 261.6255653005986;
        QTest::newRow("negative") << QVariant(-440.0) << 261.6255653005986;
        QTest::newRow("infinite") << QVariant(std::numeric_limits<double>::infinity())
                                  << 261.6255653005986;
    }

    void readsTheKeptReferenceFrequency() {
        QFETCH(QVariant, kept);
        QFETCH(double, frequency);
        QSettings settings;
        settings.remove(referenceFrequencyKey);
        if (kept.isValid()) {
            settings.setValue(referenceFrequencyKey, kept);
        }
        settings.sync();
        QCOMPARE(storedReferenceFrequency(), frequency);
        settings.remove(referenceFrequencyKey);
    }

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
};

QTEST_GUILESS_MAIN(TestTuningPlayer)
#include "tst_tuningplayer.moc"
