#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>

#include <memory>
#include <optional>

class QPainter;
class QRectF;
class QSizeF;
class QWidget;

namespace orvek::ui {

enum class ChartAxis { Bottom, Left, Right };

// The line chart the graph page draws on: a title, a bottom axis, a left and a right axis,
// a legend and line series bound to the left or right axis. The page speaks only to this
// class, so the charting library behind it can change without touching the page.
//
// X values are plain numbers, or day numbers (DateSerial) when the bottom axis shows dates.
class GraphChart {
public:
    explicit GraphChart(QWidget* parent = nullptr);
    ~GraphChart();
    GraphChart(const GraphChart&) = delete;
    GraphChart& operator=(const GraphChart&) = delete;

    // The widget that shows the chart; it belongs to the parent given.
    QWidget* widget() const;

    void setTitle(const QString& text);
    QString title() const;
    void setTitleFont(const QFont& font, const QColor& color);
    QFont titleFont() const;
    QColor titleColor() const;
    void setBackground(const QColor& color);
    // Legend below the plot, on the given colour, with a hard shadow of the given size.
    void setLegend(const QColor& background, int shadowPixels);

    void setAxisTitle(ChartAxis axis, const QString& text);
    QString axisTitle(ChartAxis axis) const;
    // A kept title shows also while no active series uses the axis (whose labels then hide).
    void setAxisTitleKept(ChartAxis axis, bool kept);
    bool axisTitleShown(ChartAxis axis) const;
    bool axisLabelsShown(ChartAxis axis) const;
    void setAxisGridVisible(ChartAxis axis, bool visible);
    bool axisGridVisible(ChartAxis axis) const;
    void setAxisGridStyle(ChartAxis axis, Qt::PenStyle style);
    Qt::PenStyle axisGridStyle(ChartAxis axis) const;
    // A fixed minimum with an automatic maximum, or (nothing) automatic at both ends.
    void setAxisMinimum(ChartAxis axis, std::optional<double> minimum);
    std::optional<double> axisMinimum(ChartAxis axis) const;
    // Minor ticks between labels, on every axis that can show them.
    void setMinorTickCount(int count);
    int minorTickCount() const;
    // The range shown after the last rescale(); for dates, in day numbers.
    double axisLow(ChartAxis axis) const;
    double axisHigh(ChartAxis axis) const;

    void setXValuesAreDates(bool dates);
    bool xValuesAreDates() const;
    // Label pattern of dates on the bottom axis ("M/d/yy"); years are written in full where
    // two digits would give two ticks the same label.
    void setDateFormat(const QString& pattern);
    QString dateFormat() const;
    // The labelled ticks of the date axis after the last rescale(): day number and label.
    // They fall on the first day of a month (or of a year) and none when nothing is drawn.
    QList<QPair<double, QString>> dateTicks() const;
    // Angle of the bottom axis labels, counter-clockwise: 90 reads from bottom to top.
    void setBottomLabelAngle(int degrees);
    int bottomLabelAngle() const;

    int addSeries(const QString& title, const QColor& color, ChartAxis axis, int lineWidth);
    int seriesCount() const;
    void setSeriesTitle(int series, const QString& title);
    QString seriesTitle(int series) const;
    QColor seriesColor(int series) const;
    int seriesLineWidth(int series) const;
    ChartAxis seriesAxis(int series) const;
    // An inactive series is neither drawn nor named in the legend.
    void setSeriesActive(int series, bool active);
    bool seriesActive(int series) const;
    void clearSeries(int series);
    // Replaces all points of the series at once; X in ascending order. The chart shows
    // changed points from the next rescale() on.
    void setSeriesPoints(int series, QList<QPointF> points);
    qsizetype seriesPointCount(int series) const;
    QPointF seriesPoint(int series, qsizetype index) const;
    // The points the chart draws (long series thinned), X in the unit of the bottom axis.
    QList<QPointF> plottedPoints(int series) const;
    // Where a value of the series lies in the chart, in the chart's own coordinates.
    QPointF plotPosition(int series, const QPointF& value) const;

    // Scales the axes to the points of the active series and shows the points changed since
    // the last call.
    void rescale();
    // Draws the chart into target, keeping its proportions (printing).
    void render(QPainter* painter, const QRectF& target);
    // Lays the chart out at the given size (in logical pixels or points) and draws it into
    // target, scaled to fill it (image export: a larger target than layout draws at a higher
    // resolution). The shown chart keeps its own layout.
    void renderAtSize(QPainter* painter, const QRectF& target, const QSizeF& layout);
    // A dash pattern (dash and gap lengths in line widths); empty for a solid line.
    void setSeriesDashPattern(int series, const QList<qreal>& pattern);
    void repaint();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace orvek::ui
