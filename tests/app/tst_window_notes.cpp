#include "app/shared/storageconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(Qt::Orientation)

namespace {

// The middle of a section, in the coordinates of the header's viewport.
QPoint sectionCentre(const QHeaderView* header, int section) {
    const int along = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    const int across =
        header->orientation() == Qt::Horizontal ? header->height() / 2 : header->width() / 2;
    return header->orientation() == Qt::Horizontal ? QPoint(along, across) : QPoint(across, along);
}

} // namespace

class TestWindowNotes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    void shiftMaps_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("note");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("add below") << true << 3 << 2 << 12 << 2;
        QTest::newRow("add at the position") << true << 3 << 3 << 12 << 4;
        QTest::newRow("add same repetition") << true << 3 << 5 << 12 << 6;
        QTest::newRow("add next repetition, below") << true << 3 << 14 << 12 << 15;
        QTest::newRow("add next repetition, copy") << true << 3 << 15 << 12 << 17;
        QTest::newRow("add two repetitions up") << true << 3 << 27 << 12 << 30;
        QTest::newRow("add after the last note") << true << 12 << 23 << 12 << 24;
        QTest::newRow("add before note 0") << true << 0 << 12 << 12 << 14;
        QTest::newRow("add, no notes counted as one") << true << 0 << 3 << 0 << 7;
        QTest::newRow("remove below") << false << 3 << 2 << 12 << 2;
        QTest::newRow("remove same repetition") << false << 3 << 5 << 12 << 4;
        QTest::newRow("remove next repetition, below") << false << 3 << 14 << 12 << 13;
        QTest::newRow("remove next repetition, above") << false << 3 << 16 << 12 << 14;
        QTest::newRow("remove two repetitions up") << false << 3 << 23 << 12 << 21;
    }

    void shiftMaps() {
        QFETCH(bool, adding);
        QFETCH(int, position);
        QFETCH(int, note);
        QFETCH(int, count);
        QFETCH(int, expected);
        QCOMPARE(adding ? postAddNoteShift(position, note, count)
                        : postRemoveNoteShift(position, note, count),
                 expected);
    }

    // On 12 notes: the range keeps every repetition shown, and the selected and fixed notes
    // follow their notes.
    void insertNote_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("noteToAdd");
        QTest::addColumn<bool>("before");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("fixed");
        QTest::addColumn<int>("expectedRange");
        QTest::addColumn<QList<int>>("expectedSelected");
        QTest::addColumn<QList<int>>("expectedFixed");
        QTest::newRow("after 11") << 24 << 12 << false << QList<int>{10, 11, 23} << QList<int>{11}
                                  << 25 << QList<int>{10, 11, 24} << QList<int>{11};
        QTest::newRow("before 3") << 24 << 3 << true << QList<int>{2, 3, 15} << QList<int>{15, 3}
                                  << 26 << QList<int>{2, 4, 17} << QList<int>{17, 4};
        QTest::newRow("before 0") << 13 << 0 << true << QList<int>{0, 12} << QList<int>{5} << 15
                                  << QList<int>{1, 14} << QList<int>{6};
        QTest::newRow("before 3 at the largest range")
            << 1024 << 3 << true << QList<int>{2, 1023} << QList<int>{1023} << 1024 << QList<int>{2}
            << QList<int>{};
        QTest::newRow("after 4, beyond the range")
            << 5 << 5 << false << QList<int>{4} << QList<int>{4} << 5 << QList<int>{4}
            << QList<int>{4};
    }

    void insertNote() {
        QFETCH(int, range);
        QFETCH(int, noteToAdd);
        QFETCH(bool, before);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, fixed);
        QFETCH(int, expectedRange);
        QFETCH(QList<int>, expectedSelected);
        QFETCH(QList<int>, expectedFixed);
        WindowHarness harness;
        harness.setNotes(range, selected, fixed);

        harness.window.handleAddNote(noteToAdd, before);

        QCOMPARE(harness.noteCount(), 13);
        QCOMPARE(harness.range->value(), expectedRange);
        QCOMPARE(harness.model->getRange(), expectedRange);
        QCOMPARE(harness.selection(), selectionText(expectedSelected));
        QCOMPARE(toList(harness.window.notesToSave()), expectedSelected);
        QCOMPARE(harness.fixedNotes(), expectedFixed);
    }

    // Note 0 is the model's reference from the start; inserting before it must not turn the
    // reference into a fixed note 1.
    void insertBeforeNoteZeroFixesNothing() {
        WindowHarness harness;
        harness.window.handleAddNote(0, true);
        const QList<int> fixed = harness.fixedNotes();
        QVERIFY2(!fixed.contains(1), qPrintable(QString::number(fixed.size())));
        QVERIFY(harness.model->flags(harness.model->index(1, 2)) & Qt::ItemIsEditable);
    }

    void deleteNote_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("noteToDelete");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("fixed");
        QTest::addColumn<int>("expectedRange");
        QTest::addColumn<QList<int>>("expectedSelected");
        QTest::addColumn<QList<int>>("expectedFixed");
        QTest::newRow("15 at 24") << 24 << 15 << QList<int>{3, 5, 15, 23} << QList<int>{23, 5, 3}
                                  << 22 << QList<int>{4, 21} << QList<int>{21, 4};
        QTest::newRow("0 at 13") << 13 << 0 << QList<int>{1, 12} << QList<int>{2, 12} << 11
                                 << QList<int>{0} << QList<int>{1};
        QTest::newRow("copies not shown") << 5 << 7 << QList<int>{1, 4} << QList<int>{4} << 5
                                          << QList<int>{1, 4} << QList<int>{4};
    }

    void deleteNote() {
        QFETCH(int, range);
        QFETCH(int, noteToDelete);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, fixed);
        QFETCH(int, expectedRange);
        QFETCH(QList<int>, expectedSelected);
        QFETCH(QList<int>, expectedFixed);
        WindowHarness harness;
        harness.setNotes(range, selected, fixed);

        harness.window.handleDeleteNote(noteToDelete);

        QCOMPARE(harness.noteCount(), 11);
        QCOMPARE(harness.range->value(), expectedRange);
        QCOMPARE(harness.selection(), selectionText(expectedSelected));
        QCOMPARE(toList(harness.window.notesToSave()), expectedSelected);
        QCOMPARE(harness.fixedNotes(), expectedFixed);
    }

    // The current cell follows its notes, and is given up when one of them is deleted.
    void currentCellFollowsItsNotes_data() {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<int>("note");
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<QPoint>("expected");
        // Points are (column, row).
        QTest::newRow("insert before 3") << true << 3 << QPoint(14, 5) << QPoint(15, 6);
        QTest::newRow("delete 15") << false << 15 << QPoint(23, 5) << QPoint(21, 4);
        QTest::newRow("delete a copy of the row") << false << 17 << QPoint(2, 5) << QPoint(-1, -1);
        QTest::newRow("delete a copy of the column")
            << false << 3 << QPoint(15, 1) << QPoint(-1, -1);
    }

    void currentCellFollowsItsNotes() {
        QFETCH(bool, adding);
        QFETCH(int, note);
        QFETCH(QPoint, cell);
        QFETCH(QPoint, expected);
        WindowHarness harness;
        harness.range->setValue(24);
        harness.makeCurrent(cell.y(), cell.x());
        if (adding) {
            harness.window.handleAddNote(note, true);
        } else {
            harness.window.handleDeleteNote(note);
        }
        QCOMPARE(harness.currentCell(), expected);
        if (expected.x() == -1) {
            QCOMPARE(harness.framedCell(), expected);
        }
    }

    // Clicks on header sections with 12 notes and range 25, on either header.
    void headerClicks_data() {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QList<int>>("sections");
        QTest::addColumn<QList<int>>("expectedSelected");
        QTest::addColumn<QList<int>>("expectedFixed");
        const Qt::KeyboardModifiers none;
        const Qt::KeyboardModifiers control(Qt::ControlModifier);
        const Qt::KeyboardModifiers shift(Qt::ShiftModifier);
        const Qt::KeyboardModifiers both(Qt::ControlModifier | Qt::ShiftModifier);
        const QList<int> start{0};
        QTest::newRow("plain 5, 2")
            << Qt::Horizontal << none << QList<int>{5, 2} << QList<int>{2, 5} << start;
        QTest::newRow("plain 5, 2, 5")
            << Qt::Vertical << none << QList<int>{5, 2, 5} << QList<int>{2} << start;
        QTest::newRow("control 14")
            << Qt::Vertical << control << QList<int>{14} << QList<int>{2, 14} << start;
        QTest::newRow("control 12, then 24")
            << Qt::Horizontal << control << QList<int>{12, 24} << QList<int>{} << start;
        QTest::newRow("shift 0") << Qt::Horizontal << shift << QList<int>{0} << QList<int>{}
                                 << start;
        QTest::newRow("shift 5") << Qt::Vertical << shift << QList<int>{5} << QList<int>{}
                                 << QList<int>{5};
        QTest::newRow("shift 5, 7, 5")
            << Qt::Horizontal << shift << QList<int>{5, 7, 5} << QList<int>{} << QList<int>{7};
        QTest::newRow("control-shift 12")
            << Qt::Horizontal << both << QList<int>{12} << QList<int>{} << QList<int>{12, 24};
        QTest::newRow("control-shift 0")
            << Qt::Vertical << both << QList<int>{0} << QList<int>{} << start;
        QTest::newRow("control-shift 14, then 2")
            << Qt::Vertical << both << QList<int>{14, 2} << QList<int>{} << QList<int>{};
    }

    void headerClicks() {
        QFETCH(Qt::Orientation, orientation);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QList<int>, sections);
        QFETCH(QList<int>, expectedSelected);
        QFETCH(QList<int>, expectedFixed);
        WindowHarness harness;
        QVERIFY(harness.exposed);
        harness.range->setValue(25);
        CustomHeaderView* header = harness.header(orientation);
        for (const int section : sections) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers,
                              sectionCentre(header, section));
        }
        QCOMPARE(harness.selection(), selectionText(expectedSelected));
        QCOMPARE(harness.fixedNotes(), expectedFixed);
    }

    void deleteOnlyWhileSeveralNotesRemain() {
        WindowHarness harness;
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QVERIFY(harness.deleteEnabled(orientation));
        }
        for (int deleted = 0; deleted < 11; ++deleted) {
            harness.window.handleDeleteNote(1);
        }
        QCOMPARE(harness.noteCount(), 1);
        QVERIFY(harness.range->value() >= 2);
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QVERIFY(!harness.deleteEnabled(orientation));
        }
        // Were the entry reached anyway, the last note stays.
        harness.window.handleDeleteNote(0);
        QCOMPARE(harness.noteCount(), 1);

        harness.window.handleAddNote(1, false);
        QCOMPARE(harness.noteCount(), 2);
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            QVERIFY(harness.deleteEnabled(orientation));
        }
    }

    void fixAll_data() {
        QTest::addColumn<QPoint>("cell");
        QTest::addColumn<bool>("staysCurrent");
        QTest::newRow("inside the table") << QPoint(5, 3) << false;
        QTest::newRow("in row 0") << QPoint(5, 0) << true;
        QTest::newRow("in column 0") << QPoint(0, 7) << true;
    }

    void fixAll() {
        QFETCH(QPoint, cell);
        QFETCH(bool, staysCurrent);
        WindowHarness harness;
        harness.makeCurrent(cell.y(), cell.x());
        const QSignalSpy resets(harness.model, &QAbstractItemModel::modelReset);
        harness.window.handleFixAll();
        QCOMPARE(harness.fixedNotes(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
        QVERIFY(!(harness.model->flags(harness.model->index(3, 5)) & Qt::ItemIsEnabled));
        // The view is told, so that it shows the disabled cells at once.
        QCOMPARE(resets.count(), 1);
        QCOMPARE(harness.framedCell(), staysCurrent ? cell : QPoint(-1, -1));
        if (staysCurrent) {
            QCOMPARE(harness.currentCell(), cell);
        }

        harness.window.handleUnfixAll();
        QCOMPARE(harness.fixedNotes(), QList<int>{});
        QVERIFY(harness.model->flags(harness.model->index(3, 5)) & Qt::ItemIsEditable);
    }

    // Fixing a note disables the framed cell in its row or column: the cell is given up.
    void fixingGivesUpADisabledCurrentCell_data() {
        QTest::addColumn<int>("note");
        QTest::addColumn<QPoint>("expectedFramed");
        QTest::newRow("its row") << 3 << QPoint(-1, -1);
        QTest::newRow("its column") << 5 << QPoint(-1, -1);
        QTest::newRow("another note") << 4 << QPoint(5, 3);
    }

    void fixingGivesUpADisabledCurrentCell() {
        QFETCH(int, note);
        QFETCH(QPoint, expectedFramed);
        WindowHarness harness;
        harness.makeCurrent(3, 5);
        harness.window.fixNotes({note}, true);
        QCOMPARE(harness.framedCell(), expectedFramed);
        if (expectedFramed.x() != -1) {
            QCOMPARE(harness.currentCell(), expectedFramed);
        }
    }

    void selectionBoxAndFill() {
        WindowHarness harness;
        harness.window.selectNotes({13 - 1, 2, 0}, true);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 1, 3, 13"));
        harness.window.selectNotes({2}, false);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 1, 13"));
        harness.window.handleClearSelection();
        QCOMPARE(harness.selection(), QString());
        QCOMPARE(harness.window.notesToSave().size(), std::size_t(13));
        harness.range->setValue(4);
        harness.window.handleFillSelection();
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 1, 2, 3, 4"));
    }

    // Lowering the range drops the notes no longer shown, for good, and gives up a current
    // cell outside the table.
    void lowerRangeDropsNotes() {
        WindowHarness harness;
        harness.window.selectNotes({3, 10, 12}, true);
        harness.window.fixNotes({12, 4}, true);
        harness.makeCurrent(2, 11);
        harness.range->setValue(11);
        QCOMPARE(harness.model->getRange(), 11);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 4, 11"));
        QCOMPARE(harness.fixedNotes(), QList<int>{4});
        QCOMPARE(harness.framedCell(), QPoint(-1, -1));
        harness.range->setValue(13);
        QCOMPARE(harness.selection(), QStringLiteral("Selection: 4, 11"));
    }
};

QTEST_MAIN(TestWindowNotes)
#include "tst_window_notes.moc"
