#include "app/settings/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <cmath>

const QString referenceKeySetting = QStringLiteral("export/referenceKey");
const QString referenceFrequencySetting = QStringLiteral("export/referenceFrequency");

namespace {

constexpr int recentFileCount = 10;

const QString recentFilesKey = QStringLiteral("window/recentFiles");
const QString lastFolderKey = QStringLiteral("window/lastFolder");
const QString geometryKey = QStringLiteral("window/geometry");
const QString stateKey = QStringLiteral("window/state");
const QString exportFolderKey = QStringLiteral("export/folder");
const QString midiInputKey = QStringLiteral("midi/input");
const QString midiOutputKey = QStringLiteral("midi/output");
const QString sendAfterMakeKey = QStringLiteral("midi/sendAfterMake");
const QString tablePrecisionKey = QStringLiteral("tuningTable/precision");

} // namespace

std::optional<double> frequencyFromText(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

Settings& Settings::instance() {
    static Settings settings;
    return settings;
}

QByteArray Settings::windowGeometry() const {
    return QSettings().value(geometryKey).toByteArray();
}

QByteArray Settings::windowState() const {
    return QSettings().value(stateKey).toByteArray();
}

void Settings::setWindowGeometry(const QByteArray& geometry, const QByteArray& state) {
    QSettings settings;
    settings.setValue(geometryKey, geometry);
    settings.setValue(stateKey, state);
}

QString Settings::lastFolder() const {
    return QSettings().value(lastFolderKey).toString();
}

QStringList Settings::recentFiles() const {
    QStringList files;
    for (const QString& file : QSettings().value(recentFilesKey).toStringList()) {
        if (QFileInfo(file).isFile() && !files.contains(file)) {
            files << file;
        }
    }
    return files;
}

void Settings::addRecentFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(file);
    files.prepend(file);
    QSettings settings;
    settings.setValue(recentFilesKey, files.mid(0, recentFileCount));
    settings.setValue(lastFolderKey, QFileInfo(file).absolutePath());
    emit recentFilesChanged();
}

std::optional<formats::KeyMapping> Settings::keyMapping() const {
    const QSettings settings;
    if (!settings.contains(referenceKeySetting) || !settings.contains(referenceFrequencySetting)) {
        return std::nullopt;
    }
    bool keyOk = false;
    const int key = settings.value(referenceKeySetting).toInt(&keyOk);
    const std::optional<double> frequency =
        frequencyFromText(settings.value(referenceFrequencySetting).toString());
    if (!keyOk || key < 0 || key >= formats::midiKeyCount || !frequency) {
        return std::nullopt;
    }
    return formats::KeyMapping{key, *frequency};
}

void Settings::setKeyMapping(const formats::KeyMapping& mapping) {
    QSettings settings;
    settings.setValue(referenceKeySetting, mapping.referenceKey);
    settings.setValue(referenceFrequencySetting, mapping.referenceFrequency);
    emit keyMappingChanged();
}

double Settings::referenceFrequency() const {
    return keyMapping().value_or(formats::KeyMapping()).referenceFrequency;
}

QString Settings::exportFolder() const {
    return QSettings().value(exportFolderKey, QDir::homePath()).toString();
}

void Settings::setExportFolder(const QString& folder) {
    QSettings().setValue(exportFolderKey, folder);
}

QString Settings::midiInputPort() const {
    return QSettings().value(midiInputKey).toString();
}

void Settings::setMidiInputPort(const QString& name) {
    QSettings().setValue(midiInputKey, name);
    emit midiChanged();
}

QString Settings::midiOutputPort() const {
    return QSettings().value(midiOutputKey).toString();
}

void Settings::setMidiOutputPort(const QString& name) {
    QSettings().setValue(midiOutputKey, name);
    emit midiChanged();
}

bool Settings::sendTuningAfterMake() const {
    return QSettings().value(sendAfterMakeKey, false).toBool();
}

void Settings::setSendTuningAfterMake(bool send) {
    QSettings().setValue(sendAfterMakeKey, send);
    emit midiChanged();
}

int Settings::tuningTablePrecision() const {
    bool ok = false;
    const int precision = QSettings().value(tablePrecisionKey, 3).toInt(&ok);
    return ok && precision >= 0 && precision <= 15 ? precision : 3;
}

void Settings::setTuningTablePrecision(int precision) {
    QSettings().setValue(tablePrecisionKey, precision);
    emit tuningTablePrecisionChanged(precision);
}
