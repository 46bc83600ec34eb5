#include "app/shared/storageconstants.h"

#include <QDir>
#include <QStandardPaths>

// Definitions in one unit, in this order: each may be computed from those above it, and
// dynamic initialisation within a unit follows the order of definition.

const QString appName = QStringLiteral("Quillmere");
const QString configPath =
    QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/" + appName;

const QString uniformFunctionName = QStringLiteral("Uniform");
const QStringList weightFunctionNames = {QStringLiteral("Benedetti"), uniformFunctionName};
const QString arbitraryFunctionName = QStringLiteral("Arbitrary");
const long double epsilon = 1e-15L;
const QString customEntry = QStringLiteral("Custom...");
const QStringList defaultScaleSpaces = {
    QStringLiteral("5edo"),  QStringLiteral("7edo"),  QStringLiteral("12edo"),
    QStringLiteral("15edo"), QStringLiteral("17edo"), QStringLiteral("19edo"),
    QStringLiteral("22edo"), customEntry};
const QString defaultScaleSpace = defaultScaleSpaces.at(2);

const QString pitchSpacesPath = QDir(configPath).filePath(QStringLiteral("Pitch Spaces"));
const QString fileExtension = QStringLiteral("qmx");
