#include "windows/results/GraphChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGraphicsItem>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QSet>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace orvek::ui {

namespace {

// Day numbers count from 30 December 1899.
const QDate kDayZero(1899, 12, 30);
// At most this many date labels stand under the plot.
constexpr int kMostDateTicks = 12;

const QColor kGridColor(160, 160, 160);
constexpr int kChartMargin = 10;

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    bool empty() const { return low > high; }
    void add(double lo, double hi) {
        low = std::min(low, lo);
        high = std::max(high, hi);
    }
};

struct SeriesData {
    QLineSeries* line = nullptr;
    ChartAxis axis = ChartAxis::Left;
    QList<QPointF> points; // as given: X are day numbers when the axis shows dates
    Range x;
    Range y;
    bool active = true;
    bool dirty = false; // the chart does not show the points yet
};

// The legend: the active series' colours and titles in rows under the plot, wrapped to the
// chart's width so that no title is ever cut short, on a box with a hard shadow. It is an item
// of the chart's scene, so printing draws it too.
class LegendBox : public QGraphicsItem {
public:
    struct Entry {
        QColor color;
        QString title;
    };

    explicit LegendBox(QGraphicsItem* parent) : QGraphicsItem(parent) {}

    void setLook(const QColor& background, int shadow) {
        prepareGeometryChange();
        m_background = background;
        m_shadow = shadow;
    }
    // In pixels, so that the legend keeps its size on a printer of any resolution.
    void setFont(const QFont& font) {
        m_font = font;
        m_font.setPixelSize(QFontInfo(font).pixelSize());
    }

    // Arranges the entries in rows no wider than maxWidth; returns the height taken.
    qreal arrange(const QList<Entry>& entries, qreal maxWidth) {
        prepareGeometryChange();
        m_entries = entries;
        m_places.clear();
        m_size = QSizeF();
        if (entries.isEmpty()) {
            return 0;
        }
        const QFontMetricsF metrics(m_font);
        const qreal rowHeight = metrics.height() + kGap;
        const qreal limit = std::max(maxWidth - 2 * kPadding, 40.0);
        qreal x = 0;
        qreal y = 0;
        qreal widest = 0;
        for (const Entry& e : entries) {
            const qreal width = kSwatch + kGap + metrics.horizontalAdvance(e.title);
            if (x > 0 && x + width > limit) {
                x = 0;
                y += rowHeight;
            }
            m_places.append(QPointF(x, y));
            x += width + 2 * kGap + kGap;
            widest = std::max(widest, x - 3 * kGap);
        }
        // Centre every row in the box.
        for (qsizetype first = 0; first < m_places.size();) {
            qsizetype last = first;
            while (last + 1 < m_places.size() && m_places[last + 1].y() == m_places[first].y()) {
                ++last;
            }
            const qreal rowWidth = m_places[last].x() + kSwatch + kGap +
                                   metrics.horizontalAdvance(entries[last].title);
            const qreal shift = std::floor((widest - rowWidth) / 2);
            for (qsizetype i = first; i <= last; ++i) {
                m_places[i].rx() += shift;
            }
            first = last + 1;
        }
        m_size = QSizeF(widest + 2 * kPadding, y + rowHeight - kGap + 2 * kPadding);
        return m_size.height() + m_shadow;
    }

    QSizeF boxSize() const { return m_size; }

    QRectF boundingRect() const override {
        return QRectF(QPointF(0, 0), m_size + QSizeF(m_shadow, m_shadow));
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        if (m_entries.isEmpty()) {
            return;
        }
        const QRectF box(QPointF(0, 0), m_size);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->fillRect(box.translated(m_shadow, m_shadow), QColor(64, 64, 64));
        painter->setPen(QPen(Qt::black, 0));
        painter->setBrush(m_background);
        painter->drawRect(box);
        painter->setFont(m_font);
        const QFontMetricsF metrics(m_font);
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            const QPointF at = m_places[i] + QPointF(kPadding, kPadding);
            const qreal middle = at.y() + metrics.height() / 2;
            painter->setBrush(m_entries[i].color);
            painter->drawRect(QRectF(at.x(), middle - kSwatch / 2, kSwatch, kSwatch));
            painter->drawText(QPointF(at.x() + kSwatch + kGap, at.y() + metrics.ascent()),
                              m_entries[i].title);
        }
    }

