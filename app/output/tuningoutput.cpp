#include "app/output/tuningoutput.h"

#include "app/making/tuningmaking.h"
#include "app/widgets/tablesetup.h"

#include <QAbstractItemModel>
#include <QAbstractSlider>
#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

TuningOutput::TuningOutput(QPlainTextEdit* box, Fingerprint fingerprint)
    : QObject(box), box(box), line(new QLabel(box->parentWidget())),
      fingerprint(std::move(fingerprint)) {
    line->setObjectName(QStringLiteral("tuningStateLabel"));
    line->setWordWrap(true);
    line->hide();
    if (QBoxLayout* layout = containingLayout(box->parentWidget()->layout(), box)) {
        layout->insertWidget(layout->indexOf(box), line);
    }
}

void TuningOutput::begin(const QString& description, const KeptTuning& input) {
    clear();
    makingFrom = fingerprint();
    makingWith = description;
    makingInput = input;
    makingLoaded = false;
}

void TuningOutput::show(const std::vector<long double>& tuning) {
    shown = tuning;
    madeWith = makingWith;
    madeFrom = makingFrom;
    madeInput = makingInput;
    madeInput.ratios = tuning;
    loaded = makingLoaded;
    // Edits made while the search ran are not in it: whoever hears of the change sees that.
    outOfDate = !shown.empty() && fingerprint() != madeFrom;
    box->clear();
    for (const QString& text : makeTuningLines(tuning)) {
        box->appendPlainText(text);
    }
    box->verticalScrollBar()->setValue(0);
    box->moveCursor(QTextCursor::Start);
    showLine();
    emit changed();
}

void TuningOutput::showLoaded(const KeptTuning& kept, const QString& description,
                              const bool& current) {
    clear();
    // A fingerprint never equals the empty one: a stale tuning stays stale.
    makingFrom = current ? fingerprint() : QByteArray();
    makingWith = description;
    makingInput = kept;
    makingLoaded = true;
    show(kept.ratios);
}

void TuningOutput::clear() {
    const bool hadTuning = !shown.empty();
    box->clear();
    shown.clear();
    madeWith.clear();
    madeFrom.clear();
    madeInput = KeptTuning();
    outOfDate = false;
    loaded = false;
    line->hide();
    if (hadTuning) {
        emit changed();
    }
}

std::optional<KeptTuning> TuningOutput::kept() const {
    if (shown.empty()) {
        return std::nullopt;
    }
    KeptTuning result = madeInput;
    result.current = !outOfDate;
    return result;
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
    const bool changedState = stale != outOfDate;
    outOfDate = stale;
    showLine();
    if (changedState) {
        emit changed();
    }
}

void TuningOutput::showLine() {
    line->setMaximumWidth(box->width());
    if (outOfDate) {
        line->setText(tr("Out of date: the table has changed since this tuning was made."));
        line->setStyleSheet(QStringLiteral("color: #b00000;"));
    } else if (loaded) {
        line->setText(tr("Loaded from the file: the tuning last made of this scale space."));
        line->setStyleSheet(QString());
    }
    line->setVisible(!shown.empty() && (outOfDate || loaded));
}

formats::TuningDocument TuningOutput::exportDocument(const QString& title) const {
    formats::TuningDocument document;
    document.tuning = shown;
    document.title = title;
    document.description = madeWith;
    if (outOfDate) {
        document.description += tr(" (out of date: the table changed after it was made)");
    }
    return document;
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
