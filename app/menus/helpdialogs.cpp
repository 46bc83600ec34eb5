#include "app/menus/helpdialogs.h"

#include "app/menus/keytable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

void showShortcutsDialog(QWidget* parent) {
    const QString text = shortcutsText();
    QDialog dialog(parent);
    dialog.setWindowTitle(QDialog::tr("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* view = new QPlainTextEdit(text, &dialog);
    view->setReadOnly(true);
    view->setObjectName(QStringLiteral("shortcutsText"));
    QFont font = view->font();
    font.setFamily(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    view->setFont(font);
    view->setMinimumSize(view->fontMetrics().horizontalAdvance(QString(80, QLatin1Char('m'))) / 2 *
                             2,
                         view->fontMetrics().lineSpacing() * 32);
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

void showAboutDialog(QWidget* parent, const QString& version) {
    QMessageBox::about(
        parent, QDialog::tr("About Quillmere"),
        QDialog::tr("<h3>Quillmere %1</h3><p>Irregular tunings of musical scales.</p>"
                    "<p>Built with Qt %2, running on Qt %3.</p>")
            .arg(version, QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion())));
}
