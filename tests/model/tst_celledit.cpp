#include "model/scalespacemodel.h"
#include "tests/common/numeric.h"
#include "tests/model/modeltesting.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <stdexcept>

using testing::changedRanges;
using testing::Table;
using testing::tableText;

namespace {

// The whole table of a model built afresh over the same space, to compare an edited one with.
QStringList freshTable(const ScaleSpace& space, int range) {
    ScaleSpace copy(space.getName(), space.getSizePattern());
    ScaleSpaceModel model(&copy);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRange(range);
    return tableText(model);
}

// Puts the C library into a locale with a decimal comma for its lifetime, making one with
// localedef when the system has none. active() is false when neither works.
class CommaLocale {
public:
    CommaLocale() : previous(setlocale(LC_ALL, nullptr)), previousPath(qgetenv("LOCPATH")) {
        if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && folder.isValid() &&
            QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                               QStringLiteral("UTF-8"),
                               folder.filePath(QStringLiteral("de_DE.UTF-8"))}) == 0) {
            qputenv("LOCPATH", folder.path().toLocal8Bit());
            setlocale(LC_ALL, "de_DE.UTF-8");
        }
    }
    ~CommaLocale() {
        setlocale(LC_ALL, previous.constData());
        if (previousPath.isEmpty()) {
            qunsetenv("LOCPATH");
        } else {
            qputenv("LOCPATH", previousPath);
        }
    }
    bool active() const { return std::strcmp(localeconv()->decimal_point, ",") == 0; }

private:
    QByteArray previous;
    QByteArray previousPath;
    QTemporaryDir folder;
};

} // namespace

