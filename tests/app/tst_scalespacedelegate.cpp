#include "app/widgets/scalespacedelegate.h"
#include "core/scalespace.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <cmath>

namespace {

// Twelve equal steps to the octave: only the number of notes matters to the delegate.
SizePattern twelveNotes() {
    SizePattern pattern;
    for (int i = 0; i < 12; ++i) {
        std::vector<long double> row;
        for (int j = i + 1; j <= 12; ++j) {
            row.push_back(std::pow(2.0L, (j - i) / 12.0L));
        }
        pattern.push_back(row);
    }
    return pattern;
}

const QSize cellSize(40, 20);

// One cell painted by the delegate on a transparent image.
QImage paintCell(const ScaleSpaceDelegate& delegate, const QModelIndex& index,
                 QStyle::State state = QStyle::State_Enabled) {
    QImage image(cellSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.state = state;
    delegate.paint(&painter, option, index);
    painter.end();
    return image;
}

// Colours as "#aarrggbb" text: comparable whatever the colour's model (RGB, HSV, ...), and readable on failure.
QString hex(const QColor& colour) {
    return colour.name(QColor::HexArgb);
}
QString role(QPalette::ColorRole colourRole) {
    return hex(QGuiApplication::palette().color(colourRole));
}

// The middle of the cell shows its background (the cells hold no text), the left edge its
// frame when it has one.
QString background(const QImage& image) {
    return hex(image.pixelColor(image.width() / 2, 10));
}
QString leftEdge(const QImage& image) {
    return hex(image.pixelColor(1, image.height() / 2));
}
QString topEdge(const QImage& image) {
    return hex(image.pixelColor(image.width() / 2, 1));
}

// A shown table with the delegate, counting the paint events of its viewport once idle.
struct Viewer : QObject {
    QTableView view;
    ScaleSpaceDelegate* delegate;
    int paints = 0;
    QRegion repainted;

    Viewer(ScaleSpace* space, QAbstractItemModel* model)
        : delegate(new ScaleSpaceDelegate(space, &view)) {
        view.setModel(model);
        view.setItemDelegate(delegate);
        view.resize(400, 300);
        view.show();
        if (QTest::qWaitForWindowActive(&view)) {
            QCoreApplication::processEvents();
        }
        view.viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            repainted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

} // namespace

class TestScaleSpaceDelegate : public QObject {
    Q_OBJECT

    ScaleSpace space{QStringLiteral("12"), twelveNotes()};
    QStandardItemModel model{30, 30};

private slots:
    void initTestCase() {
        QCOMPARE(space.noteCount(), 12);
        // The test tells the block colours apart only when the palette does.
        QVERIFY(role(QPalette::Midlight) != role(QPalette::Mid));
        QVERIFY(role(QPalette::Highlight) != role(QPalette::Midlight));
        QVERIFY(role(QPalette::Highlight) != role(QPalette::Mid));
    }

    void blockColours_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("alt");
        QTest::newRow("(0, 0)") << 0 << 0 << false << false;
        QTest::newRow("(0, 12)") << 0 << 12 << false << true;
        QTest::newRow("(12, 0)") << 12 << 0 << false << true;
        QTest::newRow("(12, 12)") << 12 << 12 << false << false;
        QTest::newRow("(11, 11)") << 11 << 11 << false << false;
        QTest::newRow("(11, 12)") << 11 << 12 << false << true;
        QTest::newRow("(24, 0)") << 24 << 0 << false << false;
        QTest::newRow("(24, 13)") << 24 << 13 << false << true;
        QTest::newRow("hovered (0, 0)") << 0 << 0 << true << true;
        QTest::newRow("hovered (0, 12)") << 0 << 12 << true << false;
    }

    void blockColours() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, hovered);
        QFETCH(bool, alt);
        const ScaleSpaceDelegate delegate(&space, nullptr);
        QCOMPARE(delegate.itemShouldBeAltColour(row, column), alt != hovered);
        QStyle::State state = QStyle::State_Enabled;
        state.setFlag(QStyle::State_MouseOver, hovered);
        const QImage image = paintCell(delegate, model.index(row, column), state);
        QCOMPARE(background(image), role(alt ? QPalette::Mid : QPalette::Midlight));
        QCOMPARE(leftEdge(image), background(image));
        QVERIFY(!delegate.getLastSelectedIndex());
    }

