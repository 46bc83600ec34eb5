#include "app/widgets/tablesetup.h"

#include "app/widgets/customheaderview.h"
#include "app/widgets/scalespacedelegate.h"
#include "app/widgets/sectionsizer.h"

#include <QAbstractSlider>
#include <QBoxLayout>
#include <QCursor>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QTextDocument>
#include <QToolTip>
#include <QtMath>

#include <algorithm>

std::pair<CustomHeaderView*, CustomHeaderView*>
setUpIntervalTable(QTableView* table, QAbstractItemModel* model, ScaleSpace* space) {
    table->setModel(model);
    table->setItemDelegate(new ScaleSpaceDelegate(space, table));
    table->setAttribute(Qt::WA_MouseTracking);
    table->viewport()->setAttribute(Qt::WA_MouseTracking);

    auto* horizontal = new CustomHeaderView(Qt::Horizontal, table);
    table->setHorizontalHeader(horizontal);
    horizontal->setSectionResizeMode(QHeaderView::Stretch);
    auto* vertical = new CustomHeaderView(Qt::Vertical, table);
    table->setVerticalHeader(vertical);
    vertical->setSectionResizeMode(QHeaderView::Stretch);

    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setFocusPolicy(Qt::ClickFocus);
    new SectionSizer(table);
    // A reset forgets the view's editors: one still open would later commit into a table that
    // no longer knows it. It is closed first, its text dropped as Escape would.
    QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, table, [table] {
        // The table's only widgets inside its viewport are the editors its delegate made; a
        // closed one is hidden until it is deleted.
        for (QWidget* editor :
             table->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (editor->isHidden()) {
                continue;
            }
            QMetaObject::invokeMethod(
                table, "closeEditor", Q_ARG(QWidget*, editor),
                Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::RevertModelCache));
        }
    });
    return {horizontal, vertical};
}

void fitOutputBox(QPlainTextEdit* box) {
    // At least the form's width plus 24, and wide enough for the longest line the box prints
    // (a negative cents value of 15 digits), so that no number breaks across two lines.
    const int longestLine =
        box->fontMetrics().horizontalAdvance(QStringLiteral("-0000.00000000000"));
    const int chrome = 2 * box->frameWidth() + 2 * qCeil(box->document()->documentMargin()) +
                       box->verticalScrollBar()->sizeHint().width() + 4;
    box->setFixedWidth(std::max(box->width() + 24, longestLine + chrome));
}

void fitOneLine(QPlainTextEdit* box) {
    // One line of text: the form's formula, raised where the style's frame and the document's
    // margins need more, so that one line never scrolls.
    const QFontMetrics metrics(box->font());
    const int formula = metrics.height() + 2 * box->contentsMargins().top() + 8;
    const int oneLine = metrics.lineSpacing() + 2 * box->frameWidth() +
                        2 * qCeil(box->document()->documentMargin()) +
                        box->contentsMargins().top() + box->contentsMargins().bottom();
    box->setFixedHeight(std::max(formula, oneLine));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void fitWindowToTable(QMainWindow* window, QTableView* table) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const auto* sizer = table->findChild<SectionSizer*>();
    if (screen == nullptr || sizer == nullptr) {
        return;
    }
    // Grown from two thirds of the screen by what the table lacks to show every cell whole,
    // as far as the screen allows. The table takes whatever the window has beyond its size
    // hint.
    const QSize wanted = window->sizeHint() - table->sizeHint() + sizer->tableSize();
    window->resize(wanted.expandedTo(window->size()).boundedTo(screen->availableSize()));
}

void showLiveToolTip(QAbstractSlider* control, const QString& text) {
    control->setToolTip(text);
    // While the control is dragged its tooltip stays open beside it with the new value.
    if (control->isSliderDown() || QToolTip::isVisible()) {
        QToolTip::showText(QCursor::pos(), text, control);
    }
}

QSpinBox* attachValueBox(QAbstractSlider* control, const QString& objectName) {
    auto* box = new QSpinBox(control->parentWidget());
    box->setObjectName(objectName);
    box->setRange(control->minimum(), control->maximum());
    box->setValue(control->value());
    box->setKeyboardTracking(false);
    // Focus only by a click, as the form's other controls: the window's single keys stay the
    // window's until the user chooses to type a value.
    box->setFocusPolicy(Qt::ClickFocus);
    box->setAlignment(Qt::AlignRight);
    box->setToolTip(control->toolTip());
    // The control and its box side by side, where the control stood.
    if (QWidget* parent = control->parentWidget()) {
        if (QBoxLayout* layout = containingLayout(parent->layout(), control)) {
            const int index = layout->indexOf(control);
            layout->removeWidget(control);
            auto* row = new QHBoxLayout;
            row->addWidget(control, 1);
            row->addWidget(box, 0, Qt::AlignVCenter);
            layout->insertLayout(index, row);
        }
    }
    QObject::connect(control, &QAbstractSlider::valueChanged, box, [box](int value) {
        const QSignalBlocker blocker(box);
        box->setValue(value);
    });
    QObject::connect(box, &QSpinBox::valueChanged, control, &QAbstractSlider::setValue);
    return box;
}

QBoxLayout* containingLayout(QLayout* layout, QWidget* widget) {
    if (layout == nullptr) {
        return nullptr;
    }
    if (auto* box = qobject_cast<QBoxLayout*>(layout);
        box != nullptr && box->indexOf(widget) >= 0) {
        return box;
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout* found = containingLayout(layout->itemAt(i)->layout(), widget)) {
            return found;
        }
    }
    return nullptr;
}