private:
    static constexpr qreal kPadding = 5;
    static constexpr qreal kSwatch = 10;
    static constexpr qreal kGap = 4;

    QList<Entry> m_entries;
    QList<QPointF> m_places;
    QSizeF m_size;
    QFont m_font;
    QColor m_background = Qt::white;
    int m_shadow = 0;
};

// Calls back when the watched widget's font changes; a child of that widget.
class FontWatch : public QObject {
public:
    FontWatch(QWidget* watched, std::function<void()> changed)
        : QObject(watched), m_changed(std::move(changed)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FontChange) {
            m_changed();
        }
        return false;
    }

private:
    std::function<void()> m_changed;
};

// A font at a size scaled from a base font, in whole pixels.
QFont scaledFont(const QFont& base, double scale) {
    QFont font = base;
    font.setPixelSize(
        std::max(1, static_cast<int>(std::lround(QFontInfo(base).pixelSize() * scale))));
    return font;
}

} // namespace

struct GraphChart::Impl {
    QChart* chart = nullptr;
    QPointer<QChartView> view;
    QValueAxis* left = nullptr;
    QValueAxis* right = nullptr;
    QValueAxis* bottomNumbers = nullptr;
    // Dates: day numbers on a value axis whose ticks are placed by hand on month or year
    // boundaries, since months differ in length and evenly spaced ticks fall on any day.
    QCategoryAxis* bottomDates = nullptr;
    QString datePattern = QStringLiteral("M/d/yy");
    bool keepTitle[3] = {false, false, false};
    bool dates = false;
    int labelAngle = 0;
    int minorTicks = 0;
    std::optional<double> minimum[3];
    Qt::PenStyle gridStyle[3] = {Qt::DotLine, Qt::DotLine, Qt::DotLine};
    double low[3] = {0, 0, 0};
    double high[3] = {1, 1, 1};
    std::vector<SeriesData> series;
    LegendBox* legend = nullptr;

    // The chart's texts follow the font of the view that shows it, so that the view's font
    // scaled with the window scales them too. The fonts the chart was given are kept apart.
    int viewPixels = 0; // the view's font size when the chart took its fonts
    double fontScale = 1;
    QFont titleBase;
    QFont labelsBase;
    QFont axisTitleBase;
    QFont legendBase;

    void applyFonts() {
        chart->setTitleFont(scaledFont(titleBase, fontScale));
        for (QAbstractAxis* a :
             std::initializer_list<QAbstractAxis*>{left, right, bottomNumbers, bottomDates}) {
            a->setLabelsFont(scaledFont(labelsBase, fontScale));
            a->setTitleFont(scaledFont(axisTitleBase, fontScale));
        }
        if (legend) {
            legend->setFont(scaledFont(legendBase, fontScale));
        }
        placeLegend();
    }
    void viewFontChanged() {
        const int pixels = QFontInfo(view->font()).pixelSize();
        const double scale = viewPixels > 0 ? double(pixels) / viewPixels : 1;
        if (scale != fontScale) {
            fontScale = scale;
            applyFonts();
        }
    }

    // Puts the legend under the plot and keeps room for it at the bottom of the chart.
    void placeLegend() {
        if (!legend) {
            return;
        }
        QList<LegendBox::Entry> entries;
        for (const SeriesData& s : series) {
            if (s.active) {
                entries.append({s.line->pen().color(), s.line->name()});
            }
        }
        const QSizeF size = chart->size();
        const qreal height = legend->arrange(entries, size.width() - 2 * kChartMargin);
        legend->setPos(std::round((size.width() - legend->boxSize().width()) / 2),
                       std::round(size.height() - height - kChartMargin / 2));
        const QMargins margins(kChartMargin, kChartMargin / 2, kChartMargin,
                               static_cast<int>(std::ceil(height)) + kChartMargin);
        if (chart->margins() != margins) {
            chart->setMargins(margins);
        }
    }

