#include "app/editing/edithistory.h"
#include "app/menus/windowmenus.h"
#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"
#include "tests/common/twelveedo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

namespace {

// Everything an edit may change and undo must give back.
struct Snapshot {
    SizePattern pattern;
    int range;
    QList<int> selected;
    QList<int> fixed;
    QStringList weights;

    explicit Snapshot(const WindowHarness& harness)
        : pattern(harness.shownPattern(harness.noteCount(2.0L))), range(harness.model->getRange()),
          selected(harness.selectedList()), fixed(harness.fixedNotes()) {
        for (int row = 0; row < range; ++row) {
            weights << harness.model->weightText(harness.model->weightValue(row, 0));
        }
    }
    bool operator==(const Snapshot& other) const {
        return pattern == other.pattern && range == other.range && selected == other.selected &&
               fixed == other.fixed && weights == other.weights;
    }
};

// Answers the next question box with the given button, once.
void answerNextQuestion(QMessageBox::StandardButton button, QString* asked) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button, asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *asked = box->text();
            box->button(button)->click();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

} // namespace

class TestWindowHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    // Each kind of edit is one command: undo gives back the sizes bit for bit with the range,
    // selection and fixed notes of before, redo the state after; the title marks the change.
    void undoAndRedo_data() {
        QTest::addColumn<QString>("edit");
        for (const char* edit : {"size", "repetition", "weight", "paste", "insert note",
                                 "delete note", "leave arbitrary"}) {
            QTest::newRow(edit) << QString(edit);
        }
    }

    void undoAndRedo() {
        QFETCH(QString, edit);
        WindowHarness harness;
        harness.setNotes(20, {1, 3, 14}, {3, 15});
        harness.makeCurrent(2, 5);
        auto* weightFunction = harness.window.findChild<QComboBox*>("weightFuncCombo");
        if (edit == "leave arbitrary") {
            // Typed weights, which switching to a weight function would drop.
            weightFunction->setCurrentText("Arbitrary");
            harness.window.handleChangeSizeWeight(IntervalMode::Weight);
            QVERIFY(harness.model->setData(harness.model->index(2, 0), "7"));
            harness.window.handleChangeSizeWeight(IntervalMode::Size);
            harness.window.editHistory()->stack()->clear();
        }
        const Snapshot before(harness);
        QCOMPARE(shownTitle(harness.window), QStringLiteral("12edo - Quillmere"));

        if (edit == "size") {
            QVERIFY(harness.model->setData(harness.model->index(2, 5), "1.3"));
        } else if (edit == "repetition") {
            QVERIFY(harness.model->setData(harness.model->index(0, 12), "2.01"));
        } else if (edit == "weight") {
            harness.window.handleChangeSizeWeight(IntervalMode::Weight);
            QVERIFY(harness.model->setData(harness.model->index(2, 5), "2"));
        } else if (edit == "paste") {
            QGuiApplication::clipboard()->setText("1.1\t1.2\n1.3\t1.4");
            QTest::keyClick(harness.table, Qt::Key_V, Qt::ControlModifier);
        } else if (edit == "insert note") {
            harness.window.handleAddNote(2, true);
        } else if (edit == "leave arbitrary") {
            weightFunction->setCurrentIndex(0);
        } else {
            harness.window.handleDeleteNote(2);
        }
        const Snapshot after(harness);
        QVERIFY(!(after == before));
        QUndoStack* stack = harness.window.editHistory()->stack();
        QCOMPARE(stack->count(), 1);
        QCOMPARE(shownTitle(harness.window), QStringLiteral("12edo* - Quillmere"));

        // Not edits: they leave the history alone, and undo puts their state back too.
        harness.window.handleChangeDisplay(DisplayMode::Cents);
        harness.window.handleChangeDisplay(DisplayMode::Decimal);
        QCOMPARE(stack->count(), 1);

        QTest::keyClick(&harness.window, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Snapshot(harness), before);
        QCOMPARE(shownTitle(harness.window), QStringLiteral("12edo - Quillmere"));
        QTest::keyClick(&harness.window, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Snapshot(harness), after);
        stack->undo();
        QTest::keyClick(&harness.window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Snapshot(harness), after);

        // Another scale space starts a history of its own.
        stack->setClean();
        harness.window.handleScaleSpaceActivated("19edo");
        QCOMPARE(stack->count(), 0);
    }

    // Files opened or saved head File > Open Recent; a file that has gone is left out, and
    // choosing an entry opens it.
    void recentFiles() {
        QTemporaryDir folder;
        const QString first = QDir(folder.path()).filePath("first.qmx");
        const QString second = QDir(folder.path()).filePath("second.qmx");
        const QString gone = QDir(folder.path()).filePath("gone.qmx");
        for (const QString& path : {first, second, gone}) {
            QVERIFY(QFile::copy(QDir(pitchSpacesPath).filePath("12edo.qmx"), path));
        }
        WindowHarness harness;
        for (const QString& path : {gone, first, second}) {
            harness.window.changeScaleSpace(path);
            harness.window.handleSaveSubScaleSpace();
        }
        QVERIFY(QFile::remove(gone));
        QMenu* recent = harness.window.windowMenus()->menu("menuRecent");
        emit recent->aboutToShow();
        QStringList entries;
        for (const QAction* action : recent->actions()) {
            entries << action->text();
        }
        QCOMPARE(entries,
                 QStringList({QDir::toNativeSeparators(second), QDir::toNativeSeparators(first)}));
        recent->actions().at(1)->trigger();
        QCOMPARE(shownTitle(harness.window), QStringLiteral("first - Quillmere"));
    }

    // Before unsaved edits go, the window asks; Cancel keeps everything as it was, Discard
    // lets them go, Save writes them into the current file first.
    void questionBeforeDiscarding_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        for (const char* trigger : {"library entry", "close", "import"}) {
            QTest::addRow("%s, cancel", trigger) << QString(trigger) << QMessageBox::Cancel;
            QTest::addRow("%s, discard", trigger) << QString(trigger) << QMessageBox::Discard;
            QTest::addRow("%s, save", trigger) << QString(trigger) << QMessageBox::Save;
        }
    }

    void questionBeforeDiscarding() {
        QFETCH(QString, trigger);
        QFETCH(QMessageBox::StandardButton, answer);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath("mine.qmx");
        QVERIFY(QFile::copy(QDir(pitchSpacesPath).filePath("12edo.qmx"), path));
        const QString scala = QDir(folder.path()).filePath("meantone.scl");
        {
            QFile file(scala);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("! meantone.scl\n  ! a comment with leading blanks\nthree notes\n 3\n"
                       "193.157\n503.422\n2/1\n");
        }
        WindowHarness harness;
        harness.window.changeScaleSpace(path);
        QVERIFY(harness.model->setData(harness.model->index(0, 1), "1.1"));
        QCOMPARE(shownTitle(harness.window), QStringLiteral("mine* - Quillmere"));

        QString asked;
        answerNextQuestion(answer, &asked);
        bool closed = false;
        if (trigger == "library entry") {
            harness.combo->setCurrentText("19edo");
            emit harness.combo->textActivated("19edo");
        } else if (trigger == "close") {
            closed = harness.window.close();
        } else {
            harness.window.importScala(scala);
        }
        QCOMPARE(asked, QStringLiteral("Save changes to mine?"));

        const SizePattern stored = dbManager::readScaleSpace(path).pattern;
        QCOMPARE(stored[0][0] == 1.1L, answer == QMessageBox::Save);
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(shownTitle(harness.window), QStringLiteral("mine* - Quillmere"));
            QCOMPARE(harness.model->interval(0, 1).size, 1.1L);
            QCOMPARE(harness.combo->currentText(), customEntry);
            QVERIFY(!closed);
            return;
        }
        if (trigger == "close") {
            QVERIFY(closed);
        } else if (trigger == "import") {
            QCOMPARE(shownTitle(harness.window), QStringLiteral("meantone* - Quillmere"));
            QCOMPARE(harness.noteCount(), 3);
        } else {
            QCOMPARE(shownTitle(harness.window), QStringLiteral("19edo - Quillmere"));
        }
    }
};

QTEST_MAIN(TestWindowHistory)
#include "tst_window_history.moc"
