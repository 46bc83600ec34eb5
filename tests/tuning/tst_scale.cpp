#include "tests/common/numeric.h"
#include "tests/tuning/patterns.h"
#include "tuning/scale.h"

#include <QMetaMethod>
#include <QTest>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// Notes 1, 5/4, 3/2 with the weights 1/2, 1/4 and 1/8.
IntervalsPattern threeNotes() {
    return makePattern({{5.0L / 4, 3.0L / 2}, {6.0L / 5}}, {{0.5L, 0.25L}, {0.125L}});
}

} // namespace

class TestScale : public QObject {
    Q_OBJECT

private slots:
    void constructorTakesOnlyValidPatterns_data() {
        QTest::addColumn<IntervalsPattern>("pattern");
        QTest::addColumn<Matrix>("sizes");
        QTest::addColumn<Matrix>("weights");
        QTest::newRow("valid, weights as passed")
            << threeNotes() << Matrix{{5.0L / 4, 3.0L / 2}, {6.0L / 5}}
            << Matrix{{0.5L, 0.25L}, {0.125L}};
        QTest::newRow("rows of the wrong lengths")
            << makePattern({{5.0L / 4}, {6.0L / 5, 4.0L / 3}}, {{1}, {1, 1}}) << Matrix()
            << Matrix();
        QTest::newRow("empty") << IntervalsPattern() << Matrix() << Matrix();
    }