    void noNotesMeansOneBlock() {
        const ScaleSpace empty;
        const ScaleSpaceDelegate delegate(const_cast<ScaleSpace*>(&empty), nullptr);
        QVERIFY(!delegate.itemShouldBeAltColour(0, 12));
        QVERIFY(!delegate.itemShouldBeAltColour(13, 1));
        QCOMPARE(background(paintCell(delegate, model.index(0, 12))), role(QPalette::Midlight));
    }

    void invalidIndexPaintsNothing() {
        const ScaleSpaceDelegate delegate(&space, nullptr);
        const QImage image = paintCell(delegate, QModelIndex());
        QImage blank(cellSize, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        QCOMPARE(image, blank);
    }

    void currentCellIsFramed() {
        const ScaleSpaceDelegate delegate(&space, nullptr);
        const QModelIndex index = model.index(3, 14);
        const QImage selectedOnly =
            paintCell(delegate, index, QStyle::State_Enabled | QStyle::State_Selected);
        QCOMPARE(leftEdge(selectedOnly), role(QPalette::Mid));
        QVERIFY(!delegate.getLastSelectedIndex());

        const QImage current =
            paintCell(delegate, index,
                      QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_HasFocus);
        QCOMPARE(leftEdge(current), role(QPalette::Highlight));
        QCOMPARE(topEdge(current), role(QPalette::Highlight));
        // The style's selection highlight is not drawn: the inside keeps the block colour.
        QCOMPARE(background(current), role(QPalette::Mid));
        QCOMPARE(delegate.getLastSelectedIndex(), std::optional<QModelIndex>(index));
    }

    void lastSelectedIndexKeepsItsFrame() {
        const ScaleSpaceDelegate delegate(&space, nullptr);
        const QModelIndex index = model.index(5, 2);
        QCOMPARE(leftEdge(paintCell(delegate, index)), role(QPalette::Midlight));

        delegate.setLastSelectedIndex(index);
        QCOMPARE(leftEdge(paintCell(delegate, index)), role(QPalette::Highlight));
        // Same row and column of another model is another cell.
        QStandardItemModel other(30, 30);
        QCOMPARE(leftEdge(paintCell(delegate, other.index(5, 2))), role(QPalette::Midlight));
        QCOMPARE(leftEdge(paintCell(delegate, model.index(2, 5))), role(QPalette::Midlight));

        delegate.setLastSelectedIndex(std::optional<QModelIndex>());
        QVERIFY(!delegate.getLastSelectedIndex());
        QCOMPARE(leftEdge(paintCell(delegate, index)), role(QPalette::Midlight));
    }

    void coloursAreReadAtConstruction() {
        const ScaleSpaceDelegate before(&space, nullptr);
        const QPalette original = QGuiApplication::palette();
        QPalette changed = original;
        changed.setColor(QPalette::Midlight, QColor(1, 2, 3));
        QApplication::setPalette(changed);
        const ScaleSpaceDelegate after(&space, nullptr);
        const QString oldBase = background(paintCell(before, model.index(0, 0)));
        const QString newBase = background(paintCell(after, model.index(0, 0)));
        QApplication::setPalette(original);
        QCOMPARE(oldBase, hex(original.color(QPalette::Midlight)));
        QCOMPARE(newBase, hex(QColor(1, 2, 3)));
    }

    void framedCellIsRepaintedThroughTheEventLoop() {
        Viewer viewer(&space, &model);
        const QModelIndex index = model.index(1, 1);
        const QRect cell = viewer.view.visualRect(index);
        QVERIFY(!cell.isEmpty());
        paintCell(*viewer.delegate, index, QStyle::State_Selected | QStyle::State_HasFocus);
        QCOMPARE(viewer.paints, 0); // never from inside paint
        QTRY_VERIFY(viewer.repainted.contains(cell.center()));
    }

    // Once its frame is drawn, the current cell is not repainted again and again.
    void framedCellSettles() {
        Viewer viewer(&space, &model);
        viewer.view.setFocus();
        viewer.view.setCurrentIndex(model.index(1, 1));
        QTRY_COMPARE(viewer.delegate->getLastSelectedIndex(),
                     std::optional<QModelIndex>(model.index(1, 1)));
        QTest::qWait(50);
        viewer.paints = 0;
        QTest::qWait(200);
        QVERIFY2(viewer.paints <= 2, qPrintable(QStringLiteral("%1 paints").arg(viewer.paints)));
    }
};

QTEST_MAIN(TestScaleSpaceDelegate)
#include "tst_scalespacedelegate.moc"
