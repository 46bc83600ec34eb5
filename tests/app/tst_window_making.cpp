#include "app/editing/edithistory.h"
#include "app/making/tuningmaking.h"
#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"
#include "tests/common/storedcell.h"
#include "tuning/scale.h"

#include <QAction>
#include <QDebug>
#include <QDial>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QThreadPool>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// A search that would run for hours: every path through 48 notes, with no cutoff.
constexpr int slowRange = 48;

// Long enough for the weighted search on the default table in a sanitizer build.
constexpr int finishTimeout = 120000;

std::vector<int> toVector(const QList<int>& notes) {
    return std::vector<int>(notes.begin(), notes.end());
}

// The C library's "%.15Lg" (QString::asprintf would round the value as a double), with ".0"
// where there is no point.
QString printed(long double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15Lg", value);
    const QString text = QString::fromLatin1(buffer);
    return text.contains('.') ? text : text + ".0";
}

QStringList printedTuning(const std::vector<long double>& tuning) {
    QStringList lines{"Decimal tuning"};
    for (const long double value : tuning) {
        lines << printed(value);
    }
    lines << ""
          << "Cents tuning";
    for (const long double value : tuning) {
        lines << printed(1200.0 * std::log2(double(value)));
    }
    return lines;
}

struct MakingHarness : WindowHarness {
    QPushButton* make = window.findChild<QPushButton*>("makeButton");
    QPushButton* cancel = window.findChild<QPushButton*>("cancelButton");
    QPushButton* clear = window.findChild<QPushButton*>("clearButton");
    QPlainTextEdit* output = window.findChild<QPlainTextEdit*>("temperamentBox");
    QProgressBar* progress = window.findChild<QProgressBar*>("makeProgressBar");
    QDial* dial = window.findChild<QDial*>("cutoffDial");
    QComboBox* weightFunction = window.findChild<QComboBox*>("weightFuncCombo");

    bool idle() const { return make->isEnabled() && !cancel->isEnabled() && clear->isEnabled(); }
    bool making() const { return make->isEnabled() && cancel->isEnabled() && !clear->isEnabled(); }
    QStringList outputLines() const { return output->toPlainText().split('\n'); }

    // What Scale makes of the table's intervals between these notes.
    std::vector<long double> expectedTuning(const std::vector<int>& notes,
                                            const std::vector<int>& fixedPositions,
                                            bool unweighted) const {
        IntervalsPattern pattern(notes.size() - 1);
        for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
            for (std::size_t j = i + 1; j < notes.size(); ++j) {
                pattern[i].push_back(model->interval(notes[i], notes[j]));
            }
        }
        Scale scale(pattern);
        scale.setWeightCutoff(makeCutoff(int(notes.size()), dial->value(), dial->maximum()));
        scale.setUnweighted(unweighted);
        scale.setFixedNotes(fixedPositions);
        std::atomic<bool> cancelled(false);
        return scale.tuneScale(cancelled, [](int) {});
    }

    void startSlowTask() {
        range->setValue(slowRange);
        dial->setValue(dial->maximum());
        make->click();
        QVERIFY(making());
        QCOMPARE(output->toPlainText(), QStringLiteral("Making tuning..."));
    }
};

} // namespace

