#include "app/widgets/customheaderview.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QStyleOptionHeader>
#include <QToolTip>

#include <QStringList>

#include <algorithm>
#include <array>

CustomHeaderView::CustomHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent), menu(new QMenu(this)),
      addAfterAction(makeAction(tr("Insert after"), QStringLiteral("addAfter"))),
      addBeforeAction(makeAction(tr("Insert before"), QStringLiteral("addBefore"))),
      deleteAction(makeAction(tr("Delete"), QStringLiteral("delNote"))),
      selectAction(makeAction(tr("Select/Deselect"), QStringLiteral("selet"))),
      selectAllAction(makeAction(tr("Select all"), QStringLiteral("selectAll"))),
      deselectAllAction(makeAction(tr("Deselect all"), QStringLiteral("deselectAll"))),
      fixAction(makeAction(tr("Fix/Unfix"), QStringLiteral("fix"))),
      fixAllAction(makeAction(tr("Fix all"), QStringLiteral("fixAll"))),
      unfixAllAction(makeAction(tr("Unfix all"), QStringLiteral("unfixAll"))) {}

CustomHeaderView::~CustomHeaderView() = default;

QAction* CustomHeaderView::makeAction(const QString& text, const QString& name) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

void CustomHeaderView::setNoteStates(std::function<bool(int)> isSelected,
                                     std::function<bool(int)> isFixed) {
    selectedNote = std::move(isSelected);
    fixedNote = std::move(isFixed);
    viewport()->update();
}

QString CustomHeaderView::noteStateText(int note) const {
    QStringList states;
    if (selectedNote && selectedNote(note)) {
        states << tr("selected");
    }
    if (fixedNote && fixedNote(note)) {
        states << tr("fixed");
    }
    const QString name = tr("Note %1").arg(note + 1);
    return states.isEmpty() ? name
                            : name + QStringLiteral(": ") + states.join(QStringLiteral(", "));
}

void CustomHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const bool selected = selectedNote && selectedNote(logicalIndex);
    const bool fixed = fixedNote && fixedNote(logicalIndex);
    if (!selected && !fixed) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    if (selected) {
        option.palette.setBrush(QPalette::Button, option.palette.highlight());
        option.palette.setBrush(QPalette::Window, option.palette.highlight());
        option.palette.setBrush(QPalette::ButtonText, option.palette.highlightedText());
    }
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    if (fixed) {
        // A pin in the section's leading corner: the number itself stays readable.
        const int side = std::max(6, std::min(rect.width(), rect.height()) / 3);
        const QRect pin(rect.left() + 3, rect.top() + 3, side, side);
        // The style leaves the painter clipped to the label's rectangle.
        painter->setClipRect(rect);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option.palette.base(), 1));
        painter->setBrush(option.palette.windowText());
        painter->drawEllipse(pin);
    }
    painter->restore();
}

bool CustomHeaderView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int index = sectionAt(help->pos());
        if (index >= 0) {
            QToolTip::showText(help->globalPos(), noteStateText(index), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QHeaderView::viewportEvent(event);
}

int CustomHeaderView::sectionAt(const QPoint& position) const {
    return logicalIndexAt(orientation() == Qt::Horizontal ? position.x() : position.y());
}

void CustomHeaderView::enableAction(const QString& actionName, const bool& shouldBeEnabled) {
    const std::array<QAction*, 9> actions{addAfterAction, addBeforeAction, deleteAction,
                                          selectAction,   selectAllAction, deselectAllAction,
                                          fixAction,      fixAllAction,    unfixAllAction};
    for (QAction* action : actions) {
        if (action->objectName() == actionName) {
            action->setEnabled(shouldBeEnabled);
            return;
        }
    }
}

void CustomHeaderView::mousePressEvent(QMouseEvent* event) {
    const int index = sectionAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        emit leftClicked(index);
    }
    if (event->button() == Qt::RightButton) {
        // Table note 0 is the reference of every tuning and is never fixed.
        enableAction(QStringLiteral("fix"), index != 0);
    }
    QHeaderView::mousePressEvent(event);
}

void CustomHeaderView::contextMenuEvent(QContextMenuEvent* event) {
    const int index = sectionAt(event->pos());
    if (index < 0) {
        return;
    }
    const QAction* chosen = menu->exec(event->globalPos());
    if (chosen == addAfterAction) {
        emit addNote(index + 1, false);
    } else if (chosen == addBeforeAction) {
        emit addNote(index, true);
    } else if (chosen == deleteAction) {
        emit deleteNote(index);
    } else if (chosen == selectAction) {
        emit selectNote(index);
    } else if (chosen == selectAllAction) {
        emit fillSelection();
    } else if (chosen == deselectAllAction) {
        emit clearSelection();
    } else if (chosen == fixAction) {
        emit fixNote(index);
    } else if (chosen == fixAllAction) {
        emit fillFixed();
    } else if (chosen == unfixAllAction) {
        emit clearFixed();
    }
    event->accept();
}
