// The file keeps the whole work: settings, typed weights and the last tuning come back on
// opening, and a file of sizes alone stays as every reader knows it.

#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"

#include <QAbstractSlider>
#include <QDir>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QUuid>

#include <functional>

namespace {

using Edit = std::function<void(WindowHarness&)>;

// Four notes repeating at the octave: 1, 9/8, 5/4, 3/2.
SizePattern fourNotes() {
    return {{9.0L / 8, 5.0L / 4, 3.0L / 2, 2.0L},
            {10.0L / 9, 4.0L / 3, 16.0L / 9},
            {6.0L / 5, 8.0L / 5},
            {4.0L / 3}};
}

template <typename Widget> Widget* child(WindowHarness& harness, const char* name) {
    return harness.window.findChild<Widget*>(QLatin1String(name));
}

void makeTuning(WindowHarness& harness) {
    child<QPushButton>(harness, "makeButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!child<QPushButton>(harness, "cancelButton")->isEnabled(), 20000);
}

// Everything of the work the window shows, as text that compares.
QStringList shownWork(WindowHarness& harness) {
    QStringList weights;
    for (const long double weight : harness.model->getWeights()) {
        weights << QString::number(double(weight), 'g', 17);
    }
    QStringList fixed;
    for (const int note : harness.model->getFixedNotes()) {
        fixed << QString::number(note);
    }
    const QLabel* line = child<QLabel>(harness, "tuningStateLabel");
    return {child<QComboBox>(harness, "weightFuncCombo")->currentText(),
            QString::number(child<QAbstractSlider>(harness, "cutoffDial")->value()),
            QString::number(child<QAbstractSlider>(harness, "attenuationSlider")->value()),
            QString::number(harness.range->value()),
            QString::number(harness.model->getPrecision()),
            QString::number(int(harness.model->getDisplayMode())),
            QString::number(int(harness.model->getIntervalMode())),
            harness.selectionBox->toPlainText(),
            fixed.join(' '),
            weights.join(' '),
            child<QPlainTextEdit>(harness, "temperamentBox")->toPlainText(),
            line->isVisibleTo(&harness.window) ? line->text() : QString()};
}

QStringList tablesOf(const QString& path) {
    QStringList tables;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QUuid::createUuid().toString());
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name",
                            db);
            while (query.next()) {
                tables << query.value(0).toString();
            }
        }
        const QString name = db.connectionName();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    return tables;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestWindowKeptWork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(startLikeMain());
        QVERIFY(temp.isValid());
    }
    void cleanup() { QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0); }

    void reopeningShowsTheWorkSaved_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QStringList>("tables");
        const QStringList state{"matrix", "state"};
        QTest::newRow("typed weight") << Edit([](WindowHarness& h) {
            h.model->setIntervalMode(IntervalMode::Weight);
            QVERIFY(h.model->setData(h.model->index(0, 2), "0.25", Qt::EditRole));
        }) << QStringList{"matrix", "state", "weights"};
        QTest::newRow("weight function") << Edit([](WindowHarness& h) {
            child<QComboBox>(h, "weightFuncCombo")->setCurrentIndex(1);
        }) << state;
        QTest::newRow("attenuation and dial") << Edit([](WindowHarness& h) {
            child<QAbstractSlider>(h, "attenuationSlider")->setValue(80);
            child<QAbstractSlider>(h, "cutoffDial")->setValue(700);
        }) << state;
        QTest::newRow("display") << Edit([](WindowHarness& h) {
            child<QSpinBox>(h, "precisionSpinBox")->setValue(7);
            h.window.swapDisplayMode();
            h.window.swapIntervalMode();
        }) << state;
        QTest::newRow("fixed notes") << Edit([](WindowHarness& h) {
            h.window.fixNotes({2, 3}, true);
        }) << state;
        QTest::newRow("tuning") << Edit([](WindowHarness& h) {
            h.window.fixNotes({2}, true);
            child<QAbstractSlider>(h, "cutoffDial")->setValue(900);
            makeTuning(h);
        }) << state;
        QTest::newRow("tuning out of date") << Edit([](WindowHarness& h) {
            makeTuning(h);
            QVERIFY(h.model->setData(h.model->index(0, 1), "1.2", Qt::EditRole));
        }) << state;
    }

    void reopeningShowsTheWorkSaved() {
        QFETCH(Edit, edit);
        QFETCH(QStringList, tables);
        const QString path = QDir(temp.path()).filePath(QTest::currentDataTag() + QString(".qmx"));
        QVERIFY(dbManager::writeScaleSpace(path, fourNotes()) == std::nullopt);

        QStringList saved;
        {
            WindowHarness harness;
            harness.window.changeScaleSpace(path);
            const QStringList before = shownWork(harness);
            edit(harness);
            saved = shownWork(harness);
            QVERIFY(saved != before);
            harness.window.handleSaveSubScaleSpace();
            QVERIFY(!harness.window.isWindowModified());
        }
        QCOMPARE(tablesOf(path), tables);
        // Sizes as a reader of `matrix` alone sees them.
        QCOMPARE(dbManager::readScaleSpace(path).pattern.size(), fourNotes().size());

        WindowHarness reopened;
        reopened.window.changeScaleSpace(path);
        QStringList shown = shownWork(reopened);
        // A tuning that was current comes back marked as loaded; a stale one stays stale.
        const bool tuned = !saved.at(10).isEmpty();
        if (tuned && saved.last().isEmpty()) {
            QVERIFY2(shown.last().startsWith("Loaded from the file"), qPrintable(shown.last()));
            shown.last().clear();
        }
        QCOMPARE(shown, saved);
        QVERIFY(!reopened.window.isWindowModified());
    }

    // Sizes alone are kept as they always were, and a file that keeps nothing else leaves the
    // window's settings as they are.
    void sizesAloneStayMatrixOnly() {
        const QString path = QDir(temp.path()).filePath("plain.qmx");
        QVERIFY(dbManager::writeScaleSpace(path, fourNotes()) == std::nullopt);
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.2", Qt::EditRole));
        harness.window.handleSaveSubScaleSpace();
        QCOMPARE(tablesOf(path), QStringList{"matrix"});

        child<QAbstractSlider>(harness, "cutoffDial")->setValue(640);
        harness.window.changeScaleSpace(makeFilePath("5edo", pitchSpacesPath));
        harness.window.changeScaleSpace(path);
        QCOMPARE(child<QAbstractSlider>(harness, "cutoffDial")->value(), 640);
        QCOMPARE(harness.model->getFixedNotes(), std::vector<int>());
    }

    // Notes saved from a selection keep their work in the numbering of the file.
    void selectedNotesKeepTheirWork() {
        const QString path = QDir(temp.path()).filePath("selected.qmx");
        QVERIFY(dbManager::writeScaleSpace(path, fourNotes()) == std::nullopt);
        {
            WindowHarness harness;
            harness.window.changeScaleSpace(path);
            harness.window.fixNotes({1, 3}, true);
            harness.window.selectNotes({0, 2, 3, 4}, true);
            makeTuning(harness);
            harness.window.handleSaveSubScaleSpace();
        }
        WindowHarness reopened;
        reopened.window.changeScaleSpace(path);
        QCOMPARE(reopened.noteCount(), 3);
        QCOMPARE(reopened.model->getFixedNotes(), std::vector<int>{2});
        QCOMPARE(reopened.selectionBox->toPlainText(), QString());
        QVERIFY(!child<QPlainTextEdit>(reopened, "temperamentBox")->toPlainText().isEmpty());
        QVERIFY(!reopened.window.findChild<QLabel*>("tuningStateLabel")->text().startsWith("Out"));
    }

    // Rows that cannot be read are left out with one status line; the rest and the sizes open.
    void damagedRowsAreLeftOut() {
        const QString path = QDir(temp.path()).filePath("damaged.qmx");
        dbManager::StoredExtras extras;
        extras.state = {{"dial", "loud"},
                        {"attenuation", "80"},
                        {"colour", "red"},
                        {"tuning", "{\"ratios\": [\"1\"]}"}};
        QVERIFY(dbManager::writeScaleSpace(path, fourNotes(), extras) == std::nullopt);
        WindowHarness harness;
        child<QAbstractSlider>(harness, "cutoffDial")->setValue(640);
        harness.window.changeScaleSpace(path);
        QCOMPARE(harness.noteCount(), 4);
        QCOMPARE(child<QAbstractSlider>(harness, "attenuationSlider")->value(), 80);
        QCOMPARE(child<QAbstractSlider>(harness, "cutoffDial")->value(), 500);
        const QString status = harness.window.statusBar()->currentMessage();
        for (const char* key : {"dial", "colour", "tuning"}) {
            QVERIFY2(status.contains(QLatin1String(key)), qPrintable(status));
        }
        QVERIFY(child<QPlainTextEdit>(harness, "temperamentBox")->toPlainText().isEmpty());
    }

private:
    QTemporaryDir temp;
};

QTEST_MAIN(TestWindowKeptWork)
#include "tst_window_keptwork.moc"
