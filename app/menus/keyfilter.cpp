#include "app/menus/keyfilter.h"

#include "app/menus/windowmenus.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// A field that takes typed text: while one has focus, it keeps every key but Control
// combinations (a cell editor needs its Space, "-" and Return; a spin box its arrows).
bool isTextField(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        return !line->isReadOnly();
    }
    if (qobject_cast<const QAbstractSpinBox*>(widget) != nullptr) {
        return true;
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
        return !plain->isReadOnly();
    }
    if (const auto* rich = qobject_cast<const QTextEdit*>(widget)) {
        return !rich->isReadOnly();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    return false;
}

bool matches(const KeyBinding& binding, const QKeyEvent& event) {
    for (const QKeySequence& sequence : binding.keys) {
        const QKeyCombination combination = sequence[0];
        if (combination.key() == event.key() &&
            (binding.anyModifiers || combination.keyboardModifiers() == event.modifiers())) {
            return true;
        }
    }
    return false;
}

} // namespace

KeyFilter::KeyFilter(QWidget* window, QAbstractItemView* table, WindowMenus* menus,
                     std::function<void()> refresh)
    : QObject(window), window(window), table(table), menus(menus), refresh(std::move(refresh)),
      bindings(keyBindings()) {}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    // Only keys typed into this window count: a dialog, menu or pop-up list it opens is a
    // window of its own and keeps its typing and arrow keys (a file name may hold a space).
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || widget->window() != window) {
        return false;
    }
    const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
    if (!keyEvent.modifiers().testFlag(Qt::ControlModifier) &&
        (isTextField(widget) || isTextField(QApplication::focusWidget()))) {
        return false;
    }
    if (watched == table && !table->currentIndex().isValid()) {
        return false;
    }
    refresh();
    return (watched == table && apply(keyEvent, KeyScope::Table)) ||
           apply(keyEvent, KeyScope::Window);
}

bool KeyFilter::apply(const QKeyEvent& event, const KeyScope& scope) const {
    bool taken = false;
    for (const KeyBinding& binding : bindings) {
        if (binding.scope != scope || !matches(binding, event)) {
            continue;
        }
        QAction* action = menus->action(binding.action);
        if (action != nullptr && action->isEnabled()) {
            action->trigger();
            taken = true;
        } else if (!binding.passWhenDisabled) {
            taken = true;
        }
    }
    return taken;
}
