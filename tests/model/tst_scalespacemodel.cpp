#include "model/scalespacemodel.h"
#include "tests/common/numeric.h"
#include "tests/model/modeltesting.h"

#include <QDataStream>
#include <QTest>

#include <functional>

using testing::rowText;
using testing::Table;

using ModelAction = std::function<void(ScaleSpaceModel&)>;

class TestScaleSpaceModel : public QObject {
    Q_OBJECT

private slots:
    void twelveEdoRows_data() {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");
        QTest::newRow("decimal 0")
            << DisplayMode::Decimal << 0
            << "1 1.067 1.125 1.2 1.25 1.333 1.406 1.5 1.6 1.667 1.8 1.875 2";
        QTest::newRow("decimal 1")
            << DisplayMode::Decimal << 1
            << "0.9375 1 1.067 1.125 1.2 1.25 1.333 1.406 1.5 1.6 1.667 1.8 1.875";
        QTest::newRow("decimal 12")
            << DisplayMode::Decimal << 12
            << "0.5 0.5333 0.5625 0.6 0.625 0.6667 0.7031 0.75 0.8 0.8333 0.9 0.9375 1";
        QTest::newRow("cents 0") << DisplayMode::Cents << 0
                                 << "0.0000e+00 1.1173e+02 2.0391e+02 3.1564e+02 3.8631e+02 "
                                    "4.9804e+02 5.9022e+02 7.0196e+02 8.1369e+02 8.8436e+02 "
                                    "1.0176e+03 1.0883e+03 1.2000e+03";
        QTest::newRow("cents 7") << DisplayMode::Cents << 7
                                 << "-7.0196e+02 -5.9022e+02 -4.9804e+02 -3.8631e+02 -3.1564e+02 "
                                    "-2.0391e+02 -1.1173e+02 0.0000e+00 1.1173e+02 2.0391e+02 "
                                    "3.1564e+02 3.8631e+02 4.9804e+02";
    }

    void twelveEdoRows() {
        QFETCH(DisplayMode, mode);
        QFETCH(int, row);
        QFETCH(QString, expected);
        Table table;
        table.model.setDisplayMode(mode);
        QCOMPARE(table.model.rowCount(), 13);
        QCOMPARE(table.model.columnCount(), 13);
        QCOMPARE(rowText(table.model, row), expected);
        // Only the displayed role has data.
        QVERIFY(!table.model.data(table.model.index(0, 7), Qt::EditRole).isValid());
    }

    void precisionAndWeightTexts() {
        Table table;
        table.model.setPrecision(2);
        QCOMPARE(rowText(table.model, 0), "1 1.1 1.1 1.2 1.2 1.3 1.4 1.5 1.6 1.7 1.8 1.9 2");
        table.model.setIntervalMode(IntervalMode::Weight);
        QCOMPARE(rowText(table.model, 5), QStringList(13, "1.00e+00").join(' '));
        QCOMPARE(table.model.defaultText(), "1");
        table.model.setIntervalMode(IntervalMode::Size);
        QCOMPARE(table.model.defaultText(), "1");
        table.model.setDisplayMode(DisplayMode::Cents);
        QCOMPARE(table.model.defaultText(), "0");
    }

    void functionWeights_data() {
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<long double>("exponent");
        QTest::addColumn<QString>("fifthText");
        QTest::newRow("0") << 0 << 10.0L << "1.0486e-04";
        QTest::newRow("50") << 50 << 1.0L << "4.0000e-01";
        QTest::newRow("100") << 100 << 0.1L << "9.1244e-01";
    }

    void functionWeights() {
        QFETCH(int, attenuation);
        QFETCH(long double, exponent);
        QFETCH(QString, fifthText);
        Table table;
        table.model.setWeightFunction(testing::testWeight);
        table.model.setAttenuation(attenuation);
        table.model.setIntervalMode(IntervalMode::Weight);
        QCOMPARE(table.model.data(table.model.index(0, 7)).toString(), fifthText);
        for (int row = 0; row < 13; ++row) {
            for (int column = 0; column < 13; ++column) {
                const long double size = table.space.getIntervalSize(column, row);
                QUILLMERE_COMPARE_CLOSE(table.model.weightValue(row, column),
                                        std::pow(testing::testWeight(size), exponent));
            }
        }
        // Cells outside the table are weighed alike.
        QUILLMERE_COMPARE_CLOSE(table.model.weightValue(0, 24),
                                std::pow(testing::testWeight(4), exponent));
    }

