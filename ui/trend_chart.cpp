#include "ui/trend_chart.hpp"

#include "core/history/axis_ticks.hpp"
#include "ui/trace_item.hpp"

#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPen>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace merolan {
namespace {

const QColor kTraceColour(0, 84, 190);
const QColor kResetMarkColour(150, 150, 150);
// Room a time label needs, "Dec 10 00:00" included.
constexpr int kTimeLabelPixels = 100;
// Room left above and below the values by the automatic range, as a share of their span.
constexpr double kFitMargin = 0.05;
// A lone reading between two gaps is drawn as a short dash this many columns wide.
constexpr double kLoneReadingColumns = 3;

// What the plot shows while there is nothing to fit.
ValueRange emptyRange(TrendUnit unit)
{
    switch (unit) {
    case TrendUnit::Dbm:
        return {-60, 0};
    case TrendUnit::RelativeDb:
        return {-10, 10};
    case TrendUnit::Watt:
        return {0, 1e-3};
    case TrendUnit::Volt:
        break;
    }
    return {0, 1};
}

// Watts and volts are plotted with a prefix, so the tick labels stay short numbers.
struct AxisUnit {
    double scale;
    QString title;
};

AxisUnit axisUnitFor(TrendUnit unit, ValueRange range)
{
    if (unit == TrendUnit::Dbm)
        return {1, QStringLiteral("Level (dBm)")};
    if (unit == TrendUnit::RelativeDb)
        return {1, QStringLiteral("Relative level (dB)")};
    const bool watt = unit == TrendUnit::Watt;
    const QString quantity = watt ? QStringLiteral("Power (%1)") : QStringLiteral("Voltage (%1)");
    const QString symbol = watt ? QStringLiteral("W") : QStringLiteral("V");
    // The same prefixes as the readouts, "u" included.
    const struct {
        double scale;
        const char *prefix;
    } prefixes[] = {{1, ""}, {1e3, "m"}, {1e6, "u"}, {1e9, "n"}};
    const double largest = std::max(std::abs(range.min), std::abs(range.max));
    for (const auto &p : prefixes)
        if (largest * p.scale >= 1)
            return {p.scale, quantity.arg(QLatin1String(p.prefix) + symbol)};
    return {1e12, quantity.arg(QStringLiteral("p") + symbol)};
}

void widenLoneReading(TraceRun &run, double columnMs)
{
    if (run.upper.size() != 1)
        return;
    const double half = columnMs * kLoneReadingColumns / 2;
    for (QList<QPointF> *edge : {&run.upper, &run.lower}) {
        const QPointF p = edge->front();
        *edge = {QPointF(p.x() - half, p.y()), QPointF(p.x() + half, p.y())};
    }
}

} // namespace

std::optional<ValueRange> fitRange(const std::vector<TrendColumn> &columns, TrendUnit unit)
{
    bool any = false;
    double low = 0;
    double high = 0;
    for (const TrendColumn &c : columns) {
        if (!std::isfinite(c.minimum) || !std::isfinite(c.maximum))
            continue;
        low = any ? std::min(low, c.minimum) : c.minimum;
        high = any ? std::max(high, c.maximum) : c.maximum;
        any = true;
    }
    if (!any)
        return std::nullopt;
    const bool decibels = unit == TrendUnit::Dbm || unit == TrendUnit::RelativeDb;
    // A steady level spans a dB, or a tenth of its value in watts and volts; the floor keeps a
    // zero from giving no span at all.
    const double least = decibels ? 1.0 : std::max(std::abs(high) * 0.1, 1e-15);
    if (high - low < least) {
        const double middle = (low + high) / 2;
        low = middle - least / 2;
        high = middle + least / 2;
    }
    const double margin = (high - low) * kFitMargin;
    ValueRange range{low - margin, high + margin};
    // Powers and voltages are never negative: the axis need not suggest they could be.
    if (!decibels && low >= 0)
        range.min = std::max(range.min, 0.0);
    return range;
}

std::vector<TraceRun> traceRuns(const TrendPlot &plot, double scale)
{
    std::vector<TraceRun> runs;
    const double columnMs = static_cast<double>(plot.toMs - plot.fromMs) / std::max(plot.columns, 1);
    const double fromMs = static_cast<double>(plot.fromMs);
    for (const TrendColumn &c : plot.columnValues) {
        if (!std::isfinite(c.minimum) || !std::isfinite(c.maximum))
            continue;
        if (runs.empty() || c.afterGap) {
            if (!runs.empty())
                widenLoneReading(runs.back(), columnMs);
            runs.emplace_back();
        }
        const double x = fromMs + (c.column + 0.5) * columnMs;
        runs.back().upper.append(QPointF(x, c.maximum * scale));
        runs.back().lower.append(QPointF(x, c.minimum * scale));
    }
    if (!runs.empty())
        widenLoneReading(runs.back(), columnMs);
    return runs;
}

