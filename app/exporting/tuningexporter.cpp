#include "app/exporting/tuningexporter.h"

#include "audio/wavfile.h"

#include "app/settings/settings.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>

namespace {

QString frequencyText(double frequency) {
    return QString::number(frequency, 'g', QLocale::FloatingPointShortest);
}

// The reference key and frequency in one small form; OK only for a usable frequency.
class ReferenceDialog : public QDialog {
public:
    ReferenceDialog(QWidget* parent, const formats::KeyMapping& mapping) : QDialog(parent) {
        setObjectName(QStringLiteral("referenceDialog"));
        setWindowTitle(tr("Reference Key and Frequency"));
        key->setObjectName(QStringLiteral("referenceKeySpinBox"));
        key->setRange(0, formats::midiKeyCount - 1);
        key->setValue(mapping.referenceKey);
        frequency->setObjectName(QStringLiteral("referenceFrequencyEdit"));
        frequency->setText(frequencyText(mapping.referenceFrequency));
        // Wide enough for the default's seventeen digits.
        frequency->setMinimumWidth(
            frequency->fontMetrics().horizontalAdvance(QStringLiteral("0000.0000000000000")) + 20);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(frequency, &QLineEdit::textChanged, this, [buttons](const QString& text) {
            buttons->button(QDialogButtonBox::Ok)->setEnabled(frequencyFromText(text).has_value());
        });

        auto* form = new QFormLayout(this);
        form->addRow(tr("MIDI key of the first tuned note (60 is middle C):"), key);
        form->addRow(tr("Its frequency in Hz:"), frequency);
        form->addRow(buttons);
    }

    formats::KeyMapping mapping() const {
        return {key->value(), frequencyFromText(frequency->text()).value_or(0)};
    }

private:
    QSpinBox* key = new QSpinBox(this);
    QLineEdit* frequency = new QLineEdit(this);
};

} // namespace

TuningExporter::TuningExporter(QWidget* window) : QObject(window), window(window) {}

std::optional<formats::KeyMapping> TuningExporter::rememberedKeyMapping() {
    return Settings::instance().keyMapping();
}

void TuningExporter::rememberKeyMapping(const formats::KeyMapping& mapping) {
    Settings::instance().setKeyMapping(mapping);
}

std::optional<formats::KeyMapping> TuningExporter::askKeyMapping() {
    ReferenceDialog dialog(window, rememberedKeyMapping().value_or(formats::KeyMapping()));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    rememberKeyMapping(dialog.mapping());
    return dialog.mapping();
}

QString TuningExporter::chooseFile(const formats::TuningFormat& format, const QString& baseName) {
    const QString folder = Settings::instance().exportFolder();
    QFileDialog dialog(window, tr("Export %1").arg(format.title),
                       QDir(folder).filePath(baseName + QLatin1Char('.') + format.name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("%1 (*.%2)").arg(format.title, format.name));
    dialog.setDefaultSuffix(format.name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

QString TuningExporter::exportTuning(const formats::TuningFormat& format,
                                     formats::TuningDocument document) {
    if (format.mapsKeys) {
        if (const QString problem = formats::mappingProblem(document.tuning); !problem.isEmpty()) {
            return tr("Cannot export a %1: %2.").arg(format.title, problem);
        }
        std::optional<formats::KeyMapping> mapping = rememberedKeyMapping();
        if (!mapping) {
            mapping = askKeyMapping();
        }
        if (!mapping) {
            return QString();
        }
        document.mapping = *mapping;
    }
    const QString path = chooseFile(format, QFileInfo(document.title).completeBaseName());
    if (path.isEmpty()) {
        return QString();
    }
    Settings::instance().setExportFolder(QFileInfo(path).absolutePath());

    const QByteArray bytes = format.write(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return tr("Not exported to %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    }
    QString what = format.title;
    if (format.mapsKeys) {
        what += tr(", key %1 at %2 Hz")
                    .arg(document.mapping.referenceKey)
                    .arg(frequencyText(document.mapping.referenceFrequency));
    }
    return tr("Exported %1 (%2)").arg(QDir::toNativeSeparators(path), what);
}

namespace {

// "Scala keyboard mapping" as the menus write their entries: "Scala Keyboard Mapping".
QString titleCase(const QString& title) {
    QStringList words = title.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (!word.isEmpty()) {
            word[0] = word[0].toUpper();
        }
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

ExportMenu::ExportMenu(QMenu* menu, TuningExporter* exporter, DocumentSource document)
    : QObject(exporter) {
    for (const formats::TuningFormat& format : formats::tuningFormats()) {
        QAction* action =
            menu->addAction(tr("%1 (.%2)...").arg(titleCase(format.title), format.name));
        action->setObjectName(QStringLiteral("actionExport") + format.name.toUpper());
        connect(action, &QAction::triggered, this, [this, exporter, document, &format] {
            const QString status = exporter->exportTuning(format, document());
            if (!status.isEmpty()) {
                emit statusMessage(status);
            }
        });
        formatActions << action;
    }
    // What Play Tuning plays, at the reference frequency it plays at.
    static const formats::TuningFormat wave{
        QStringLiteral("wav"), tr("Audio (WAV)"), true, false,
        [](const formats::TuningDocument& document) {
            return audio::tuningWave(document.tuning, document.mapping.referenceFrequency);
        }};
    QAction* audio = menu->addAction(tr("&Audio (WAV)..."));
    audio->setObjectName(QStringLiteral("actionExportWAV"));
    connect(audio, &QAction::triggered, this, [this, exporter, document] {
        formats::TuningDocument played = document();
        played.mapping.referenceFrequency = Settings::instance().referenceFrequency();
        if (const QString status = exporter->exportTuning(wave, played); !status.isEmpty()) {
            emit statusMessage(status);
        }
    });
    formatActions << audio;
    menu->addSeparator();
    QAction* reference = menu->addAction(tr("&Reference Key and Frequency..."));
    reference->setObjectName(QStringLiteral("actionExportReference"));
    connect(reference, &QAction::triggered, exporter, [exporter] { exporter->askKeyMapping(); });
    menu->setToolTipsVisible(true);
    setProblem(tr("Make a tuning to export it."));
}

void ExportMenu::setProblem(const QString& problem) {
    for (QAction* action : formatActions) {
        action->setEnabled(problem.isEmpty());
        action->setToolTip(problem.isEmpty() ? action->text().remove(QLatin1Char('&')) : problem);
    }
}
