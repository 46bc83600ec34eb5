#include "storage/dbcurrnet.h"
#include "tests/storage/rawfile.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A 12-note pattern of doubles that are awkward in decimal, including the extremes.
SizePattern twelveNotePattern() {
    const double specials[] = {16.0 / 15,
                               1.0 / 3,
                               DBL_MIN,
                               DBL_MAX,
                               4.9406564584124654e-324,
                               -2.5,
                               0.0,
                               std::nextafter(1.0, 2.0)};
    SizePattern pattern(12);
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < 12 - i; ++j) {
            pattern[i].push_back(std::pow(3.0, (i + j + 1) / 19.0));
        }
    }
    for (std::size_t k = 0; k < std::size(specials); ++k) {
        pattern[k].front() = specials[k];
    }
    pattern[0].back() = 2.0;
    return pattern;
}

SizePattern equalPattern(int notes, long double size) {
    SizePattern pattern(notes);
    for (int i = 0; i < notes; ++i) {
        pattern[i].assign(notes - i, size);
    }
    return pattern;
}

bool sameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Sets the number format of the C library for the test's duration.
class NumericLocale {
public:
    explicit NumericLocale(const char* name)
        : previous(std::setlocale(LC_NUMERIC, nullptr)),
          active(std::setlocale(LC_NUMERIC, name) != nullptr) {}
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous.c_str()); }
    bool isActive() const { return active; }

private:
    std::string previous;
    bool active;
};

} // namespace