    QAbstractAxis* bottom() const {
        return dates ? static_cast<QAbstractAxis*>(bottomDates) : bottomNumbers;
    }
    QAbstractAxis* axis(ChartAxis a) const {
        switch (a) {
        case ChartAxis::Bottom:
            return bottom();
        case ChartAxis::Left:
            return left;
        case ChartAxis::Right:
            return right;
        }
        return left;
    }
    static int index(ChartAxis a) { return static_cast<int>(a); }

    // Hands the series' points to the chart in the unit of the bottom axis. Long series are
    // thinned to the first, lowest, highest and last point of each of a few thousand slices of
    // the X range: the line drawn is the same at any width a screen or page gives it, and the
    // chart lays out a fraction of the points.
    void pushPoints(SeriesData& s) {
        s.dirty = false;
        if (s.points.isEmpty()) {
            s.line->clear();
            return;
        }
        s.line->replace(thinned(s.points, s.x));
    }

    static QList<QPointF> thinned(const QList<QPointF>& points, const Range& x) {
        constexpr int kSlices = 2048;
        const qsizetype n = points.size();
        if (n <= 4 * kSlices || !(x.high > x.low)) {
            return points;
        }
        const double width = (x.high - x.low) / kSlices;
        auto slice = [&](qsizetype i) {
            return std::clamp(static_cast<int>((points[i].x() - x.low) / width), 0, kSlices - 1);
        };
        QList<QPointF> out;
        out.reserve(4 * kSlices);
        for (qsizetype first = 0; first < n;) {
            const int b = slice(first);
            qsizetype last = first;
            qsizetype lowest = first;
            qsizetype highest = first;
            while (last + 1 < n && slice(last + 1) == b) {
                ++last;
                if (points[last].y() < points[lowest].y()) {
                    lowest = last;
                }
                if (points[last].y() > points[highest].y()) {
                    highest = last;
                }
            }
            qsizetype keep[4] = {first, std::min(lowest, highest), std::max(lowest, highest), last};
            for (int k = 0; k < 4; ++k) {
                if (k == 0 || keep[k] != keep[k - 1]) {
                    out.append(points[keep[k]]);
                }
            }
            first = last + 1;
        }
        return out;
    }

    void applyGridPen(ChartAxis a) {
        QPen pen(kGridColor);
        pen.setStyle(gridStyle[index(a)]);
        axis(a)->setGridLinePen(pen);
        if (a == ChartAxis::Bottom) {
            QPen other = pen;
            (dates ? static_cast<QAbstractAxis*>(bottomNumbers) : bottomDates)
                ->setGridLinePen(other);
        }
    }

    static Range scaled(Range r, std::optional<double> minimum) {
        if (minimum) {
            const double high = r.empty() ? *minimum + 1 : std::max(r.high, *minimum);
            return Range{*minimum, high > *minimum ? high : *minimum + 1};
        }
        if (r.empty()) {
            return Range{0, 1};
        }
        if (r.high - r.low < 1e-9 * std::max(1.0, std::abs(r.high))) {
            const double pad = std::max(1.0, std::abs(r.high) * 0.1);
            return Range{r.low - pad, r.high + pad};
        }
        return r;
    }

    static QDate dayToDate(double day) {
        return kDayZero.addDays(static_cast<qint64>(std::floor(day)));
    }
    static double dateToDay(const QDate& date) {
        return static_cast<double>(kDayZero.daysTo(date));
    }

    // The dates of the ticks between first and last, both the 1st of a month: every step-th
    // month (steps below a year start in January) or every step/12-th year on 1 January.
    static QList<QDate> monthTicks(const QDate& first, const QDate& last, int step) {
        QList<QDate> ticks;
        for (QDate d = first; d <= last; d = d.addMonths(1)) {
            const bool onStep = step < 12 ? (d.month() - 1) % step == 0
                                          : d.month() == 1 && d.year() % (step / 12) == 0;
            if (onStep) {
                ticks.append(d);
            }
        }
        return ticks;
    }

