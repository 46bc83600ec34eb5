#pragma once

// The window's one key table: every key of the window, the action it triggers and where it
// acts. The menus show the keys from it, the key filter maps key presses through it, and
// Help > Keyboard Shortcuts is written from it, so that none of them can disagree.

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

enum class KeyScope {
    // A real shortcut of the action (Control combinations that no text field needs).
    Shortcut,
    // The key filter: anywhere in the window while no text field has focus; a Control
    // combination also while one has.
    Window,
    // The key filter, only while the table has focus and a current cell.
    Table,
};

struct KeyBinding {
    QString action; // the object name of the QAction it triggers
    QList<QKeySequence> keys;
    KeyScope scope = KeyScope::Window;
    // The key counts whatever modifiers are held with it.
    bool anyModifiers = false;
    // A disabled action leaves the key to the widget with focus; otherwise the key is taken.
    bool passWhenDisabled = false;
};

// One line of the shortcuts list, with the bindings it describes.
struct KeyRow {
    QString keys; // as the list writes them, padded to the description's column
    QString description;
    std::vector<KeyBinding> bindings;
};

const std::vector<KeyRow>& keyTable();
// Every binding of the table, in the table's order.
std::vector<KeyBinding> keyBindings();
// Help > Keyboard Shortcuts: the keys of the table, then the mouse gestures.
QString shortcutsText();
