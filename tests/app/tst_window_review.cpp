// Judging a tuning in the window: the Tuning panel, the deviations over the table, the
// comparison with a pinned tuning and the exported plot.

#include "app/menus/windowmenus.h"
#include "app/review/deviationcolours.h"
#include "app/review/tuningpanel.h"
#include "app/review/tuningreview.h"
#include "app/review/tuningtablemodel.h"
#include "tests/app/windowharness.h"
#include "tests/tuning/patterns.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Three notes 0, 1, 2 with ratios 1, 1.25, 1.5 against the sizes given (weights 1 unless given).
TuningRecord record(const std::vector<long double>& sizes, const int& dial = 500,
                    const QString& function = "Benedetti", const long double& weight = 1) {
    TuningRecord result;
    result.kept.notes = {0, 1, 2};
    result.kept.ratios = {1, 1.25L, 1.5L};
    result.kept.dial = dial;
    result.kept.weightFunction = function;
    analysis::AnalysisInput input{
        result.kept.notes,
        result.kept.ratios,
        makePattern({{sizes[0], sizes[1]}, {sizes[2]}}, {{weight, 1}, {1}}),
        {},
        12,
        2,
        true};
    result.analysis = analysis::analyseTuning(input);
    return result;
}

void makeTuning(WindowHarness& harness) {
    harness.window.findChild<QPushButton*>("makeButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!harness.window.findChild<QPushButton*>("cancelButton")->isEnabled(),
                             20000);
}

QAction* action(WindowHarness& harness, const char* name) {
    return harness.window.windowMenus()->action(QLatin1String(name));
}

} // namespace

Q_DECLARE_METATYPE(TuningRecord)

