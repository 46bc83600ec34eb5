#pragma once

#include <QString>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QPainter;

// One tuning in the plot: each tuned note's deviation from equal, with its fixed notes.
struct PlotSeries {
    QString name;
    std::vector<std::pair<int, long double>> points; // table note, cents; ascending notes
    std::vector<int> fixed;
};

// The deviation from equal of each tuned note, with a second tuning in another colour and the
// fixed notes marked. It paints on any device, so the window and the exported files agree.
class DeviationPlot : public QWidget {
    Q_OBJECT

public:
    explicit DeviationPlot(QWidget* parent = nullptr);

    void setSeries(const PlotSeries& tuning, const std::optional<PlotSeries>& other);
    void clear();
    bool isEmpty() const { return main.points.empty(); }

    // Paints the whole plot, background included, into the area.
    void paint(QPainter& painter, const QRectF& area) const;
    // A PNG, or an SVG when the path ends in ".svg"; written whole or not at all. The error,
    // when it fails, says why.
    bool writeFile(const QString& path, QString* error) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlotSeries main;
    std::optional<PlotSeries> second;
};
