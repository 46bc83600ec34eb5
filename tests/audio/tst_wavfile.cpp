#include "audio/score.h"
#include "audio/synthesizer.h"
#include "audio/wavfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <vector>

namespace {

quint32 field32(const QByteArray& bytes, const int& at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 field16(const QByteArray& bytes, const int& at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWavFile : public QObject {
    Q_OBJECT

private slots:
    void writesTheWholeSoundAsPcm_data() {
        QTest::addColumn<std::vector<long double>>("tuning");
        QTest::newRow("three notes") << std::vector<long double>{1, 1.25L, 1.5L};
        QTest::newRow("one note") << std::vector<long double>{1};
        QTest::newRow("no notes") << std::vector<long double>{};
    }

    void writesTheWholeSoundAsPcm() {
        QFETCH(std::vector<long double>, tuning);
        const audio::Score score = audio::tuningScore(tuning, 261.6255653005986);
        const auto frames = static_cast<quint32>(audio::scoreLength(score));
        QCOMPARE(frames, tuning.empty() ? 0u : quint32(19200 * tuning.size() + 96000));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("out.wav"));
        audio::Synthesizer synthesizer(score);
        QString error;
        QVERIFY2(audio::writeWavFile(path, synthesizer, &error), qPrintable(error));
        QVERIFY(synthesizer.atEnd());
        const QByteArray bytes = readAll(path);

        QCOMPARE(bytes.size(), qsizetype(44 + 2 * frames));
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(field32(bytes, 4), quint32(36 + 2 * frames));
        QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));
        QCOMPARE(bytes.mid(12, 4), QByteArray("fmt "));
        QCOMPARE(field32(bytes, 16), 16u);    // size of the format chunk
        QCOMPARE(field16(bytes, 20), 1);      // integer PCM
        QCOMPARE(field16(bytes, 22), 1);      // mono
        QCOMPARE(field32(bytes, 24), 48000u); // frames per second
        QCOMPARE(field32(bytes, 28), 96000u); // bytes per second
        QCOMPARE(field16(bytes, 32), 2);      // bytes per frame
        QCOMPARE(field16(bytes, 34), 16);     // bits per sample
        QCOMPARE(bytes.mid(36, 4), QByteArray("data"));
        QCOMPARE(field32(bytes, 40), 2 * frames);

        audio::Synthesizer again(score);
        std::vector<std::int16_t> expected(frames);
        QCOMPARE(again.render(expected.data(), expected.size()), std::size_t(frames));
        for (quint32 i = 0; i < frames; ++i) {
            if (qFromLittleEndian<qint16>(bytes.constData() + 44 + 2 * i) != expected[i]) {
                QFAIL(qPrintable(QStringLiteral("frame %1 differs").arg(i)));
            }
        }
    }

    void failureLeavesTheFileAsItWas_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("in a folder that does not exist") << QStringLiteral("none/out.wav") << false;
        QTest::newRow("a folder's path") << QStringLiteral("folder") << true;
    }

    void failureLeavesTheFileAsItWas() {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const QString path = dir.filePath(name);
        audio::Synthesizer synthesizer(audio::tuningScore({1, 2}, 440));
        QString error;
        QVERIFY(!audio::writeWavFile(path, synthesizer, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QFileInfo::exists(path), exists);
        QCOMPARE(QFileInfo(path).isDir(), exists);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void refusesSoundTooLongForItsSizeFields() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("long.wav"));
        audio::Synthesizer synthesizer({{440, 0, audio::wavMaxFrames + 1, 1}});
        QString error;
        QVERIFY(!audio::writeWavFile(path, synthesizer, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(path));
    }
};

QTEST_GUILESS_MAIN(TestWavFile)
#include "tst_wavfile.moc"
