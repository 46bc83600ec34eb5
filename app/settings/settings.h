#pragma once

// Everything the application remembers between runs, in one place: each key of the
// application's QSettings has one typed getter and setter here, and a change signal for
// whoever shows it.

#include "formats/tuningformats.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The keys of the reference key and frequency (the exports and the sound share them).
extern const QString referenceKeySetting;
extern const QString referenceFrequencySetting;

// A frequency in hertz as typed or stored: a positive finite number in the C locale's form;
// nothing otherwise.
std::optional<double> frequencyFromText(const QString& text);

class Settings : public QObject {
    Q_OBJECT

public:
    // The one owner; it lives as long as the application object, and reads the store on every
    // call, so that what another instance writes is seen.
    static Settings& instance();

    QByteArray windowGeometry() const;
    QByteArray windowState() const;
    void setWindowGeometry(const QByteArray& geometry, const QByteArray& state);

    // The folder the file dialogs last used; empty when none was.
    QString lastFolder() const;
    // The scale space files opened or saved last, newest first, only those that still exist.
    QStringList recentFiles() const;
    // Puts the file first among the recent files and makes its folder the last folder.
    void addRecentFile(const QString& path);

    // Nothing until a reference was accepted once, or when what is stored is unusable.
    std::optional<formats::KeyMapping> keyMapping() const;
    void setKeyMapping(const formats::KeyMapping& mapping);
    // The reference frequency of the tuning's first note: the remembered one, else the
    // default.
    double referenceFrequency() const;

    // The folder exports were last written to; the home folder at first.
    QString exportFolder() const;
    void setExportFolder(const QString& folder);

    // The MIDI ports chosen last, by name; empty for none.
    QString midiInputPort() const;
    void setMidiInputPort(const QString& name);
    QString midiOutputPort() const;
    void setMidiOutputPort(const QString& name);
    bool sendTuningAfterMake() const;
    void setSendTuningAfterMake(bool send);

    // The decimals of the tuning table's cents.
    int tuningTablePrecision() const;
    void setTuningTablePrecision(int precision);

signals:
    void recentFilesChanged();
    void keyMappingChanged();
    void midiChanged();
    void tuningTablePrecisionChanged(int precision);

private:
    Settings() = default;
};