    void arbitraryWeightSurvivesAttenuationRoundTrip() {
        Table table;
        table.model.setIntervalMode(IntervalMode::Weight);
        QVERIFY(table.model.setData(table.model.index(1, 3), "0.5"));
        QCOMPARE(table.arbitrary.count(), 1);
        table.model.setAttenuation(100);
        QCOMPARE(table.model.data(table.model.index(1, 3)).toString(), "9.3303e-01");
        QCOMPARE(table.model.data(table.model.index(3, 1)).toString(), "9.3303e-01");
        QCOMPARE(table.model.data(table.model.index(2, 3)).toString(), "1.0000e+00");
        table.model.setAttenuation(50);
        QCOMPARE(table.model.data(table.model.index(1, 3)).toString(), "5.0000e-01");
        QUILLMERE_COMPARE_CLOSE(table.model.weightValue(1, 3), 0.5L);

        // Choosing a function again derives every weight from the sizes.
        table.model.setWeightFunction(testing::testWeight);
        QCOMPARE(table.model.getWeightMode(), WeightMode::Function);
        QCOMPARE(table.arbitrary.count(), 1);
        QUILLMERE_COMPARE_CLOSE(table.model.weightValue(1, 3), testing::testWeight(9.0L / 8));
    }

    void weightModeSignalsOnlyOnChange() {
        Table table;
        table.model.setWeightMode(WeightMode::Arbitrary);
        table.model.setWeightMode(WeightMode::Arbitrary);
        table.model.setWeightMode(WeightMode::Function);
        QCOMPARE(table.arbitrary.count(), 1);
        QCOMPARE(table.resets.count(), 0);
    }

