#include "app/shared/storageconstants.h"

#include <QDir>
#include <QTest>

// The constants are read before main, so the test compares them with the environment that
// the test runner gave this process.
class TestConstants : public QObject {
    Q_OBJECT

private slots:
    void pathsFollowXdgConfigHome() {
        const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(!base.isEmpty(), "the test runner must set XDG_CONFIG_HOME");
        QCOMPARE(configPath, QDir(base).absolutePath() + "/Quillmere");
        QVERIFY(configPath.endsWith("/Quillmere"));
        QCOMPARE(pitchSpacesPath, configPath + "/Pitch Spaces");
    }

    void lists() {
        QCOMPARE(appName, QStringLiteral("Quillmere"));
        QCOMPARE(weightFunctionNames, (QStringList{"Benedetti", "Uniform"}));
        QCOMPARE(uniformFunctionName, weightFunctionNames.at(1));
        QCOMPARE(arbitraryFunctionName, QStringLiteral("Arbitrary"));
        QCOMPARE(defaultScaleSpaces, (QStringList{"5edo", "7edo", "12edo", "15edo", "17edo",
                                                  "19edo", "22edo", "Custom..."}));
        QCOMPARE(customEntry, defaultScaleSpaces.last());
        QCOMPARE(defaultScaleSpace, QStringLiteral("12edo"));
        QCOMPARE(fileExtension, QStringLiteral("qmx"));
        QCOMPARE(epsilon, 1e-15L);
    }
};

QTEST_APPLESS_MAIN(TestConstants)
#include "tst_constants.moc"
