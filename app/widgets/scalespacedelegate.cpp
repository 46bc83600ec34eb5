#include "app/widgets/scalespacedelegate.h"

#include "core/interval.h"
#include "core/scalespace.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QPersistentModelIndex>

namespace {

QColor paletteColour(const QPalette::ColorRole& role) {
    return QGuiApplication::palette().brush(QPalette::Current, role).color();
}

} // namespace

ScaleSpaceDelegate::ScaleSpaceDelegate(ScaleSpace* scaleSpace, QObject* parent)
    : QStyledItemDelegate(parent), scaleSpace(scaleSpace), lastSelectedIndex(std::nullopt),
      baseColour(paletteColour(QPalette::Midlight)), altColour(paletteColour(QPalette::Mid)),
      frameColour(paletteColour(QPalette::Highlight)) {}

ScaleSpaceDelegate::~ScaleSpaceDelegate() = default;

QColor ScaleSpaceDelegate::errorColour() {
    QColor red(220, 40, 40);
    red.setAlpha(150);
    return red;
}

bool ScaleSpaceDelegate::isUsableCell(const int& row, const int& column) const {
    if (scaleSpace == nullptr || scaleSpace->noteCount() == 0 || row == column) {
        return true;
    }
    return isUsableSize(scaleSpace->getIntervalSize(column, row));
}

bool ScaleSpaceDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

QWidget* ScaleSpaceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    return overlay != nullptr ? nullptr : QStyledItemDelegate::createEditor(parent, option, index);
}

bool ScaleSpaceDelegate::itemShouldBeAltColour(const int& row, const int& column) const {
    const int notes = scaleSpace ? scaleSpace->noteCount() : 0;
    if (notes <= 0) {
        return false;
    }
    return (row / notes + column / notes) % 2 != 0;
}

void ScaleSpaceDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (index.row() < 0 || index.column() < 0 || !index.model()) {
        return;
    }
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);

    const bool hovered = option.state.testFlag(QStyle::State_MouseOver);
    const bool alt = itemShouldBeAltColour(index.row(), index.column()) != hovered;
    painter->fillRect(option.rect, alt ? altColour : baseColour);
    if (overlay != nullptr) {
        overlay->paintCell(painter, option, index);
    } else if (!isUsableCell(index.row(), index.column())) {
        // A stored size that cannot be tuned stands out in the error colour over the block's.
        painter->fillRect(option.rect, errorColour());
    }

    const bool current = option.state.testFlag(QStyle::State_Selected) &&
                         option.state.testFlag(QStyle::State_HasFocus);
    if (current || lastSelectedIndex == index) {
        QPen pen(QBrush(frameColour, Qt::SolidPattern), 2.0, Qt::SolidLine, Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter->save();
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        painter->restore();

        // The frame of a newly framed cell is completed by a repaint of the whole cell.
        // Asking for it on every paint would repaint the framed cell without end.
        const bool newlyFramed = lastSelectedIndex != index;
        auto* view = qobject_cast<QAbstractItemView*>(parent());
        if (view && newlyFramed) {
            // A persistent index, because the model may be reset before the call runs.
            const QPersistentModelIndex framed(index);
            QMetaObject::invokeMethod(
                view, [view, framed] { view->viewport()->update(view->visualRect(framed)); },
                Qt::QueuedConnection);
        }
        lastSelectedIndex = index;
    }

    if (overlay != nullptr) {
        return;
    }
    // The style draws only the content: the frame alone marks the current cell.
    cell.backgroundBrush = QBrush(Qt::NoBrush);
    cell.state.setFlag(QStyle::State_Selected, false);
    cell.state.setFlag(QStyle::State_MouseOver, false);
    cell.state.setFlag(QStyle::State_HasFocus, false);
    cell.features.setFlag(QStyleOptionViewItem::HasDecoration, false);
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
}
