#pragma once

// Exporting the window's last tuning for synthesizers: the reference key and frequency (asked
// once, then remembered), the file with its format's suffix, and the file written whole.

#include "app/settings/settings.h"
#include "formats/tuningformats.h"

#include <QObject>
#include <QString>

#include <QList>

#include <functional>
#include <optional>

class QWidget;

class TuningExporter : public QObject {
    Q_OBJECT

public:
    // The dialogs are shown over the window.
    explicit TuningExporter(QWidget* window);

    // Asks for the file and writes the document in the format; a format that maps keys first
    // asks for the reference key and frequency if none are remembered. The result is one line
    // for the status bar; empty when the user cancelled.
    QString exportTuning(const formats::TuningFormat& format, formats::TuningDocument document);

    // Shows the reference dialog with the remembered (or default) values and remembers what is
    // accepted; nothing when it is cancelled.
    std::optional<formats::KeyMapping> askKeyMapping();

    // Nothing until a reference was accepted once, or when what is stored is unusable.
    static std::optional<formats::KeyMapping> rememberedKeyMapping();
    static void rememberKeyMapping(const formats::KeyMapping& mapping);

private:
    QString chooseFile(const formats::TuningFormat& format, const QString& baseName);

    QWidget* window;
};

class QAction;
class QMenu;

// File > Export: one entry per synthesizer format, then the reference key and frequency. The
// format entries are enabled exactly when there is a tuning to export.
class ExportMenu : public QObject {
    Q_OBJECT

public:
    // The document to export now: the tuning with its title and description.
    using DocumentSource = std::function<formats::TuningDocument()>;

    ExportMenu(QMenu* menu, TuningExporter* exporter, DocumentSource document);

    // The format entries are enabled when there is no problem; a problem is their tooltip.
    void setProblem(const QString& problem);

signals:
    void statusMessage(const QString& text);

private:
    QList<QAction*> formatActions;
};
