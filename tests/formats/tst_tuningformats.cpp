#include "formats/tuningformats.h"
#include "storage/scalafile.h"
#include "tests/formats/formatreaders.h"

#include <QTest>

#include <cmath>

using Tuning = std::vector<long double>;

namespace {

Tuning equalSteps(int steps, long double period) {
    Tuning tuning;
    for (int k = 0; k <= steps; ++k) {
        tuning.push_back(std::pow(period, k / static_cast<long double>(steps)));
    }
    return tuning;
}

formats::TuningDocument document(const Tuning& tuning, int key, double hertz) {
    formats::TuningDocument result;
    result.tuning = tuning;
    result.mapping = {key, hertz};
    result.title = QStringLiteral("meantone.qmx");
    result.description = QStringLiteral("meantone: notes 1-13 of 13,\nwith a line break");
    return result;
}

QString keyText(int key, long double actual, long double expected) {
    return QStringLiteral("key %1: %2 cents, expected %3")
        .arg(key)
        .arg(double(actual), 0, 'f', 9)
        .arg(double(expected), 0, 'f', 9);
}

} // namespace

class TestTuningFormats : public QObject {
    Q_OBJECT

private slots:
    // Tunings and where they sit on the keys; each format read back must play the same.
    void formats_data() {
        QTest::addColumn<Tuning>("tuning");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("hertz");
        const Tuning tempered{1.0L,     1.0574L, 1.1194L, 1.1905L, 1.2533L, 1.3358L, 1.4063L,
                              1.49535L, 1.5838L, 1.6721L, 1.7818L, 1.8765L, 2.0003L};
        QTest::newRow("tempered 12, key 60 at middle C")
            << tempered << 60 << formats::defaultReferenceFrequency;
        QTest::newRow("just major, key 69 at 440")
            << Tuning{1.0L, 9.0L / 8, 5.0L / 4, 4.0L / 3, 3.0L / 2, 5.0L / 3, 15.0L / 8, 2.0L} << 69
            << 440.0;
        QTest::newRow("13 steps of the tritave, key 0 at 100 Hz")
            << equalSteps(13, 3.0L) << 0 << 100.0;
        QTest::newRow("one degree, key 64") << Tuning{1.0L, 2.0L} << 64 << 261.0;
        QTest::newRow("key 127 on the top step, 100 kHz reference")
            << tempered << 127
            << double(readers::noteZeroHz * std::exp2((12800.0L - 100.0L / 16384) / 1200));
        QTest::newRow("reference at 100 kHz") << tempered << 60 << 100000.0;
        QTest::newRow("reference below a ten-thousandth of a hertz") << tempered << 60 << 5e-5;
        QTest::newRow("key 127 on note 0: all else below")
            << tempered << 127 << double(readers::noteZeroHz);
        QTest::newRow("key 0 a hair below note 0")
            << tempered << 0 << double(readers::noteZeroHz * std::exp2(-0.001L / 1200));
        QTest::newRow("key 0 a half step below note 0")
            << tempered << 0 << double(readers::noteZeroHz * std::exp2(-0.0031L / 1200));
        QTest::newRow("31 steps, period 2.01, ratios not starting at 1") << [] {
            Tuning tuning = equalSteps(31, 2.01L);
            for (long double& ratio : tuning) {
                ratio *= 1.5L;
            }
            return tuning;
        }() << 60 << 1000.0;
    }

