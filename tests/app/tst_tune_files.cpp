#include "app/tune/tunecommand.h"

#include "core/scalespace.h"
#include "storage/dbmanager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome runTune(const QStringList& arguments) {
    Outcome outcome;
    QTextStream out(&outcome.out);
    QTextStream err(&outcome.err);
    std::atomic<bool> cancelationRequest{false};
    outcome.status = tune::run(arguments, out, err, cancelationRequest, false);
    out.flush();
    err.flush();
    return outcome;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Bad Scala files and bad scale space files as quillmere-tune meets them.
class TestTuneFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    // Pitches, or intervals between them, that no size can hold: refused with the line,
    // nothing written, a former output kept.
    void importRefusesUnusableSizes_data() {
        QTest::addColumn<QByteArray>("scala");
        QTest::addColumn<QString>("message");
        const QString nines(4933, '9');
        const QString zeros(200, '0');
        QTest::newRow("numerator of 4933 digits") << ("d\n2\n5/4\n" + nines + "/7\n").toLatin1()
                                                  << "line 4: \"" + nines + "/7\" is beyond";
        QTest::newRow("denominator of 4933 digits")
            << ("d\n1\n3/" + nines + "\n").toLatin1() << "line 3: \"3/" + nines + "\" is beyond";
        QTest::newRow("infinite cents")
            << QByteArray("d\n1\n99999999.0\n") << "line 3: \"99999999.0\" is beyond";
        QTest::newRow("cents 1.e23")
            << QByteArray("d\n2\n100.0\n1.e23\n") << "line 4: \"1.e23\" is beyond";
        QTest::newRow("cents giving 0")
            << QByteArray("d\n1\n-99999999.0\n") << "line 3: \"-99999999.0\" is beyond";
        QTest::newRow("derived interval overflows")
            << ("d\n2\n1/1" + zeros + "\n1" + zeros + "\n").toLatin1()
            << "line 4: \"1" + zeros + "\" makes an interval beyond";
    }

    void importRefusesUnusableSizes() {
        QFETCH(QByteArray, scala);
        QFETCH(QString, message);
        const QString scl = folder.filePath("bad.scl");
        QVERIFY(writeBytes(scl, scala));
        const QString existing = folder.filePath("existing.qmx");
        QVERIFY(writeBytes(scl + ".good", "good\n2\n3/2\n2/1\n"));
        QCOMPARE(runTune({"--import", scl + ".good", "--output", existing}).status, 0);
        const QByteArray before = fileBytes(existing);
        const QString fresh = folder.filePath("fresh.qmx");

        for (const QString& output : {existing, fresh}) {
            const Outcome outcome = runTune({"--import", scl, "--output", output});
            QCOMPARE(outcome.status, int(tune::FileError));
            QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err.left(300)));
        }
        QCOMPARE(fileBytes(existing), before);
        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(QDir(folder.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // Sizes near the ends of a double's range import, load back and tune to finite pitches.
    void extremeImportLoadsAndTunes() {
        const QString scl = folder.filePath("extreme.scl");
        QVERIFY(writeBytes(scl, "extreme\n  ! a comment with blanks before the count\n3\n1/1" +
                                    QByteArray(150, '0') + "\n5/4\n1" + QByteArray(150, '0') +
                                    "\n"));
        const QString qmx = folder.filePath("extreme.qmx");
        const Outcome imported = runTune({"--import", scl, "--output", qmx});
        QCOMPARE(imported.status, 0);
        const dbManager::ScaleSpaceRead read = dbManager::readScaleSpace(qmx);
        QCOMPARE(read.failure, dbManager::ReadFailure::None);
        QCOMPARE(read.pattern.size(), std::size_t(3));
        const Outcome tuned = runTune({qmx, "--weights", "uniform"});
        QCOMPARE(tuned.status, 0);
        QVERIFY(tuned.out.contains("Cents tuning"));
        QVERIFY2(!tuned.out.contains("inf") && !tuned.out.contains("nan"), qPrintable(tuned.out));
    }

    // Files that are no scale space files are refused with status 1 and stay as they were.
    void unreadableFilesStayUnchanged_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("0 bytes") << QByteArray() << "not a scale space file";
        QTest::newRow("1 byte") << QByteArray("x") << "not a scale space file";
        QTest::newRow("4 kB of text") << QByteArray(4096, 't') << "not a scale space file";
    }

    void unreadableFilesStayUnchanged() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = folder.filePath("unreadable.qmx");
        QVERIFY(writeBytes(path, bytes));
        const Outcome outcome = runTune({path});
        QCOMPARE(outcome.status, int(tune::FileError));
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QCOMPARE(fileBytes(path), bytes);
        QVERIFY(!QFile::exists(path + "-journal"));
    }

    // A file's kept settings are the defaults; an option given wins over each of them.
    void keptWorkIsTheDefault_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("same");
        const QStringList kept{"--weights", "uniform", "--attenuation", "70", "--dial", "800"};
        QTest::newRow("kept") << QStringList()
                              << kept + QStringList{"--notes", "1,2,4,5", "--fixed", "4"};
        QTest::newRow("dial given")
            << QStringList{"--dial", "300"}
            << QStringList{"--weights", "uniform", "--attenuation", "70",      "--dial",
                           "300",       "--notes", "1,2,4,5",       "--fixed", "4"};
        QTest::newRow("notes and fixed given")
            << QStringList{"--notes", "1-3", "--fixed", "2"}
            << kept + QStringList{"--notes", "1-3", "--fixed", "2"};
        QTest::newRow("weights given") << QStringList{"--weights", "benedetti"}
                                       << QStringList{"--attenuation", "70",      "--dial",  "800",
                                                      "--notes",       "1,2,4,5", "--fixed", "4"};
    }

    void keptWorkIsTheDefault() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, same);
        const SizePattern pattern{{9.0L / 8, 5.0L / 4, 4.0L / 3, 3.0L / 2, 2.0L},
                                  {10.0L / 9, 32.0L / 27, 4.0L / 3, 16.0L / 9},
                                  {16.0L / 15, 6.0L / 5, 8.0L / 5},
                                  {9.0L / 8, 3.0L / 2},
                                  {4.0L / 3}};
        dbManager::StoredExtras extras;
        extras.state = {{"weight_function", "Uniform"},
                        {"attenuation", "70"},
                        {"dial", "800"},
                        {"selected", "0 1 3 4"},
                        {"fixed", "3"}};
        const QString keptFile = folder.filePath("kept.qmx");
        const QString plainFile = folder.filePath("plain.qmx");
        QVERIFY(dbManager::writeScaleSpace(keptFile, pattern, extras) == std::nullopt);
        QVERIFY(dbManager::writeScaleSpace(plainFile, pattern) == std::nullopt);

        const Outcome fromFile = runTune(QStringList{keptFile} + options);
        const Outcome given = runTune(QStringList{plainFile} + same);
        QCOMPARE(fromFile.status, 0);
        QCOMPARE(given.status, 0);
        QCOMPARE(fromFile.out, given.out);
        QVERIFY(fromFile.out != runTune({plainFile}).out);
    }

    // Typed weights kept in the file are tuned with, and named, as in the window.
    void keptTypedWeightsAreUsed() {
        // Inconsistent: 9/8 and 11/10 make 99/80, not the stored 5/4.
        const SizePattern pattern{{9.0L / 8, 5.0L / 4, 2.0L}, {11.0L / 10, 16.0L / 9}, {8.0L / 5}};
        dbManager::StoredExtras extras;
        extras.state = {{"weight_function", "Arbitrary"}};
        extras.weights = {{0, 0, 1.0L}, {0, 1, 0.001L}, {1, 0, 0.001L}};
        const QString path = folder.filePath("typed.qmx");
        QVERIFY(dbManager::writeScaleSpace(path, pattern, extras) == std::nullopt);
        const Outcome typed = runTune({path, "--notes", "1-3", "--format", "scl"});
        QCOMPARE(typed.status, 0);
        QVERIFY2(typed.out.contains("Arbitrary"), qPrintable(typed.out));
        // The heavy 9/8 is kept almost exactly; the function's weights give way elsewhere.
        QVERIFY2(typed.out.contains("203.91"), qPrintable(typed.out));
        QVERIFY(runTune({path, "--notes", "1-3", "--weights", "benedetti"}).out !=
                runTune({path, "--notes", "1-3"}).out);
    }
};

QTEST_GUILESS_MAIN(TestTuneFiles)
#include "tst_tune_files.moc"
