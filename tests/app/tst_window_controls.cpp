#include "app/making/tuningmaking.h"
#include "app/shared/storageconstants.h"
#include "app/shared/tuningconstants.h"
#include "storage/dbmanager.h"
#include "tests/app/windowharness.h"
#include "tests/common/numeric.h"

#include <QAbstractSlider>
#include <QButtonGroup>
#include <QClipboard>
#include <QDial>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QThreadPool>
#include <QToolTip>

#include <cmath>

Q_DECLARE_METATYPE(Qt::Key)
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

namespace {

using Cells = QList<QPair<QPoint, double>>;

struct ControlsHarness : WindowHarness {
    QPlainTextEdit* output = window.findChild<QPlainTextEdit*>("temperamentBox");
    QDial* dial = window.findChild<QDial*>("cutoffDial");
    QSlider* attenuation = window.findChild<QSlider*>("attenuationSlider");
    QSpinBox* precision = window.findChild<QSpinBox*>("precisionSpinBox");
    QComboBox* weightFunction = window.findChild<QComboBox*>("weightFuncCombo");
    QPushButton* make = window.findChild<QPushButton*>("makeButton");
    QPushButton* cancel = window.findChild<QPushButton*>("cancelButton");
    QPushButton* clear = window.findChild<QPushButton*>("clearButton");

    QRadioButton* radio(const char* name) const { return window.findChild<QRadioButton*>(name); }

    // Types a size (or weight, in that mode) into a cell, as the cell editor does.
    void type(int row, int column, const QString& text) {
        QVERIFY(model->setData(model->index(row, column), text, Qt::EditRole));
    }

    // The cells' intervals of the first rows and columns, sizes or weights.
    QList<double> snapshot(bool weights, int count = 13) const {
        QList<double> values;
        for (int row = 0; row < count; ++row) {
            for (int column = 0; column < count; ++column) {
                const Interval interval = model->interval(row, column);
                values << double(weights ? interval.weight : interval.size);
            }
        }
        return values;
    }
};

} // namespace

