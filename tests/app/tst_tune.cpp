#include "app/tune/tunecommand.h"

#include "app/shared/storageconstants.h"
#include "core/scalespace.h"
#include "storage/dbcurrnet.h"
#include "storage/dbmanager.h"
#include "storage/scalafile.h"
#include "tests/common/numeric.h"
#include "tests/common/storedcell.h"
#include "tests/formats/formatreaders.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <csignal>
#include <sys/stat.h>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome runTune(const QStringList& arguments, bool showProgress = false,
                bool outputIsTerminal = false) {
    Outcome outcome;
    QTextStream out(&outcome.out);
    QTextStream err(&outcome.err);
    std::atomic<bool> cancelationRequest{false};
    outcome.status =
        tune::run(arguments, out, err, cancelationRequest, showProgress, outputIsTerminal);
    out.flush();
    err.flush();
    return outcome;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

SizePattern loadPattern(const QString& path) {
    const std::unique_ptr<dbCurrnet> db = dbManager::openDatabase(QUrl::fromLocalFile(path));
    return db ? db->loadPattern() : SizePattern();
}

// Values of one block of the text output ("Decimal tuning" or "Cents tuning").
std::vector<long double> block(const QString& output, const QString& heading) {
    const QStringList lines = output.split(QLatin1Char('\n'));
    std::vector<long double> values;
    for (qsizetype i = lines.indexOf(heading) + 1; i > 0 && i < lines.size(); ++i) {
        if (lines.at(i).isEmpty()) {
            break;
        }
        values.push_back(std::stold(lines.at(i).toStdString()));
    }
    return values;
}

} // namespace

