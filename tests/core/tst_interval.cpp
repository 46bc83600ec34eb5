#include "core/interval.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestInterval : public QObject {
    Q_OBJECT

private slots:
    void defaultIsUnisonOfWeightOne() {
        const Interval interval;
        QCOMPARE(interval.size, 1.0L);
        QCOMPARE(interval.weight, 1.0L);
    }

    void clamping_data() {
        QTest::addColumn<long double>("input");
        QTest::addColumn<long double>("stored");
        const long double lowest = 2.2250738585072014e-308;
        const long double highest = 1.7976931348623157e308;
        const long double infinity = std::numeric_limits<long double>::infinity();
        QTest::newRow("zero") << 0.0L << lowest;
        QTest::newRow("negative") << -3.0L << lowest;
        QTest::newRow("negative infinity") << -infinity << lowest;
        QTest::newRow("subnormal") << 1e-310L << lowest;
        QTest::newRow("lowest kept") << lowest << lowest;
        QTest::newRow("ordinary") << 1.5L << 1.5L;
        QTest::newRow("highest kept") << highest << highest;
        QTest::newRow("beyond double") << 1e4000L << highest;
        QTest::newRow("infinity") << infinity << highest;
    }

    // Every way in must clamp alike: the constructor and each setter.
    void clamping() {
        QFETCH(long double, input);
        QFETCH(long double, stored);
        const Interval constructed(input, input);
        QCOMPARE(constructed.size, stored);
        QCOMPARE(constructed.weight, stored);

        Interval set;
        set.setSize(input);
        set.setWeight(input);
        QCOMPARE(set.size, stored);
        QCOMPARE(set.weight, stored);

        Interval both;
        both.setInterval(input, 2.0L);
        QCOMPARE(both.size, stored);
        QCOMPARE(both.weight, 2.0L);
    }

    void nanIsKept() {
        const long double nan = std::numeric_limits<long double>::quiet_NaN();
        const Interval interval(nan, nan);
        QVERIFY(std::isnan(interval.size));
        QVERIFY(std::isnan(interval.weight));
    }

    void manageZeroWeight_data() {
        QTest::addColumn<long double>("weight");
        QTest::addColumn<long double>("expected");
        const long double nan = std::numeric_limits<long double>::quiet_NaN();
        QTest::newRow("positive kept") << 0.25L << 0.25L;
        QTest::newRow("clamped zero kept") << 0.0L << (long double)2.2250738585072014e-308;
        QTest::newRow("nan is not above zero") << nan << (long double)-1.7976931348623157e308;
    }

    void manageZeroWeight() {
        QFETCH(long double, weight);
        QFETCH(long double, expected);
        Interval interval(1, weight);
        interval.manageZeroWeight();
        QCOMPARE(interval.weight, expected);
    }
};

QTEST_APPLESS_MAIN(TestInterval)
#include "tst_interval.moc"