    // Scales the date axis to whole months around the data and puts labelled ticks on month or
    // year boundaries, each label once; no data, no ticks.
    void scaleDateAxis(const Range& x) {
        const QStringList old = bottomDates->categoriesLabels();
        for (const QString& label : old) {
            bottomDates->remove(label);
        }
        if (x.empty()) {
            bottomDates->setRange(0, 1);
            low[index(ChartAxis::Bottom)] = 0;
            high[index(ChartAxis::Bottom)] = 1;
            return;
        }
        const QDate from = dayToDate(x.low);
        const QDate to = dayToDate(std::ceil(x.high));
        const QDate first(from.year(), from.month(), 1);
        QDate last(to.year(), to.month(), 1);
        if (last < to || last == first) {
            last = last.addMonths(1);
        }
        static const int kSteps[] = {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200, 2400, 6000};
        QList<QDate> ticks;
        for (int step : kSteps) {
            ticks = monthTicks(first, last, step);
            if (ticks.size() <= kMostDateTicks) {
                break;
            }
        }
        // Two-digit years repeat after a century: then the years are written in full.
        QString pattern = datePattern;
        QSet<QString> seen;
        for (const QDate& d : ticks) {
            if (seen.contains(QLocale::c().toString(d, pattern))) {
                pattern.replace(QStringLiteral("yyyy"), QStringLiteral("yy"));
                pattern.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
                break;
            }
            seen.insert(QLocale::c().toString(d, pattern));
        }
        const double lowDay = dateToDay(first);
        const double highDay = dateToDay(last);
        // The axis labels the end of each category: the first one ends on the first tick.
        bottomDates->setStartValue(lowDay - 1);
        for (const QDate& d : ticks) {
            const QString label = QLocale::c().toString(d, pattern);
            bottomDates->append(label, dateToDay(d));
        }
        bottomDates->setRange(lowDay, highDay);
        low[index(ChartAxis::Bottom)] = lowDay;
        high[index(ChartAxis::Bottom)] = highDay;
    }

    void scaleValueAxis(QValueAxis* a, ChartAxis which, Range r, int ticks) {
        r = scaled(r, minimum[index(which)]);
        a->setTickCount(ticks);
        a->setRange(r.low, r.high);
        a->applyNiceNumbers();
        low[index(which)] = a->min();
        high[index(which)] = a->max();
    }
};

GraphChart::GraphChart(QWidget* parent) : d(std::make_unique<Impl>()) {
    d->chart = new QChart();
    d->chart->setTheme(QChart::ChartThemeLight);
    d->chart->setAnimationOptions(QChart::NoAnimation);
    d->chart->setBackgroundRoundness(0);
    d->chart->setDropShadowEnabled(false);

    d->left = new QValueAxis();
    d->right = new QValueAxis();
    d->bottomNumbers = new QValueAxis();
    d->bottomDates = new QCategoryAxis();
    d->bottomDates->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (QValueAxis* a : {d->left, d->right, d->bottomNumbers}) {
        a->setLabelFormat(QStringLiteral("%.10g"));
        a->setMinorGridLineVisible(true);
        a->setMinorGridLinePen(QPen(Qt::transparent));
    }
    for (QAbstractAxis* a : std::initializer_list<QAbstractAxis*>{
             d->left, d->right, d->bottomNumbers, d->bottomDates}) {
        a->setLineVisible(true);
        a->setLinePen(QPen(QColor(64, 64, 64), 1));
        a->setLabelsColor(Qt::black);
        a->setTitleBrush(Qt::black);
    }
    d->chart->addAxis(d->bottomNumbers, Qt::AlignBottom);
    d->chart->addAxis(d->bottomDates, Qt::AlignBottom);
    d->bottomDates->setVisible(false);
    d->chart->addAxis(d->left, Qt::AlignLeft);
    d->chart->addAxis(d->right, Qt::AlignRight);
    for (ChartAxis a : {ChartAxis::Bottom, ChartAxis::Left, ChartAxis::Right}) {
        d->applyGridPen(a);
    }

    d->view = new QChartView(d->chart, parent);
    d->view->setRubberBand(QChartView::NoRubberBand);
    d->view->setInteractive(false);
    d->view->setRenderHint(QPainter::Antialiasing, true);
    d->view->setObjectName(QStringLiteral("Chart1"));
    d->titleBase = d->chart->titleFont();
    d->labelsBase = d->left->labelsFont();
    d->axisTitleBase = d->left->titleFont();
    d->legendBase = d->chart->legend()->font();
    d->viewPixels = QFontInfo(d->view->font()).pixelSize();
    new FontWatch(d->view, [impl = d.get()] { impl->viewFontChanged(); });
    rescale();
}

