#include "app/review/deviationoverlay.h"

#include "analysis/tuningreport.h"
#include "app/review/deviationcolours.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <cmath>

void DeviationOverlay::setAnalysis(const std::optional<analysis::TuningAnalysis>& analysis) {
    shown = analysis;
}

long double DeviationOverlay::largest() const {
    return shown ? std::fabs(shown->largestDeviation()) : 0.0L;
}

void DeviationOverlay::paintCell(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const std::optional<long double> deviation =
        shown ? shown->deviation(index.row(), index.column()) : std::nullopt;
    painter->fillRect(option.rect, deviation ? deviationColour(*deviation, largest())
                                             : option.palette.base().color());
    if (!deviation) {
        return;
    }
    painter->save();
    // Dark text on the pale middle of the scale, white on its saturated ends.
    const bool saturated = largest() > 0 && std::fabs(*deviation) > largest() * 0.6L;
    painter->setPen(saturated ? Qt::white : Qt::black);
    const QString text = analysis::centsText(*deviation, 3);
    const QRect area = option.rect.adjusted(2, 0, -2, 0);
    // A narrow column keeps every digit and the sign: the font shrinks rather than clip.
    QFont font = option.font;
    while (QFontMetrics(font).horizontalAdvance(text) > area.width() && font.pointSizeF() > 5) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    painter->setFont(font);
    painter->drawText(area, Qt::AlignRight | Qt::AlignVCenter, text);
    painter->restore();
}

DeviationLegend::DeviationLegend(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("deviationLegend"));
}

void DeviationLegend::setLargest(const std::optional<long double>& value) {
    largest = value;
    setToolTip(text());
    update();
}

QString DeviationLegend::text() const {
    if (!largest) {
        return tr("Deviations in cents: make a tuning, or make it again after edits, to see "
                  "them.");
    }
    const QString end = analysis::centsText(*largest, 3);
    return tr("Deviations in cents, tuned minus stored: flat in blue, sharp in red, white at "
              "0, full colour at ±%1")
        .arg(end);
}

QSize DeviationLegend::sizeHint() const {
    return QSize(480, fontMetrics().height() + 10);
}

void DeviationLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 2, 0, -2);
    if (!largest) {
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text());
        return;
    }
    const QString end = analysis::centsText(*largest, 3);
    const QString left = tr("flat −%1").arg(end);
    const QString right = tr("+%1 sharp").arg(end);
    const int leftWidth = fontMetrics().horizontalAdvance(left) + 8;
    const int rightWidth = fontMetrics().horizontalAdvance(right) + 8;
    const QRect bar(leftWidth, area.top(), std::min(260, area.width() - leftWidth - rightWidth),
                    area.height());
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0, flatColour());
    gradient.setColorAt(0.5, Qt::white);
    gradient.setColorAt(1, sharpColour());
    painter.fillRect(bar, gradient);
    painter.setPen(Qt::gray);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(0, area.top(), leftWidth - 4, area.height()),
                     Qt::AlignRight | Qt::AlignVCenter, left);
    painter.drawText(bar, Qt::AlignCenter, QStringLiteral("0"));
    painter.drawText(QRect(bar.right() + 5, area.top(), area.width(), area.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, right + tr("  cents"));
}