    void keyboardMapping_data() { formats_data(); }
    void keyboardMapping() {
        QFETCH(Tuning, tuning);
        QFETCH(int, key);
        QFETCH(double, hertz);
        const QString text =
            QString::fromUtf8(formats::writeKeyboardMapping(document(tuning, key, hertz)));
        const readers::KeyboardMapping kbm = readers::readKeyboardMapping(text);
        QVERIFY2(kbm.error.isEmpty(), qPrintable(kbm.error));
        const int degrees = int(tuning.size()) - 1;
        QCOMPARE(kbm.size, degrees);
        QCOMPARE(kbm.first, 0);
        QCOMPARE(kbm.last, 127);
        QCOMPARE(kbm.middle, key);
        QCOMPARE(kbm.reference, key);
        QCOMPARE(double(kbm.frequency), hertz);
        QCOMPARE(kbm.octaveDegree, degrees);
        // Every line is a value or a "!" comment: the line break of the description is gone.
        // No value is in exponent form, which readers of these files refuse.
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            QVERIFY2(line.startsWith(QLatin1Char('!')) || !line.contains(QLatin1Char(' ')),
                     qPrintable(line));
            QVERIFY2(line.startsWith(QLatin1Char('!')) || !line.contains(QLatin1Char('e')),
                     qPrintable(line));
        }
        const std::vector<std::optional<long double>> played = readers::keyCents(kbm, tuning);
        const std::vector<long double> expected = readers::expectedCents(tuning, key, hertz);
        for (int k = 0; k < 128; ++k) {
            QVERIFY2(played[k] && std::fabs(*played[k] - expected[k]) < 1e-9L,
                     qPrintable(keyText(k, played[k].value_or(NAN), expected[k])));
        }
    }

    void anaMarkTuning_data() { formats_data(); }
    void anaMarkTuning() {
        QFETCH(Tuning, tuning);
        QFETCH(int, key);
        QFETCH(double, hertz);
        const QString text =
            QString::fromUtf8(formats::writeAnaMarkTuning(document(tuning, key, hertz)));
        const readers::AnaMarkTuning tun = readers::readAnaMarkTuning(text);
        QVERIFY2(tun.error.isEmpty(), qPrintable(tun.error));
        QCOMPARE(double(tun.baseFrequency), double(readers::noteZeroHz));
        QCOMPARE(tun.exact.size(), 128);
        QCOMPARE(tun.whole.size(), 128);
        const QRegularExpression sixDecimals(QStringLiteral("^note \\d+=-?\\d+\\.\\d{6,}$"));
        const QStringList exactLines =
            text.section(QStringLiteral("[Exact Tuning]"), 1).split(QStringLiteral("\r\n"));
        QCOMPARE(exactLines.filter(sixDecimals).size(), 128);

        const std::vector<long double> expected = readers::expectedCents(tuning, key, hertz);
        for (int k = 0; k < 128; ++k) {
            QVERIFY2(std::fabs(tun.exact[k] - expected[k]) < 1e-6L,
                     qPrintable(keyText(k, tun.exact[k], expected[k])));
            QVERIFY2(std::fabs(tun.whole[k] - expected[k]) <= 0.5L + 1e-9L,
                     qPrintable(keyText(k, tun.whole[k], expected[k])));
        }
    }

    void bulkDump_data() { formats_data(); }
    void bulkDump() {
        QFETCH(Tuning, tuning);
        QFETCH(int, key);
        QFETCH(double, hertz);
        const readers::BulkDump dump =
            readers::readBulkDump(formats::writeBulkTuningDump(document(tuning, key, hertz)));
        QVERIFY2(dump.error.isEmpty(), qPrintable(dump.error));
        QCOMPARE(dump.device, 0x7F);
        QCOMPARE(dump.program, 0);
        QCOMPARE(dump.name, QByteArray("meantone.qmx    "));

        const std::vector<long double> expected = readers::expectedCents(tuning, key, hertz);
        const long double halfStep = 100.0L / 16384 / 2;
        for (int k = 0; k < 128; ++k) {
            const long double steps = std::round(expected[k] * 16384.0L / 100);
            if (steps < 0 || steps > 128 * 16384 - 1) {
                QVERIFY2(!dump.cents[k], qPrintable(keyText(k, *dump.cents[k], expected[k])));
            } else {
                // The top step is sent one step lower: its code is "no change".
                const long double allowed = steps == 128 * 16384 - 1 ? 3 * halfStep : halfStep;
                QVERIFY2(dump.cents[k] && std::fabs(*dump.cents[k] - expected[k]) <= allowed,
                         qPrintable(keyText(k, dump.cents[k].value_or(NAN), expected[k])));
            }
        }
    }

    void scalaScale_data() { formats_data(); }
    void scalaScale() {
        QFETCH(Tuning, tuning);
        const ScalaParseResult read =
            parseScala(QString::fromUtf8(formats::writeScalaScale(document(tuning, 60, 440.0))));
        QVERIFY2(read.scale, qPrintable(read.error));
        QCOMPARE(read.scale->description,
                 QStringLiteral("meantone: notes 1-13 of 13, with a line break"));
        QCOMPARE(read.scale->pitches.size(), tuning.size() - 1);
        for (std::size_t i = 1; i < tuning.size(); ++i) {
            const long double expected = 1200.0L * std::log2(tuning[i] / tuning[0]);
            const long double actual = 1200.0L * std::log2(read.scale->pitches[i - 1]);
            QVERIFY2(std::fabs(actual - expected) < 1e-9L,
                     qPrintable(keyText(int(i), actual, expected)));
        }
    }

    // Sixteen printable ASCII bytes whatever the title.
    void bulkDumpName_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("short") << "a" << QByteArray("a               ");
        QTest::newRow("long") << "a rather long name.qmx" << QByteArray("a rather long na");
        QTest::newRow("not ASCII")
            << QStringLiteral("Pythagoräisch\t") << QByteArray("Pythagor_isch_  ");
        QTest::newRow("empty") << "" << QByteArray(16, ' ');
    }
    void bulkDumpName() {
        QFETCH(QString, title);
        QFETCH(QByteArray, name);
        formats::TuningDocument tuning = document({1.0L, 2.0L}, 60, 261.0);
        tuning.title = title;
        const readers::BulkDump dump = readers::readBulkDump(formats::writeBulkTuningDump(tuning));
        QVERIFY2(dump.error.isEmpty(), qPrintable(dump.error));
        QCOMPARE(dump.name, name);
    }

    void mappingProblem_data() {
        QTest::addColumn<Tuning>("tuning");
        QTest::addColumn<bool>("mappable");
        QTest::newRow("two notes") << Tuning{1.0L, 1.5L} << true;
        QTest::newRow("inner note above the period") << Tuning{1.0L, 3.0L, 2.0L} << true;
        QTest::newRow("empty") << Tuning{} << false;
        QTest::newRow("one note") << Tuning{1.0L} << false;
        QTest::newRow("period of a unison") << Tuning{1.0L, 1.2L, 1.0L} << false;
        QTest::newRow("period below") << Tuning{1.0L, 0.5L} << false;
        QTest::newRow("zero") << Tuning{1.0L, 0.0L, 2.0L} << false;
        QTest::newRow("infinite") << Tuning{1.0L, INFINITY, 2.0L} << false;
        QTest::newRow("not a number") << Tuning{1.0L, 2.0L, NAN} << false;
    }
    void mappingProblem() {
        QFETCH(Tuning, tuning);
        QFETCH(bool, mappable);
        QCOMPARE(formats::mappingProblem(tuning).isEmpty(), mappable);
        // Nothing is written for a tuning that cannot be put on keys, and nothing breaks.
        for (const formats::TuningFormat& format : formats::tuningFormats()) {
            if (format.mapsKeys) {
                QCOMPARE(format.write(document(tuning, 60, 440.0)).isEmpty(), !mappable);
            }
        }
    }

    void registry() {
        QStringList names;
        for (const formats::TuningFormat& format : formats::tuningFormats()) {
            names << format.name;
        }
        QCOMPARE(names, (QStringList{"scl", "kbm", "tun", "syx"}));
        QVERIFY(formats::findTuningFormat(QStringLiteral("SYX"))->binary);
        QVERIFY(!formats::findTuningFormat(QStringLiteral("scl"))->mapsKeys);
        QCOMPARE(formats::findTuningFormat(QStringLiteral("wav")), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestTuningFormats)
#include "tst_tuningformats.moc"
