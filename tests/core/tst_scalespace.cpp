#include "core/scalespace.h"
#include "tests/common/numeric.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The worked example: notes 1, 5/4, 3/2 with repetition interval 2.
SizePattern examplePattern() {
    return {{5.0L / 4, 3.0L / 2, 2.0L}, {6.0L / 5, 8.0L / 5}, {4.0L / 3}};
}

// The signals of one space as a readable sequence, e.g. "sizeChanged(4) spaceTooSmall(true)".
class SignalLog : public QObject {
public:
    explicit SignalLog(ScaleSpace& space) {
        connect(&space, &ScaleSpace::sizeChanged, this,
                [this](int size) { entries << QStringLiteral("sizeChanged(%1)").arg(size); });
        connect(&space, &ScaleSpace::spaceTooSmall, this, [this](bool tooSmall) {
            entries << QStringLiteral("spaceTooSmall(%1)").arg(tooSmall ? "true" : "false");
        });
    }
    QString text() const { return entries.join(' '); }

private:
    QStringList entries;
};

} // namespace

class TestScaleSpace : public QObject {
    Q_OBJECT

private slots:
    void constructorAcceptsOnlyValidPatterns_data() {
        QTest::addColumn<SizePattern>("pattern");
        QTest::addColumn<int>("rows");
        QTest::newRow("example") << examplePattern() << 3;
        QTest::newRow("empty") << SizePattern() << 0;
        QTest::newRow("row 1 too long") << SizePattern{{1.5L, 2.0L}, {1.2L, 1.3L}} << 0;
        QTest::newRow("row 0 too short") << SizePattern{{1.5L}, {1.2L}} << 0;
        QTest::newRow("one note") << SizePattern{{2.0L}} << 1;
    }

    void constructorAcceptsOnlyValidPatterns() {
        QFETCH(SizePattern, pattern);
        QFETCH(int, rows);
        const ScaleSpace space(QStringLiteral("name"), pattern);
        QCOMPARE(space.getName(), QStringLiteral("name"));
        QCOMPARE(int(space.getSizePattern().size()), rows);
        QCOMPARE(space.parent(), nullptr);
    }