TrendChart::TrendChart(QWidget *parent)
    : QChartView(new QChart, parent), timeAxis_(new QCategoryAxis), valueAxis_(new QValueAxis)
{
    trace_ = new TraceItem(kTraceColour);
    QChart *c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->legend()->hide();
    c->setMargins(QMargins(4, 4, 4, 4));
    c->addAxis(timeAxis_, Qt::AlignBottom);
    c->addAxis(valueAxis_, Qt::AlignLeft);
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    setMouseTracking(true);
    // Where a Reset began the statistics' period: a dashed line across the plot.
    resetMark_ = new QLineSeries;
    resetMark_->setObjectName(QStringLiteral("resetMark"));
    QPen mark(kResetMarkColour);
    mark.setStyle(Qt::DashLine);
    mark.setCosmetic(true);
    resetMark_->setPen(mark);
    c->addSeries(resetMark_);
    resetMark_->attachAxis(timeAxis_);
    resetMark_->attachAxis(valueAxis_);
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_->setTickAnchor(0);
    // Above the grid and the reset mark, inside the plot area.
    trace_->setParentItem(c);
    trace_->setZValue(100);
    connect(c, &QChart::plotAreaChanged, this, [this](const QRectF &area) { trace_->setPlotArea(area); });
}

int TrendChart::plotColumns() const
{
    // Before the first layout the plot area is empty; the view's width is near enough then.
    const int plotWidth = static_cast<int>(chart()->plotArea().width());
    return std::max(1, plotWidth > 0 ? plotWidth : width() - 80);
}

void TrendChart::draw(const TrendPlot &plot)
{
    const ValueRange range =
        plot.fixedRange ? *plot.fixedRange : fitRange(plot.columnValues, plot.unit).value_or(emptyRange(plot.unit));
    const AxisUnit axis = axisUnitFor(plot.unit, range);
    const double interval = levelTickStep(range.min * axis.scale, range.max * axis.scale);
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(interval))));

    showTimeTicks(plot.fromMs, plot.toMs);
    valueAxis_->setTitleText(axis.title);
    valueAxis_->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    valueAxis_->setTickInterval(interval);
    valueAxis_->setRange(range.min * axis.scale, range.max * axis.scale);

    const double low = range.min * axis.scale, high = range.max * axis.scale;
    trace_->show(
        traceRuns(plot, axis.scale),
        QRectF(static_cast<double>(plot.fromMs), low, static_cast<double>(plot.toMs - plot.fromMs), high - low),
        chart()->plotArea());
    if (plot.resetMs) {
        const auto at = static_cast<double>(*plot.resetMs);
        resetMark_->replace({QPointF(at, low), QPointF(at, high)});
    } else if (resetMark_->count() > 0) {
        resetMark_->clear();
    }
}

void TrendChart::showTimeTicks(std::int64_t fromMs, std::int64_t toMs)
{
    const int offset = QDateTime::fromMSecsSinceEpoch(toMs).offsetFromUtc();
    const TimeTicks ticks = timeTicks(fromMs, toMs, offset, std::max(2, plotColumns() / kTimeLabelPixels));
    for (const QString &label : timeAxis_->categoriesLabels())
        timeAxis_->remove(label);
    timeAxis_->setRange(static_cast<double>(fromMs), static_cast<double>(toMs));
    for (const TimeTick &tick : ticks.ticks)
        timeAxis_->append(QString::fromStdString(tick.label), static_cast<double>(tick.utcMs));
    timeAxis_->setTitleText(QString::fromStdString(localTimeTitle(offset)));
}

double TrendChart::timeAt(QPoint viewPoint) const
{
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(viewPoint))).x();
}

void TrendChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (dragFrom_) {
        emit panRequested(timeAt(*dragFrom_) - timeAt(at));
        dragFrom_ = at;
    }
    const bool over = chart()->plotArea().contains(chart()->mapFromScene(mapToScene(at)));
    emit pointerAt(over ? std::optional<double>(timeAt(at)) : std::nullopt);
    event->accept();
}

void TrendChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragFrom_ = event->position().toPoint();
    event->accept();
}

void TrendChart::mouseReleaseEvent(QMouseEvent *event)
{
    dragFrom_.reset();
    event->accept();
}

void TrendChart::leaveEvent(QEvent *event)
{
    emit pointerAt(std::nullopt);
    QChartView::leaveEvent(event);
}

void TrendChart::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        emit zoomRequested(timeAt(event->position().toPoint()), steps);
    event->accept();
}

const std::vector<TraceRun> &TrendChart::traceRunsShown() const
{
    return trace_->runs();
}

} // namespace merolan
