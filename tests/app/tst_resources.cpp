#include "resources/appresources.h"

#include <QFile>
#include <QImage>
#include <QTest>

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void iconIsLargeWithAlpha() {
        QVERIFY(QFile::exists(windowIconPath()));
        const QImage icon(windowIconPath());
        QCOMPARE(icon.size(), QSize(1024, 1024));
        QVERIFY(icon.hasAlphaChannel());
        // The corners are transparent, the centre opaque: the alpha channel is really used.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(512, 512)), 255);
    }
};

QTEST_APPLESS_MAIN(TestResources)
#include "tst_resources.moc"