    void flags_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("editable");
        QTest::newRow("(3, 5)") << 3 << 5 << false;
        QTest::newRow("(5, 3)") << 5 << 3 << false;
        QTest::newRow("(0, 3)") << 0 << 3 << true;
        QTest::newRow("(3, 0)") << 3 << 0 << true;
        QTest::newRow("(4, 5)") << 4 << 5 << true;
        QTest::newRow("diagonal (4, 4)") << 4 << 4 << false;
        QTest::newRow("diagonal (0, 0)") << 0 << 0 << false;
    }

    void flags() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, editable);
        Table table;
        table.model.setFixedNotes({3});
        const Qt::ItemFlags flags = table.model.flags(table.model.index(row, column));
        QCOMPARE(flags.testFlag(Qt::ItemIsEditable), editable);
        QCOMPARE(flags.testFlag(Qt::ItemIsEnabled), editable);
        QVERIFY(flags.testFlag(Qt::ItemIsSelectable));
    }

    void fixedNotes() {
        Table table;
        QCOMPARE(table.model.getFixedNotes(), std::vector<int>{0});
        table.model.setFixedNotes({0, 2, 2, 20});
        QCOMPARE(table.model.getFixedNotes(), (std::vector<int>{2, 2}));
        QCOMPARE(table.aboutToReset.count(), 1);
        QCOMPARE(table.resets.count(), 1);

        table.model.fixAllNotes();
        QCOMPARE(table.model.getFixedNotes(),
                 (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
        QCOMPARE(table.resets.count(), 1);

        Table single;
        single.model.setRange(1);
        single.model.fixAllNotes();
        QCOMPARE(single.model.getFixedNotes(), std::vector<int>{0});
    }

    // Shared cells keep their contents, new ones are computed: a change made to the space
    // without a reset shows only in the cells computed after it.
    void setRangeKeepsSharedCells() {
        Table table;
        table.model.setFixedNotes({3, 9});
        table.space.setIntervalSize(7, 0, 1.4L);
        table.model.setRange(8);
        QCOMPARE(table.resets.count(), 2);
        QCOMPARE(table.model.getFixedNotes(), std::vector<int>{3});
        QCOMPARE(rowText(table.model, 0), "1 1.067 1.125 1.2 1.25 1.333 1.406 1.5");

        table.model.setRange(13);
        QCOMPARE(table.model.getFixedNotes(), std::vector<int>{3});
        QCOMPARE(rowText(table.model, 0), "1 1.067 1.125 1.2 1.25 1.333 1.406 1.5 1.6 1.667 1.8 "
                                          "1.875 2");
        QCOMPARE(rowText(table.model, 12),
                 "0.5 0.5333 0.5625 0.6 0.625 0.6667 0.7031 0.7 0.8 0.8333 0.9 0.9375 1");
        QCOMPARE(table.model.data(table.model.index(7, 12)).toString(), "1.429");
    }

    void unchangedSettingsKeepTheModel_data() {
        QTest::addColumn<ModelAction>("action");
        QTest::addColumn<int>("resets");
        const auto add = [](const char* name, ModelAction action, int resets) {
            QTest::newRow(name) << action << resets;
        };
        add(
            "same range", [](ScaleSpaceModel& m) { m.setRange(13); }, 0);
        add(
            "same display", [](ScaleSpaceModel& m) { m.setDisplayMode(DisplayMode::Decimal); }, 0);
        add(
            "same interval", [](ScaleSpaceModel& m) { m.setIntervalMode(IntervalMode::Size); }, 0);
        add(
            "same precision", [](ScaleSpaceModel& m) { m.setPrecision(4); }, 0);
        add(
            "same attenuation", [](ScaleSpaceModel& m) { m.setAttenuation(50); }, 0);
        add(
            "negative range", [](ScaleSpaceModel& m) { m.setRange(-2); }, 0);
        add(
            "range", [](ScaleSpaceModel& m) { m.setRange(14); }, 1);
        add(
            "display", [](ScaleSpaceModel& m) { m.setDisplayMode(DisplayMode::Cents); }, 1);
        add(
            "interval", [](ScaleSpaceModel& m) { m.setIntervalMode(IntervalMode::Weight); }, 1);
        add(
            "precision", [](ScaleSpaceModel& m) { m.setPrecision(6); }, 1);
        add(
            "attenuation", [](ScaleSpaceModel& m) { m.setAttenuation(49); }, 1);
        add(
            "weight mode", [](ScaleSpaceModel& m) { m.setWeightMode(WeightMode::Arbitrary); }, 0);
        add(
            "same function", [](ScaleSpaceModel& m) { m.setWeightFunction(testing::testWeight); },
            1);
        add(
            "reset", [](ScaleSpaceModel& m) { m.reset(); }, 1);
    }

    void unchangedSettingsKeepTheModel() {
        QFETCH(ModelAction, action);
        QFETCH(int, resets);
        Table table;
        action(table.model);
        QCOMPARE(table.aboutToReset.count(), resets);
        QCOMPARE(table.resets.count(), resets);
        QCOMPARE(table.changes.count(), 0);
    }

    // A rebuild follows the space changed in place and drops typed weights.
    void resetRebuilds() {
        Table table;
        table.model.setIntervalMode(IntervalMode::Weight);
        QVERIFY(table.model.setData(table.model.index(1, 3), "0.25"));
        table.space.setIntervalSize(7, 0, 1.4L);
        QCOMPARE(table.model.interval(0, 7).size, 1.5L);
        table.model.reset();
        QCOMPARE(table.model.interval(0, 7).size, 1.4L);
        QCOMPARE(table.model.weightValue(1, 3), 1.0L);

        table.model.setIntervalMode(IntervalMode::Size);
        ScaleSpace other(QString(), {{3.0L}});
        table.model.setScaleSpace(&other);
        QCOMPARE(table.model.getRange(), 13);
        QCOMPARE(table.model.data(table.model.index(0, 12)).toString(), "5.314e+05");
    }

    // The cache holds exactly what the space and the formatter give, also for tables many
    // periods wide, non-octave repetitions and spaces with one note or none.
    void cacheMatchesSpace_data() {
        QTest::addColumn<SizePattern>("pattern");
        QTest::addColumn<int>("range");
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("precision");
        QTest::newRow("12edo, 150 notes")
            << testing::twelveEdoPattern() << 150 << DisplayMode::Decimal << 4;
        QTest::newRow("12edo, cents, 15 digits")
            << testing::twelveEdoPattern() << 150 << DisplayMode::Cents << 15;
        QTest::newRow("tritave") << SizePattern{{1.2L, 1.7L, 3}, {1.4L, 2.6L}, {1.9L}} << 40
                                 << DisplayMode::Decimal << 17;
        QTest::newRow("one note") << SizePattern{{1.5L}} << 9 << DisplayMode::Cents << 4;
        QTest::newRow("empty") << SizePattern{} << 5 << DisplayMode::Decimal << 4;
    }

    void cacheMatchesSpace() {
        QFETCH(SizePattern, pattern);
        QFETCH(int, range);
        QFETCH(DisplayMode, mode);
        QFETCH(int, precision);
        Table table(pattern);
        table.model.setDisplayMode(mode);
        table.model.setPrecision(precision);
        table.model.setWeightFunction(testing::testWeight);
        const auto compareCells = [&](const char* after) {
            for (int row = 0; row < range; ++row) {
                for (int column = 0; column < range; ++column) {
                    const CellCache& cell = table.model.cellCache(row, column);
                    const long double size = table.space.getIntervalSize(column, row);
                    const long double weight = testing::testWeight(size);
                    if (cell.interval.size != size || cell.interval.weight != weight ||
                        cell.sizeText != table.model.sizeText(size) ||
                        cell.weightText != formatNumber(weight, precision, true)) {
                        QFAIL(qPrintable(QStringLiteral("after %1, cell (%2, %3): %4 %5")
                                             .arg(after)
                                             .arg(row)
                                             .arg(column)
                                             .arg(cell.sizeText, cell.weightText)));
                    }
                }
            }
        };
        table.model.setRange(range);
        compareCells("setRange");
        table.model.reset();
        compareCells("reset");
    }

    // Cells with equal numbers share texts; 0 and -0 must still read differently.
    void signedZeroWeights() {
        Table table;
        table.model.setRange(40);
        table.model.setWeightFunction([](long double size) { return size > 1 ? 0.0L : -0.0L; });
        table.model.setIntervalMode(IntervalMode::Weight);
        QCOMPARE(table.model.data(table.model.index(0, 30)).toString(), "0.0000e+00");
        QCOMPARE(table.model.data(table.model.index(30, 0)).toString(), "-0.0000e+00");
        QCOMPARE(table.model.data(table.model.index(31, 1)).toString(), "-0.0000e+00");
    }

    void outsideTheRange() {
        Table table;
        table.model.setWeightFunction(testing::testWeight);
        QCOMPARE(table.model.makeValue(0, 24), "4");
        QCOMPARE(table.model.makeValue(-1, 0), "1.067");
        QCOMPARE(table.model.interval(13, 0).size, 0.5L / (16.0L / 15));
        QCOMPARE(table.model.cellCache(13, 0).interval.size, 1.0L);
        table.model.setDisplayMode(DisplayMode::Cents);
        QUILLMERE_COMPARE_CLOSE(table.model.sizeValue(0, 24), 2400.0L);
        QUILLMERE_COMPARE_CLOSE(table.model.currentValue(0, 7), 1200 * std::log2(1.5L));
        table.model.setIntervalMode(IntervalMode::Weight);
        QCOMPARE(table.model.makeValue(0, 24), "2.0000e-01");
        table.model.setWeightMode(WeightMode::Arbitrary);
        QCOMPARE(table.model.makeValue(0, 24), "1.0000e+00");
        QVERIFY(!table.model.data(QModelIndex()).isValid());
    }

    void modelWithoutSpace() {
        ScaleSpaceModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        model.setRange(2);
        QCOMPARE(rowText(model, 1), "1 1");
        QVERIFY(!model.setData(model.index(0, 1), "3/2"));
    }

    void enumsAreMetaTypes() {
        ScaleSpaceModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(QMetaType::fromName("DisplayMode"), QMetaType::fromType<DisplayMode>());
        QCOMPARE(QMetaType::fromName("IntervalMode"), QMetaType::fromType<IntervalMode>());
        QCOMPARE(QMetaType::fromName("WeightMode"), QMetaType::fromType<WeightMode>());
        const QVariant cents = QVariant::fromValue(DisplayMode::Cents);
        QVERIFY(cents == QVariant::fromValue(DisplayMode::Cents));
        QVERIFY(QVariant::compare(QVariant::fromValue(DisplayMode::Decimal), cents) ==
                QPartialOrdering::Less);
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << cents << QVariant::fromValue(WeightMode::Arbitrary);
        QVariant readCents;
        QVariant readWeight;
        QDataStream in(bytes);
        in >> readCents >> readWeight;
        QCOMPARE(readCents.value<DisplayMode>(), DisplayMode::Cents);
        QCOMPARE(readWeight.value<WeightMode>(), WeightMode::Arbitrary);
    }
};

QTEST_GUILESS_MAIN(TestScaleSpaceModel)
#include "tst_scalespacemodel.moc"
