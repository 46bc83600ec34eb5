#pragma once

#include <QHeaderView>
#include <QString>

class QAction;
class QContextMenuEvent;
class QMenu;
class QMouseEvent;

// A header of the interval table: a left click reports the note of its section, and the
// context menu inserts, deletes, selects and fixes notes. It only emits signals; the window
// acts on them. The section numbers it reports are logical indexes, i.e. table notes.
class CustomHeaderView : public QHeaderView {
    Q_OBJECT

public:
    CustomHeaderView(Qt::Orientation orientation, QWidget* parent);
    ~CustomHeaderView() override;

signals:
    void leftClicked(int note);
    void addNote(int noteToAdd, bool cameFromAddBefore);
    void deleteNote(int noteToDelete);
    void selectNote(int note);
    void fillSelection();
    void clearSelection();
    void fixNote(int note);
    void fillFixed();
    void clearFixed();

public slots:
    // Enables or disables the menu entry whose action has this object name; other names
    // change nothing.
    void enableAction(const QString& actionName, const bool& shouldBeEnabled);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int sectionAt(const QPoint& position) const;
    QAction* makeAction(const QString& text, const QString& name);

    QMenu* menu;
    QAction* addAfterAction;
    QAction* addBeforeAction;
    QAction* deleteAction;
    QAction* selectAction;
    QAction* selectAllAction;
    QAction* deselectAllAction;
    QAction* fixAction;
    QAction* fixAllAction;
    QAction* unfixAllAction;
};
