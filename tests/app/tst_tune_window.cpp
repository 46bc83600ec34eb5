#include "app/shared/storageconstants.h"
#include "app/tune/tunecommand.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"

#include <QApplication>
#include <QDial>
#include <QSlider>

// The command-line tool and the window's "Make" must print the same text, byte for byte.
class TestTuneWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    void sameTextAsWindow_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<int>("weights");
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<int>("dial");
        QTest::newRow("defaults") << 13 << ""
                                  << "" << 0 << 50 << 500;
        QTest::newRow("selection with a fixed note") << 13 << "2,5,7"
                                                     << "5" << 0 << 50 << 500;
        QTest::newRow("uniform, unweighted") << 25 << ""
                                             << "" << 1 << 50 << 500;
        QTest::newRow("uniform, fixed outside the selection") << 13 << "1-4"
                                                              << "8" << 1 << 50 << 800;
        QTest::newRow("wider range, attenuation, dial") << 20 << "1-6,13,20"
                                                        << "13" << 0 << 80 << 650;
    }

    void sameTextAsWindow() {
        QFETCH(int, range);
        QFETCH(QString, notes);
        QFETCH(QString, fixed);
        QFETCH(int, weights);
        QFETCH(int, attenuation);
        QFETCH(int, dial);

        WindowHarness harness;
        QVERIFY(harness.exposed);
        harness.range->setValue(range);
        harness.window.findChild<QComboBox*>("weightFuncCombo")->setCurrentIndex(weights);
        harness.window.findChild<QSlider*>("attenuationSlider")->setValue(attenuation);
        harness.window.findChild<QDial*>("cutoffDial")->setValue(dial);
        if (!notes.isEmpty()) {
            harness.window.selectNotes(*tune::parseNoteList(notes), true);
        }
        if (!fixed.isEmpty()) {
            harness.window.fixNotes(*tune::parseNoteList(fixed), true);
        }
        auto* output = harness.window.findChild<QPlainTextEdit*>("temperamentBox");
        harness.window.findChild<QPushButton*>("makeButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(output->toPlainText().startsWith("Decimal tuning"), 60000);

        QStringList arguments{QDir(pitchSpacesPath).filePath("12edo.qmx"),
                              "--range",
                              QString::number(range),
                              "--weights",
                              weights == 0 ? "benedetti" : "uniform",
                              "--attenuation",
                              QString::number(attenuation),
                              "--dial",
                              QString::number(dial)};
        if (!notes.isEmpty()) {
            arguments << "--notes" << notes;
        }
        if (!fixed.isEmpty()) {
            arguments << "--fixed" << fixed;
        }
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        std::atomic<bool> cancelationRequest{false};
        QCOMPARE(tune::run(arguments, outStream, errStream, cancelationRequest, false), 0);
        outStream.flush();
        QCOMPARE(out, output->toPlainText() + "\n");
    }
};

QTEST_MAIN(TestTuneWindow)
#include "tst_tune_window.moc"
