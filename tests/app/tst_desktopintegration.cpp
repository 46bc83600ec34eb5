#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// What `cmake --install` puts in place for the desktop: the entry, the file types and the
// icon at every size of the icon theme, installed here into a temporary prefix.
class TestDesktopIntegration : public QObject {
    Q_OBJECT

private:
    QTemporaryDir prefix;
    const QString name = QStringLiteral("org.quillmere.Quillmere");

    QString installed(const QString& path) const { return QDir(prefix.path()).filePath(path); }

    static QString fileText(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Every MIME type the package declares, with its globs.
    QMap<QString, QStringList> declaredTypes() const {
        QFile file(installed("share/mime/packages/" + name + ".xml"));
        QMap<QString, QStringList> types;
        if (!file.open(QIODevice::ReadOnly)) {
            return types;
        }
        QXmlStreamReader xml(&file);
        QString current;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("mime-type")) {
                current = xml.attributes().value("type").toString();
                types[current];
            } else if (xml.isStartElement() && xml.name() == QLatin1String("glob")) {
                types[current] << xml.attributes().value("pattern").toString();
            }
        }
        return xml.hasError() ? QMap<QString, QStringList>() : types;
    }

private slots:
    void initTestCase() {
        QVERIFY(prefix.isValid());
        QProcess install;
        install.start(QStringLiteral(QUILLMERE_CMAKE),
                      {"--install", QStringLiteral(QUILLMERE_BUILD_DIR), "--component", "desktop",
                       "--prefix", prefix.path()});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    }

    void iconAtEveryThemeSize_data() {
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64, 128, 256, 512}) {
            QTest::addRow("%d", size) << size;
        }
    }
    void iconAtEveryThemeSize() {
        QFETCH(int, size);
        const QImage icon(
            installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(name)));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        // The rounded corners are clear, the middle is the orange square or a white bar.
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size * 7 / 8)), 255);
        QCOMPARE(qRed(icon.pixel(size / 2, size * 7 / 8)), 255);
    }

    void noFolderTheThemeLacks() {
        QVERIFY(!QFileInfo::exists(installed("share/icons/hicolor/1024x1024")));
    }

    void entryOpensBothFileTypes() {
        const QString entry = fileText(installed("share/applications/" + name + ".desktop"));
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=quillmere %f\n"));
        QVERIFY(entry.contains("\nIcon=" + name + "\n"));
        const QRegularExpressionMatch mime =
            QRegularExpression("\\nMimeType=([^\\n]*);\\n").match(entry);
        QVERIFY(mime.hasMatch());

        const QMap<QString, QStringList> declared = declaredTypes();
        QCOMPARE(declared.size(), 2);
        QStringList globs;
        for (const QString& type : mime.captured(1).split(';')) {
            QVERIFY2(declared.contains(type), qPrintable(type));
            globs << declared.value(type);
        }
        globs.sort();
        QCOMPARE(globs, (QStringList{"*.qmx", "*.scl"}));
    }

    // The package is one that shared-mime-info accepts and reads as meant.
    void mimeDatabaseTakesThePackage() {
        const QString update = QStandardPaths::findExecutable("update-mime-database");
        if (update.isEmpty()) {
            QSKIP("update-mime-database (shared-mime-info) is not installed");
        }
        QProcess process;
        process.start(update, {installed("share/mime")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QString globs = fileText(installed("share/mime/globs2"));
        QVERIFY(globs.contains(":application/x-quillmere-scale-space:*.qmx\n"));
        QVERIFY(globs.contains(":text/x-scala-scale:*.scl\n"));
        QVERIFY(fileText(installed("share/mime/subclasses"))
                    .contains("application/x-quillmere-scale-space application/vnd.sqlite3\n"));
    }
};

QTEST_APPLESS_MAIN(TestDesktopIntegration)
#include "tst_desktopintegration.moc"