class TestWindowMaking : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    // A file with a size that cannot be tuned opens with nothing lost and the cell marked;
    // "Make" then refuses, naming the interval, and starts no search.
    void untunableFileOpensAndMakeRefuses_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("problem");
        QTest::newRow("negative") << "-1.5"
                                  << "is not positive";
        QTest::newRow("zero") << "0"
                              << "is not positive";
        QTest::newRow("beyond a double") << "1e4000"
                                         << "is out of range";
    }

    void untunableFileOpensAndMakeRefuses() {
        QFETCH(QString, stored);
        QFETCH(QString, problem);
        QTemporaryDir folder;
        const QString path = folder.filePath("untunable.qmx");
        QVERIFY(testing::writeTwelveEdoWithCell(path, 0, 6, stored));
        MakingHarness harness;
        applyCommandLine(harness.window, {"quillmere", path});
        QCOMPARE(shownTitle(harness.window), QStringLiteral("untunable - Quillmere"));
        QVERIFY(!harness.window.tableDelegate()->isUsableCell(0, 7));
        QVERIFY(!harness.window.tableDelegate()->isUsableCell(7, 0));
        QVERIFY(harness.window.tableDelegate()->isUsableCell(0, 6));

        harness.make->click();
        QCOMPARE(harness.window.statusBar()->currentMessage(),
                 "Cannot make a tuning: the size of interval [1, 8] " + problem + ".");
        QVERIFY(!harness.cancel->isEnabled());
        QCOMPARE(harness.window.findChild<QPlainTextEdit*>("temperamentBox")->toPlainText(),
                 QString());

        // Without that interval the notes tune.
        harness.window.selectNotes({0, 1, 2}, true);
        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(!harness.cancel->isEnabled(), finishTimeout);
        QVERIFY(!harness.window.getTuning().empty());
    }

    // Each test ends with no task left behind.
    void cleanup() { QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0); }

    void makeTunesTheNotes_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("fixed");
        QTest::addColumn<QList<int>>("notes");
        QTest::addColumn<QList<int>>("fixedPositions");
        QTest::addColumn<bool>("unweighted");
        QTest::newRow("nothing selected: the whole range")
            << "Benedetti" << QList<int>{} << QList<int>{}
            << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12} << QList<int>{} << false;
        QTest::newRow("selected notes, one fixed")
            << "Benedetti" << QList<int>{2, 5, 7} << QList<int>{5} << QList<int>{2, 5, 7}
            << QList<int>{1} << false;
        QTest::newRow("Uniform, nothing fixed")
            << "Uniform" << QList<int>{1, 4, 6, 9} << QList<int>{} << QList<int>{1, 4, 6, 9}
            << QList<int>{} << true;
        QTest::newRow("Uniform, a note outside the selection fixed")
            << "Uniform" << QList<int>{1, 4, 6, 9} << QList<int>{11} << QList<int>{1, 4, 6, 9}
            << QList<int>{} << false;
        QTest::newRow("Uniform, a selected note fixed")
            << "Uniform" << QList<int>{1, 4, 6, 9} << QList<int>{6} << QList<int>{1, 4, 6, 9}
            << QList<int>{2} << false;
    }

    void makeTunesTheNotes() {
        QFETCH(QString, function);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, fixed);
        QFETCH(QList<int>, notes);
        QFETCH(QList<int>, fixedPositions);
        QFETCH(bool, unweighted);
        MakingHarness harness;
        harness.weightFunction->setCurrentText(function);
        harness.window.selectNotes(toVector(selected), true);
        harness.window.fixNotes(toVector(fixed), true);

        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);

        const std::vector<long double> expected =
            harness.expectedTuning(toVector(notes), toVector(fixedPositions), unweighted);
        QCOMPARE(harness.outputLines(), printedTuning(expected));
        QCOMPARE(harness.progress->value(), harness.progress->maximum());
        if (function == "Uniform") {
            // The other search gives another tuning, so the output shows which one ran.
            QVERIFY(harness.expectedTuning(toVector(notes), toVector(fixedPositions),
                                           !unweighted) != expected);
        }
    }

    // The octave of the built-in spaces is exactly 2.
    void wholeNumbersPrintWithAPoint() {
        MakingHarness harness;
        harness.window.selectNotes({0, 12}, true);
        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);
        QCOMPARE(harness.outputLines(), QStringList({"Decimal tuning", "1.0", "2.0", "",
                                                     "Cents tuning", "0.0", "1200.0"}));
    }

    // The search reports by the work done while it runs and per note once all are tuned; the
    // bar shows both without moving back, and 100 only at the end.
    void progressOnlyMovesForward() {
        MakingHarness harness;
        QList<int> shown;
        QObject::connect(harness.progress, &QProgressBar::valueChanged, harness.progress,
                         [&shown](int value) { shown << value; });
        harness.range->setValue(21);
        harness.dial->setValue(harness.dial->maximum());
        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);
        QVERIFY(!shown.isEmpty());
        QVERIFY2(std::is_sorted(shown.begin(), shown.end()), qPrintable(QDebug::toString(shown)));
        QCOMPARE(shown.back(), harness.progress->maximum());
        QCOMPARE(shown.count(harness.progress->maximum()), 1);
    }

    // Every printed number stays on one line of the box: none breaks across two.
    void numbersNeverBreak_data() {
        QTest::addColumn<int>("displayRange");
        QTest::newRow("one period") << 13;
        QTest::newRow("four periods: four-digit cents") << 49;
    }

    void numbersNeverBreak() {
        QFETCH(int, displayRange);
        MakingHarness harness;
        harness.range->setValue(displayRange);
        harness.window.selectNotes({1, displayRange / 2, displayRange - 2}, true);
        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);
        const QStringList lines = harness.outputLines();
        QCOMPARE(lines.size(), 9);
        const QFontMetrics metrics(harness.output->font());
        const int room = harness.output->viewport()->width() -
                         2 * qCeil(harness.output->document()->documentMargin());
        for (const QString& line : lines) {
            QVERIFY2(metrics.horizontalAdvance(line) <= room, qPrintable(line));
        }
    }

    // The selection box shows one line without scrolling.
    void selectionBoxHoldsOneLine() {
        MakingHarness harness;
        harness.window.selectNotes({0, 2, 12}, true);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 1, 3, 13"));
        QVERIFY(!harness.selectionBox->verticalScrollBar()->isVisible());
    }

    void cutoffFromTheDial_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("dial");
        QTest::addColumn<QString>("expected");
        QTest::newRow("13 notes, dial at 0") << QList<int>{} << 0 << QString::number(1.0 / 13);
        QTest::newRow("13 notes, dial halfway") << QList<int>{} << 500 << "1.67138e-06";
        QTest::newRow("13 notes, dial at the maximum") << QList<int>{} << 1000 << "0";
        QTest::newRow("3 notes, dial at 0") << QList<int>{2, 5, 7} << 0 << QString::number(1.0 / 3);
    }

    void cutoffFromTheDial() {
        QFETCH(QList<int>, selected);
        QFETCH(int, dial);
        QFETCH(QString, expected);
        MakingHarness harness;
        harness.window.selectNotes(toVector(selected), true);
        harness.dial->setValue(dial);
        QCOMPARE(QString::number(double(harness.window.makeCutoffValue())), expected);
    }

    // The first task is cancelled and never shown; the second starts once it has ended.
    void makeTwiceShowsOnlyTheSecond() {
        MakingHarness harness;
        QStringList shown;
        QObject::connect(harness.output, &QPlainTextEdit::textChanged, harness.output,
                         [&] { shown << harness.output->toPlainText(); });
        harness.startSlowTask();
        harness.dial->setValue(0);
        harness.make->click();
        // Cancelling the first task leaves the buttons idle before the second starts.
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle() &&
                                     harness.output->toPlainText().startsWith("Decimal tuning"),
                                 finishTimeout);

        std::vector<int> all(slowRange);
        for (int note = 0; note < slowRange; ++note) {
            all[std::size_t(note)] = note;
        }
        const QString final = printedTuning(harness.expectedTuning(all, {}, false)).join('\n');
        QCOMPARE(harness.outputLines(), final.split('\n'));
        for (const QString& text : shown) {
            QVERIFY2(text.isEmpty() || text == "Making tuning..." || final.startsWith(text),
                     qPrintable(text));
        }
    }

    void cancelDuringASlowTask() {
        MakingHarness harness;
        harness.startSlowTask();
        harness.cancel->click();
        QVERIFY(harness.idle());
        QCOMPARE(harness.output->toPlainText(), QString());
        QCOMPARE(harness.progress->value(), 0);

        // The task ends, and whatever it posted on its way out is delivered.
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        QVERIFY(harness.idle());
        QCOMPARE(harness.output->toPlainText(), QString());
        QCOMPARE(harness.progress->value(), 0);
    }

    void clearAfterATuning() {
        MakingHarness harness;
        harness.window.selectNotes({2, 5, 7}, true);
        harness.make->click();
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);
        QVERIFY(harness.output->toPlainText().startsWith("Decimal tuning"));
        harness.clear->click();
        QCOMPARE(harness.output->toPlainText(), QString());
        QCOMPARE(harness.progress->value(), 0);
    }

    // The destructor stops the search and waits for it (a task left reading the window would be
    // caught by the sanitizer build); progress it posted to the window is dropped with it.
    void closingDuringASlowTaskStopsIt() {
        auto harness = std::make_unique<MakingHarness>();
        // Qt converts the window icon on pool threads too: let that end, so the one thread
        // counted below is the search.
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        harness->startSlowTask();
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 1);
        harness.reset();
        // Left alone, the search would run for hours.
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    }

    // "Make" keeps the table's current cell.
    void makeKeepsTheCurrentCell() {
        MakingHarness harness;
        harness.window.selectNotes({2, 5, 7}, true);
        harness.makeCurrent(3, 4);
        harness.make->click();
        QCOMPARE(harness.currentCell(), QPoint(4, 3));
        QTRY_VERIFY_WITH_TIMEOUT(harness.idle(), finishTimeout);
        QVERIFY(harness.window.statusBar()->currentMessage().isEmpty());
    }

    // What follows a tuning decides whether it still stands, what Export offers and the line
    // above the output.
    void tuningFollowsTheTable_data() {
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("outOfDate");
        QTest::newRow("nothing") << "nothing" << true << false;
        QTest::newRow("a cell edited") << "edit" << true << true;
        QTest::newRow("the edit undone") << "edit and undo" << true << false;
        QTest::newRow("the dial moved") << "dial" << true << true;
        QTest::newRow("display mode") << "cents" << true << false;
        QTest::newRow("another space shown") << "open 19edo" << false << false;
        QTest::newRow("made again and cancelled") << "cancel" << false << false;
    }

    void tuningFollowsTheTable() {
        QFETCH(QString, after);
        QFETCH(bool, kept);
        QFETCH(bool, outOfDate);
        MakingHarness harness;
        QSignalSpy changed(&harness.window, &MainWindow::tuningChanged);
        harness.range->setValue(5);
        harness.make->click();
        QTRY_VERIFY(!harness.window.getTuning().empty());
        if (after == "edit" || after == "edit and undo") {
            harness.model->setData(harness.model->index(1, 3), QStringLiteral("6/5"), Qt::EditRole);
        }
        if (after == "edit and undo") {
            harness.window.editHistory()->stack()->undo();
        } else if (after == "dial") {
            harness.dial->setValue(harness.dial->value() + 10);
        } else if (after == "cents") {
            harness.window.handleChangeDisplay(DisplayMode::Cents);
        } else if (after == "open 19edo") {
            harness.window.handleScaleSpaceActivated(QStringLiteral("19edo"));
        } else if (after == "cancel") {
            harness.dial->setValue(harness.dial->maximum() - 1);
            harness.range->setValue(30);
            harness.make->click();
            QVERIFY(harness.window.getTuning().empty());
            harness.cancel->click();
        }
        QCOMPARE(!harness.window.getTuning().empty(), kept);
        QCOMPARE(!harness.output->toPlainText().isEmpty(), kept);
        const QLabel* line = harness.window.findChild<QLabel*>(QStringLiteral("tuningStateLabel"));
        QVERIFY(line != nullptr);
        QCOMPARE(line->isVisible(), outOfDate);
        QAction* exportScala =
            harness.window.findChild<QAction*>(QStringLiteral("actionExportSCL"));
        QVERIFY(exportScala != nullptr);
        QCOMPARE(exportScala->isEnabled(), kept);
    }
};

QTEST_MAIN(TestWindowMaking)
#include "tst_window_making.moc"
