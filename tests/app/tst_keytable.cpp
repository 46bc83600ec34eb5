#include "app/menus/keyfilter.h"
#include "app/menus/keytable.h"
#include "app/menus/windowmenus.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

Q_DECLARE_METATYPE(KeyScope)

// Every key of the table reaches its action, and the menus show it beside that action.
class TestKeyTable : public QObject {
    Q_OBJECT

private slots:
    void keyTriggersItsAction_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<KeyScope>("scope");
        for (const KeyBinding& binding : keyBindings()) {
            for (const QKeySequence& key : binding.keys) {
                QTest::addRow("%s %s", qPrintable(binding.action), qPrintable(key.toString()))
                    << binding.action << key << binding.scope;
            }
        }
    }

    void keyTriggersItsAction() {
        QFETCH(QString, action);
        QFETCH(QKeySequence, key);
        QFETCH(KeyScope, scope);
        QMainWindow window;
        auto* central = new QWidget(&window);
        auto* layout = new QVBoxLayout(central);
        auto* table = new QTableView(central);
        auto* field = new QLineEdit(central);
        layout->addWidget(table);
        layout->addWidget(field);
        window.setCentralWidget(central);
        QStandardItemModel model(3, 3);
        table->setModel(&model);
        table->setCurrentIndex(model.index(1, 1));
        WindowMenus menus(window.menuBar());
        KeyFilter filter(&window, table, &menus, [] {});

        QAction* target = menus.action(action);
        QVERIFY2(target != nullptr, qPrintable(action));
        // The menu shows a key only where it acts wherever the focus is: an action with a real
        // shortcut shows only its real shortcuts.
        if (scope == KeyScope::Shortcut) {
            QVERIFY(target->shortcuts().contains(key));
            QVERIFY(target->shortcutContext() != Qt::WidgetShortcut);
            return;
        }
        if (target->shortcutContext() != Qt::WidgetShortcut) {
            QVERIFY(!target->shortcuts().contains(key));
        } else {
            QVERIFY(target->shortcuts().contains(key));
        }
        const QSignalSpy triggered(target, &QAction::triggered);
        QKeyEvent press(QEvent::KeyPress, key[0].key(), key[0].keyboardModifiers());
        QObject* receiver = scope == KeyScope::Table ? static_cast<QObject*>(table) : central;
        QVERIFY(filter.eventFilter(receiver, &press));
        QCOMPARE(triggered.count(), 1);

        // A text field keeps every key but Control combinations.
        QKeyEvent typed(QEvent::KeyPress, key[0].key(), key[0].keyboardModifiers());
        const bool control = key[0].keyboardModifiers().testFlag(Qt::ControlModifier);
        QCOMPARE(filter.eventFilter(field, &typed), control && scope == KeyScope::Window);
    }
};

QTEST_MAIN(TestKeyTable)
#include "tst_keytable.moc"
