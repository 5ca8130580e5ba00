#pragma once

#include "core/history/trend_columns.hpp"
#include "ui/trace_item.hpp"

#include <QChartView>
#include <QList>
#include <QPointF>

#include <cstdint>
#include <optional>
#include <vector>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace merolan {

// A value range of the vertical axis, in the trend's unit (W, not mW).
struct ValueRange {
    double min = 0;
    double max = 0;
};

// What one drawing of the trend needs: the decimated columns of the span [fromMs, toMs) cut
// into `columns` slices, and the vertical range, or none to fit it to the values.
struct TrendPlot {
    std::vector<TrendColumn> columnValues;
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    int columns = 1;
    TrendUnit unit = TrendUnit::Dbm;
    std::optional<ValueRange> fixedRange;
    std::optional<std::int64_t> resetMs; // where the statistics' period began, when within the span
};

// The vertical range that shows every column with a little room above and below; a flat trace
// gets a span of its own so it sits mid-plot instead of on an edge. None without columns.
std::optional<ValueRange> fitRange(const std::vector<TrendColumn> &columns, TrendUnit unit);

// The band through the columns' extremes, in axis coordinates (milliseconds since the epoch, and
// the value times `scale`), one run per stretch without unusable readings.
std::vector<TraceRun> traceRuns(const TrendPlot &plot, double scale);

// The level over time: a time axis with ticks at round local times, titled with the zone, and a
// value axis with round ticks titled with the unit, with each run of the trace its own line so
// the gaps stay open.
class TrendChart : public QChartView
{
    Q_OBJECT

public:
    explicit TrendChart(QWidget *parent = nullptr);

    // Pixel columns of the plot area: the resolution worth decimating to.
    int plotColumns() const;
    void draw(const TrendPlot &plot);
    // The runs of the trace drawn now, in axis coordinates, oldest first.
    const std::vector<TraceRun> &traceRunsShown() const;
    // The time under a point of the view, in milliseconds since the epoch.
    double timeAt(QPoint viewPoint) const;

signals:
    // The pointer is over the plot at this time, or has left it.
    void pointerAt(std::optional<double> timeMs);
    // The wheel turned by `steps` notches (positive: closer) over the plot at this time.
    void zoomRequested(double atMs, int steps);
    // The plot was dragged sideways by this much time (positive: towards later readings).
    void panRequested(double deltaMs);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void showTimeTicks(std::int64_t fromMs, std::int64_t toMs);

    QCategoryAxis *timeAxis_;
    QValueAxis *valueAxis_;
    TraceItem *trace_ = nullptr; // owned by the chart
    QLineSeries *resetMark_ = nullptr;
    std::optional<QPoint> dragFrom_;
};

} // namespace merolan
