#include "core/scalespace.h"
#include "storage/scalafile.h"
#include "tests/common/numeric.h"

#include <QTest>

#include <cmath>

using Pitches = std::vector<long double>;

class TestScalaFile : public QObject {
    Q_OBJECT

private slots:
    void parsesLayouts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::addColumn<Pitches>("pitches");
        QTest::newRow("ratios") << "! just.scl\n!\nJust major\n 3\n!\n 5/4\n 3/2\n 2/1\n"
                                << "Just major" << Pitches{1.25L, 1.5L, 2.0L};
        QTest::newRow("comments between pitches")
            << "!a\nComments\n2\n! first\n3/2\n!second\n!\n2\n"
            << "Comments" << Pitches{1.5L, 2};
        QTest::newRow("missing description") << "! x\n\n 2\n 1200.0\n 2400.\n"
                                             << "" << Pitches{2.0L, 4.0L};
        QTest::newRow("cents and ratios mixed")
            << "mixed\n3\n701.955000865387\n 8/5\n2\n"
            << "mixed" << Pitches{std::exp2(701.955000865387L / 1200), 1.6L, 2.0L};
        QTest::newRow("comment or text right after a pitch")
            << "c\n3\n3/2!fifth\n701.955!fifth in cents\n2/1octave\n"
            << "c" << Pitches{1.5L, std::exp2(701.955L / 1200), 2.0L};
        QTest::newRow("trailing text after pitches")
            << "t\n2 pitches follow\n 386.3137 major third\n 2/1   octave ! the period\n"
            << "t" << Pitches{std::exp2(386.3137L / 1200), 2.0L};
        QTest::newRow("windows line ends and lines after the last pitch")
            << "w\r\n1\r\n3\r\nanything at all\r\n"
            << "w" << Pitches{3.0L};
        QTest::newRow("blank lines between pitches") << "b\n2\n\n5/4\n   \n2/1\n"
                                                     << "b" << Pitches{1.25L, 2.0L};
        QTest::newRow("negative cents") << "n\n1\n-100.0\n"
                                        << "n" << Pitches{std::exp2(-100.0L / 1200)};
        QTest::newRow("huge numerator") << "h\n1\n36893488147419103232/18446744073709551616\n"
                                        << "h" << Pitches{2.0L};
        QTest::newRow("carriage returns alone") << "m\r1\r3/2\r"
                                                << "m" << Pitches{1.5L};
        QTest::newRow("comments with leading blanks")
            << " \t! first\nblanks\n  ! before the count\n1\n\t!x\n3/2\n"
            << "blanks" << Pitches{1.5L};
        QTest::newRow("near the ends of double's range")
            << "r\n2\n1/1" + QString(150, '0') + "\n1" + QString(150, '0') + "\n"
            << "r" << Pitches{1e-150L, 1e150L};
    }

    void parsesLayouts() {
        QFETCH(QString, text);
        QFETCH(QString, description);
        QFETCH(Pitches, pitches);
        const ScalaParseResult result = parseScala(text);
        QVERIFY2(result.scale.has_value(), qPrintable(result.error));
        QCOMPARE(result.scale->description, description);
        QCOMPARE(result.scale->pitches.size(), pitches.size());
        for (std::size_t i = 0; i < pitches.size(); ++i) {
            QUILLMERE_COMPARE_CLOSE(result.scale->pitches[i], pitches[i]);
        }
    }

    void refusesMalformed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << ""
                               << "no scale";
        QTest::newRow("only comments") << "! a\n! b\n"
                                       << "no scale";
        QTest::newRow("no count") << "desc\n"
                                  << "count";
        QTest::newRow("count is text") << "desc\ntwelve\n1/1\n"
                                       << "count";
        QTest::newRow("count zero") << "desc\n0\n"
                                    << "no pitches";
        QTest::newRow("too few pitches") << "desc\n3\n5/4\n3/2\n"
                                         << "3 pitches announced, 2 found";
        QTest::newRow("negative ratio") << "desc\n1\n-3/2\n"
                                        << "negative";
        QTest::newRow("negative denominator") << "desc\n1\n3/-2\n"
                                              << "negative";
        QTest::newRow("zero denominator") << "desc\n1\n3/0\n"
                                          << "zero denominator";
        QTest::newRow("zero ratio") << "desc\n1\n0\n"
                                    << "zero";
        QTest::newRow("text for a pitch") << "desc\n2\n5/4\nfifth\n"
                                          << "line 4";
        QTest::newRow("bad cents") << "desc\n1\n1.2.3\n"
                                   << "cents";
        QTest::newRow("absurd count") << "desc\n99999999\n2\n"
                                      << "too many";
        QTest::newRow("every kind of line end counts") << "d\r\n2\n\r5/4\rfifth\n"
                                                       << "line 5: \"fifth\" is not a pitch";
        // Numbers std::stold cannot hold, and pitches or cells beyond a double.
        QTest::newRow("numerator of 4933 digits")
            << "desc\n2\n3/2\n" + QString(4933, '9') + "/1\n"
            << "line 4: \"" + QString(4933, '9') + "/1\" is beyond the range of sizes";
        QTest::newRow("denominator of 4933 digits")
            << "desc\n1\n1/" + QString(4933, '9') + "\n"
            << "line 3: \"1/" + QString(4933, '9') + "\" is beyond the range of sizes";
        QTest::newRow("both of 4933 digits")
            << "desc\n1\n" + QString(4933, '9') + "/" + QString(4933, '9') + "\n"
            << "line 3:";
        QTest::newRow("ratio beyond double") << "desc\n1\n1" + QString(400, '0') + "\n"
                                             << "line 3:";
        QTest::newRow("ratio below double") << "desc\n1\n1/1" + QString(400, '0') + "\n"
                                            << "line 3:";
        QTest::newRow("infinite cents") << "desc\n2\n100.0\n99999999.0\n"
                                        << "line 4: \"99999999.0\" is beyond the range of sizes";
        QTest::newRow("cents 1.e23") << "desc\n1\n1.e23\n"
                                     << "line 3: \"1.e23\" is beyond";
        QTest::newRow("zero from cents") << "desc\n1\n-99999999.0\n"
                                         << "line 3: \"-99999999.0\" is beyond";
        QTest::newRow("cents too long for a double") << "desc\n1\n1" + QString(400, '0') + ".0\n"
                                                     << "line 3:";
        QTest::newRow("cell beyond double")
            << "desc\n3\n! small\n1/1" + QString(200, '0') + "\n5/4\n1" + QString(200, '0') +
                   " big\n"
            << "line 6: \"1" + QString(200, '0') + "\" makes an interval beyond the range of sizes";
        QTest::newRow("cell below double")
            << "desc\n2\n1" + QString(200, '0') + "\n1/1" + QString(200, '0') + "\n"
            << "line 4:";
    }

    void refusesMalformed() {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        const ScalaParseResult result = parseScala(text);
        QVERIFY(!result.scale.has_value());
        QVERIFY2(result.error.contains(problem), qPrintable(result.error));
    }

    // What we write must read back to the same pitches, far below what anyone can hear, and
    // the same name and description, whatever "%" they hold.
    void formatRoundTrips_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("plain") << "a.qmx"
                               << "test";
        QTest::newRow("percent signs") << "odd%1.qmx"
                                       << "odd%1: notes %2 of 13, 100%";
    }

    void formatRoundTrips() {
        QFETCH(QString, name);
        QFETCH(QString, description);
        const Pitches pitches{1.0594630943592953L, 1.2331060371652351L,
                              1.4983070768766815L, 0.75L,
                              2.000867994L,        1024.0L};
        const QString text = formatScala(name, description, pitches);
        QVERIFY(text.startsWith(QStringLiteral("! ") + name + QLatin1Char('\n')));
        const ScalaParseResult result = parseScala(text);
        QVERIFY2(result.scale.has_value(), qPrintable(result.error));
        QCOMPARE(result.scale->description, description);
        QCOMPARE(result.scale->pitches.size(), pitches.size());
        for (std::size_t i = 0; i < pitches.size(); ++i) {
            const long double written = 1200.0L * std::log2(pitches[i]);
            const long double read = 1200.0L * std::log2(result.scale->pitches[i]);
            QVERIFY2(std::fabs(written - read) < 1e-9L,
                     qPrintable(QStringLiteral("pitch %1 drifts by %2 cents")
                                    .arg(i)
                                    .arg(double(written - read))));
        }
    }

    void sizePatternIsConsistent() {
        const SizePattern pattern = scalaSizePattern({1.25L, 1.5L, 2.0L});
        QUILLMERE_COMPARE_PATTERN(pattern,
                                  (SizePattern{{1.25L, 1.5L, 2.0L}, {1.2L, 1.6L}, {4.0L / 3}}));
        QVERIFY(scalaSizePattern({}).empty());
    }
};

QTEST_APPLESS_MAIN(TestScalaFile)
#include "tst_scalafile.moc"