class TestDbCurrnet : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // A fresh file holding the pattern, written by the class under test.
    QString savedFile(const QString& name, const SizePattern& pattern) {
        dbCurrnet file(path(name));
        if (!file.open() || !file.savePattern(pattern)) {
            return QString();
        }
        return path(name);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void twelveNotesRoundTripBitForBit() {
        const SizePattern pattern = twelveNotePattern();
        const QString first = savedFile("first.qmx", pattern);
        QVERIFY(!first.isEmpty());

        RawFile raw(first);
        const QStringList cells = raw.cells();
        QCOMPARE(cells.size(), 78);
        QStringList positions;
        QStringList expectedPositions;
        for (int i = 0; i < 12; ++i) {
            for (int j = 0; j < 12 - i; ++j) {
                expectedPositions << QStringLiteral("%1 %2").arg(i).arg(j);
            }
        }
        for (const QString& cell : cells) {
            positions << cell.section(' ', 0, 1);
        }
        QCOMPARE(positions, expectedPositions);
        QCOMPARE(raw.text(0, 0), QStringLiteral("1.06666666666666665e+00"));
        QCOMPARE(raw.text(0, 11), QStringLiteral("2.00000000000000000e+00"));
        QCOMPARE(raw.text(1, 0), QStringLiteral("3.33333333333333315e-01"));
        QCOMPARE(raw.text(2, 0), QStringLiteral("2.22507385850720138e-308"));
        QCOMPARE(raw.text(3, 0), QStringLiteral("1.79769313486231571e+308"));
        QCOMPARE(raw.text(4, 0), QStringLiteral("4.94065645841246544e-324"));
        QCOMPARE(raw.text(5, 0), QStringLiteral("-2.50000000000000000e+00"));
        QCOMPARE(raw.text(6, 0), QStringLiteral("0.00000000000000000e+00"));
        QCOMPARE(raw.text(7, 0), QStringLiteral("1.00000000000000022e+00"));

        SizePattern loaded;
        {
            dbCurrnet file(first);
            QVERIFY(file.open());
            loaded = file.loadPattern();
        }
        QCOMPARE(loaded.size(), pattern.size());
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            QCOMPARE(loaded[i].size(), pattern[i].size());
            for (std::size_t j = 0; j < pattern[i].size(); ++j) {
                QVERIFY2(sameDouble(double(loaded[i][j]), double(pattern[i][j])),
                         qPrintable(QStringLiteral("cell (%1, %2)").arg(i).arg(j)));
            }
        }

        // What was read is written as the same text and reads back as the same bits.
        const QString second = savedFile("second.qmx", loaded);
        QVERIFY(!second.isEmpty());
        QCOMPARE(RawFile(second).cells(), cells);
        dbCurrnet again(second);
        QVERIFY(again.open());
        QCOMPARE(again.loadPattern(), loaded);
    }

    void savingReplacesContents_data() {
        QTest::addColumn<SizePattern>("before");
        QTest::addColumn<SizePattern>("after");
        QTest::addColumn<int>("rows");
        QTest::newRow("5 notes over 22") << equalPattern(22, 1.5L) << equalPattern(5, 1.25L) << 15;
        QTest::newRow("empty over 5") << equalPattern(5, 1.5L) << SizePattern() << 0;
        QTest::newRow("empty rows write nothing")
            << equalPattern(3, 1.5L) << SizePattern{{}, {}, {2.0L}} << 1;
    }

    void savingReplacesContents() {
        QFETCH(SizePattern, before);
        QFETCH(SizePattern, after);
        QFETCH(int, rows);
        const QString name = path(QString("replace %1.qmx").arg(QTest::currentDataTag()));
        dbCurrnet file(name);
        QVERIFY(file.open());
        QVERIFY(file.savePattern(before));
        QVERIFY(file.savePattern(after));
        QCOMPARE(RawFile(name).cells().size(), rows);
        QCOMPARE(file.loadPattern(), after);
    }

    // Cells are given as SQL row values, inserted through the second connection.
    void loadsAnyShape_data() {
        QTest::addColumn<QString>("cells");
        QTest::addColumn<SizePattern>("expected");
        QTest::newRow("empty table") << QString() << SizePattern();
        QTest::newRow("gap in a row")
            << "(0, 0, '1.5'), (0, 2, '2')" << SizePattern{{1.5L, 0.0L, 2.0L}};
        QTest::newRow("missing rows") << "(2, 0, '3')" << SizePattern{{}, {}, {3.0L}};
        QTest::newRow("plain decimal") << "(0, 0, '1.5')" << SizePattern{{1.5L}};
        QTest::newRow("blanks before, text after")
            << "(0, 0, '  1.25 cents')" << SizePattern{{1.25L}};
        QTest::newRow("integer value") << "(0, 0, 3)" << SizePattern{{3.0L}};
        QTest::newRow("underflow reads as zero") << "(0, 0, '1e-99999')" << SizePattern{{0.0L}};
        SizePattern largest(1024);
        largest.back().assign(1024, 0.0L);
        largest.back().back() = 2.0L;
        QTest::newRow("largest indices") << "(1023, 1023, '2')" << largest;
    }

    void loadsAnyShape() {
        QFETCH(QString, cells);
        QFETCH(SizePattern, expected);
        const QString name = path(QString("shape %1.qmx").arg(QTest::currentDataTag()));
        dbCurrnet file(name);
        QVERIFY(file.open());
        if (!cells.isEmpty()) {
            QVERIFY(RawFile(name).exec("INSERT INTO matrix VALUES " + cells));
        }
        QCOMPARE(file.loadPattern(), expected);
    }

    // One damaged cell among sound ones refuses the whole file.
    void refusesDamagedFile_data() {
        QTest::addColumn<QString>("cell");
        QTest::newRow("negative row") << "(-1, 0, '2')";
        QTest::newRow("negative column") << "(1, -1, '2')";
        QTest::newRow("row at the limit") << "(1024, 0, '2')";
        QTest::newRow("column at the limit") << "(1, 1024, '2')";
        QTest::newRow("row beyond int") << "(4294967296, 0, '2')";
        QTest::newRow("huge row") << "(2147483647, 0, '2')";
        QTest::newRow("row text") << "('x', 0, '2')";
        QTest::newRow("row not whole") << "(1.5, 0, '2')";
        QTest::newRow("row NULL") << "(NULL, 0, '2')";
        QTest::newRow("column blob") << "(1, x'01', '2')";
        QTest::newRow("value NULL") << "(1, 0, NULL)";
        QTest::newRow("value empty") << "(1, 0, '')";
        QTest::newRow("value words") << "(1, 0, 'two')";
        QTest::newRow("value longer than 64 bytes") << "(1, 0, '1.5' || printf('%070d', 0))";
        QTest::newRow("value blob of 65 bytes") << "(1, 0, zeroblob(65))";
    }

    void refusesDamagedFile() {
        QFETCH(QString, cell);
        const QString name = path(QString("damaged %1.qmx").arg(QTest::currentDataTag()));
        dbCurrnet file(name);
        QVERIFY(file.open());
        RawFile raw(name);
        QVERIFY(raw.exec("INSERT INTO matrix VALUES (0, 0, '1.5'), (0, 1, '2'), (2, 0, '3')"));
        QCOMPARE(file.loadPattern(), (SizePattern{{1.5L, 2.0L}, {}, {3.0L}}));
        QVERIFY(raw.exec("INSERT INTO matrix VALUES " + cell));
        QCOMPARE(file.loadPattern(), SizePattern());
    }

    // Sizes that cannot be tuned are kept as stored so that they can be shown and refused;
    // a value beyond long double's range reads as the infinity or zero it tends to.
    // A size that is saved reads back as a number next to it, never as an infinity: the
    // largest long double rounded to 17 digits would be one.
    void extremeSizesReadBackFinite_data() {
        QTest::addColumn<long double>("size");
        QTest::newRow("largest long double") << std::numeric_limits<long double>::max();
        QTest::newRow("just below it")
            << std::nextafter(std::numeric_limits<long double>::max(), 0.0L);
        QTest::newRow("smallest normal") << std::numeric_limits<long double>::min();
    }

    void extremeSizesReadBackFinite() {
        QFETCH(long double, size);
        const QString name = savedFile(QString("extreme %1.qmx").arg(QTest::currentDataTag()),
                                       SizePattern{{size, 2.0L}, {1.5L}});
        QVERIFY(!name.isEmpty());
        dbCurrnet file(name);
        QVERIFY(file.openReadOnly());
        const SizePattern pattern = file.loadPattern();
        QCOMPARE(pattern.size(), std::size_t(2));
        QVERIFY(std::isfinite(pattern[0][0]));
        QVERIFY(std::fabs(pattern[0][0] / size - 1) < 1e-16L);
    }

    void keepsUntunableValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long double>("expected");
        QTest::newRow("zero") << "0" << 0.0L;
        QTest::newRow("negative") << "-1.5" << -1.5L;
        QTest::newRow("inf") << "inf" << HUGE_VALL;
        QTest::newRow("minus infinity") << "-infinity" << -HUGE_VALL;
        QTest::newRow("beyond double") << "1e4000" << 1e4000L;
        QTest::newRow("beyond long double") << "1e99999" << HUGE_VALL;
        QTest::newRow("below long double") << "1e-99999" << 0.0L;
        QTest::newRow("nan") << "nan" << std::numeric_limits<long double>::quiet_NaN();
        QTest::newRow("64 bytes") << "1.5" + QString(61, '0') << 1.5L;
    }

    void keepsUntunableValues() {
        QFETCH(QString, text);
        QFETCH(long double, expected);
        const QString name = path(QString("untunable %1.qmx").arg(QTest::currentDataTag()));
        {
            dbCurrnet file(name);
            QVERIFY(file.open());
        }
        QVERIFY(
            RawFile(name).exec("INSERT INTO matrix VALUES (0, 0, '2'), (0, 1, '" + text + "')"));
        dbCurrnet file(name);
        QVERIFY(file.openReadOnly());
        const SizePattern pattern = file.loadPattern();
        QCOMPARE(pattern.size(), std::size_t(1));
        QCOMPARE(pattern[0].size(), std::size_t(2));
        if (std::isnan(expected)) {
            QVERIFY(std::isnan(pattern[0][1]));
        } else {
            QCOMPARE(pattern[0][1], expected);
        }
    }

    void failedSaveKeepsFormerContents_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<SizePattern>("pattern");
        QTest::newRow("insert rejected part-way") << "trigger" << equalPattern(12, 1.125L);
        QTest::newRow("read-only file") << "read-only" << equalPattern(12, 1.125L);
        QTest::newRow("too many rows") << QString() << equalPattern(1025, 1.125L);
        QTest::newRow("row too long") << QString() << SizePattern{std::vector<long double>(1025)};
    }

    void failedSaveKeepsFormerContents() {
        QFETCH(QString, failure);
        QFETCH(SizePattern, pattern);
        const QString name = savedFile(QString("failing %1.qmx").arg(QTest::currentDataTag()),
                                       equalPattern(5, 1.5L));
        QVERIFY(!name.isEmpty());
        const QStringList former = RawFile(name).cells();
        QCOMPARE(former.size(), 15);

        if (failure == QLatin1String("trigger")) {
            QVERIFY(RawFile(name).exec("CREATE TRIGGER reject BEFORE INSERT ON matrix "
                                       "WHEN NEW.row_id = 3 BEGIN SELECT RAISE(ABORT, 'x'); END"));
        } else if (failure == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(name, QFile::ReadOwner | QFile::ReadGroup));
            QFile probe(name);
            if (probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
                QSKIP("this user may write a read-only file (root)");
            }
        }
        {
            dbCurrnet file(name);
            QVERIFY(file.open());
            QVERIFY(!file.savePattern(pattern));
            QCOMPARE(file.loadPattern(), equalPattern(5, 1.5L));
        }
        QCOMPARE(RawFile(name).cells(), former);
    }

    void openCreatesEmptyTable() {
        const QString name = path("new.qmx");
        const QStringList connections = QSqlDatabase::connectionNames();
        {
            dbCurrnet file(name);
            QVERIFY(file.open());
            QCOMPARE(QSqlDatabase::connectionNames().size(), connections.size() + 1);
            QVERIFY(file.loadPattern().empty());
        }
        QCOMPARE(QSqlDatabase::connectionNames(), connections);
        QVERIFY(QFileInfo(name).isFile());
        RawFile raw(name);
        QCOMPARE(raw.schema(), (QStringList{"matrix", "sqlite_autoindex_matrix_1"}));
        QVERIFY(raw.cells().isEmpty());
    }

    void openFailsCreatingNothing_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << QString() << "missing/a.qmx";
        QTest::newRow("missing folders") << QString() << "missing/deeper/a.qmx";
        QTest::newRow("folder") << "folder"
                                << "sub";
        QTest::newRow("not a database") << "text"
                                        << "notes.qmx";
        QTest::newRow("read-only folder") << "read-only"
                                          << "locked/a.qmx";
        QTest::newRow("empty path") << QString() << QString();
    }

    void openFailsCreatingNothing() {
        QFETCH(QString, setup);
        QFETCH(QString, target);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        if (setup == QLatin1String("folder")) {
            QVERIFY(QDir(root.path()).mkdir(target));
        } else if (setup == QLatin1String("text")) {
            QFile text(root.filePath(target));
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("12 notes, tuned by ear\n");
        } else if (setup == QLatin1String("read-only")) {
            QVERIFY(QDir(root.path()).mkdir("locked"));
            QVERIFY(
                QFile::setPermissions(root.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
            QFile probe(root.filePath("locked/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("this user may write into a read-only folder (root)");
            }
        }
        const QStringList before = snapshot(root.path());
        const QStringList connections = QSqlDatabase::connectionNames();
        {
            dbCurrnet file(target.isEmpty() ? QString() : root.filePath(target));
            QVERIFY(!file.open());
            QVERIFY(file.loadPattern().empty());
            QVERIFY(!file.savePattern({{2.0L}}));
        }
        QCOMPARE(QSqlDatabase::connectionNames(), connections);
        QCOMPARE(snapshot(root.path()), before);
    }

    void instancesAreIndependent() {
        dbCurrnet a(path("a.qmx"));
        dbCurrnet b(path("b.qmx"));
        QVERIFY(a.open());
        QVERIFY(b.open());
        QVERIFY(a.savePattern({{1.5L}}));
        QVERIFY(b.savePattern({{2.5L}}));
        QCOMPARE(a.loadPattern(), SizePattern{{1.5L}});
        QCOMPARE(b.loadPattern(), SizePattern{{2.5L}});
        {
            dbCurrnet later(path("a.qmx"));
            QVERIFY(later.open());
            QCOMPARE(later.loadPattern(), SizePattern{{1.5L}});
            QVERIFY(later.savePattern({{3.5L}}));
        }
        QCOMPARE(a.loadPattern(), SizePattern{{3.5L}});
    }

    // The point stays a point in files and in reading, whatever the user's number format.
    void decimalCommaLocale() {
        NumericLocale locale("de_DE.UTF-8");
        if (!locale.isActive()) {
            QSKIP("no locale with a decimal comma is installed (de_DE.UTF-8)");
        }
        QCOMPARE(QString(std::localeconv()->decimal_point), QStringLiteral(","));
        const QString name = savedFile("comma.qmx", {{16.0 / 15, 1.5L}});
        QVERIFY(!name.isEmpty());
        QCOMPARE(RawFile(name).text(0, 0), QStringLiteral("1.06666666666666665e+00"));
        dbCurrnet file(name);
        QVERIFY(file.open());
        const SizePattern loaded = file.loadPattern();
        QCOMPARE(loaded.size(), std::size_t(1));
        QVERIFY(sameDouble(double(loaded[0][0]), 16.0 / 15));
        QCOMPARE(loaded[0][1], 1.5L);
    }
};

QTEST_GUILESS_MAIN(TestDbCurrnet)
#include "tst_dbcurrnet.moc"