class TestCellEdit : public QObject {
    Q_OBJECT

private slots:
    void parseFraction_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long double>("value");
        QTest::addColumn<QString>("error");
        const QString invalid = QStringLiteral("Invalid fraction format");
        const QString zero = QStringLiteral("Denominator cannot be zero");
        const QString range = QStringLiteral("Number out of range");
        QTest::newRow("integer") << "7" << 7.0L << "";
        QTest::newRow("negative integer") << "-3" << -3.0L << "";
        QTest::newRow("fraction, spaces") << " 3/2 " << 1.5L << "";
        QTest::newRow("negative fraction") << "-5/4" << -1.25L << "";
        QTest::newRow("mixed") << "1 1/2" << 1.5L << "";
        QTest::newRow("negative mixed") << "-2 3/4" << -2.75L << "";
        QTest::newRow("mixed beyond 32 bits") << "100000 1/100000" << 100000.00001L << "";
        QTest::newRow("negative mixed beyond 32 bits") << "-2000000000 1/2" << -2000000000.5L << "";
        QTest::newRow("whole beyond 32 bits refused") << "3000000000" << 0.0L << range;
        QTest::newRow("numerator beyond 32 bits refused") << "1 3000000000/2" << 0.0L << range;
        QTest::newRow("lowest 32-bit whole") << "-2147483648" << -2147483648.0L << "";
        QTest::newRow("3/0") << "3/0" << 0.0L << zero;
        QTest::newRow("1 2/0") << "1 2/0" << 0.0L << zero;
        QTest::newRow("denominator beyond 32 bits") << "1/3000000000" << 0.0L << zero;
        QTest::newRow("decimal comma") << "1,5" << 0.0L << invalid;
        QTest::newRow("decimal point") << "1.5" << 0.0L << invalid;
        QTest::newRow("plus sign") << "+3" << 0.0L << invalid;
        QTest::newRow("space before slash") << "3 /2" << 0.0L << invalid;
        QTest::newRow("empty") << "" << 0.0L << invalid;
    }

    void parseFraction() {
        QFETCH(QString, text);
        QFETCH(long double, value);
        QFETCH(QString, error);
        QCOMPARE(isFraction(text), error != QStringLiteral("Invalid fraction format"));
        QString message;
        long double parsed = 0;
        try {
            parsed = ::parseFraction(text);
        } catch (const std::invalid_argument& exception) {
            message = exception.what();
        } catch (const std::runtime_error& exception) {
            message = exception.what();
        }
        QCOMPARE(message, error);
        QUILLMERE_COMPARE_CLOSE(parsed, value);
    }

    // Typed into cell (0, 6), which stores 45/32 in pattern row 0. A refused text names its
    // reason, except where nothing was typed.
    void typedValues_data() {
        QTest::addColumn<IntervalMode>("intervalMode");
        QTest::addColumn<DisplayMode>("displayMode");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<long double>("stored");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, IntervalMode interval, DisplayMode mode,
                            QVariant value, bool accepted, long double stored,
                            const QString& reason) {
            QTest::newRow(name) << interval << mode << value << accepted << stored << reason;
        };
        const auto size = [&row](const char* name, DisplayMode mode, QVariant value,
                                 long double stored) {
            row(name, IntervalMode::Size, mode, value, true, stored, QString());
        };
        const auto refused = [&row](const char* name, DisplayMode mode, QVariant value,
                                    const QString& reason) {
            row(name, IntervalMode::Size, mode, value, false, 0, reason);
        };
        const QString notANumber = QStringLiteral("it is not a number");
        const QString notPositive = QStringLiteral("a size must be positive");
        const QString outOfRange = QStringLiteral("the number is out of range");
        const QString zeroDenominator = QStringLiteral("its denominator is zero");
        const auto decimal = DisplayMode::Decimal;
        const auto cents = DisplayMode::Cents;
        size("3/2", decimal, "3/2", 1.5L);
        size("padded 3/2", decimal, " 3/2 ", 1.5L);
        size("1 1/2", decimal, "1 1/2", 1.5L);
        size("1.50", decimal, "1.50", 1.5L);
        size("a double", decimal, 1.5, 1.5L);
        size("2e-3", decimal, "2e-3", 0.002L);
        refused("-1 1/2", decimal, "-1 1/2", notPositive);
        refused("1,5", decimal, "1,5", notANumber);
        refused("abc", decimal, "abc", notANumber);
        refused("0 in decimal", decimal, "0", notPositive);
        refused("0/5", decimal, "0/5", notPositive);
        refused("0/1", decimal, "0/1", notPositive);
        refused("0.0e0 in decimal", decimal, "0.0e0", notPositive);
        refused("-3", decimal, "-3", notPositive);
        refused("-1/2", decimal, "-1/2", notPositive);
        refused("empty", decimal, "", notANumber);
        refused("inf", decimal, "inf", outOfRange);
        refused("padded inf", decimal, " inf", outOfRange);
        refused("inf padded", decimal, "inf ", outOfRange);
        refused("Inf", decimal, "Inf", outOfRange);
        refused("+inf", decimal, "+inf", outOfRange);
        refused("-inf", decimal, "-inf", notPositive);
        refused("nan", decimal, "nan", notANumber);
        refused("1e400", decimal, "1e400", outOfRange);
        refused("reciprocal below a double", decimal, "1e308", outOfRange);
        refused("3/0", decimal, "3/0", zeroDenominator);
        refused("1 2/0", decimal, "1 2/0", zeroDenominator);
        refused("no value", decimal, QVariant(), QString());
        refused("not text", decimal, QVariant::fromValue(std::vector<int>{1}), QString());
        size("700 cents", cents, "700", std::pow(2.0L, 700.0L / 1200));
        size("0 cents", cents, "0", 1.0L);
        size("1200/2 cents", cents, "1200/2", std::sqrt(2.0L));
        size("-1200 cents", cents, "-1200", 0.5L);
        size("-1 1/2 cents", cents, "-1 1/2", std::pow(2.0L, -1.5L / 1200));
        refused("3/0 cents", cents, "3/0", zeroDenominator);
        refused("99999999 cents", cents, "99999999", outOfRange);
        refused("-99999999 cents", cents, "-99999999", outOfRange);
        refused("1e7 cents", cents, "1e7", outOfRange);
        const auto weight = [&row](const char* name, DisplayMode mode, QVariant value,
                                   bool accepted, long double stored, const QString& reason) {
            row(name, IntervalMode::Weight, mode, value, accepted, stored, reason);
        };
        weight("weight 1/2", decimal, "1/2", true, 0.5L, QString());
        weight("weight 1/2 in cents", cents, "1/2", true, 0.5L, QString());
        weight("weight 0", decimal, "0", true, Interval::lowest, QString());
        weight("weight 3/0", decimal, "3/0", false, 0, zeroDenominator);
        weight("weight abc", cents, "abc", false, 0, notANumber);
        weight("weight inf", decimal, "inf", false, 0, outOfRange);
    }

    void typedValues() {
        QFETCH(IntervalMode, intervalMode);
        QFETCH(DisplayMode, displayMode);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(long double, stored);
        QFETCH(QString, reason);
        Table table;
        table.model.setIntervalMode(intervalMode);
        table.model.setDisplayMode(displayMode);
        const QStringList before = tableText(table.model);
        table.clearSpies();
        QSignalSpy refusals(&table.model, &ScaleSpaceModel::editRefused);

        QCOMPARE(table.model.setData(table.model.index(0, 6), value), accepted);
        QCOMPARE(table.model.lastRefusal(), reason);
        QCOMPARE(refusals.count(), reason.isEmpty() ? 0 : 1);
        if (!accepted) {
            QCOMPARE(tableText(table.model), before);
            QCOMPARE(table.space.getSizePattern(), testing::twelveEdoPattern());
            QCOMPARE(table.model.getWeightMode(), WeightMode::Function);
            QCOMPARE(table.changes.count() + table.resets.count() + table.arbitrary.count(), 0);
        } else if (intervalMode == IntervalMode::Size) {
            QUILLMERE_COMPARE_CLOSE(table.space.getSizePattern()[0][5], stored);
        } else {
            QCOMPARE(table.model.weightValue(0, 6), stored);
            QCOMPARE(table.model.weightValue(6, 0), stored);
        }
    }

    void refusedTargets() {
        Table table;
        Table other;
        QVERIFY(!table.model.setData(table.model.index(0, 6), "3/2", Qt::DisplayRole));
        QVERIFY(!table.model.setData(table.model.index(4, 4), "1"));
        QVERIFY(!table.model.setData(other.model.index(0, 6), "3/2"));
        QVERIFY(!table.model.setData(QModelIndex(), "3/2"));
        QCOMPARE(table.space.getSizePattern(), testing::twelveEdoPattern());
        QCOMPARE(table.changes.count(), 0);
    }

    // Every cell between the two note classes of the edit changes, in either direction and
    // any period; nothing else in the space does.
    void sizeEdit_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<long double>("stored");
        QTest::addColumn<QString>("changed");
        QTest::newRow("(0, 7) = 1.4983") << 13 << 0 << 7 << "1.4983" << 1.4983L
                                         << "(0,7)-(0,7) (7,0)-(7,0) (12,7)-(12,7) (7,12)-(7,12)";
        QTest::newRow("(7, 0) = 0.6") << 13 << 7 << 0 << "0.6" << 1 / 0.6L
                                      << "(0,7)-(0,7) (7,0)-(7,0) (12,7)-(12,7) (7,12)-(7,12)";
        // From note 2 to note 19 is a fourth plus an octave: the stored fourth becomes 2 / 2.
        QTest::newRow("(2, 19) = 2 at range 25")
            << 25 << 2 << 19 << "2" << 1.0L
            << "(2,7)-(2,7) (7,2)-(7,2) (2,19)-(2,19) (19,2)-(19,2) (14,7)-(14,7) "
               "(7,14)-(7,14) (14,19)-(14,19) (19,14)-(19,14)";
    }

    void sizeEdit() {
        QFETCH(int, range);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(long double, stored);
        QFETCH(QString, changed);
        Table table;
        table.model.setRange(range);
        table.clearSpies();
        QVERIFY(table.model.setData(table.model.index(row, column), text));

        QCOMPARE(changedRanges(table.changes), changed);
        QCOMPARE(table.resets.count(), 0);
        const int low = table.space.getBaseNote(std::min(row, column));
        const int high = table.space.getBaseNote(std::max(row, column));
        SizePattern expected = testing::twelveEdoPattern();
        expected[low][high - low - 1] = stored;
        QUILLMERE_COMPARE_PATTERN(table.space.getSizePattern(), expected);
        QCOMPARE(tableText(table.model), freshTable(table.space, range));
        QUILLMERE_COMPARE_CLOSE(table.model.sizeValue(row, column), text.toDouble());
    }

    // A note and its own repetition: the edit sets the repetition interval and the whole
    // table is rebuilt, typed weights included.
    void repetitionEdit_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<long double>("repetition");
        QTest::newRow("(0, 12) = 2.01") << 13 << 0 << 12 << "2.01" << 2.01L;
        QTest::newRow("(12, 0) = 0.5") << 13 << 12 << 0 << "0.5" << 2.0L;
        QTest::newRow("(0, 24) = 4") << 25 << 0 << 24 << "4" << 2.0L;
    }

    void repetitionEdit() {
        QFETCH(int, range);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(long double, repetition);
        Table table;
        table.space.setIntervalSize(12, 0, 3);
        table.model.setRange(range);
        table.model.reset();
        table.model.setWeightMode(WeightMode::Arbitrary);
        table.model.updateCacheWeight(0.25L, 1, 3);
        table.clearSpies();

        QVERIFY(table.model.setData(table.model.index(row, column), text));
        QUILLMERE_COMPARE_CLOSE(table.space.getSizePattern()[0][11], repetition);
        QCOMPARE(changedRanges(table.changes), QStringLiteral("(0,0)-(%1,%1)").arg(range - 1));
        QCOMPARE(tableText(table.model), freshTable(table.space, range));
        QCOMPARE(table.model.weightValue(1, 3), 1.0L);
    }

    void weightEdit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long double>("edited");
        QTest::addColumn<QString>("editedText");
        QTest::addColumn<long double>("othersDividedBy");
        QTest::addColumn<QString>("changed");
        QTest::newRow("0.5") << "0.5" << 0.5L << "5.0000e-01" << 1.0L << "(1,3)-(1,3) (3,1)-(3,1)";
        QTest::newRow("2") << "2" << 1.0L << "1.0000e+00" << 2.0L << "(0,0)-(12,12)";
        QTest::newRow("-1") << "-1" << Interval::lowest << "0.0000e+00" << 1.0L
                            << "(1,3)-(1,3) (3,1)-(3,1)";
    }

    void weightEdit() {
        QFETCH(QString, text);
        QFETCH(long double, edited);
        QFETCH(QString, editedText);
        QFETCH(long double, othersDividedBy);
        QFETCH(QString, changed);
        Table table;
        table.model.setWeightFunction(testing::testWeight);
        table.model.setIntervalMode(IntervalMode::Weight);
        table.clearSpies();

        QVERIFY(table.model.setData(table.model.index(1, 3), text));
        QCOMPARE(table.arbitrary.count(), 1);
        QCOMPARE(table.model.getWeightMode(), WeightMode::Arbitrary);
        QCOMPARE(changedRanges(table.changes), changed);
        QCOMPARE(table.model.data(table.model.index(3, 1)).toString(), editedText);
        for (int row = 0; row < 13; ++row) {
            for (int column = 0; column < 13; ++column) {
                const long double raw =
                    testing::testWeight(table.space.getIntervalSize(column, row));
                long double expected = row == column ? raw : raw / othersDividedBy;
                if ((row == 1 && column == 3) || (row == 3 && column == 1)) {
                    expected = edited;
                }
                QUILLMERE_COMPARE_CLOSE(table.model.weightValue(row, column), expected);
            }
        }
    }

    // The C library's locale comes from the environment; neither typing nor showing a
    // number may depend on it.
    void numbersIgnoreTheLocale() {
        Table table;
        const CommaLocale locale;
        if (!locale.active()) {
            QSKIP("no locale with a decimal comma could be set up");
        }
        QVERIFY(table.model.setData(table.model.index(0, 6), "1.25"));
        QCOMPARE(table.space.getSizePattern()[0][5], 1.25L);
        QCOMPARE(table.model.data(table.model.index(0, 6)).toString(), "1.25");
        QCOMPARE(formatNumber(1.5L, 4, true), "1.5000e+00");
    }
};

QTEST_GUILESS_MAIN(TestCellEdit)
#include "tst_celledit.moc"
