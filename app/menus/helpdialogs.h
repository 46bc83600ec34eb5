#pragma once

#include <QString>

class QWidget;

// Help > Keyboard Shortcuts: the key table and the mouse gestures, in a dialog over the parent.
void showShortcutsDialog(QWidget* parent);
// Help > About Quillmere.
void showAboutDialog(QWidget* parent, const QString& version);
