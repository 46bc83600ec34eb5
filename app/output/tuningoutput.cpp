#include "app/output/tuningoutput.h"

#include "app/making/tuningmaking.h"

#include <QAbstractItemModel>
#include <QAbstractSlider>
#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

// The box layout that holds the widget itself, among the layout and those nested in it.
QBoxLayout* containingLayout(QLayout* layout, QWidget* widget) {
    if (layout == nullptr) {
        return nullptr;
    }
    if (auto* box = qobject_cast<QBoxLayout*>(layout);
        box != nullptr && box->indexOf(widget) >= 0) {
        return box;
    }
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout* found = containingLayout(layout->itemAt(i)->layout(), widget)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

TuningOutput::TuningOutput(QPlainTextEdit* box, Fingerprint fingerprint)
    : QObject(box), box(box), line(new QLabel(box->parentWidget())),
      fingerprint(std::move(fingerprint)) {
    line->setObjectName(QStringLiteral("tuningStateLabel"));
    line->setText(tr("Out of date: the table has changed since this tuning was made."));
    line->setWordWrap(true);
    line->setStyleSheet(QStringLiteral("color: #b00000;"));
    line->hide();
    if (QBoxLayout* layout = containingLayout(box->parentWidget()->layout(), box)) {
        layout->insertWidget(layout->indexOf(box), line);
    }
}

void TuningOutput::begin(const QString& description) {
    clear();
    makingFrom = fingerprint();
    makingWith = description;
}

void TuningOutput::show(const std::vector<long double>& tuning) {
    shown = tuning;
    madeWith = makingWith;
    madeFrom = makingFrom;
    outOfDate = false;
    box->clear();
    for (const QString& text : makeTuningLines(tuning)) {
        box->appendPlainText(text);
    }
    box->verticalScrollBar()->setValue(0);
    box->moveCursor(QTextCursor::Start);
    line->hide();
    emit changed();
    // Edits made while the search ran are not in it.
    refresh();
}

void TuningOutput::clear() {
    const bool hadTuning = !shown.empty();
    box->clear();
    shown.clear();
    madeWith.clear();
    madeFrom.clear();
    outOfDate = false;
    line->hide();
    if (hadTuning) {
        emit changed();
    }
}

void TuningOutput::watch(QAbstractItemModel* model, QAbstractSlider* dial,
                         QPlainTextEdit* selection) {
    connect(model, &QAbstractItemModel::modelReset, this, &TuningOutput::refresh);
    connect(model, &QAbstractItemModel::dataChanged, this, &TuningOutput::refresh);
    connect(dial, &QAbstractSlider::valueChanged, this, &TuningOutput::refresh);
    connect(selection, &QPlainTextEdit::textChanged, this, &TuningOutput::refresh);
}

void TuningOutput::refresh() {
    const bool stale = !shown.empty() && fingerprint() != madeFrom;
    line->setMaximumWidth(box->width());
    line->setVisible(stale);
    if (stale != outOfDate) {
        outOfDate = stale;
        emit changed();
    }
}

QString TuningOutput::exportProblem() const {
    if (shown.empty()) {
        return tr("Make a tuning to export it.");
    }
    if (shown.size() < 2) {
        return tr("A tuning of one note has no intervals to export: select two notes or more.");
    }
    return QString();
}
