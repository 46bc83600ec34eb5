#include "app/shared/storageconstants.h"
#include "app/tune/tunecommand.h"
#include "storage/dbmanager.h"
#include "tests/audio/soundmeasure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>

namespace {

int runTune(const QStringList& arguments, QString* output = nullptr) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    std::atomic<bool> cancelationRequest{false};
    const int status = tune::run(arguments, outStream, errStream, cancelationRequest, false, false);
    outStream.flush();
    if (output != nullptr) {
        *output = out;
    }
    return status;
}

// The ratios of the text output's "Decimal tuning" block.
std::vector<double> decimalTuning(const QString& text) {
    std::vector<double> ratios;
    const QStringList lines = text.split('\n');
    for (qsizetype i = lines.indexOf(QStringLiteral("Decimal tuning")) + 1;
         i > 0 && i < lines.size() && !lines.at(i).isEmpty(); ++i) {
        ratios.push_back(lines.at(i).toDouble());
    }
    return ratios;
}

} // namespace

class TestTuneWav : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        dbManager::initialise();
    }

    void writesWhatPlayTuningPlays_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<double>("reference");
        QTest::newRow("three notes of 12edo at A 440")
            << QStringList{"--notes", "1,5,8", "--reference-frequency", "440"} << 440.0;
        QTest::newRow("one period of 12edo at the default reference")
            << QStringList{"--dial", "0"} << 261.6255653005986;
    }

    void writesWhatPlayTuningPlays() {
        QFETCH(QStringList, options);
        QFETCH(double, reference);
        const QString file = QDir(pitchSpacesPath).filePath(QStringLiteral("12edo.qmx"));
        QString text;
        QCOMPARE(runTune(QStringList{file} + options, &text), int(tune::Success));
        std::vector<double> ratios = decimalTuning(text);
        QVERIFY(ratios.size() >= 3);
        std::sort(ratios.begin(), ratios.end());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("out.wav"));
        QCOMPARE(
            runTune(QStringList{file} + options + QStringList{"--format", "wav", "--output", path}),
            int(tune::Success));
        QFile wav(path);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        const auto frames = qsizetype(19200 * ratios.size() + 96000);
        QCOMPARE(bytes.size(), 44 + 2 * frames);
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(bytes.mid(36, 4), QByteArray("data"));

        std::vector<std::int16_t> samples(static_cast<std::size_t>(frames));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 44 + 2 * i);
        }
        for (std::size_t i = 0; i < ratios.size(); ++i) {
            const auto start = std::int64_t(19200 * i);
            const auto [from, to] = testing::steadyPart({0, start, 19200, 1});
            const double target = reference * ratios[i];
            const double measured = testing::measuredFrequency(samples, from, to);
            QVERIFY2(std::abs(testing::centsBetween(measured, target)) <= 0.05,
                     qPrintable(QStringLiteral("note %1: %2 Hz, expected %3 Hz")
                                    .arg(i)
                                    .arg(measured, 0, 'g', 12)
                                    .arg(target, 0, 'g', 12)));
        }
    }
};

QTEST_GUILESS_MAIN(TestTuneWav)
#include "tst_tune_wav.moc"
