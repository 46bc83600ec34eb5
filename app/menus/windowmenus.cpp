#include "app/menus/windowmenus.h"

#include "app/menus/keytable.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <map>

WindowMenus::WindowMenus(QMenuBar* menuBar) : QObject(menuBar), menuBar(menuBar) {
    QMenu* file = addMenu(QStringLiteral("menuFile"), tr("&File"));
    addAction(file, QStringLiteral("actionOpen"), tr("&Open..."));
    addMenu(QStringLiteral("menuRecent"), tr("Open &Recent"));
    file->addMenu(menu(QStringLiteral("menuRecent")));
    addAction(file, QStringLiteral("actionImportScala"), tr("&Import Scala..."));
    file->addSeparator();
    addAction(file, QStringLiteral("actionSave"), tr("&Save"));
    addAction(file, QStringLiteral("actionSaveAs"), tr("Save &As..."));
    file->addMenu(addMenu(QStringLiteral("menuExport"), tr("&Export")));
    file->addSeparator();
    addAction(file, QStringLiteral("actionQuit"), tr("&Quit"))->setMenuRole(QAction::QuitRole);

    QMenu* edit = addMenu(QStringLiteral("menuEdit"), tr("&Edit"));
    addAction(edit, QStringLiteral("actionUndo"), tr("&Undo"));
    addAction(edit, QStringLiteral("actionRedo"), tr("&Redo"));
    edit->addSeparator();
    addAction(edit, QStringLiteral("actionCopy"), tr("&Copy"));
    addAction(edit, QStringLiteral("actionPaste"), tr("&Paste"));
    edit->addSeparator();
    addAction(edit, QStringLiteral("actionInsertNoteBefore"), tr("Insert Note &Before"));
    addAction(edit, QStringLiteral("actionInsertNoteAfter"), tr("Insert Note &After"));
    addAction(edit, QStringLiteral("actionDeleteNote"), tr("&Delete Note"));
    addTuningAndViewMenus();

    QMenu* help = addMenu(QStringLiteral("menuHelp"), tr("&Help"));
    addAction(help, QStringLiteral("actionShortcuts"), tr("&Keyboard Shortcuts"));
    addAction(help, QStringLiteral("actionAbout"), tr("&About Quillmere"))
        ->setMenuRole(QAction::AboutRole);
    addKeysOnlyActions();
    applyKeyTable();
}

void WindowMenus::addTuningAndViewMenus() {
    QMenu* tuning = addMenu(QStringLiteral("menuTuning"), tr("&Tuning"));
    addAction(tuning, QStringLiteral("actionMake"), tr("&Make"));
    addAction(tuning, QStringLiteral("actionCancel"), tr("&Cancel"));
    addAction(tuning, QStringLiteral("actionClear"), tr("C&lear"));
    tuning->addSeparator();
    addAction(tuning, QStringLiteral("actionFixAll"), tr("&Fix All"));
    addAction(tuning, QStringLiteral("actionUnfixAll"), tr("&Unfix All"));
    // Disabled actions say in their tooltips why.
    tuning->setToolTipsVisible(true);
    tuning->addSeparator();
    addAction(tuning, QStringLiteral("actionPlayTuning"), tr("&Play Tuning"));
    addAction(tuning, QStringLiteral("actionPlayInterval"), tr("Play &Interval"));
    addAction(tuning, QStringLiteral("actionStopSound"), tr("&Stop Sound"));

    QMenu* view = addMenu(QStringLiteral("menuView"), tr("&View"));
    // Two modes that one key switches between, shown as a radio pair.
    const auto addModePair = [this, view](const QString& first, const QString& firstText,
                                          const QString& second, const QString& secondText) {
        auto* group = new QActionGroup(this);
        for (const auto& [name, text] :
             {std::pair{first, firstText}, std::pair{second, secondText}}) {
            QAction* mode = addAction(view, name, text);
            mode->setCheckable(true);
            group->addAction(mode);
        }
    };
    addModePair(QStringLiteral("actionDecimal"), tr("&Decimal"), QStringLiteral("actionCents"),
                tr("&Cents"));
    view->addSeparator();
    addModePair(QStringLiteral("actionSize"), tr("&Size"), QStringLiteral("actionWeight"),
                tr("&Weight"));
    action(QStringLiteral("actionDecimal"))->setChecked(true);
    action(QStringLiteral("actionSize"))->setChecked(true);
    view->addSeparator();
    addAction(view, QStringLiteral("actionSwapDisplay"), tr("Switch Decimal and Cents"));
    addAction(view, QStringLiteral("actionSwapInterval"), tr("Switch Size and Weight"));
    view->addSeparator();
    addAction(view, QStringLiteral("actionLargerRange"), tr("&Larger Range"));
    addAction(view, QStringLiteral("actionSmallerRange"), tr("S&maller Range"));
    addAction(view, QStringLiteral("actionAddPeriod"), tr("&Add Period"));
    addAction(view, QStringLiteral("actionRemovePeriod"), tr("&Remove Period"));
}

void WindowMenus::addKeysOnlyActions() {
    // What only a key does: actions of no menu, so that the key filter reaches every key the
    // same way.
    for (const char* name :
         {"actionDeselectCell", "actionHoldArrows", "actionPeriodLeft", "actionPeriodUp",
          "actionPeriodRight", "actionPeriodDown", "actionResetCell", "actionDialUp",
          "actionDialDown", "actionAttenuationDown", "actionAttenuationUp"}) {
        auto* action = new QAction(menuBar);
        action->setObjectName(QLatin1String(name));
    }
}

void WindowMenus::applyKeyTable() {
    // An action keeps its keys in the table's order. A menu shows a key beside its action only
    // if the key does that wherever the focus is: an action with real shortcuts shows those.
    std::map<QString, std::pair<QList<QKeySequence>, QList<QKeySequence>>> keys;
    for (const KeyBinding& binding : keyBindings()) {
        auto& [shortcuts, filtered] = keys[binding.action];
        (binding.scope == KeyScope::Shortcut ? shortcuts : filtered) += binding.keys;
    }
    for (const auto& [name, entry] : keys) {
        QAction* keyed = action(name);
        if (keyed != nullptr && !entry.first.isEmpty()) {
            keyed->setShortcuts(entry.first);
        } else if (keyed != nullptr) {
            showKeys(keyed, entry.second);
        }
    }
}

QAction* WindowMenus::action(const QString& name) const {
    return menuBar->findChild<QAction*>(name);
}

QMenu* WindowMenus::menu(const QString& name) const {
    return menuBar->findChild<QMenu*>(name);
}

void WindowMenus::enable(const char* name, bool enabled) const {
    if (QAction* named = action(QLatin1String(name))) {
        named->setEnabled(enabled);
    }
}

void WindowMenus::check(const char* name, bool checked) const {
    if (QAction* named = action(QLatin1String(name))) {
        named->setChecked(checked);
    }
}

void WindowMenus::showKeys(QAction* action, const QList<QKeySequence>& keys) {
    // A shortcut of the widget context on an action that lives only in a menu is shown in the
    // menu but fires only while that menu has focus, where these keys do nothing else.
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
}

QMenu* WindowMenus::addMenu(const QString& name, const QString& title) {
    auto* menu = new QMenu(title, menuBar);
    menu->setObjectName(name);
    if (name != QLatin1String("menuRecent") && name != QLatin1String("menuExport")) {
        menuBar->addMenu(menu);
    }
    return menu;
}

QAction* WindowMenus::addAction(QMenu* menu, const QString& name, const QString& text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(name);
    menu->addAction(action);
    return action;
}
