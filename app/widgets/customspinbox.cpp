#include "app/widgets/customspinbox.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

CustomSpinBox::CustomSpinBox(QWidget* parent) : QSpinBox(parent) {
    lineEdit()->setReadOnly(true);
    lineEdit()->setFocusPolicy(Qt::NoFocus);
    lineEdit()->installEventFilter(this);
}

CustomSpinBox::~CustomSpinBox() = default;

bool CustomSpinBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::FocusIn:
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

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