GraphChart::~GraphChart() {
    // The view (and with it the chart) belongs to the parent widget; without one it is ours.
    if (d->view && !d->view->parent()) {
        delete d->view;
    }
}

QWidget* GraphChart::widget() const {
    return d->view;
}

void GraphChart::setTitle(const QString& text) {
    d->chart->setTitle(text);
}

QString GraphChart::title() const {
    return d->chart->title();
}

void GraphChart::setTitleFont(const QFont& font, const QColor& color) {
    d->titleBase = font;
    d->chart->setTitleFont(scaledFont(font, d->fontScale));
    d->chart->setTitleBrush(color);
}

QFont GraphChart::titleFont() const {
    return d->chart->titleFont();
}

QColor GraphChart::titleColor() const {
    return d->chart->titleBrush().color();
}

void GraphChart::setBackground(const QColor& color) {
    d->chart->setBackgroundBrush(color);
    d->chart->setBackgroundPen(Qt::NoPen);
    d->chart->setPlotAreaBackgroundVisible(false);
    d->view->setBackgroundBrush(color);
}

void GraphChart::setLegend(const QColor& background, int shadowPixels) {
    if (!d->legend) {
        d->chart->legend()->setVisible(false);
        d->legend = new LegendBox(d->chart);
        d->legend->setFont(scaledFont(d->legendBase, d->fontScale));
        d->legend->setZValue(100);
        QObject::connect(d->chart, &QChart::geometryChanged, d->chart,
                         [impl = d.get()] { impl->placeLegend(); });
    }
    d->legend->setLook(background, shadowPixels);
    d->placeLegend();
}

void GraphChart::setAxisTitle(ChartAxis axis, const QString& text) {
    d->axis(axis)->setTitleText(text);
    if (axis == ChartAxis::Bottom) {
        d->bottomNumbers->setTitleText(text);
        d->bottomDates->setTitleText(text);
    }
}

QString GraphChart::axisTitle(ChartAxis axis) const {
    return d->axis(axis)->titleText();
}

void GraphChart::setAxisTitleKept(ChartAxis axis, bool kept) {
    d->keepTitle[Impl::index(axis)] = kept;
}

bool GraphChart::axisTitleShown(ChartAxis axis) const {
    return d->axis(axis)->isVisible() && d->axis(axis)->isTitleVisible() &&
           !d->axis(axis)->titleText().isEmpty();
}

bool GraphChart::axisLabelsShown(ChartAxis axis) const {
    return d->axis(axis)->isVisible() && d->axis(axis)->labelsVisible() &&
           d->axis(axis)->labelsColor().alpha() > 0;
}

void GraphChart::setAxisGridVisible(ChartAxis axis, bool visible) {
    d->axis(axis)->setGridLineVisible(visible);
    if (axis == ChartAxis::Bottom) {
        d->bottomNumbers->setGridLineVisible(visible);
        d->bottomDates->setGridLineVisible(visible);
    }
}

bool GraphChart::axisGridVisible(ChartAxis axis) const {
    return d->axis(axis)->isGridLineVisible();
}

void GraphChart::setAxisGridStyle(ChartAxis axis, Qt::PenStyle style) {
    d->gridStyle[Impl::index(axis)] = style;
    d->applyGridPen(axis);
}

Qt::PenStyle GraphChart::axisGridStyle(ChartAxis axis) const {
    return d->gridStyle[Impl::index(axis)];
}

void GraphChart::setAxisMinimum(ChartAxis axis, std::optional<double> minimum) {
    d->minimum[Impl::index(axis)] = minimum;
}

std::optional<double> GraphChart::axisMinimum(ChartAxis axis) const {
    return d->minimum[Impl::index(axis)];
}

void GraphChart::setMinorTickCount(int count) {
    d->minorTicks = count;
    for (QValueAxis* a : {d->left, d->right, d->bottomNumbers}) {
        a->setMinorTickCount(count);
    }
}

int GraphChart::minorTickCount() const {
    return d->minorTicks;
}

double GraphChart::axisLow(ChartAxis axis) const {
    return d->low[Impl::index(axis)];
}

double GraphChart::axisHigh(ChartAxis axis) const {
    return d->high[Impl::index(axis)];
}