    void setSizePatternKeepsOldOnInvalid() {
        ScaleSpace space(QStringLiteral("x"), examplePattern());
        QSignalSpy sizes(&space, &ScaleSpace::sizeChanged);
        space.setSizePattern({{1.5L, 2.0L}, {1.2L, 1.3L}});
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), examplePattern());
        QCOMPARE(sizes.count(), 1);
        QCOMPARE(sizes.at(0).at(0).toInt(), 4);

        space.setScaleSpace(QStringLiteral("renamed"), {{1.5L, 2.0L}, {1.2L, 1.3L}});
        QCOMPARE(space.getName(), QStringLiteral("renamed"));
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), examplePattern());
        QCOMPARE(sizes.count(), 2);

        space.setSizePattern({{3.0L}});
        QCOMPARE(space.getSizePattern(), SizePattern{{3.0L}});
        QCOMPARE(sizes.at(2).at(0).toInt(), 2);
    }

    void getIntervalSize_data() {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("j");
        QTest::addColumn<long double>("expected");
        QTest::newRow("(1, 0)") << 1 << 0 << 5.0L / 4;
        QTest::newRow("(0, 2)") << 0 << 2 << 2.0L / 3;
        QTest::newRow("(3, 0)") << 3 << 0 << 2.0L;
        QTest::newRow("(4, 0)") << 4 << 0 << 5.0L / 2;
        QTest::newRow("(-1, 0)") << -1 << 0 << 3.0L / 4;
        QTest::newRow("(5, 1)") << 5 << 1 << 12.0L / 5;
        QTest::newRow("(2, 1) stored") << 2 << 1 << 6.0L / 5;
        QTest::newRow("(1, 2) reciprocal") << 1 << 2 << 5.0L / 6;
        QTest::newRow("(-4, -6) two periods down") << -4 << -6 << 3.0L / 2;
        QTest::newRow("(-3, 0)") << -3 << 0 << 0.5L;
        QTest::newRow("(2, 2)") << 2 << 2 << 1.0L;
        QTest::newRow("(7, 1) same note two periods") << 7 << 1 << 4.0L;
    }

    void getIntervalSize() {
        QFETCH(int, i);
        QFETCH(int, j);
        QFETCH(long double, expected);
        const ScaleSpace space(QString(), examplePattern());
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(i, j), expected);
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(i, j) * space.getIntervalSize(j, i), 1.0L);
    }

    void emptySpaceUnison() {
        const ScaleSpace space;
        QCOMPARE(space.getIntervalSize(3, 3), 1.0L);
        QCOMPARE(space.getBaseNote(-5), -5);
        QCOMPARE(space.repetitionIntervalSize(2), 0.0L);
    }

    void getBaseNote_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<int>("base");
        QTest::newRow("-1") << -1 << 2;
        QTest::newRow("-3") << -3 << 0;
        QTest::newRow("-4") << -4 << 2;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("3") << 3 << 0;
        QTest::newRow("5") << 5 << 2;
    }

    void getBaseNote() {
        QFETCH(int, note);
        QFETCH(int, base);
        const ScaleSpace space(QString(), examplePattern());
        QCOMPARE(space.getBaseNote(note), base);
    }

    void setIntervalSize_data() {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("j");
        QTest::addColumn<SizePattern>("expected");
        const long double x = 7;
        QTest::newRow("repetition") << 3 << 0 << SizePattern{{1.25L, 1.5L, x}, {1.2L, 1.6L}, {4.0L / 3}};
        QTest::newRow("last step") << 3 << 2 << SizePattern{{1.25L, 1.5L, 2}, {1.2L, 1.6L}, {x}};
        QTest::newRow("inner") << 2 << 1 << SizePattern{{1.25L, 1.5L, 2}, {x, 1.6L}, {4.0L / 3}};
        QTest::newRow("i equals j") << 1 << 1 << examplePattern();
        QTest::newRow("downwards") << 0 << 1 << examplePattern();
        QTest::newRow("i beyond N") << 4 << 1 << examplePattern();
        QTest::newRow("j negative") << 1 << -1 << examplePattern();
        QTest::newRow("j equals N") << 4 << 3 << examplePattern();
    }

    void setIntervalSize() {
        QFETCH(int, i);
        QFETCH(int, j);
        QFETCH(SizePattern, expected);
        ScaleSpace space(QString(), examplePattern());
        QSignalSpy sizes(&space, &ScaleSpace::sizeChanged);
        space.setIntervalSize(i, j, 7);
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), expected);
        QCOMPARE(sizes.count(), 0);
    }

    void makeSubSizePattern_data() {
        QTest::addColumn<std::vector<int>>("notes");
        QTest::addColumn<SizePattern>("expected");
        QTest::newRow("whole again") << std::vector<int>{0, 1, 2, 3} << examplePattern();
        QTest::newRow("unsorted") << std::vector<int>{3, 1, 0, 2} << examplePattern();
        QTest::newRow("[2, 0]") << std::vector<int>{2, 0} << SizePattern{{1.5L}};
        QTest::newRow("empty list copies") << std::vector<int>{} << examplePattern();
        QTest::newRow("single note") << std::vector<int>{2} << SizePattern{};
        QTest::newRow("across periods")
            << std::vector<int>{1, 2, 4} << SizePattern{{1.2L, 2.0L}, {5.0L / 3}};
        QTest::newRow("duplicates stay")
            << std::vector<int>{1, 1} << SizePattern{{1.0L}};
    }

    void makeSubSizePattern() {
        QFETCH(std::vector<int>, notes);
        QFETCH(SizePattern, expected);
        const ScaleSpace space(QString(), examplePattern());
        QUILLMERE_COMPARE_PATTERN(space.makeSubSizePattern(notes), expected);
    }

    void addNote_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<std::vector<long double>>("sizes");
        QTest::addColumn<SizePattern>("expected");
        QTest::newRow("9/8 as note 1")
            << 1 << std::vector<long double>{8.0L / 9, 10.0L / 9, 4.0L / 3, 16.0L / 9}
            << SizePattern{{9.0L / 8, 1.25L, 1.5L, 2},
                           {10.0L / 9, 4.0L / 3, 16.0L / 9},
                           {1.2L, 1.6L},
                           {4.0L / 3}};
        QTest::newRow("append, padded")
            << 3 << std::vector<long double>{}
            << SizePattern{{1.25L, 1.5L, 1, 2}, {1.2L, 1, 1.6L}, {1, 4.0L / 3}, {1}};
        QTest::newRow("note 0, repetition kept")
            << 0 << std::vector<long double>{}
            << SizePattern{{1, 1, 1, 2}, {1.25L, 1.5L, 2}, {1.2L, 1.6L}, {4.0L / 3}};
        QTest::newRow("note 0, too long, repetition kept")
            << 0 << std::vector<long double>{3, 3, 3, 3, 3}
            << SizePattern{{3, 3, 3, 2}, {1.25L, 1.5L, 2}, {1.2L, 1.6L}, {4.0L / 3}};
        QTest::newRow("note 0, exact length used as is")
            << 0 << std::vector<long double>{0.9L, 1.1L, 1.3L, 1.8L}
            << SizePattern{{0.9L, 1.1L, 1.3L, 1.8L}, {1.25L, 1.5L, 2}, {1.2L, 1.6L}, {4.0L / 3}};
        QTest::newRow("note 5 is position 2 by truncation")
            << 5 << std::vector<long double>{}
            << SizePattern{{1.25L, 1, 1.5L, 2}, {1, 1.2L, 1.6L}, {1, 1}, {4.0L / 3}};
    }

    void addNote() {
        QFETCH(int, note);
        QFETCH(std::vector<long double>, sizes);
        QFETCH(SizePattern, expected);
        ScaleSpace space(QString(), examplePattern());
        SignalLog log(space);
        space.addNote(note, sizes);
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), expected);
        QCOMPARE(log.text(), QStringLiteral("sizeChanged(5)"));
    }

    void removeNote_data() {
        QTest::addColumn<SizePattern>("pattern");
        QTest::addColumn<int>("note");
        QTest::addColumn<SizePattern>("expected");
        QTest::addColumn<QString>("expectedSignals");
        const SizePattern four{{9.0L / 8, 1.25L, 1.5L, 2},
                               {10.0L / 9, 4.0L / 3, 16.0L / 9},
                               {1.2L, 1.6L},
                               {4.0L / 3}};
        QTest::newRow("note 2 of four")
            << four << 2 << SizePattern{{9.0L / 8, 1.5L, 2}, {4.0L / 3, 16.0L / 9}, {4.0L / 3}}
            << "sizeChanged(4)";
        QTest::newRow("note 0 signals twice")
            << examplePattern() << 0 << SizePattern{{1.2L, 2}, {5.0L / 3}}
            << "sizeChanged(3) sizeChanged(3)";
        QTest::newRow("note 3 is note 0")
            << examplePattern() << 3 << SizePattern{{1.2L, 2}, {5.0L / 3}}
            << "sizeChanged(3) sizeChanged(3)";
        QTest::newRow("note 4 is note 1")
            << examplePattern() << 4 << SizePattern{{1.5L, 2}, {4.0L / 3}} << "sizeChanged(3)";
        QTest::newRow("two notes leave one")
            << SizePattern{{1.5L, 2}, {4.0L / 3}} << 1 << SizePattern{{2}}
            << "spaceTooSmall(true) sizeChanged(2)";
        QTest::newRow("note 0 of two")
            << SizePattern{{1.5L, 2}, {4.0L / 3}} << 0 << SizePattern{{2}}
            << "sizeChanged(2) spaceTooSmall(true) sizeChanged(2)";
        QTest::newRow("last note") << SizePattern{{2}} << 0 << SizePattern{}
                                   << "sizeChanged(1) sizeChanged(1)";
    }

    void removeNote() {
        QFETCH(SizePattern, pattern);
        QFETCH(int, note);
        QFETCH(SizePattern, expected);
        QFETCH(QString, expectedSignals);
        ScaleSpace space(QString(), pattern);
        SignalLog log(space);
        space.removeNote(note);
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), expected);
        QCOMPARE(log.text(), expectedSignals);
    }

    void removeKeepsRepetitionInterval() {
        ScaleSpace space(QString(), examplePattern());
        space.removeNote(0);
        QUILLMERE_COMPARE_CLOSE(space.getIntervalSize(2, 0), 2.0L);
    }

    void tooSmallSignals() {
        ScaleSpace space(QString(), {{2.0L}});
        SignalLog log(space);
        space.addNote(1, {});
        QCOMPARE(log.text(), QStringLiteral("spaceTooSmall(false) sizeChanged(3)"));
        QCOMPARE(space.getSizePattern(), (SizePattern{{1, 2}, {1}}));
    }

    void badInputLeavesSpaceUnchanged_data() {
        QTest::addColumn<SizePattern>("pattern");
        QTest::addColumn<int>("addAt");
        QTest::addColumn<int>("removeAt");
        QTest::newRow("empty: add 2, remove 0") << SizePattern{} << 2 << 0;
        QTest::newRow("empty: add 1, remove 5") << SizePattern{} << 1 << 5;
        QTest::newRow("negative notes") << examplePattern() << -1 << -2;
    }

    void badInputLeavesSpaceUnchanged() {
        QFETCH(SizePattern, pattern);
        QFETCH(int, addAt);
        QFETCH(int, removeAt);
        ScaleSpace space(QString(), pattern);
        SignalLog log(space);
        space.addNote(addAt, {});
        space.removeNote(removeAt);
        QUILLMERE_COMPARE_PATTERN(space.getSizePattern(), pattern);
        QCOMPARE(log.text(), QString());
    }

    void addToEmptySpace() {
        ScaleSpace space;
        SignalLog log(space);
        space.addNote(0, {});
        QCOMPARE(space.getSizePattern(), (SizePattern{{0}}));
        space.setSizePattern({});
        space.addNote(0, {2});
        QCOMPARE(space.getSizePattern(), (SizePattern{{2}}));
        QCOMPARE(log.text(), QStringLiteral("spaceTooSmall(false) sizeChanged(2) sizeChanged(1) "
                                            "spaceTooSmall(false) sizeChanged(2)"));
    }
};

QTEST_APPLESS_MAIN(TestScaleSpace)
#include "tst_scalespace.moc"
