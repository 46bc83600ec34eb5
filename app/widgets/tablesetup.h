#pragma once

// Setting up the window's form: the interval table with its headers, delegate and section
// sizer, and the sizes of the boxes beside it.

#include <utility>

class CustomHeaderView;
class QBoxLayout;
class QLayout;
class QWidget;
class QAbstractItemModel;
class QAbstractSlider;
class QSpinBox;
class QString;
class QMainWindow;
class QPlainTextEdit;
class QTableView;
class ScaleSpace;

// The table over the model with the scale space's delegate, stretching note headers, single
// cell selection and mouse tracking; an editor still open is closed before a model reset.
// The horizontal and the vertical header.
std::pair<CustomHeaderView*, CustomHeaderView*>
setUpIntervalTable(QTableView* table, QAbstractItemModel* model, ScaleSpace* space);

// The output box wide enough for the longest line of a tuning.
void fitOutputBox(QPlainTextEdit* box);
// A box of one line of text that never scrolls.
void fitOneLine(QPlainTextEdit* box);
// The window grown by what the table lacks to show every cell whole, within the screen.
void fitWindowToTable(QMainWindow* window, QTableView* table);
// The control's tooltip; while the control is dragged it stays open beside it with the text.
void showLiveToolTip(QAbstractSlider* control, const QString& text);
// A spin box beside the slider (or dial) that shows its value and takes typed values, both
// ways in step with it; a typed value counts once Return or leaving the box commits it.
QSpinBox* attachValueBox(QAbstractSlider* control, const QString& objectName);

// The box layout that holds the widget itself, among the layout and those nested in it; null
// when there is none.
QBoxLayout* containingLayout(QLayout* layout, QWidget* widget);
