#pragma once

#include "app/menus/keytable.h"

#include <QObject>

#include <functional>

class QAbstractItemView;
class QKeyEvent;
class WindowMenus;
class QWidget;

// Maps the keys typed into one window to the actions of its key table: a key is the action's
// trigger(). Single keys act only while no text field has focus, which keeps them for typing;
// the table's own keys only while the table has focus and a current cell.
class KeyFilter : public QObject {
    Q_OBJECT

public:
    // refresh brings the actions' enabled states up to date before a key is mapped.
    KeyFilter(QWidget* window, QAbstractItemView* table, WindowMenus* menus,
              std::function<void()> refresh);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the key was taken: a matching action was triggered, or one that takes its key
    // even while disabled matched.
    bool apply(const QKeyEvent& event, const KeyScope& scope) const;

    QWidget* window;
    QAbstractItemView* table;
    WindowMenus* menus;
    std::function<void()> refresh;
    std::vector<KeyBinding> bindings;
};
