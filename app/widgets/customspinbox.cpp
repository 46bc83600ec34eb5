#include "app/widgets/customspinbox.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

CustomSpinBox::CustomSpinBox(QWidget* parent) : QSpinBox(parent) {
    // A typed value counts once Return or leaving the box commits it, so that the table is not
    // rebuilt for every digit on the way.
    setKeyboardTracking(false);
}

CustomSpinBox::~CustomSpinBox() = default;

void CustomSpinBox::focusInEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusInEvent(event);
    deselectLater();
}

void CustomSpinBox::stepBy(int steps) {
    QAbstractSpinBox::stepBy(steps);
    deselectLater();
}

// The base class selects the whole text after it has handled the event, so the selection is
// removed once control is back in the event loop.
void CustomSpinBox::deselectLater() {
    QTimer::singleShot(0, this, [this] { lineEdit()->deselect(); });
}