void GraphChart::setXValuesAreDates(bool dates) {
    if (dates == d->dates) {
        return;
    }
    // Both bottom axes stay in the chart; the series follow the one that is shown.
    QAbstractAxis* old = d->bottom();
    for (SeriesData& s : d->series) {
        s.line->detachAxis(old);
    }
    old->setVisible(false);
    d->dates = dates;
    QAbstractAxis* now = d->bottom();
    now->setVisible(true);
    for (SeriesData& s : d->series) {
        s.line->clear(); // its X are in the other unit: handed over again by rescale()
        s.dirty = true;
        s.line->attachAxis(now);
    }
}

bool GraphChart::xValuesAreDates() const {
    return d->dates;
}

void GraphChart::setDateFormat(const QString& pattern) {
    d->datePattern = pattern;
}

QString GraphChart::dateFormat() const {
    return d->datePattern;
}

QList<QPair<double, QString>> GraphChart::dateTicks() const {
    QList<QPair<double, QString>> ticks;
    for (const QString& label : d->bottomDates->categoriesLabels()) {
        ticks.append({d->bottomDates->endValue(label), label});
    }
    return ticks;
}

void GraphChart::setBottomLabelAngle(int degrees) {
    d->labelAngle = degrees;
    d->bottomNumbers->setLabelsAngle(-degrees);
    d->bottomDates->setLabelsAngle(-degrees);
}

int GraphChart::bottomLabelAngle() const {
    return d->labelAngle;
}

int GraphChart::addSeries(const QString& title, const QColor& color, ChartAxis axis,
                          int lineWidth) {
    SeriesData s;
    s.line = new QLineSeries();
    s.line->setName(title);
    QPen pen(color);
    pen.setWidth(lineWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::BevelJoin);
    s.line->setPen(pen);
    s.line->setPointsVisible(false);
    s.line->setPointLabelsVisible(false);
    s.axis = axis == ChartAxis::Right ? ChartAxis::Right : ChartAxis::Left;
    d->chart->addSeries(s.line);
    s.line->attachAxis(d->bottom());
    s.line->attachAxis(d->axis(s.axis));
    d->series.push_back(s);
    return static_cast<int>(d->series.size()) - 1;
}

int GraphChart::seriesCount() const {
    return static_cast<int>(d->series.size());
}

void GraphChart::setSeriesTitle(int series, const QString& title) {
    QLineSeries* line = d->series.at(static_cast<size_t>(series)).line;
    if (line->name() != title) {
        line->setName(title);
        d->placeLegend();
    }
}

QString GraphChart::seriesTitle(int series) const {
    return d->series.at(static_cast<size_t>(series)).line->name();
}

QColor GraphChart::seriesColor(int series) const {
    return d->series.at(static_cast<size_t>(series)).line->pen().color();
}

int GraphChart::seriesLineWidth(int series) const {
    return d->series.at(static_cast<size_t>(series)).line->pen().width();
}

ChartAxis GraphChart::seriesAxis(int series) const {
    return d->series.at(static_cast<size_t>(series)).axis;
}

void GraphChart::setSeriesActive(int series, bool active) {
    SeriesData& s = d->series.at(static_cast<size_t>(series));
    s.active = active;
    s.line->setVisible(active);
    d->placeLegend();
}

bool GraphChart::seriesActive(int series) const {
    return d->series.at(static_cast<size_t>(series)).active;
}

void GraphChart::clearSeries(int series) {
    SeriesData& s = d->series.at(static_cast<size_t>(series));
    if (s.points.isEmpty()) {
        return;
    }
    s.points.clear();
    s.x = Range{};
    s.y = Range{};
    s.dirty = true;
}

void GraphChart::setSeriesPoints(int series, QList<QPointF> points) {
    SeriesData& s = d->series.at(static_cast<size_t>(series));
    Range x;
    Range y;
    for (const QPointF& p : points) {
        y.add(p.y(), p.y());
    }
    if (!points.isEmpty()) {
        x.add(points.front().x(), points.back().x());
    }
    s.points = std::move(points);
    s.x = x;
    s.y = y;
    s.dirty = true;
}

qsizetype GraphChart::seriesPointCount(int series) const {
    return d->series.at(static_cast<size_t>(series)).points.size();
}

