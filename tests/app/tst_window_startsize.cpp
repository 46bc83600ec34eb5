#include "tests/app/windowharness.h"

#include <QScreen>
#include <QScrollBar>
#include <QTest>

// Run on an offscreen screen of 1280 x 800 (see the test's environment): the window starts
// where the 12edo table at precision 4 shows every cell without scrolling.
class TestWindowStartSize : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(startLikeMain());
        QCOMPARE(QGuiApplication::primaryScreen()->availableSize(), QSize(1280, 800));
    }

    void tableNeedsNoScrolling() {
        WindowHarness harness;
        QVERIFY(harness.exposed);
        QCOMPARE(harness.model->getRange(), 13);
        QVERIFY(harness.window.width() > 1280 * 2 / 3);
        QVERIFY(harness.window.width() <= 1280 && harness.window.height() <= 800);
        QCoreApplication::processEvents();
        QVERIFY(!harness.table->horizontalScrollBar()->isVisible());
        QVERIFY(!harness.table->verticalScrollBar()->isVisible());
    }
};

QTEST_MAIN(TestWindowStartSize)
#include "tst_window_startsize.moc"
