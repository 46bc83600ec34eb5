#include "app/widgets/customheaderview.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(Qt::Orientation)

namespace {

// Every signal of a header as readable text, e.g. "addNote(12, false)".
class SignalLog : public QObject {
public:
    explicit SignalLog(CustomHeaderView* header) {
        auto note = [this](const char* name) {
            return [this, name](int n) {
                entries << QStringLiteral("%1(%2)").arg(name).arg(n);
            };
        };
        auto bare = [this](const char* name) {
            return [this, name] {
                entries << QStringLiteral("%1()").arg(name);
            };
        };
        connect(header, &CustomHeaderView::leftClicked, this, note("leftClicked"));
        connect(header, &CustomHeaderView::addNote, this, [this](int n, bool before) {
            entries << QStringLiteral("addNote(%1, %2)").arg(n).arg(before ? "true" : "false");
        });
        connect(header, &CustomHeaderView::deleteNote, this, note("deleteNote"));
        connect(header, &CustomHeaderView::selectNote, this, note("selectNote"));
        connect(header, &CustomHeaderView::fillSelection, this, bare("fillSelection"));
        connect(header, &CustomHeaderView::clearSelection, this, bare("clearSelection"));
        connect(header, &CustomHeaderView::fixNote, this, note("fixNote"));
        connect(header, &CustomHeaderView::fillFixed, this, bare("fillFixed"));
        connect(header, &CustomHeaderView::clearFixed, this, bare("clearFixed"));
    }
    QString text() const { return entries.join(' '); }

private:
    QStringList entries;
};

// A 13 × 13 table with custom headers on both sides, stretched as in the window.
struct Table {
    QStandardItemModel model{13, 13};
    QTableView view;
    CustomHeaderView* horizontal = new CustomHeaderView(Qt::Horizontal, &view);
    CustomHeaderView* vertical = new CustomHeaderView(Qt::Vertical, &view);

    Table() {
        view.setModel(&model);
        view.setHorizontalHeader(horizontal);
        view.setVerticalHeader(vertical);
        horizontal->setSectionResizeMode(QHeaderView::Stretch);
        vertical->setSectionResizeMode(QHeaderView::Stretch);
        view.resize(700, 700);
        view.show();
    }

