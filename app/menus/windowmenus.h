#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;

// The window's menu bar: every action of the window, with the keys of the key table that reach
// it. The actions are named (object names "action…", menus "menu…") so that each part of the
// window, and its tests, finds its own with action() and menu(). Actions that only a key
// triggers belong to no menu.
//
// A key that the key filter maps is only shown beside the action, never registered as a
// shortcut: a focused text field keeps its single keys. The table's real shortcuts are
// registered on their actions.
class WindowMenus : public QObject {
    Q_OBJECT

public:
    explicit WindowMenus(QMenuBar* menuBar);

    // Null for a name that is not there.
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;
    // Enables or checks the named action, if it is there.
    void enable(const char* name, bool enabled) const;
    void check(const char* name, bool checked) const;

    // An action that shows its keys but leaves them to the key filter.
    static void showKeys(QAction* action, const QList<QKeySequence>& keys);

private:
    void addTuningAndViewMenus();
    void addKeysOnlyActions();
    void applyKeyTable();
    QMenu* addMenu(const QString& name, const QString& title);
    QAction* addAction(QMenu* menu, const QString& name, const QString& text);

    QMenuBar* menuBar;
};
