#include "app/menus/windowmenus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

WindowMenus::WindowMenus(QMenuBar* menuBar) : QObject(menuBar), menuBar(menuBar) {
    QMenu* file = addMenu(QStringLiteral("menuFile"), tr("&File"));
    showKeys(addAction(file, QStringLiteral("actionOpen"), tr("&Open...")), {QKeySequence::Open});
    addMenu(QStringLiteral("menuRecent"), tr("Open &Recent"));
    file->addMenu(menu(QStringLiteral("menuRecent")));
    addAction(file, QStringLiteral("actionImportScala"), tr("&Import Scala..."));
    file->addSeparator();
    showKeys(addAction(file, QStringLiteral("actionSave"), tr("&Save")), {QKeySequence::Save});
    showKeys(addAction(file, QStringLiteral("actionSaveAs"), tr("Save &As...")),
             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    file->addMenu(addMenu(QStringLiteral("menuExport"), tr("&Export")));
    file->addSeparator();
    QAction* quit = addAction(file, QStringLiteral("actionQuit"), tr("&Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* edit = addMenu(QStringLiteral("menuEdit"), tr("&Edit"));
    QAction* undo = addAction(edit, QStringLiteral("actionUndo"), tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = addAction(edit, QStringLiteral("actionRedo"), tr("&Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    showKeys(addAction(edit, QStringLiteral("actionCopy"), tr("&Copy")), {QKeySequence::Copy});
    showKeys(addAction(edit, QStringLiteral("actionPaste"), tr("&Paste")), {QKeySequence::Paste});
    edit->addSeparator();
    addAction(edit, QStringLiteral("actionInsertNoteBefore"), tr("Insert Note &Before"));
    addAction(edit, QStringLiteral("actionInsertNoteAfter"), tr("Insert Note &After"));
    addAction(edit, QStringLiteral("actionDeleteNote"), tr("&Delete Note"));

    QMenu* tuning = addMenu(QStringLiteral("menuTuning"), tr("&Tuning"));
    showKeys(addAction(tuning, QStringLiteral("actionMake"), tr("&Make")),
             {QKeySequence(Qt::CTRL | Qt::Key_Return)});
    showKeys(addAction(tuning, QStringLiteral("actionCancel"), tr("&Cancel")),
             {QKeySequence(Qt::CTRL | Qt::Key_Delete)});
    showKeys(addAction(tuning, QStringLiteral("actionClear"), tr("C&lear")),
             {QKeySequence(Qt::CTRL | Qt::Key_Backspace)});
    tuning->addSeparator();
    addAction(tuning, QStringLiteral("actionFixAll"), tr("&Fix All"));
    addAction(tuning, QStringLiteral("actionUnfixAll"), tr("&Unfix All"));

    QMenu* view = addMenu(QStringLiteral("menuView"), tr("&View"));
    // Two modes that one key switches between, shown as a radio pair.
    const auto addModePair = [this, view](const QString& first, const QString& firstText,
                                          const QString& second, const QString& secondText,
                                          Qt::Key key) {
        auto* group = new QActionGroup(this);
        for (const auto& [name, text] :
             {std::pair{first, firstText}, std::pair{second, secondText}}) {
            QAction* mode = addAction(view, name, text);
            mode->setCheckable(true);
            group->addAction(mode);
            showKeys(mode, {QKeySequence(key)});
        }
    };
    addModePair(QStringLiteral("actionDecimal"), tr("&Decimal"), QStringLiteral("actionCents"),
                tr("&Cents"), Qt::Key_Tab);
    view->addSeparator();
    addModePair(QStringLiteral("actionSize"), tr("&Size"), QStringLiteral("actionWeight"),
                tr("&Weight"), Qt::Key_Space);
    action(QStringLiteral("actionDecimal"))->setChecked(true);
    action(QStringLiteral("actionSize"))->setChecked(true);
    view->addSeparator();
    showKeys(addAction(view, QStringLiteral("actionLargerRange"), tr("&Larger Range")),
             {QKeySequence(Qt::Key_Equal)});
    showKeys(addAction(view, QStringLiteral("actionSmallerRange"), tr("S&maller Range")),
             {QKeySequence(Qt::Key_Minus)});
    showKeys(addAction(view, QStringLiteral("actionAddPeriod"), tr("&Add Period")),
             {QKeySequence(Qt::SHIFT | Qt::Key_Plus)});
    showKeys(addAction(view, QStringLiteral("actionRemovePeriod"), tr("&Remove Period")),
             {QKeySequence(Qt::Key_Underscore)});

    QMenu* help = addMenu(QStringLiteral("menuHelp"), tr("&Help"));
    addAction(help, QStringLiteral("actionShortcuts"), tr("&Keyboard Shortcuts"));
    addAction(help, QStringLiteral("actionAbout"), tr("&About Quillmere"))
        ->setMenuRole(QAction::AboutRole);
}

QAction* WindowMenus::action(const QString& name) const {
    return menuBar->findChild<QAction*>(name);
}

QMenu* WindowMenus::menu(const QString& name) const {
    return menuBar->findChild<QMenu*>(name);
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