    void constructorTakesOnlyValidPatterns() {
        QFETCH(IntervalsPattern, pattern);
        QFETCH(Matrix, sizes);
        QFETCH(Matrix, weights);
        QObject owner;
        const Scale scale(pattern, &owner);
        QCOMPARE(scale.parent(), nullptr);
        QUILLMERE_COMPARE_PATTERN(scale.getSizes(), sizes);
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), weights);
    }

    void getInterval_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<long double>("size");
        QTest::addColumn<long double>("weight");
        QTest::newRow("up from 0") << 2 << 0 << 3.0L / 2 << 0.25L;
        QTest::newRow("down to 0") << 0 << 2 << 2.0L / 3 << 0.25L;
        QTest::newRow("up from 1") << 2 << 1 << 6.0L / 5 << 0.125L;
        QTest::newRow("down to 1") << 1 << 2 << 5.0L / 6 << 0.125L;
        QTest::newRow("unison") << 1 << 1 << 1.0L << 1.0L;
    }

    void getInterval() {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(long double, size);
        QFETCH(long double, weight);
        const Interval interval = Scale(threeNotes()).getInterval(a, b);
        QUILLMERE_COMPARE_CLOSE(interval.size, size);
        QCOMPARE(interval.weight, weight);
    }

    void reciprocalSizeIsClamped() {
        // 1 / 1.8e308 is below the smallest normal value.
        const Scale scale(makePattern({{Interval::highest}}, {{1}}));
        QCOMPARE(scale.getInterval(0, 1).size, Interval::lowest);
    }

    void setIntervalsPatternNormalises() {
        Scale scale;
        scale.setIntervalsPattern(threeNotes());
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), (Matrix{{1, 0.5L}, {0.25L}}));
        scale.setIntervalsPattern(makePattern({{5.0L / 4}, {6.0L / 5, 4.0L / 3}}, {{1}, {1, 1}}));
        QUILLMERE_COMPARE_PATTERN(scale.getSizes(), (Matrix{{5.0L / 4, 3.0L / 2}, {6.0L / 5}}));
        scale.setIntervalsPattern({});
        QVERIFY(scale.getSizes().empty());
    }

    void setWeightCutoff_data() {
        QTest::addColumn<long double>("value");
        QTest::addColumn<long double>("stored");
        QTest::newRow("below 0") << -0.5L << 0.0L;
        QTest::newRow("above 1") << 7.0L << 1.0L;
        QTest::newRow("within") << 0.25L << 0.25L;
        QTest::newRow("1") << 1.0L << 1.0L;
    }

    void setWeightCutoff() {
        QFETCH(long double, value);
        QFETCH(long double, stored);
        Scale scale;
        scale.setWeightCutoff(value);
        QCOMPARE(scale.getWeightCutoff(), stored);
    }

    void setWeightCutoffKeepsNaN() {
        Scale scale;
        scale.setWeightCutoff(std::numeric_limits<long double>::quiet_NaN());
        QVERIFY(std::isnan(scale.getWeightCutoff()));
    }

    void setFixedNotes_data() {
        QTest::addColumn<std::vector<int>>("notes");
        QTest::addColumn<std::vector<int>>("stored");
        QTest::newRow("out of range dropped, order and duplicates kept")
            << std::vector<int>{0, 3, 1, 3, -2, 9} << std::vector<int>{3, 1, 3};
        QTest::newRow("only note 0") << std::vector<int>{0} << std::vector<int>();
        QTest::newRow("just above K") << std::vector<int>{4, 2} << std::vector<int>{2};
    }

    void setFixedNotes() {
        QFETCH(std::vector<int>, notes);
        QFETCH(std::vector<int>, stored);
        Scale scale(
            makePattern({{1.25L, 1.5L, 2}, {1.2L, 1.6L}, {4.0L / 3}}, {{1, 1, 1}, {1, 1}, {1}}));
        scale.setFixedNotes({1});
        scale.setFixedNotes(notes);
        QCOMPARE(scale.getFixedNotes(), stored);
    }

    void setFixedNotesUsesThePatternOfTheMoment() {
        Scale scale;
        scale.setFixedNotes({1, 2});
        QVERIFY(scale.getFixedNotes().empty());
        scale.setIntervalsPattern(threeNotes());
        QVERIFY(scale.getFixedNotes().empty());
        scale.setFixedNotes({1, 2});
        QCOMPARE(scale.getFixedNotes(), (std::vector<int>{1, 2}));
    }

    void normaliseWeights() {
        Scale scale(threeNotes());
        scale.normaliseWeights();
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), (Matrix{{1, 0.5L}, {0.25L}}));
        QUILLMERE_COMPARE_PATTERN(scale.getSizes(), (Matrix{{5.0L / 4, 3.0L / 2}, {6.0L / 5}}));

        Scale empty;
        empty.normaliseWeights();
        QVERIFY(empty.getWeights().empty());
    }

    void expandWeights_data() {
        QTest::addColumn<long double>("factor");
        QTest::addColumn<Matrix>("weights");
        QTest::newRow("0 changes nothing") << 0.0L << Matrix{{0.5L, 0.25L}, {0.125L}};
        QTest::newRow("1 makes all 1") << 1.0L << Matrix{{1, 1}, {1}};
        QTest::newRow("0.5 takes square roots")
            << 0.5L << Matrix{{std::sqrt(0.5L), 0.5L}, {std::sqrt(0.125L)}};
        QTest::newRow("-1 squares") << -1.0L << Matrix{{0.25L, 0.0625L}, {0.015625L}};
    }

    void expandWeights() {
        QFETCH(long double, factor);
        QFETCH(Matrix, weights);
        Scale scale(threeNotes());
        scale.expandWeights(factor);
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), weights);
    }

    void applyWeightFunction() {
        Scale scale(threeNotes());
        scale.applyWeightFunction(populateWeightFunctionsMap()[0].second);
        // Not normalised.
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), (Matrix{{1.0L / 20, 1.0L / 6}, {1.0L / 30}}));

        scale.applyWeightFunction([](const long double&) { return -1.0L; });
        QUILLMERE_COMPARE_PATTERN(
            scale.getWeights(), (Matrix{{Interval::lowest, Interval::lowest}, {Interval::lowest}}));
    }

    void applyEmptyWeightFunctionThrows() {
        Scale scale(threeNotes());
        QVERIFY_THROWS_EXCEPTION(std::bad_function_call,
                                 scale.applyWeightFunction(SizeToWeightFunction()));
        Scale empty;
        empty.applyWeightFunction(SizeToWeightFunction());
        QVERIFY(empty.getWeights().empty());
    }

    void setSizes_data() {
        QTest::addColumn<Matrix>("sizes");
        QTest::addColumn<Matrix>("stored");
        const Matrix original{{5.0L / 4, 3.0L / 2}, {6.0L / 5}};
        QTest::newRow("valid, clamped") << Matrix{{9.0L / 8, -1}, {4.0L / 3}}
                                        << Matrix{{9.0L / 8, Interval::lowest}, {4.0L / 3}};
        QTest::newRow("too few rows") << Matrix{{2}} << original;
        QTest::newRow("wrong row lengths") << Matrix{{2}, {2, 3}} << original;
        QTest::newRow("empty") << Matrix() << original;
    }

    void setSizes() {
        QFETCH(Matrix, sizes);
        QFETCH(Matrix, stored);
        Scale scale(threeNotes());
        scale.setSizes(sizes);
        QUILLMERE_COMPARE_PATTERN(scale.getSizes(), stored);
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), (Matrix{{0.5L, 0.25L}, {0.125L}}));
    }

    void setWeights_data() {
        QTest::addColumn<Matrix>("weights");
        QTest::addColumn<Matrix>("stored");
        QTest::newRow("valid, then normalised")
            << Matrix{{2, 4}, {8}} << Matrix{{0.25L, 0.5L}, {1}};
        QTest::newRow("different row count: only normalised")
            << Matrix{{2}} << Matrix{{1, 0.5L}, {0.25L}};
        QTest::newRow("wrong row lengths: only normalised")
            << Matrix{{2}, {2, 3}} << Matrix{{1, 0.5L}, {0.25L}};
    }

    void setWeights() {
        QFETCH(Matrix, weights);
        QFETCH(Matrix, stored);
        Scale scale(threeNotes());
        scale.setWeights(weights);
        QUILLMERE_COMPARE_PATTERN(scale.getWeights(), stored);
        QUILLMERE_COMPARE_PATTERN(scale.getSizes(), (Matrix{{5.0L / 4, 3.0L / 2}, {6.0L / 5}}));
    }

    // The slots are reached through the meta-object system, in their declared order and with
    // their parameter names; the default arguments add the shorter forms.
    void metaObjectInterface() {
        const QMetaObject& meta = Scale::staticMetaObject;
        QStringList signatures;
        QStringList names;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            const QMetaMethod method = meta.method(i);
            signatures << QString::fromLatin1(method.methodSignature());
            QStringList parameters;
            for (const QByteArray& name : method.parameterNames()) {
                parameters << QString::fromLatin1(name);
            }
            names << parameters.join(',');
        }
        QCOMPARE(
            signatures,
            (QStringList{"expandWeights(long double)",
                         "applyWeightFunction(SizeToWeightFunction)",
                         "setIntervalsPattern(IntervalsPattern)", "setWeightCutoff(long double)",
                         "setWeights(std::vector<std::vector<long double>>)",
                         "setSizes(std::vector<std::vector<long double>>)", "setUnweighted(bool)",
                         "setUnweighted()",
                         "tuneScale(std::atomic<bool>&,std::function<void(int)>,int)",
                         "tuneScale(std::atomic<bool>&,std::function<void(int)>)"}));
        QCOMPARE(names, (QStringList{"expansionFactor", "function",
                                     "newIntervalsPattern", "newWeightCutoff", "newWeights",
                                     "newSizes", "shouldBeUnweighted", "",
                                     "cancelationRequest,progressCallback,rootNote",
                                     "cancelationRequest,progressCallback"}));
        QCOMPARE(meta.method(meta.methodOffset()).methodType(), QMetaMethod::Slot);
    }
};

QTEST_APPLESS_MAIN(TestScale)
#include "tst_scale.moc"