    CustomHeaderView* header(Qt::Orientation orientation) const {
        return orientation == Qt::Horizontal ? horizontal : vertical;
    }
};

// The middle of a section, in the coordinates of the header's viewport.
QPoint sectionCentre(const CustomHeaderView* header, int section) {
    const int along = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    const int across =
        header->orientation() == Qt::Horizontal ? header->height() / 2 : header->width() / 2;
    return header->orientation() == Qt::Horizontal ? QPoint(along, across) : QPoint(across, along);
}

QMenu* menuOf(const CustomHeaderView* header) {
    return header->findChild<QMenu*>();
}

QAction* actionOf(const CustomHeaderView* header, const QString& name) {
    return menuOf(header)->findChild<QAction*>(name);
}

QList<bool> enabledStates(const CustomHeaderView* header) {
    QList<bool> states;
    for (const QAction* action : menuOf(header)->actions()) {
        states << action->isEnabled();
    }
    return states;
}

// Opens the context menu of a section as a right click would, then picks the entry with the
// given object name (or dismisses the menu when the name is empty) once the menu is up.
// Returns whether the menu was shown.
bool chooseFromMenu(CustomHeaderView* header, const QPoint& position, const QString& entry) {
    QMenu* menu = menuOf(header);
    bool shown = false;
    QTimer::singleShot(0, menu, [&] {
        shown = menu->isVisible();
        if (!entry.isEmpty()) {
            menu->setActiveAction(actionOf(header, entry));
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            header->viewport()->mapToGlobal(position));
    QCoreApplication::sendEvent(header->viewport(), &event);
    return shown;
}

} // namespace

class TestCustomHeaderView : public QObject {
    Q_OBJECT

private slots:
    void menuHasTheNineEntriesInOrder() {
        const CustomHeaderView header(Qt::Horizontal, nullptr);
        const QMenu* menu = menuOf(&header);
        QVERIFY(menu);
        QCOMPARE(menu->parent(), &header);
        QStringList texts;
        QStringList names;
        for (const QAction* action : menu->actions()) {
            QVERIFY(!action->isSeparator());
            QVERIFY(!action->menu());
            QVERIFY(action->isEnabled());
            texts << action->text();
            names << action->objectName();
        }
        QCOMPARE(texts,
                 QStringList({"Insert after", "Insert before", "Delete", "Select/Deselect",
                              "Select all", "Deselect all", "Fix/Unfix", "Fix all", "Unfix all"}));
        QCOMPARE(names, QStringList({"addAfter", "addBefore", "delNote", "selet", "selectAll",
                                     "deselectAll", "fix", "fixAll", "unfixAll"}));
    }

    void menuEntryEmitsItsSignal_data() {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("expected");
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            const char* side = orientation == Qt::Horizontal ? "horizontal" : "vertical";
            auto row = [&](const char* name, int section, const char* entry, const char* expected) {
                QTest::addRow("%s %s", side, name)
                    << orientation << section << QString(entry) << QString(expected);
            };
            row("insert after 11", 11, "addAfter", "addNote(12, false)");
            row("insert before 11", 11, "addBefore", "addNote(11, true)");
            row("insert after 0", 0, "addAfter", "addNote(1, false)");
            row("delete 4", 4, "delNote", "deleteNote(4)");
            row("select 7", 7, "selet", "selectNote(7)");
            row("select all", 3, "selectAll", "fillSelection()");
            row("deselect all", 3, "deselectAll", "clearSelection()");
            row("fix 12", 12, "fix", "fixNote(12)");
            row("fix all", 2, "fixAll", "fillFixed()");
            row("unfix all", 2, "unfixAll", "clearFixed()");
            row("dismissed", 5, "", "");
        }
    }

    void menuEntryEmitsItsSignal() {
        QFETCH(Qt::Orientation, orientation);
        QFETCH(int, section);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        Table table;
        CustomHeaderView* header = table.header(orientation);
        const SignalLog log(header);
        QVERIFY(chooseFromMenu(header, sectionCentre(header, section), entry));
        QCOMPARE(log.text(), expected);
    }

    void noMenuOutsideTheSections() {
        QStandardItemModel model(3, 3);
        QTableView view;
        view.setModel(&model);
        auto* header = new CustomHeaderView(Qt::Horizontal, &view);
        view.setHorizontalHeader(header);
        view.resize(700, 300);
        view.show();
        const SignalLog log(header);
        // Without stretching, three default sections leave room after the last one.
        const QPoint beyond(header->length() + 20, header->height() / 2);
        QVERIFY(beyond.x() < header->viewport()->width());
        QVERIFY(!chooseFromMenu(header, beyond, QStringLiteral("addAfter")));
        QCOMPARE(log.text(), QString());
    }

    void pressOnSection_data() {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("fixBefore");
        QTest::addColumn<bool>("fixAfter");
        for (const Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            const char* side = orientation == Qt::Horizontal ? "horizontal" : "vertical";
            QTest::addRow("%s left 0", side)
                << orientation << Qt::LeftButton << 0 << "leftClicked(0)" << false << false;
            QTest::addRow("%s left 12", side)
                << orientation << Qt::LeftButton << 12 << "leftClicked(12)" << false << false;
            QTest::addRow("%s right 0", side)
                << orientation << Qt::RightButton << 0 << "" << true << false;
            QTest::addRow("%s right 1", side)
                << orientation << Qt::RightButton << 1 << "" << false << true;
            QTest::addRow("%s right 12", side)
                << orientation << Qt::RightButton << 12 << "" << false << true;
        }
    }

    void pressOnSection() {
        QFETCH(Qt::Orientation, orientation);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, section);
        QFETCH(QString, expected);
        QFETCH(bool, fixBefore);
        QFETCH(bool, fixAfter);
        Table table;
        CustomHeaderView* header = table.header(orientation);
        const SignalLog log(header);
        header->enableAction(QStringLiteral("fix"), fixBefore);
        const QPoint position = sectionCentre(header, section);
        QTest::mousePress(header->viewport(), button, {}, position);
        QTest::mouseRelease(header->viewport(), button, {}, position);
        QCOMPARE(log.text(), expected);
        QCOMPARE(actionOf(header, QStringLiteral("fix"))->isEnabled(), fixAfter);
    }

    void enableAction_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<bool>>("expected");
        const QList<bool> all(9, true);
        auto without = [&](int position) {
            QList<bool> states = all;
            states[position] = false;
            return states;
        };
        QTest::newRow("entry text is not a name") << "Delete" << all;
        QTest::newRow("delNote") << "delNote" << without(2);
        QTest::newRow("case matters") << "DelNote" << all;
        QTest::newRow("first") << "addAfter" << without(0);
        QTest::newRow("last") << "unfixAll" << without(8);
        QTest::newRow("empty") << "" << all;
    }

    void enableAction() {
        QFETCH(QString, name);
        QFETCH(QList<bool>, expected);
        CustomHeaderView header(Qt::Vertical, nullptr);
        header.enableAction(name, false);
        QCOMPARE(enabledStates(&header), expected);
        header.enableAction(name, true);
        QCOMPARE(enabledStates(&header), QList<bool>(9, true));
    }
};

QTEST_MAIN(TestCustomHeaderView)
#include "tst_customheaderview.moc"