QPointF GraphChart::seriesPoint(int series, qsizetype index) const {
    return d->series.at(static_cast<size_t>(series)).points.at(index);
}

QList<QPointF> GraphChart::plottedPoints(int series) const {
    return d->series.at(static_cast<size_t>(series)).line->points();
}

QPointF GraphChart::plotPosition(int series, const QPointF& value) const {
    return d->chart->mapToPosition(value, d->series.at(static_cast<size_t>(series)).line);
}

void GraphChart::rescale() {
    Range x;
    Range left;
    Range right;
    for (const SeriesData& s : d->series) {
        if (!s.active || s.points.isEmpty()) {
            continue;
        }
        x.add(s.x.low, s.x.high);
        (s.axis == ChartAxis::Right ? right : left).add(s.y.low, s.y.high);
    }
    // Series about to get new points are emptied first: every change of an axis range below
    // lays out again the series on that axis, and their old points would be laid out for
    // nothing, several times over.
    for (SeriesData& s : d->series) {
        if (s.dirty && s.line->count() > 0) {
            s.line->clear();
        }
    }
    d->scaleValueAxis(d->left, ChartAxis::Left, left, 6);
    d->scaleValueAxis(d->right, ChartAxis::Right, right, 6);
    // Numbers on an axis that carries nothing would only suggest a scale that is not there.
    // They are drawn in no colour rather than hidden: a hidden scale takes the room of the axis
    // with it, and the chart then cuts a kept title down to "...".
    d->left->setLabelsColor(left.empty() ? QColor(Qt::transparent) : QColor(Qt::black));
    d->right->setLabelsColor(right.empty() ? QColor(Qt::transparent) : QColor(Qt::black));
    d->left->setTitleVisible(!left.empty() || d->keepTitle[Impl::index(ChartAxis::Left)]);
    d->right->setTitleVisible(!right.empty() || d->keepTitle[Impl::index(ChartAxis::Right)]);
    if (!d->dates) {
        d->scaleValueAxis(d->bottomNumbers, ChartAxis::Bottom, x, 11);
    } else {
        d->scaleDateAxis(x);
    }
    // The points go to the chart once the axes have their new ranges, so that each series is
    // laid out once.
    for (SeriesData& s : d->series) {
        if (s.dirty) {
            d->pushPoints(s);
        }
    }
}

void GraphChart::render(QPainter* painter, const QRectF& target) {
    if (target.width() <= 0 || target.height() <= 0) {
        return;
    }
    // Lay the chart out afresh in the shape of the target, at a size whose fonts read well
    // once scaled, then give the screen its own layout back.
    const QRectF shown = d->chart->geometry();
    const qreal width = std::max<qreal>(shown.width(), 900);
    const QRectF page(shown.topLeft(), QSizeF(width, width * target.height() / target.width()));
    d->chart->setGeometry(page);
    d->chart->scene()->render(painter, target, page, Qt::IgnoreAspectRatio);
    d->chart->setGeometry(shown);
}

void GraphChart::renderAtSize(QPainter* painter, const QRectF& target, const QSizeF& layout) {
    if (target.isEmpty() || layout.isEmpty()) {
        return;
    }
    const QRectF shown = d->chart->geometry();
    const QRectF page(shown.topLeft(), layout);
    d->chart->setGeometry(page);
    // The plot area follows the legend's new room only once the chart's layout has run.
    if (QGraphicsLayout* chartLayout = d->chart->layout()) {
        chartLayout->activate();
    }
    d->chart->scene()->render(painter, target, page, Qt::IgnoreAspectRatio);
    d->chart->setGeometry(shown);
    if (QGraphicsLayout* chartLayout = d->chart->layout()) {
        chartLayout->activate();
    }
}

void GraphChart::setSeriesDashPattern(int series, const QList<qreal>& pattern) {
    QLineSeries* line = d->series.at(static_cast<size_t>(series)).line;
    QPen pen = line->pen();
    if (pattern.isEmpty()) {
        pen.setStyle(Qt::SolidLine);
    } else {
        pen.setDashPattern(pattern);
    }
    line->setPen(pen);
}

void GraphChart::repaint() {
    d->view->viewport()->repaint();
}

} // namespace orvek::ui