class TestWindowControls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(startLikeMain()); }

    void cleanup() { QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0); }

    // Space, Tab, "=" and "_" act on the window from any of its widgets that takes no typed
    // text, instead of moving the focus; a focused text field keeps them.
    void modeAndRangeKeysEverywhere_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<int>("startRange");
        QTest::addColumn<IntervalMode>("intervalMode");
        QTest::addColumn<DisplayMode>("displayMode");
        QTest::addColumn<int>("range");
        for (const char* target : {"temperamentBox", "scaleSpaceCombo", "table"}) {
            QTest::addRow("%s: Space", target)
                << QString(target) << Qt::Key_Space << 13 << IntervalMode::Weight
                << DisplayMode::Decimal << 13;
            QTest::addRow("%s: Tab", target) << QString(target) << Qt::Key_Tab << 13
                                             << IntervalMode::Size << DisplayMode::Cents << 13;
            QTest::addRow("%s: =", target) << QString(target) << Qt::Key_Equal << 13
                                           << IntervalMode::Size << DisplayMode::Decimal << 14;
            QTest::addRow("%s: -", target) << QString(target) << Qt::Key_Minus << 13
                                           << IntervalMode::Size << DisplayMode::Decimal << 12;
            QTest::addRow("%s: _", target) << QString(target) << Qt::Key_Underscore << 24
                                           << IntervalMode::Size << DisplayMode::Decimal << 12;
        }
        for (const char* target : {"rangeSpinBox", "cell editor"}) {
            for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Tab, Qt::Key_Equal, Qt::Key_Minus,
                                      Qt::Key_Underscore, Qt::Key_Plus}) {
                QTest::addRow("%s: key %x", target, int(key))
                    << QString(target) << key << 24 << IntervalMode::Size << DisplayMode::Decimal
                    << 24;
            }
        }
    }

    void modeAndRangeKeysEverywhere() {
        QFETCH(QString, target);
        QFETCH(Qt::Key, key);
        QFETCH(int, startRange);
        QFETCH(IntervalMode, intervalMode);
        QFETCH(DisplayMode, displayMode);
        QFETCH(int, range);
        ControlsHarness harness;
        harness.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&harness.window));
        harness.range->setValue(startRange);
        QWidget* widget = harness.window.findChild<QWidget*>(target);
        if (target == "rangeSpinBox") {
            // As a click on its arrows leaves it.
            widget->setFocus(Qt::MouseFocusReason);
        }
        if (target == "table" || target == "cell editor") {
            harness.makeCurrent(1, 2);
            widget = harness.table;
        }
        QLineEdit* editor = nullptr;
        if (target == "cell editor") {
            harness.table->edit(harness.model->index(1, 2));
            editor = harness.table->findChild<QLineEdit*>();
            widget = editor;
        }
        QVERIFY(widget);
        const QString before = editor != nullptr ? editor->text() : QString();
        QTest::keyClick(widget, key);
        QCOMPARE(harness.model->getIntervalMode(), intervalMode);
        QCOMPARE(harness.model->getDisplayMode(), displayMode);
        QCOMPARE(harness.model->getRange(), range);
        QCOMPARE(harness.range->value(), range);
        // The radio buttons follow the modes.
        QCOMPARE(harness.radio("weightRadioButton")->isChecked(),
                 intervalMode == IntervalMode::Weight);
        QCOMPARE(harness.radio("centsRadioButton")->isChecked(), displayMode == DisplayMode::Cents);
        if (editor != nullptr && key != Qt::Key_Tab) {
            // Typed into the editor: the character replaces the selected text.
            QCOMPARE(editor->text(),
                     QTest::keyToAscii(key) != 0 ? QString(QChar(QTest::keyToAscii(key))) : before);
        }
    }

    // Every cell text shows whole on one line: its advance plus the style's margins fits its
    // section, for every built-in scale space at its default range.
    void cellTextsShowWhole_data() {
        QTest::addColumn<QString>("space");
        QTest::addColumn<DisplayMode>("displayMode");
        QTest::addColumn<IntervalMode>("intervalMode");
        QTest::addColumn<int>("precision");
        for (const QString& space : defaultScaleSpaces.mid(0, 7)) {
            for (const int precision : {4, 15}) {
                QTest::addRow("%s decimal %d", qPrintable(space), precision)
                    << space << DisplayMode::Decimal << IntervalMode::Size << precision;
                QTest::addRow("%s cents %d", qPrintable(space), precision)
                    << space << DisplayMode::Cents << IntervalMode::Size << precision;
                QTest::addRow("%s weight %d", qPrintable(space), precision)
                    << space << DisplayMode::Cents << IntervalMode::Weight << precision;
            }
        }
    }

    void cellTextsShowWhole() {
        QFETCH(QString, space);
        QFETCH(DisplayMode, displayMode);
        QFETCH(IntervalMode, intervalMode);
        QFETCH(int, precision);
        ControlsHarness harness;
        harness.window.handleScaleSpaceActivated(space);
        harness.window.handleChangeDisplay(displayMode);
        harness.window.handleChangeSizeWeight(intervalMode);
        harness.precision->setValue(precision);
        QCoreApplication::processEvents();
        QCOMPARE(shownTitle(harness.window), space + " - Quillmere");

        const QFontMetrics metrics = harness.table->fontMetrics();
        const QStyle* style = harness.table->style();
        const int margins =
            2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, harness.table) + 1) +
            (harness.table->showGrid() ? 1 : 0);
        const QHeaderView* columns = harness.table->horizontalHeader();
        const QHeaderView* rows = harness.table->verticalHeader();
        QVERIFY(!harness.table->wordWrap());
        for (int row = 0; row < harness.model->getRange(); ++row) {
            QVERIFY(rows->sectionSize(row) >= metrics.height());
            for (int column = 0; column < harness.model->getRange(); ++column) {
                const QString text = harness.model->index(row, column).data().toString();
                QVERIFY2(metrics.horizontalAdvance(text) + margins <= columns->sectionSize(column),
                         qPrintable(QStringLiteral("%1 in column %2 of width %3")
                                        .arg(text)
                                        .arg(column)
                                        .arg(columns->sectionSize(column))));
            }
        }
    }

    // The dial and the slider say their value, the dial also its cutoff for the notes to tune;
    // a header section says its note's state.
    void tooltipsFollowTheState_data() {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("fixed");
        QTest::addColumn<QString>("noteSix");
        QTest::newRow("nothing") << QList<int>{} << QList<int>{} << "Note 6";
        QTest::newRow("selected") << QList<int>{2, 5} << QList<int>{} << "Note 6: selected";
        QTest::newRow("fixed") << QList<int>{} << QList<int>{5} << "Note 6: fixed";
        QTest::newRow("both") << QList<int>{0, 5, 7} << QList<int>{5} << "Note 6: selected, fixed";
    }

    void tooltipsFollowTheState() {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, fixed);
        QFETCH(QString, noteSix);
        ControlsHarness harness;
        harness.setNotes(13, selected, fixed);
        harness.dial->setValue(700);
        harness.attenuation->setValue(30);
        const int notes = selected.isEmpty() ? 13 : int(selected.size());
        QCOMPARE(harness.dial->toolTip(), "Maker precision: 700 of 1000\nWeight cutoff: " +
                                              makeNumberText(makeCutoff(notes, 700, 1000), true));
        QCOMPARE(harness.attenuation->toolTip(), QStringLiteral("Weight attenuation: 30 of 100"));
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            CustomHeaderView* header = harness.header(orientation);
            QCOMPARE(header->noteStateText(5), noteSix);
            // Selected sections in the highlight colour; fixed ones with a dark pin at their
            // leading corner, where a plain section shows its own face.
            const QImage image = header->viewport()->grab().toImage();
            const int start = header->sectionViewportPosition(5);
            const QPoint inside = orientation == Qt::Horizontal
                                      ? QPoint(start + header->sectionSize(5) / 2, 2)
                                      : QPoint(2, start + header->sectionSize(5) / 2);
            const QPoint corner =
                orientation == Qt::Horizontal ? QPoint(start + 6, 6) : QPoint(6, start + 6);
            // Fusion shades a section's face a little: near the highlight is highlighted.
            const QColor highlight = header->palette().color(QPalette::Highlight);
            const QColor face = image.pixelColor(inside);
            QCOMPARE(std::abs(face.hue() - highlight.hue()) < 10 && face.saturation() > 100,
                     selected.contains(5));
            QCOMPARE(image.pixelColor(corner).lightness() < 80, fixed.contains(5));
        }
    }

    // A reset while a cell editor is open closes the editor first: nothing it does afterwards
    // reaches a view that no longer knows it.
    void resetWithAnOpenEditor_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("range") << "range";
        QTest::newRow("precision") << "precision";
        QTest::newRow("interval mode") << "interval mode";
    }

    void resetWithAnOpenEditor() {
        QFETCH(QString, change);
        QTest::failOnWarning(QRegularExpression("does not belong to this view"));
        ControlsHarness harness;
        harness.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&harness.window));
        harness.makeCurrent(0, 6);
        harness.table->edit(harness.model->index(0, 6));
        QPointer<QLineEdit> editor = harness.table->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText("1.3");
        // The reset comes while a commit may still be on its way.
        QTest::keyClick(editor, Qt::Key_Return);
        if (change == "range") {
            harness.range->setValue(14);
        } else if (change == "precision") {
            harness.precision->setValue(6);
        } else {
            harness.window.handleChangeSizeWeight(IntervalMode::Weight);
        }
        harness.weightFunction->setFocus();
        QTRY_VERIFY(editor.isNull());
        QCoreApplication::processEvents();
        // The text was committed with Return, before the reset.
        QUILLMERE_COMPARE_CLOSE(harness.model->interval(0, 6).size, 1.3L);
    }

    // What is typed into a cell editor and confirmed with Return is stored as typed; the modes
    // and the weight function stay.
    void typingIntoCellEditor_data() {
        QTest::addColumn<DisplayMode>("displayMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<long double>("size");
        QTest::addColumn<QString>("status");
        QTest::newRow("mixed number") << DisplayMode::Decimal << "1 1/2" << 1.5L << QString();
        QTest::newRow("negative cents")
            << DisplayMode::Cents << "-1 1/2" << std::pow(2.0L, -1.5L / 1200) << QString();
        QTest::newRow("negative size")
            << DisplayMode::Decimal << "-3/2" << 45.0L / 32
            << QStringLiteral("Cannot use \"-3/2\": a size must be positive.");
        QTest::newRow("not a number")
            << DisplayMode::Decimal << "1 + 1" << 45.0L / 32
            << QStringLiteral("Cannot use \"1 + 1\": it is not a number.");
        QTest::newRow("zero denominator")
            << DisplayMode::Decimal << "3/0" << 45.0L / 32
            << QStringLiteral("Cannot use \"3/0\": its denominator is zero.");
        QTest::newRow("out of range")
            << DisplayMode::Cents << "99999999" << 45.0L / 32
            << QStringLiteral("Cannot use \"99999999\": the number is out of range.");
    }

    void typingIntoCellEditor() {
        QFETCH(DisplayMode, displayMode);
        QFETCH(QString, typed);
        QFETCH(long double, size);
        QFETCH(QString, status);
        ControlsHarness harness;
        harness.window.handleChangeDisplay(displayMode);
        harness.makeCurrent(0, 6);
        harness.table->edit(harness.model->index(0, 6));
        auto* editor = harness.table->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QCOMPARE(editor->text(), typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits and closes the editor through the event loop.
        QCoreApplication::processEvents();
        QUILLMERE_COMPARE_CLOSE(harness.model->interval(0, 6).size, size);
        QCOMPARE(harness.model->getIntervalMode(), IntervalMode::Size);
        QCOMPARE(harness.model->getDisplayMode(), displayMode);
        QCOMPARE(harness.model->getWeightMode(), WeightMode::Function);
        QCOMPARE(harness.window.findChild<QComboBox*>("weightFuncCombo")->currentText(),
                 QStringLiteral("Benedetti"));
        QCOMPARE(harness.window.statusBar()->currentMessage(), status);
    }

    // Other windows, such as the file dialogs, keep their own typing.
    void keysOfOtherWindowsPassOn() {
        ControlsHarness harness;
        QLineEdit elsewhere;
        elsewhere.show();
        QVERIFY(QTest::qWaitForWindowExposed(&elsewhere));
        QTest::keyClicks(&elsewhere, "my scale_1=2");
        QTest::keyClick(&elsewhere, Qt::Key_Left);
        QCOMPARE(elsewhere.text(), QStringLiteral("my scale_1=2"));
        QCOMPARE(elsewhere.cursorPosition(), 11);
        QCOMPARE(harness.model->getIntervalMode(), IntervalMode::Size);
        QCOMPARE(harness.model->getRange(), 13);
    }

    void valueKeys_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers control = Qt::ControlModifier;
        QTest::newRow("Shift and +: one repetition more")
            << Qt::Key_Plus << shift << "rangeSpinBox" << 13 << 25;
        QTest::newRow("Shift and + past the largest range")
            << Qt::Key_Plus << shift << "rangeSpinBox" << 1020 << 1020;
        QTest::newRow("Shift and -: one repetition fewer")
            << Qt::Key_Minus << shift << "rangeSpinBox" << 24 << 12;
        QTest::newRow("_ at one repetition")
            << Qt::Key_Underscore << none << "rangeSpinBox" << 13 << 13;
        QTest::newRow("Control and +") << Qt::Key_Plus << control << "rangeSpinBox" << 13 << 14;
        QTest::newRow("Control and -") << Qt::Key_Minus << control << "rangeSpinBox" << 13 << 12;
        QTest::newRow("Control and Up") << Qt::Key_Up << control << "cutoffDial" << 500 << 501;
        QTest::newRow("Control and Down") << Qt::Key_Down << control << "cutoffDial" << 500 << 499;
        QTest::newRow("Control and Left")
            << Qt::Key_Left << control << "attenuationSlider" << 50 << 49;
        QTest::newRow("Control and Right")
            << Qt::Key_Right << control << "attenuationSlider" << 50 << 51;
    }

    void valueKeys() {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, control);
        QFETCH(int, start);
        QFETCH(int, expected);
        ControlsHarness harness;
        QObject* target = harness.window.findChild<QObject*>(control);
        QVERIFY(target);
        QVERIFY(target->setProperty("value", start));
        QTest::keyClick(harness.output, key, modifiers);
        QCOMPARE(target->property("value").toInt(), expected);
        // The handlers ran.
        if (control == "rangeSpinBox") {
            QCOMPARE(harness.model->getRange(), expected);
        } else if (control == "attenuationSlider") {
            QCOMPARE(harness.model->getAttenuation(), expected);
        }
    }

    // With 12 notes and range 25: Shift and an arrow move the current cell one repetition.
    void shiftArrowsMoveOneRepetition_data() {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QPoint>("expected");
        // Points are (column, row).
        QTest::newRow("left") << QPoint(14, 5) << Qt::Key_Left << QPoint(2, 5);
        QTest::newRow("left at the edge") << QPoint(2, 5) << Qt::Key_Left << QPoint(2, 5);
        QTest::newRow("right") << QPoint(2, 5) << Qt::Key_Right << QPoint(14, 5);
        QTest::newRow("right past the table") << QPoint(14, 5) << Qt::Key_Right << QPoint(14, 5);
        QTest::newRow("up") << QPoint(5, 14) << Qt::Key_Up << QPoint(5, 2);
        QTest::newRow("down") << QPoint(5, 2) << Qt::Key_Down << QPoint(5, 14);
        QTest::newRow("down past the table") << QPoint(5, 14) << Qt::Key_Down << QPoint(5, 14);
    }

    void shiftArrowsMoveOneRepetition() {
        QFETCH(QPoint, start);
        QFETCH(Qt::Key, key);
        QFETCH(QPoint, expected);
        ControlsHarness harness;
        harness.range->setValue(25);
        harness.makeCurrent(start.y(), start.x());
        QTest::keyClick(harness.table, key, Qt::ShiftModifier);
        QCOMPARE(harness.currentCell(), expected);
    }

    // Arrows move nothing in the table until a cell is framed; a spin box keeps its own.
    void arrowsWaitForAFramedCell() {
        ControlsHarness harness;
        QTest::keyClick(harness.table, Qt::Key_Down);
        QCOMPARE(harness.currentCell(), QPoint(-1, -1));
        QTest::keyClick(harness.range, Qt::Key_Up);
        QCOMPARE(harness.range->value(), 14);
    }

    // On the table, Delete and Backspace reset the current cell and press no button.
    void deleteKeysResetTheCell_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Control and Backspace")
            << Qt::Key_Backspace << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("Control and Delete")
            << Qt::Key_Delete << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("Backspace") << Qt::Key_Backspace << Qt::KeyboardModifiers();
        QTest::newRow("Delete") << Qt::Key_Delete << Qt::KeyboardModifiers();
    }

    void deleteKeysResetTheCell() {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        ControlsHarness harness;
        harness.makeCurrent(1, 2);
        harness.type(1, 2, "3/2");
        const QSignalSpy clearClicks(harness.clear, &QPushButton::clicked);
        const QSignalSpy cancelClicks(harness.cancel, &QPushButton::clicked);
        QTest::keyClick(harness.table, key, modifiers);
        QCOMPARE(harness.model->data(harness.model->index(1, 2)).toString(), QStringLiteral("1"));
        QCOMPARE(clearClicks.count(), 0);
        QCOMPARE(cancelClicks.count(), 0);
    }

    // Elsewhere Control and Return, Delete and Backspace press "Make", "Cancel" and "Clear".
    void makingKeys() {
        ControlsHarness harness;
        harness.window.selectNotes({2, 5, 7}, true);
        QTest::keyClick(harness.output, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(harness.output->toPlainText().startsWith("Decimal tuning"));
        QTest::keyClick(harness.output, Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(harness.output->toPlainText(), QString());

        // A search that would run for hours.
        harness.window.handleClearSelection();
        harness.range->setValue(48);
        harness.dial->setValue(1000);
        QTest::keyClick(harness.output, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(harness.cancel->isEnabled());
        QTest::keyClick(harness.output, Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(!harness.cancel->isEnabled());
        QCOMPARE(harness.output->toPlainText(), QString());
    }

    void escapeClearsTheCurrentCell() {
        ControlsHarness harness;
        harness.makeCurrent(3, 4);
        QTest::keyClick(harness.output, Qt::Key_Escape);
        QCOMPARE(harness.currentCell(), QPoint(-1, -1));
        QCOMPARE(harness.framedCell(), QPoint(-1, -1));
        QVERIFY(!harness.table->selectionModel()->hasSelection());
    }

    void focusOnTheOutputClearsTheTableSelection() {
        ControlsHarness harness;
        harness.makeCurrent(3, 4);
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(harness.output, &focusIn);
        QCOMPARE(harness.framedCell(), QPoint(-1, -1));
        QVERIFY(!harness.table->selectionModel()->hasSelection());
    }

    void copyTheCurrentValue_data() {
        QTest::addColumn<IntervalMode>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("size") << IntervalMode::Size << "3/2"
                              << "1.50000000000000000e+00";
        QTest::newRow("weight") << IntervalMode::Weight << "0.25"
                                << "2.50000000000000000e-01";
    }

    void copyTheCurrentValue() {
        QFETCH(IntervalMode, mode);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        ControlsHarness harness;
        harness.window.handleChangeSizeWeight(mode);
        harness.type(0, 7, typed);
        harness.makeCurrent(0, 7);
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(harness.table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    // Pasting writes the block at the current cell, leaving alone each pair of mirror cells
    // inside it. Within one period every cell is a size of its own; cells reaching into the
    // next repetition follow from them.
    void pasteABlock_data() {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QString>("clipboard");
        // (column, row) and the size written there.
        QTest::addColumn<Cells>("written");
        QTest::addColumn<bool>("onePeriod");
        QTest::newRow("two lines above the diagonal")
            << QPoint(1, 0) << "1.25\t1.5\n1.75\t1.875"
            << Cells{{QPoint(1, 0), 1.25}, {QPoint(2, 0), 1.5}, {QPoint(2, 1), 1.875}} << true;
        QTest::newRow("the same block across the diagonal")
            << QPoint(1, 1) << "1.25\t1.5\n1.75\t1.875" << Cells{} << true;
        QTest::newRow("one line, an empty cell, spaces and a fraction")
            << QPoint(3, 0) << " 5/4 \t\t1.5\r\n"
            << Cells{{QPoint(3, 0), 1.25}, {QPoint(5, 0), 1.5}} << true;
        QTest::newRow("past the table's edge")
            << QPoint(12, 1) << "1.25\t1.5" << Cells{{QPoint(12, 1), 1.25}} << false;
    }

    void pasteABlock() {
        QFETCH(QPoint, start);
        QFETCH(QString, clipboard);
        QFETCH(Cells, written);
        QFETCH(bool, onePeriod);
        ControlsHarness harness;
        const QList<double> before = harness.snapshot(false, 12);
        harness.makeCurrent(start.y(), start.x());
        QGuiApplication::clipboard()->setText(clipboard);
        QTest::keyClick(harness.table, Qt::Key_V, Qt::ControlModifier);

        for (const auto& [cell, size] : written) {
            QCOMPARE(double(harness.model->interval(cell.y(), cell.x()).size), size);
        }
        if (!onePeriod) {
            return;
        }
        const QList<double> after = harness.snapshot(false, 12);
        for (int row = 0; row < 12; ++row) {
            for (int column = 0; column < 12; ++column) {
                double expected = before[row * 12 + column];
                for (const auto& [cell, size] : written) {
                    if (cell == QPoint(column, row)) {
                        expected = size;
                    } else if (cell == QPoint(row, column)) {
                        expected = 1 / size;
                    }
                }
                QVERIFY2(qFuzzyCompare(after[row * 12 + column], expected),
                         qPrintable(QString("row %1, column %2").arg(row).arg(column)));
            }
        }
    }

    void tooltipOfACell() {
        ControlsHarness harness;
        harness.type(2, 7, "3/2");
        harness.window.handleChangeSizeWeight(IntervalMode::Weight);
        harness.type(2, 7, "1");
        const QString expected = "Interval: [3, 8]\nSize (d): 1.5\nSize (c): "
                                 "7.019550008653874e+02\nWeight: 1.000000000000000e+00";
        const QModelIndex cell = harness.model->index(2, 7);
        QCOMPARE(harness.window.makeTooltipText(cell), expected);

        // The viewport's tooltip event shows it.
        QWidget* viewport = harness.table->viewport();
        const QPoint position = harness.table->visualRect(cell).center();
        QHelpEvent event(QEvent::ToolTip, position, viewport->mapToGlobal(position));
        QVERIFY(QCoreApplication::sendEvent(viewport, &event));
        QTRY_COMPARE(QToolTip::text(), expected);
        QToolTip::hideText();
    }

    // "Arbitrary" keeps every weight; a weight function chosen afterwards recomputes them all.
    void weightFunctions_data() {
        QTest::addColumn<QString>("function");
        QTest::newRow("Benedetti") << "Benedetti";
        QTest::newRow("Uniform") << "Uniform";
    }

    void weightFunctions() {
        QFETCH(QString, function);
        ControlsHarness fresh;
        fresh.weightFunction->setCurrentText(function);
        const QList<double> functionWeights = fresh.snapshot(true);

        ControlsHarness harness;
        harness.attenuation->setValue(80);
        const QList<double> before = harness.snapshot(true);
        harness.weightFunction->setCurrentText("Arbitrary");
        QCOMPARE(harness.model->getWeightMode(), WeightMode::Arbitrary);
        QCOMPARE(harness.snapshot(true), before);

        harness.window.handleChangeSizeWeight(IntervalMode::Weight);
        harness.type(0, 3, "0.25");
        harness.attenuation->setValue(50);
        harness.weightFunction->setCurrentText(function);
        QCOMPARE(harness.model->getWeightMode(), WeightMode::Function);
        QCOMPARE(harness.snapshot(true), functionWeights);
    }

    // Each control changes the table and leaves its current cell and the focus where they were.
    void controlsKeepTheCurrentCell_data() {
        QTest::addColumn<int>("control");
        QTest::newRow("precision") << 0;
        QTest::newRow("attenuation") << 1;
        QTest::newRow("display mode button") << 2;
        QTest::newRow("interval mode button") << 3;
        QTest::newRow("weight function") << 4;
        QTest::newRow("cutoff dial") << 5;
    }

    void controlsKeepTheCurrentCell() {
        QFETCH(int, control);
        ControlsHarness harness;
        harness.makeCurrent(5, 6);
        harness.range->setFocus();
        switch (control) {
        case 0:
            harness.precision->setValue(7);
            QCOMPARE(harness.model->getPrecision(), 7);
            break;
        case 1:
            harness.attenuation->setValue(20);
            QCOMPARE(harness.model->getAttenuation(), 20);
            break;
        case 2:
            QTest::mouseClick(harness.radio("centsRadioButton"), Qt::LeftButton);
            QCOMPARE(harness.model->getDisplayMode(), DisplayMode::Cents);
            break;
        case 3:
            QTest::mouseClick(harness.radio("weightRadioButton"), Qt::LeftButton);
            QCOMPARE(harness.model->getIntervalMode(), IntervalMode::Weight);
            break;
        case 4:
            harness.weightFunction->setCurrentText("Uniform");
            QCOMPARE(double(harness.model->interval(5, 6).weight), 1.0);
            break;
        default:
            harness.dial->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            QCOMPARE(harness.dial->value(), 501);
            break;
        }
        QCOMPARE(harness.currentCell(), QPoint(6, 5));
        QCOMPARE(harness.window.focusWidget(), harness.table);
    }

    // Lowering the range below the current cell deselects it and drops the selected notes no
    // longer shown; raising it again brings neither back.
    void lowerRangeBelowTheCurrentCell() {
        ControlsHarness harness;
        harness.range->setValue(25);
        harness.window.selectNotes({3, 14, 20}, true);
        harness.makeCurrent(5, 14);
        harness.range->setValue(13);
        QVERIFY(!harness.table->selectionModel()->hasSelection());
        QCOMPARE(harness.framedCell(), QPoint(-1, -1));
        QCOMPARE(harness.selection(), selectionText({3}));
        harness.range->setValue(25);
        QCOMPARE(harness.selection(), selectionText({3}));
        QVERIFY(!harness.table->selectionModel()->hasSelection());
    }

    // The dial and the attenuation slider show their values in a box that takes typed ones,
    // both ways in step.
    void valueBoxesFollowTheirControls_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("typed");
        QTest::newRow("dial") << "cutoffDial"
                              << "cutoffSpinBox" << 700;
        QTest::newRow("attenuation") << "attenuationSlider"
                                     << "attenuationSpinBox" << 80;
    }

    void valueBoxesFollowTheirControls() {
        QFETCH(QString, control);
        QFETCH(QString, box);
        QFETCH(int, typed);
        WindowHarness harness;
        auto* slider = harness.window.findChild<QAbstractSlider*>(control);
        auto* spinBox = harness.window.findChild<QSpinBox*>(box);
        QVERIFY(slider != nullptr && spinBox != nullptr);
        QCOMPARE(spinBox->value(), slider->value());
        QCOMPARE(spinBox->maximum(), slider->maximum());
        spinBox->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(spinBox, QString::number(typed));
        QTest::keyClick(spinBox, Qt::Key_Return);
        QCOMPARE(slider->value(), typed);
        slider->setValue(typed / 2);
        QCOMPARE(spinBox->value(), typed / 2);
    }
};

QTEST_MAIN(TestWindowControls)
#include "tst_window_controls.moc"
