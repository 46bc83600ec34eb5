#pragma once

#include <QColor>
#include <QModelIndex>
#include <QStyledItemDelegate>

#include <optional>

class ScaleSpace;

// What another part paints in the cells instead of their values (a tuning's deviations, say).
// While one is set, the table's cells are not edited.
class CellOverlay {
public:
    virtual ~CellOverlay() = default;
    // Paints the cell's background and text; the current cell's frame is drawn over it.
    virtual void paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const = 0;
};

// The interval table's delegate. It paints the repetition blocks of the table in two
// alternating background colours, like a chequerboard, and marks the current cell only with a
// 2-pixel frame in the highlight colour. It remembers the cell it framed last, so that the
// window can restore the current cell across model resets.
class ScaleSpaceDelegate : public QStyledItemDelegate {
public:
    // The colours are read here, once, from the application palette.
    ScaleSpaceDelegate(ScaleSpace* scaleSpace, QObject* parent);
    ~ScaleSpaceDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // No editor while an overlay is shown.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

    // Null for none; the overlay must outlive its use here.
    void setOverlay(const CellOverlay* cellOverlay) { overlay = cellOverlay; }
    const CellOverlay* currentOverlay() const { return overlay; }

    // True when the cell lies in a block of the other colour: the sum of the repetitions of
    // its row and of its column is odd.
    bool itemShouldBeAltColour(const int& row, const int& column) const;

protected:
    // Return and Enter commit the editor at once, not through the event loop as Qt's delegate
    // does: a model reset queued in between would leave the commit with an editor the view no
    // longer knows.
    bool eventFilter(QObject* object, QEvent* event) override;

public:
    // False for a cell whose size cannot be tuned (not positive, not finite or beyond a
    // double): such cells are drawn in the error colour.
    bool isUsableCell(const int& row, const int& column) const;
    static QColor errorColour();

    std::optional<QModelIndex> getLastSelectedIndex() const { return lastSelectedIndex; }
    void setLastSelectedIndex(QModelIndex index) const { lastSelectedIndex = index; }
    void setLastSelectedIndex(std::optional<QModelIndex> index) const { lastSelectedIndex = index; }

private:
    ScaleSpace* scaleSpace;
    mutable std::optional<QModelIndex> lastSelectedIndex;
    QColor baseColour;
    QColor altColour;
    QColor frameColour;
    const CellOverlay* overlay = nullptr;
};