class TestTune : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString library12() { return QDir(pitchSpacesPath).filePath("12edo.qmx"); }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        dbManager::initialise();
        QVERIFY(QFile::exists(library12()));
    }

    void badUsage_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString edo = QStringLiteral("@12edo");
        QTest::newRow("nothing") << QStringList{} << "no scale space file";
        QTest::newRow("unknown option")
            << QStringList{edo, "--colour", "red"} << "Unknown option 'colour'";
        QTest::newRow("unknown short option") << QStringList{edo, "-x"} << "Unknown option 'x'";
        QTest::newRow("missing value")
            << QStringList{edo, "--dial"} << "Missing value after '--dial'";
        QTest::newRow("non-numeric dial") << QStringList{edo, "--dial", "high"} << "'high'";
        QTest::newRow("dial too large") << QStringList{edo, "--dial=1001"} << "--dial: 1001";
        QTest::newRow("negative dial") << QStringList{edo, "--dial", "-1"} << "--dial: -1";
        QTest::newRow("attenuation") << QStringList{edo, "--attenuation", "101"} << "101";
        QTest::newRow("range 1") << QStringList{edo, "--range", "1"} << "--range: 1";
        QTest::newRow("range 1025") << QStringList{edo, "--range", "1025"} << "--range: 1025";
        QTest::newRow("range 2.5") << QStringList{edo, "--range", "2.5"} << "'2.5'";
        QTest::newRow("weights") << QStringList{edo, "--weights", "arbitrary"} << "'arbitrary'";
        QTest::newRow("format") << QStringList{edo, "--format", "pdf"} << "'pdf'";
        QTest::newRow("notes text") << QStringList{edo, "--notes", "1,x"} << "'x'";
        QTest::newRow("notes zero") << QStringList{edo, "--notes", "0,3"} << "from 1";
        QTest::newRow("notes backwards") << QStringList{edo, "--notes", "5-3"} << "backwards";
        QTest::newRow("notes empty item") << QStringList{edo, "--notes", "1,,3"} << "''";
        QTest::newRow("notes beyond range")
            << QStringList{edo, "--notes", "2,14"} << "note 14 is beyond the range 13";
        QTest::newRow("notes beyond given range")
            << QStringList{edo, "--range", "5", "--notes", "6"} << "note 6 is beyond the range 5";
        QTest::newRow("fixed text") << QStringList{edo, "--fixed", "two"} << "--fixed";
        QTest::newRow("two files") << QStringList{edo, edo} << "unexpected argument";
        QTest::newRow("import without output") << QStringList{"--import", "a.scl"} << "--output";
        QTest::newRow("output without a file")
            << QStringList{"--output", "a.qmx"} << "no scale space file";
        QTest::newRow("import with a file")
            << QStringList{edo, "--import", "a.scl", "--output", "b.qmx"} << "no scale space";
        QTest::newRow("import with a reference key")
            << QStringList{"--import", "a.scl", "--output", "b.qmx", "--reference-key", "60"}
            << "no tuning options";
        QTest::newRow("format wav") << QStringList{edo, "--format", "vcs"} << "text, scl, kbm";
        QTest::newRow("key 128") << QStringList{edo, "--reference-key", "128"} << "128 is outside";
        QTest::newRow("key -1") << QStringList{edo, "--reference-key=-1"} << "-1 is outside";
        QTest::newRow("key 60.5") << QStringList{edo, "--reference-key", "60.5"} << "'60.5'";
        QTest::newRow("key name") << QStringList{edo, "--reference-key", "C4"} << "'C4'";
        QTest::newRow("missing key") << QStringList{edo, "--reference-key"} << "Missing value";
        for (const char* frequency : {"0", "-440", "inf", "nan", "1e999", "440Hz", ""}) {
            QTest::addRow("frequency '%s'", frequency)
                << QStringList{edo, "--reference-frequency", frequency}
                << QStringLiteral("--reference-frequency: '%1' is not").arg(frequency);
        }
        QTest::newRow("kbm of one note")
            << QStringList{edo, "--format", "kbm", "--notes", "5"} << "fewer than two notes";
        QTest::newRow("syx of one note")
            << QStringList{edo, "--format", "syx", "--notes", "5", "--output", "x.syx"}
            << "fewer than two notes";
        QTest::newRow("syx to a terminal") << QStringList{edo, "--format", "syx"} << "--output";
    }

    void badUsage() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        arguments.replaceInStrings(QStringLiteral("@12edo"), library12());
        // As if the standard output were a terminal, which only the binary format minds.
        const Outcome outcome = runTune(arguments, false, true);
        QCOMPARE(outcome.status, int(tune::UsageError));
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QVERIFY(outcome.err.startsWith(QStringLiteral("quillmere-tune: ")));
        QCOMPARE(outcome.out, QString());
    }

    void unreadableFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing.qmx" << QByteArray() << "no such file";
        QTest::newRow("not sqlite") << "text.qmx" << QByteArray("text") << "not a scale space";
        QTest::newRow("folder") << "folder.qmx" << QByteArray("mkdir") << "not a file";
        QTest::newRow("empty table") << "empty.qmx" << QByteArray("SELECT 1") << "holds no notes";
        QTest::newRow("damaged") << "damaged.qmx"
                                 << QByteArray("INSERT INTO matrix VALUES (-1, 0, '2.0')")
                                 << "holds no notes";
    }

    // A file the tool cannot use is refused with status 1, and nothing is left behind.
    void unreadableFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, sql);
        QFETCH(QString, message);
        const QString path = folder.filePath(name);
        if (sql == "text") {
            writeText(path, "this is no database\n");
        } else if (sql == "mkdir") {
            QVERIFY(QDir().mkpath(path));
        } else if (!sql.isEmpty()) {
            QVERIFY(loadPattern(path).empty()); // creates the file with its table
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery(raw).exec(QString::fromUtf8(sql));
            raw.close();
            raw = QSqlDatabase();
            QSqlDatabase::removeDatabase("raw");
        }
        const Outcome outcome = runTune({path});
        QCOMPARE(outcome.status, int(tune::FileError));
        QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        QCOMPARE(outcome.out, QString());
        if (sql.isEmpty()) {
            QVERIFY(!QFile::exists(path));
        }
    }

    // A stored size that cannot be tuned is refused before the search, with the interval named.
    void untunableSizesRefused_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("problem");
        QTest::newRow("zero") << "0"
                              << "is not positive";
        QTest::newRow("negative") << "-1.5"
                                  << "is not positive";
        QTest::newRow("infinite") << "inf"
                                  << "is not finite";
        QTest::newRow("beyond a double") << "1e4000"
                                         << "is out of range";
    }

    void untunableSizesRefused() {
        QFETCH(QString, stored);
        QFETCH(QString, problem);
        const QString path = folder.filePath("untunable.qmx");
        // Cell (0, 6) is the size from note 0 up to note 7.
        QVERIFY(testing::writeTwelveEdoWithCell(path, 0, 6, stored));
        const Outcome outcome = runTune({path});
        QCOMPARE(outcome.status, int(tune::FileError));
        QCOMPARE(outcome.err, "quillmere-tune: Cannot make a tuning: the size of interval [1, 8] " +
                                  problem + ".\n");
        QCOMPARE(outcome.out, QString());
        // Notes that avoid the interval still tune.
        QCOMPARE(runTune({path, "--notes", "1-7"}).status, int(tune::Success));
    }

    void helpAndVersion() {
        const Outcome help = runTune({"--help"});
        QCOMPARE(help.status, 0);
        for (const char* word : {"--range", "--notes", "--fixed", "--weights", "--attenuation",
                                 "--dial", "--format", "--import", "--output", "--version", "130",
                                 "--reference-key", "--reference-frequency", "kbm", "tun", "syx"}) {
            QVERIFY2(help.out.contains(QLatin1String(word)), word);
        }
        const Outcome version = runTune({"--version"});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("quillmere-tune ")));
    }

    void textOutputShape() {
        const Outcome outcome = runTune({library12(), "--notes", "1,5,8,13"});
        QCOMPARE(outcome.status, 0);
        const QStringList lines = outcome.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 12); // 2 headings, 4 + 4 values, the empty line, the final newline
        QCOMPARE(lines.first(), QStringLiteral("Decimal tuning"));
        QCOMPARE(lines.at(1), QStringLiteral("1.0"));
        QCOMPARE(lines.at(6), QStringLiteral("Cents tuning"));
        QCOMPARE(lines.at(7), QStringLiteral("0.0"));
        QCOMPARE(lines.last(), QString());
        QCOMPARE(outcome.err, QString());
    }

    void fixedNotesKeepTheirSizes() {
        const Outcome outcome =
            runTune({library12(), "--fixed", "1,8,13,40", "--weights", "UNIFORM", "--dial", "900"});
        QCOMPARE(outcome.status, 0);
        const std::vector<long double> decimal = block(outcome.out, "Decimal tuning");
        QCOMPARE(decimal.size(), std::size_t(13));
        QUILLMERE_COMPARE_CLOSE(decimal[7], 1.5L);
        QUILLMERE_COMPARE_CLOSE(decimal[12], 2.0L);
    }

    // The Scala output, read back through --import, gives the tuning's own pitches.
    void scalaRoundTrip() {
        const QStringList settings{library12(), "--notes", "1-8,10,13", "--dial", "700"};
        const Outcome text = runTune(settings);
        const Outcome scala = runTune(settings + QStringList{"--format", "scl"});
        QCOMPARE(text.status, 0);
        QCOMPARE(scala.status, 0);
        QVERIFY(scala.out.startsWith(QStringLiteral("! 12edo.qmx\n")));
        QVERIFY(scala.out.contains(QStringLiteral("12edo: notes 1-8,10,13 of 13, Benedetti")));
        QVERIFY(scala.out.contains(QStringLiteral("dial 700")));

        const QString scl = folder.filePath("round.scl");
        const QString qmx = folder.filePath("round.qmx");
        writeText(scl, scala.out.toUtf8());
        const Outcome imported = runTune({"--import", scl, "--output", qmx});
        QCOMPARE(imported.status, 0);

        const SizePattern pattern = loadPattern(qmx);
        const std::vector<long double> decimal = block(text.out, "Decimal tuning");
        QCOMPARE(pattern.size(), decimal.size() - 1);
        for (std::size_t k = 1; k < decimal.size(); ++k) {
            const long double cents = 1200.0L * std::log2(pattern[0][k - 1]);
            const long double expected = 1200.0L * std::log2(decimal[k]);
            // The text shows 15 digits, so it is the coarser of the two.
            QVERIFY2(std::fabs(cents - expected) < 1e-9L, qPrintable(QString::number(k)));
        }
    }

    void importWritesConsistentSpace() {
        const QString scl = folder.filePath("major.scl");
        writeText(scl, "! major.scl\n!\nJust major\n 7\n!\n 9/8\n 5/4\n 4/3 fourth\n"
                       " 701.955000865387\n 5/3\n 15/8\n 2/1\n");
        const QString qmx = folder.filePath("major.qmx");
        QCOMPARE(runTune({"--import", scl, "--output", qmx}).status, 0);
        ScaleSpace space(QString(), loadPattern(qmx));
        QCOMPARE(space.noteCount(), 7);
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(7, 0), 2.0L);
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(2, 1), 10.0L / 9);
        QVERIFY(testing::closeRelative(space.getIntervalSize(4, 0), 1.5L, 1e-14L));
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(8, 6), 18.0L / 15);
        // A consistent scale tunes to itself.
        const Outcome outcome = runTune({qmx, "--fixed", "2-8"});
        const std::vector<long double> decimal = block(outcome.out, "Decimal tuning");
        QCOMPARE(decimal.size(), std::size_t(8));
        QUILLMERE_COMPARE_CLOSE(decimal[2], 1.25L);
    }

    void failedImportKeepsOutput_data() {
        QTest::addColumn<QByteArray>("scala");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << "no scale";
        QTest::newRow("no count") << QByteArray("desc\n") << "count";
        QTest::newRow("too few") << QByteArray("desc\n3\n5/4\n2\n") << "3 pitches announced";
        QTest::newRow("negative ratio") << QByteArray("d\n2\n-5/4\n2\n") << "negative";
        QTest::newRow("zero denominator") << QByteArray("d\n2\n5/0\n2\n") << "zero denominator";
        QTest::newRow("text for a pitch") << QByteArray("d\n2\nfifth\n2\n") << "fifth";
    }

    void failedImportKeepsOutput() {
        QFETCH(QByteArray, scala);
        QFETCH(QString, message);
        const QString scl = folder.filePath("bad.scl");
        writeText(scl, scala);
        const QString existing = folder.filePath("existing.qmx");
        QVERIFY(QFile::copy(library12(), existing) || QFile::exists(existing));
        const QByteArray before = fileBytes(existing);
        const QString fresh = folder.filePath("fresh.qmx");

        for (const QString& output : {existing, fresh}) {
            const Outcome outcome = runTune({"--import", scl, "--output", output});
            QCOMPARE(outcome.status, int(tune::FileError));
            QVERIFY2(outcome.err.contains(message), qPrintable(outcome.err));
        }
        QCOMPARE(fileBytes(existing), before);
        QVERIFY(!QFile::exists(fresh));
        const QStringList leftovers =
            QDir(folder.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, QStringList());
    }

    void importIntoMissingFolder() {
        const QString scl = folder.filePath("ok.scl");
        writeText(scl, "ok\n1\n2/1\n");
        const Outcome outcome =
            runTune({"--import", scl, "--output", folder.filePath("no/such/folder/x.qmx")});
        QCOMPARE(outcome.status, int(tune::FileError));
        QVERIFY(outcome.err.contains(QStringLiteral("cannot write")));
        QVERIFY(!QFile::exists(folder.filePath("no")));
    }

    // Each format written with --output, read back independently: every key sounds the
    // tuning that the text output prints.
    void synthesizerFormats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("mapping");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("hertz");
        const double middleC = 261.6255653005986;
        for (const char* format : {"kbm", "tun", "syx", "SYX"}) {
            QTest::addRow("%s, defaults", format) << format << QStringList{} << 60 << middleC;
            QTest::addRow("%s, key 57 at 220", format)
                << format << QStringList{"--reference-key", "57", "--reference-frequency=220"} << 57
                << 220.0;
            QTest::addRow("%s, key 0 at 1e-3", format)
                << format << QStringList{"--reference-key=0", "--reference-frequency", "1e-3"} << 0
                << 1e-3;
        }
    }

    void synthesizerFormats() {
        QFETCH(QString, format);
        QFETCH(QStringList, mapping);
        QFETCH(int, key);
        QFETCH(double, hertz);
        const QStringList settings{library12(), "--notes", "1-5,8,10,13", "--dial", "600"};
        const Outcome text = runTune(settings);
        QCOMPARE(text.status, 0);
        const std::vector<long double> tuning = block(text.out, "Decimal tuning");
        const std::vector<long double> expected = readers::expectedCents(tuning, key, hertz);

        const QString path = folder.filePath("out." + format);
        const Outcome written = runTune(
            settings + mapping + QStringList{"--format", format, "--output", path}, false, true);
        QCOMPARE(written.status, 0);
        QCOMPARE(written.out, QString());
        QCOMPARE(written.err, QString());
        const QByteArray bytes = fileBytes(path);

        std::vector<std::optional<long double>> played;
        long double tolerance = 1e-6L;
        if (format == QLatin1String("kbm")) {
            const readers::KeyboardMapping kbm = readers::readKeyboardMapping(bytes);
            QVERIFY2(kbm.error.isEmpty(), qPrintable(kbm.error));
            played = readers::keyCents(kbm, tuning);
        } else if (format == QLatin1String("tun")) {
            const readers::AnaMarkTuning tun = readers::readAnaMarkTuning(bytes);
            QVERIFY2(tun.error.isEmpty(), qPrintable(tun.error));
            for (const long double cents : tun.exact) {
                played.push_back(cents);
            }
        } else {
            const readers::BulkDump dump = readers::readBulkDump(bytes);
            QVERIFY2(dump.error.isEmpty(), qPrintable(dump.error));
            QCOMPARE(dump.name, QByteArray("12edo.qmx       "));
            played = dump.cents;
            tolerance = 100.0L / 16384 / 2;
        }
        QCOMPARE(played.size(), std::size_t(128));
        for (int k = 0; k < 128; ++k) {
            if (!played[k]) {
                // Only the dump leaves keys alone, and only those beyond its range.
                QVERIFY(format.compare("syx", Qt::CaseInsensitive) == 0);
                QVERIFY2(expected[k] < 0 || expected[k] > 12800, qPrintable(QString::number(k)));
                continue;
            }
            QVERIFY2(std::fabs(*played[k] - expected[k]) <= tolerance,
                     qPrintable(QStringLiteral("key %1: %2, expected %3")
                                    .arg(k)
                                    .arg(double(*played[k]), 0, 'f', 9)
                                    .arg(double(expected[k]), 0, 'f', 9)));
        }
    }

    // The binary dump goes to a standard output that is no terminal, byte for byte.
    void bulkDumpToStandardOutput() {
        const QStringList arguments{library12(), "--format", "syx", "--reference-key", "50"};
        const Outcome piped = runTune(arguments);
        QCOMPARE(piped.status, 0);
        const QString path = folder.filePath("piped.syx");
        QCOMPARE(runTune(arguments + QStringList{"--output", path}, false, true).status, 0);
        QCOMPARE(piped.out.toLatin1(), fileBytes(path));
        QVERIFY2(readers::readBulkDump(fileBytes(path)).error.isEmpty(), "");
    }

    // --output replaces a file only when everything succeeded, and a new file, also one
    // imported, gets what the umask leaves of read and write for all.
    void outputWrittenWhole() {
        const mode_t previousMask = ::umask(022);
        const QString path = folder.filePath("whole.tun");
        QCOMPARE(runTune({library12(), "--format", "tun", "--output", path}).status, 0);
        QCOMPARE(QFile::permissions(path) & 0x0777, QFileDevice::Permissions(0x0644));
        ::umask(077);
        const QString privatePath = folder.filePath("private.kbm");
        QCOMPARE(runTune({library12(), "--format", "kbm", "--output", privatePath}).status, 0);
        QCOMPARE(QFile::permissions(privatePath) & 0x0777, QFileDevice::Permissions(0x0600));
        const QString scl = folder.filePath("private.scl");
        writeText(scl, "two\n2\n3/2\n2\n");
        const QString imported = folder.filePath("imported.qmx");
        QCOMPARE(runTune({"--import", scl, "--output", imported}).status, 0);
        QCOMPARE(QFile::permissions(imported) & 0x0777, QFileDevice::Permissions(0x0600));
        ::umask(022);
        QVERIFY(QFile::remove(imported));
        QCOMPARE(runTune({"--import", scl, "--output", imported}).status, 0);
        QCOMPARE(QFile::permissions(imported) & 0x0777, QFileDevice::Permissions(0x0644));
        QVERIFY(QFile::setPermissions(imported, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup));
        QCOMPARE(runTune({"--import", scl, "--output", imported}).status, 0);
        QCOMPARE(QFile::permissions(imported) & 0x0777, QFileDevice::Permissions(0x0640));
        ::umask(previousMask);

        const QByteArray before = fileBytes(path);
        const Outcome failed =
            runTune({folder.filePath("missing.qmx"), "--format", "tun", "--output", path});
        QCOMPARE(failed.status, int(tune::FileError));
        QCOMPARE(fileBytes(path), before);

        const QString nowhere = folder.filePath("no/such/folder/x.syx");
        const Outcome unwritable = runTune({library12(), "--format", "syx", "--output", nowhere});
        QCOMPARE(unwritable.status, int(tune::FileError));
        QVERIFY2(unwritable.err.contains(QStringLiteral("cannot write")),
                 qPrintable(unwritable.err));
        QVERIFY(!QFile::exists(folder.filePath("no")));
    }

    // A bare built-in name works on an account where the window never ran.
    void builtInByName() {
        const Outcome fromFile = runTune({library12(), "--format", "scl"});
        QVERIFY(QDir(pitchSpacesPath).removeRecursively());
        const Outcome byName = runTune({"12edo", "--format", "scl"});
        QCOMPARE(byName.status, 0);
        QCOMPARE(byName.out, fromFile.out);
        QVERIFY(QFile::exists(library12()));
        QCOMPARE(runTune({"13edo"}).status, int(tune::FileError));
        QCOMPARE(runTune({"Custom..."}).status, int(tune::FileError));
    }

    void progressOnlyWhenAsked() {
        const Outcome quiet = runTune({library12(), "--dial", "100"});
        QCOMPARE(quiet.err, QString());
        const Outcome shown = runTune({library12(), "--dial", "100"}, true);
        QVERIFY2(shown.err.contains(QStringLiteral("100.00%")), qPrintable(shown.err));
        QCOMPARE(shown.out, quiet.out);
    }

    void cancelledBeforehandPrintsNothing() {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        std::atomic<bool> cancelationRequest{true};
        const int status =
            tune::run({library12()}, outStream, errStream, cancelationRequest, false);
        errStream.flush();
        QCOMPARE(status, int(tune::Interrupted));
        QCOMPARE(out, QString());
        QVERIFY(err.contains(QStringLiteral("interrupted")));
    }

    // The real program: Control+C during a search that cannot finish soon exits with 130.
    void interruptExitsWith130() {
        const QString program =
            QDir(QCoreApplication::applicationDirPath()).filePath("../../app/tune/quillmere-tune");
        if (!QFile::exists(program)) {
            QSKIP("quillmere-tune is not built beside the tests");
        }
        QProcess process;
        process.start(program, {library12(), "--range", "60", "--dial", "1000"});
        QVERIFY(process.waitForStarted());
        QTest::qWait(300);
        QCOMPARE(process.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
    }

    // The real program never replaces its own input or a node that is not a file, writes a
    // FIFO as a stream, and fails with 1 when the standard output cannot be written.
    void unsafeOutputs_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("output is the input") << "same" << 1;
        QTest::newRow("output is the input through a link") << "link" << 1;
        QTest::newRow("import over its own Scala file") << "import same" << 1;
        QTest::newRow("output into a FIFO, as a stream") << "fifo" << 0;
        QTest::newRow("text into a full disk") << "full" << 1;
        QTest::newRow("binary into a full disk") << "full syx" << 1;
        QTest::newRow("help into a full disk") << "full help" << 1;
    }

    void unsafeOutputs() {
        QFETCH(QString, kind);
        QFETCH(int, status);
        const QString program =
            QDir(QCoreApplication::applicationDirPath()).filePath("../../app/tune/quillmere-tune");
        if (!QFile::exists(program)) {
            QSKIP("quillmere-tune is not built beside the tests");
        }
        const QTemporaryDir dir;
        const QString space = dir.filePath("space.qmx");
        QVERIFY(QFile::copy(library12(), space));
        const QByteArray before = readAll(space);
        QProcess process;
        QStringList arguments{space, "--notes", "1-3"};
        QFile fifoReader;
        if (kind == "same") {
            arguments << "--output" << space;
        } else if (kind == "link") {
            QVERIFY(QFile::link(space, dir.filePath("link.qmx")));
            arguments = QStringList{dir.filePath("link.qmx"), "--output", space};
        } else if (kind == "import same") {
            QFile scala(dir.filePath("a.scl"));
            QVERIFY(scala.open(QIODevice::WriteOnly) && scala.write("a\n1\n2/1\n") > 0);
            scala.close();
            arguments = QStringList{"--import", scala.fileName(), "--output", scala.fileName()};
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
            arguments << "--output" << dir.filePath("fifo");
        } else {
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
            if (kind == "full syx") {
                arguments << "--format"
                          << "syx";
            } else if (kind == "full help") {
                arguments = QStringList{"--help"};
            }
        }
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
        if (kind == "fifo") {
            fifoReader.setFileName(dir.filePath("fifo"));
            QVERIFY(fifoReader.open(QIODevice::ReadOnly));
        }
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(readAll(space), before);
        if (kind == "fifo") {
            QVERIFY(fifoReader.readAll().startsWith("Decimal tuning"));
            struct stat node {};
            QCOMPARE(::stat(QFile::encodeName(dir.filePath("fifo")).constData(), &node), 0);
            QVERIFY(S_ISFIFO(node.st_mode));
        }
        if (status != 0) {
            QVERIFY(!process.readAllStandardError().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestTune)
#include "tst_tune.moc"