class TestWindowReview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    // Blue for flat, red for sharp, white at 0, saturated at the largest and beyond.
    void colourScale_data() {
        QTest::addColumn<double>("deviation");
        QTest::addColumn<double>("largest");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("flat end") << -12.5 << 12.5 << flatColour();
        QTest::newRow("sharp end") << 12.5 << 12.5 << sharpColour();
        QTest::newRow("middle") << 0.0 << 12.5 << QColor(Qt::white);
        QTest::newRow("beyond sharp") << 40.0 << 12.5 << sharpColour();
        QTest::newRow("beyond flat") << -40.0 << 12.5 << flatColour();
        QTest::newRow("nothing deviates") << 0.0 << 0.0 << QColor(Qt::white);
        // Halfway from white (255, 255, 255) to (178, 24, 43), rounded.
        QTest::newRow("half sharp") << 5.0 << 10.0 << QColor(217, 140, 149);
    }

    void colourScale() {
        QFETCH(double, deviation);
        QFETCH(double, largest);
        QFETCH(QColor, colour);
        QCOMPARE(deviationColour(deviation, largest), colour);
    }

    // What the comparison's tooltip names: each setting that differs, and cells only where a
    // size changed or a weight changed under the same weighting.
    void settingDifferences_data() {
        QTest::addColumn<TuningRecord>("then");
        QTest::addColumn<TuningRecord>("now");
        QTest::addColumn<QStringList>("differences");
        const std::vector<long double> sizes{1.25L, 1.5L, 1.2L};
        QTest::newRow("same") << record(sizes) << record(sizes) << QStringList();
        QTest::newRow("dial") << record(sizes) << record(sizes, 800)
                              << QStringList{"dial 800 (was 500)"};
        QTest::newRow("a size edited") << record(sizes) << record({1.25L, 1.5L, 6.0L / 5 * 81 / 80})
                                       << QStringList{"edited cells (1 interval)"};
        QTest::newRow("a weight edited") << record(sizes) << record(sizes, 500, "Benedetti", 0.5L)
                                         << QStringList{"edited cells (1 interval)"};
        QTest::newRow("weights of another function are no edit")
            << record(sizes) << record(sizes, 500, "Uniform", 0.5L)
            << QStringList{"weight function Uniform (was Benedetti)"};
    }

    void settingDifferences() {
        QFETCH(TuningRecord, then);
        QFETCH(TuningRecord, now);
        QFETCH(QStringList, differences);
        QCOMPARE(::settingDifferences(now, then), differences);
    }

    // A new tuning resets the table; the decimals change every cell and only the cells.
    void tableModelSignals() {
        TuningTableModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setTuning(record({1.25L, 1.5L, 1.2L}).analysis, {}, "Δ previous", QString());
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model.rowCount(), 3);
        model.setPrecision(5);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex(), model.index(0, 0));
        QCOMPARE(changed[0][1].toModelIndex(), model.index(2, TuningTableModel::ColumnCount - 1));
        QCOMPARE(model.index(1, TuningTableModel::Cents).data().toString(), "386.31371");
        model.setPrecision(5);
        QCOMPARE(changed.size(), 1);
    }

    void panelFollowsMakeAndCompares() {
        WindowHarness harness;
        QVERIFY(harness.exposed);
        auto* review = harness.window.findChild<TuningReview*>();
        QVERIFY(review != nullptr);
        TuningPanel* panel = review->panel();
        QAbstractItemModelTester tester(panel->tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(!panel->isVisible());
        harness.setNotes(13, {0, 2, 4, 5, 6, 7}, {7});
        makeTuning(harness);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->tableModel()->rowCount(), 6);
        QVERIFY(panel->summary().startsWith(QStringLiteral("Largest deviation: ")));

        // Copy with the focus in the panel: the whole table, header first, tab-separated.
        harness.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&harness.window));
        panel->findChild<QTableView*>("tuningTable")->setFocus();
        QTRY_VERIFY(panel->hasFocusWithin());
        harness.window.refreshActions(); // as the Edit menu does when it opens
        action(harness, "actionCopy")->trigger();
        const QStringList lines = QGuiApplication::clipboard()->text().trimmed().split('\n');
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines.front().startsWith(QStringLiteral("Note\tRatio\tCents\t")));
        QVERIFY(lines.back().startsWith(QStringLiteral("8\t1.5\t701.955\t")));
        QCOMPARE(lines.back().split('\t').value(TuningTableModel::Fixed), QStringLiteral("fixed"));

        // A pinned reference stays the comparison, and the heading names what changed.
        action(harness, "actionKeepReference")->trigger();
        harness.window.findChild<QAbstractSlider*>("cutoffDial")->setValue(800);
        makeTuning(harness);
        TuningTableModel* table = panel->tableModel();
        QCOMPARE(table->headerData(TuningTableModel::Delta, Qt::Horizontal).toString(),
                 QStringLiteral("Δ reference"));
        QVERIFY(table->headerData(TuningTableModel::Delta, Qt::Horizontal, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("dial 800 (was 500)")));
        action(harness, "actionClearReference")->trigger();
        QCOMPARE(table->headerData(TuningTableModel::Delta, Qt::Horizontal).toString(),
                 QStringLiteral("Δ previous"));

        QTemporaryDir folder;
        for (const QString name : {"plot.png", "plot.svg"}) {
            QVERIFY(review->exportPlot(folder.filePath(name)));
        }
        QCOMPARE(QImage(folder.filePath("plot.png")).size(), QSize(1200, 700));
        QFile svg(folder.filePath("plot.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
    }

    // While deviations are shown the cells cannot be edited, by paste or by reset.
    void deviationsLockTheCells() {
        WindowHarness harness;
        QVERIFY(harness.exposed);
        makeTuning(harness);
        // At start the table lists note 1 as fixed; the reference of the tuning is never marked.
        QCOMPARE(harness.fixedNotes(), QList<int>{0});
        const TuningTableModel* table =
            harness.window.findChild<TuningReview*>()->panel()->tableModel();
        QCOMPARE(table->index(0, TuningTableModel::Fixed).data().toString(), QString());
        harness.makeCurrent(0, 4);
        const long double before = harness.model->interval(0, 4).size;
        action(harness, "actionShowDeviations")->setChecked(true);
        harness.window.refreshActions();
        QVERIFY(!action(harness, "actionPaste")->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("3/2"));
        // The keys reach the actions whatever the menus showed last.
        action(harness, "actionPaste")->setEnabled(true);
        action(harness, "actionPaste")->trigger();
        action(harness, "actionResetCell")->trigger();
        QCOMPARE(harness.model->interval(0, 4).size, before);
        action(harness, "actionShowDeviations")->setChecked(false);
        harness.window.refreshActions();
        action(harness, "actionPaste")->trigger();
        QCOMPARE(harness.model->interval(0, 4).size, 1.5L);
    }
};

QTEST_MAIN(TestWindowReview)
#include "tst_window_review.moc"
