#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

// The window's menu bar: every action of the window, with the keys that reach it. The actions
// are named (object names "action…", menus "menu…") so that each part of the window, and its
// tests, finds its own with action() and menu().
//
// A key that a focused text field must keep (a single key such as Space or "=") is only shown
// beside the action, never registered as a shortcut: the window's key filter acts on it while
// no text field has focus. Control combinations that the filter does not handle are real
// shortcuts.
class WindowMenus : public QObject {
    Q_OBJECT

public:
    explicit WindowMenus(QMenuBar* menuBar);

    // Null for a name that is not there.
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;

    // An action that shows its keys but leaves them to the key filter.
    static void showKeys(QAction* action, const QList<QKeySequence>& keys);

private:
    QMenu* addMenu(const QString& name, const QString& title);
    QAction* addAction(QMenu* menu, const QString& name, const QString& text);

    QMenuBar* menuBar;
};
