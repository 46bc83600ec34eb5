#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/storage/rawfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>

namespace {

// A step written "a/b" or "2^(k/n)", printed the way a double prints with 17 digits.
QString stepText(const QString& step) {
    double value = 0;
    if (step.startsWith("2^(")) {
        const QStringList exponent = step.mid(3, step.size() - 4).split('/');
        value = std::pow(2.0, exponent[0].toDouble() / exponent[1].toDouble());
    } else {
        const QStringList fraction = step.split('/');
        value = fraction.size() == 1 ? fraction[0].toDouble()
                                     : fraction[0].toDouble() / fraction[1].toDouble();
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.17e", value);
    return QString::fromLatin1(text);
}

QString libraryFile(const QString& name) {
    return QDir(pitchSpacesPath).filePath(name + ".qmx");
}

bool saveInLibrary(const QString& name, const SizePattern& pattern) {
    const auto file = dbManager::openDatabase(name, pitchSpacesPath);
    return file && file->savePattern(pattern);
}

QByteArray bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDbManager : public QObject {
    Q_OBJECT

private slots:
    // The tests empty the library folder at will, so it must be a throw-away one.
    void initTestCase() {
        const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(!base.isEmpty() && pitchSpacesPath.startsWith(QDir(base).absolutePath()),
                 "run with XDG_CONFIG_HOME set to an empty temporary folder");
        QVERIFY2(!QFileInfo::exists(configPath), "the configuration folder must not exist yet");
    }

    void init() { QDir(configPath).removeRecursively(); }

    void initialiseWritesDefaults_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("5edo") << "5edo" << QStringList{"8/7", "4/3", "3/2", "7/4", "2"};
        QTest::newRow("7edo") << "7edo"
                              << QStringList{"10/9", "11/9", "4/3", "3/2", "18/11", "9/5", "2"};
        QTest::newRow("12edo") << "12edo"
                               << QStringList{"16/15", "9/8", "6/5", "5/4", "4/3",  "45/32",
                                              "3/2",   "8/5", "5/3", "9/5", "15/8", "2"};
        QTest::newRow("15edo") << "15edo"
                               << QStringList{"2^(1/15)", "11/10", "8/7",  "6/5",       "5/4",
                                              "4/3",      "11/8",  "13/9", "3/2",       "8/5",
                                              "5/3",      "7/4",   "11/6", "2^(14/15)", "2"};
        QTest::newRow("17edo") << "17edo"
                               << QStringList{"25/24", "12/11", "9/8",  "13/11", "11/9", "9/7",
                                              "4/3",   "11/8",  "13/9", "3/2",   "11/7", "13/8",
                                              "12/7",  "7/4",   "11/6", "27/14", "2"};
        QTest::newRow("19edo") << "19edo" << QStringList{"28/27", "15/14", "9/8",   "7/6", "6/5",
                                                         "5/4",   "9/7",   "4/3",   "7/5", "10/7",
                                                         "3/2",   "14/9",  "8/5",   "5/3", "7/4",
                                                         "9/5",   "15/8",  "27/14", "2"};
        QTest::newRow("22edo") << "22edo"
                               << QStringList{"2^(1/22)",  "17/16", "11/10", "9/8",  "7/6",
                                              "6/5",       "5/4",   "9/7",   "4/3",  "11/8",
                                              "7/5",       "16/11", "3/2",   "14/9", "8/5",
                                              "5/3",       "12/7",  "7/4",   "11/6", "15/8",
                                              "2^(21/22)", "2"};
    }

    void initialiseWritesDefaults() {
        QFETCH(QString, name);
        QFETCH(QStringList, steps);
        QVERIFY(!QFileInfo::exists(configPath));
        dbManager::initialise();

        const int notes = int(steps.size());
        QStringList expected;
        for (int i = 0; i < notes; ++i) {
            for (int j = 0; j < notes - i; ++j) {
                expected << QStringLiteral("%1 %2 %3").arg(i).arg(j).arg(stepText(steps[j]));
            }
        }
        const QStringList cells = RawFile(libraryFile(name)).cells();
        QCOMPARE(cells.size(), notes * (notes + 1) / 2);
        QCOMPARE(cells, expected);
        const auto file = dbManager::openDatabase(name, pitchSpacesPath);
        QVERIFY(file);
        QCOMPARE(file->loadPattern().size(), std::size_t(notes));
    }

    void defaultTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("12edo 16/15") << "12edo" << 11 << 0 << "1.06666666666666665e+00";
        QTest::newRow("12edo octave") << "12edo" << 0 << 11 << "2.00000000000000000e+00";
        QTest::newRow("15edo 2^(14/15)") << "15edo" << 1 << 13 << "1.90968320782083323e+00";
        QTest::newRow("22edo 2^(21/22)") << "22edo" << 0 << 20 << "1.93796894780252504e+00";
    }

