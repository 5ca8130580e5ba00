#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>

#include <vector>

namespace merolan {

// A stretch of the trend's trace without unusable readings: the highest and the lowest value of
// each pixel column, left to right, in axis coordinates. A column of one reading has both alike.
struct TraceRun {
    QList<QPointF> upper, lower;
};

// The trace drawn straight into the chart's scene: each pixel column filled between its extremes,
// and lines joining the columns, mapped onto the plot area when painted. A chart series would
// build an outline of every line for hit tests, which cost more than the rest of a redraw.
class TraceItem : public QGraphicsItem
{
public:
    explicit TraceItem(QColor colour) : colour_(colour) {}

    // The runs to draw, and the axes' ranges (x: time, y: value, both rising) that span
    // `plotArea`, in scene coordinates.
    void show(std::vector<TraceRun> runs, QRectF axes, QRectF plotArea);
    void setPlotArea(QRectF plotArea);
    const std::vector<TraceRun> &runs() const { return runs_; }

    QRectF boundingRect() const override { return plotArea_; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QPolygonF mapped(const QList<QPointF> &points) const;
    QImage barsImage(double pixelRatio) const;

    QColor colour_;
    std::vector<TraceRun> runs_;
    QRectF axes_;
    QRectF plotArea_;
    mutable QImage bars_; // drawn at the first paint after a change, then kept
};

} // namespace merolan
