#include "app/review/deviationplot.h"

#include "analysis/tuningreport.h"
#include "app/review/deviationcolours.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace {

constexpr QSize exportSize(1200, 700);

// A step of 1, 2 or 5 times a power of ten that gives about five intervals over the span.
double tickStep(const double& span) {
    const double rough = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10 * power;
}

struct Frame {
    QRectF area;
    int firstNote;
    int lastNote;
    double low;
    double high;

    QPointF at(const int& note, const long double& cents) const {
        const double notes = std::max(1, lastNote - firstNote);
        const double x = area.left() + area.width() * (note - firstNote) / notes;
        const double y =
            area.bottom() - area.height() * (static_cast<double>(cents) - low) / (high - low);
        return QPointF(x, y);
    }
};

Frame frameFor(const QRectF& area, const PlotSeries& main, const std::optional<PlotSeries>& other) {
    Frame frame{area, main.points.front().first, main.points.back().first, 0, 0};
    for (const PlotSeries* series : {&main, other ? &*other : nullptr}) {
        if (series == nullptr) {
            continue;
        }
        for (const auto& [note, cents] : series->points) {
            frame.firstNote = std::min(frame.firstNote, note);
            frame.lastNote = std::max(frame.lastNote, note);
            frame.low = std::min(frame.low, static_cast<double>(cents));
            frame.high = std::max(frame.high, static_cast<double>(cents));
        }
    }
    // Room above and below, and a scale even when every deviation is 0.
    const double span = std::max(frame.high - frame.low, 1.0);
    frame.low -= span * 0.08;
    frame.high += span * 0.08;
    return frame;
}

void drawAxes(QPainter& painter, const Frame& frame) {
    const QColor grid(220, 220, 220);
    const double step = tickStep(frame.high - frame.low);
    painter.setFont(QFont(painter.font().family(), 9));
    for (double tick = std::ceil(frame.low / step) * step; tick <= frame.high; tick += step) {
        const double y = frame.at(frame.firstNote, tick).y();
        painter.setPen(QPen(std::abs(tick) < step / 2 ? QColor(120, 120, 120) : grid, 1));
        painter.drawLine(QPointF(frame.area.left(), y), QPointF(frame.area.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - 8, frame.area.left() - 6, 16),
                         Qt::AlignRight | Qt::AlignVCenter,
                         analysis::centsText(tick, step < 1 ? 1 : 0));
    }
    const int notes = frame.lastNote - frame.firstNote + 1;
    const int every = std::max(1, notes / 16 + (notes % 16 != 0 ? 1 : 0));
    for (int note = frame.firstNote; note <= frame.lastNote; note += every) {
        const QPointF point = frame.at(note, frame.low);
        painter.drawText(QRectF(point.x() - 20, point.y() + 4, 40, 16), Qt::AlignCenter,
                         QString::number(note + 1));
    }
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawRect(frame.area);
}

void drawSeries(QPainter& painter, const Frame& frame, const PlotSeries& series,
                const QColor& colour) {
    QPainterPath line;
    for (std::size_t k = 0; k < series.points.size(); ++k) {
        const QPointF point = frame.at(series.points[k].first, series.points[k].second);
        k == 0 ? line.moveTo(point) : line.lineTo(point);
    }
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line);
    for (const auto& [note, cents] : series.points) {
        const QPointF point = frame.at(note, cents);
        const bool fixed =
            std::find(series.fixed.begin(), series.fixed.end(), note) != series.fixed.end();
        painter.setBrush(fixed ? QBrush(Qt::white) : QBrush(colour));
        // A fixed note is a hollow square, any other a dot.
        fixed ? painter.drawRect(QRectF(point.x() - 5, point.y() - 5, 10, 10))
              : painter.drawEllipse(point, 3.5, 3.5);
    }
}

void drawLegend(QPainter& painter, const QRectF& area, const PlotSeries& main,
                const std::optional<PlotSeries>& other) {
    painter.setPen(Qt::black);
    painter.setFont(QFont(painter.font().family(), 10));
    painter.drawText(QRectF(area.left(), 4, area.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QObject::tr("Deviation from equal (cents)"));
    double x = area.right();
    const auto entry = [&painter, &x](const QString& text, const QColor& colour) {
        const double width = painter.fontMetrics().horizontalAdvance(text) + 24;
        x -= width;
        painter.setPen(QPen(colour, 2));
        if (colour == Qt::black) {
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(x + 2, 8, 10, 10));
        } else {
            painter.drawLine(QPointF(x, 13), QPointF(x + 14, 13));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x + 18, 4, width - 18, 18), Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    if (!main.fixed.empty()) {
        entry(QObject::tr("fixed"), Qt::black);
    }
    if (other) {
        entry(other->name, flatColour());
    }
    entry(main.name, sharpColour());
}

} // namespace

DeviationPlot::DeviationPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("deviationPlot"));
}

void DeviationPlot::setSeries(const PlotSeries& tuning, const std::optional<PlotSeries>& other) {
    main = tuning;
    second = other && !other->points.empty() ? other : std::nullopt;
    update();
}

void DeviationPlot::clear() {
    setSeries(PlotSeries(), std::nullopt);
}

void DeviationPlot::paint(QPainter& painter, const QRectF& area) const {
    painter.fillRect(area, Qt::white);
    if (main.points.empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(area, Qt::AlignCenter, tr("Make a tuning to see it here."));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plotArea = area.adjusted(52, 28, -12, -24);
    const Frame frame = frameFor(plotArea, main, second);
    drawAxes(painter, frame);
    if (second) {
        drawSeries(painter, frame, *second, flatColour());
    }
    drawSeries(painter, frame, main, sharpColour());
    drawLegend(painter, plotArea, main, second);
}

bool DeviationPlot::writeFile(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QRectF area(QPointF(0, 0), exportSize);
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(exportSize);
        svg.setViewBox(area);
        svg.setTitle(tr("Deviation from equal"));
        QPainter painter(&svg);
        paint(painter, area);
    } else {
        QImage image(exportSize, QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, area);
        painter.end();
        if (!image.save(&file, "PNG")) {
            *error = tr("the image could not be encoded");
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QSize DeviationPlot::sizeHint() const {
    return QSize(420, 240);
}

QSize DeviationPlot::minimumSizeHint() const {
    return QSize(260, 170);
}

void DeviationPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect());
}
