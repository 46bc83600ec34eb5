#pragma once

#include <QHeaderView>
#include <QString>

#include <functional>

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

public:
    // Tells the header which notes are selected and which fixed, so that it can show them.
    void setNoteStates(std::function<bool(int)> isSelected, std::function<bool(int)> isFixed);
    // "Note 6: selected, fixed", "Note 6: selected", "Note 6: fixed" or "Note 6".
    QString noteStateText(int note) const;

public slots:
    // Enables or disables the menu entry whose action has this object name; other names
    // change nothing.
    void enableAction(const QString& actionName, const bool& shouldBeEnabled);

protected:
    // Selected notes' sections in the highlight colour, fixed notes' with a mark.
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int sectionAt(const QPoint& position) const;
    QAction* makeAction(const QString& text, const QString& name);

    std::function<bool(int)> selectedNote;
    std::function<bool(int)> fixedNote;
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