    void defaultTexts() {
        QFETCH(QString, name);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        dbManager::initialise();
        QCOMPARE(RawFile(libraryFile(name)).text(row, column), text);
    }

    void initialiseRestoresDefaultsOnly() {
        dbManager::initialise();
        const QStringList twelve = RawFile(libraryFile("12edo")).cells();
        QVERIFY(dbManager::createDatabase(QStringLiteral("mine")));
        QVERIFY(saveInLibrary("mine", {{1.5L, 2.0L}, {4.0L / 3}}));
        QVERIFY(saveInLibrary("12edo", {{3.0L}}));
        QVERIFY(QFile::remove(libraryFile("5edo")));
        const QByteArray mine = bytes(libraryFile("mine"));
        QVERIFY(!mine.isEmpty());

        dbManager::initialise();
        QCOMPARE(RawFile(libraryFile("12edo")).cells(), twelve);
        QCOMPARE(RawFile(libraryFile("5edo")).cells().size(), 15);
        QCOMPARE(bytes(libraryFile("mine")), mine);
        QCOMPARE(dbManager::databases(), (QStringList{"12edo", "15edo", "17edo", "19edo", "22edo",
                                                      "5edo", "7edo", "mine"}));
    }

    void initialiseWithoutFolderCreatesNothing() {
        QVERIFY(QDir().mkpath(configPath));
        QFile blocker(pitchSpacesPath);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        dbManager::initialise();
        QVERIFY(QFileInfo(pitchSpacesPath).isFile());
        QCOMPARE(QDir(configPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"Pitch Spaces"});
        QVERIFY(!dbManager::createDatabase(QStringLiteral("12edo")));
        QVERIFY(dbManager::databases().isEmpty());
    }

    void databasesListsScaleSpaceFiles() {
        QVERIFY(dbManager::databases().isEmpty());
        QDir folder(pitchSpacesPath);
        QVERIFY(folder.mkpath("d.qmx"));
        for (const char* name : {"b.qmx", "A.qmx", "c.txt", "E.QMX", ".hidden.qmx", "f.qmx.bak"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(dbManager::databases(), (QStringList{"A", "b", "E"}));
    }

    void openDatabaseByUrlAndName() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QUrl url = QUrl::fromLocalFile(dir.filePath("scale.db"));
        QVERIFY(dbManager::createDatabase(url));
        const auto byUrl = dbManager::openDatabase(url);
        QVERIFY(byUrl);
        QVERIFY(byUrl->savePattern({{2.0L}}));
        QCOMPARE(RawFile(dir.filePath("scale.db")).cells(),
                 QStringList{"0 0 2.00000000000000000e+00"});

        const auto byName = dbManager::openDatabase("scale", dir.path());
        QVERIFY(byName);
        QVERIFY(byName->loadPattern().empty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"scale.db", "scale.qmx"}));
    }

    void openDatabaseRefusesUnusablePlaces_data() {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("empty") << QUrl();
        QTest::newRow("remote") << QUrl("https://example.org/scale.qmx");
        QTest::newRow("missing folder") << QUrl::fromLocalFile("/nonexistent-quillmere/a.qmx");
    }

    void openDatabaseRefusesUnusablePlaces() {
        QFETCH(QUrl, url);
        QVERIFY(!dbManager::openDatabase(url));
        QVERIFY(!dbManager::createDatabase(url));
        QVERIFY(!QFileInfo::exists("/nonexistent-quillmere"));
        QVERIFY(!dbManager::openDatabase("a", "/nonexistent-quillmere"));
    }
};

QTEST_GUILESS_MAIN(TestDbManager)
#include "tst_dbmanager.moc"
