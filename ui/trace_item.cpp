#include "ui/trace_item.hpp"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace merolan {

void TraceItem::show(std::vector<TraceRun> runs, QRectF axes, QRectF plotArea)
{
    prepareGeometryChange();
    runs_ = std::move(runs);
    axes_ = axes;
    plotArea_ = plotArea;
    bars_ = QImage();
    update();
}

void TraceItem::setPlotArea(QRectF plotArea)
{
    if (plotArea == plotArea_)
        return;
    prepareGeometryChange();
    plotArea_ = plotArea;
    bars_ = QImage();
}

QPolygonF TraceItem::mapped(const QList<QPointF> &points) const
{
    const double xScale = plotArea_.width() / axes_.width();
    const double yScale = plotArea_.height() / axes_.height();
    QPolygonF line(points.size());
    for (qsizetype i = 0; i < points.size(); ++i)
        line[i] = QPointF(plotArea_.left() + (points[i].x() - axes_.left()) * xScale,
                          plotArea_.bottom() - (points[i].y() - axes_.top()) * yScale);
    return line;
}

// Every pixel column of the plot filled from its highest to its lowest value. Filled row by row
// over the whole plot, the picture costs the same whether the columns hold a pixel each or the
// plot's full height, as a day of readings drawn at once does.
QImage TraceItem::barsImage(double pixelRatio) const
{
    const int width = std::max(1, qRound(plotArea_.width() * pixelRatio));
    const int height = std::max(1, qRound(plotArea_.height() * pixelRatio));
    std::vector<int> top(static_cast<std::size_t>(width), std::numeric_limits<int>::max());
    std::vector<int> bottom(static_cast<std::size_t>(width), std::numeric_limits<int>::min());
    // Device pixels from the plot's corner, bounded just outside it so no coordinate overflows.
    const auto toDevice = [&](double at, double origin, int size) {
        return std::clamp((at - origin) * pixelRatio, -1.0, static_cast<double>(size));
    };
    for (const TraceRun &run : runs_) {
        const QPolygonF high = mapped(run.upper), low = mapped(run.lower);
        for (qsizetype i = 0; i < high.size(); ++i) {
            const double left = toDevice(high[i].x(), plotArea_.left(), width);
            const auto first = static_cast<int>(std::round(toDevice(high[i].y(), plotArea_.top(), height)));
            const auto last = static_cast<int>(std::round(toDevice(low[i].y(), plotArea_.top(), height)));
            const auto firstColumn = static_cast<std::size_t>(std::max(0.0, std::floor(left)));
            const auto endColumn =
                static_cast<std::size_t>(std::clamp(std::floor(left + pixelRatio), 0.0, double(width)));
            for (std::size_t column = firstColumn; column < endColumn; ++column) {
                top[column] = std::min(top[column], first);
                bottom[column] = std::max(bottom[column], last);
            }
        }
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    const QRgb ink = colour_.rgba();
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = y >= top[static_cast<std::size_t>(x)] && y <= bottom[static_cast<std::size_t>(x)] ? ink : 0;
    }
    return image;
}

void TraceItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (runs_.empty() || !(axes_.width() > 0) || !(axes_.height() > 0) || plotArea_.isEmpty())
        return;
    const double pixelRatio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    if (bars_.isNull() || bars_.devicePixelRatio() != pixelRatio)
        bars_ = barsImage(pixelRatio);
    painter->save();
    painter->setClipRect(plotArea_);
    painter->drawImage(plotArea_.topLeft(), bars_);
    // Lines join the columns: from where one comes nearest to the next to where that one comes
    // nearest back, so a step between bands shows and overlapping bands stay joined.
    QPen pen(colour_);
    pen.setCosmetic(true);
    painter->setPen(pen);
    QList<QLineF> links;
    for (const TraceRun &run : runs_) {
        // On screen the upper edge has the smaller y.
        const QPolygonF top = mapped(run.upper), bottom = mapped(run.lower);
        for (qsizetype i = 0; i + 1 < top.size(); ++i) {
            const double next = (top[i + 1].y() + bottom[i + 1].y()) / 2;
            const double from = std::clamp(next, top[i].y(), bottom[i].y());
            const double to = std::clamp(from, top[i + 1].y(), bottom[i + 1].y());
            links.append(QLineF(top[i].x(), from, top[i + 1].x(), to));
        }
    }
    painter->drawLines(links);
    painter->restore();
}

} // namespace merolan
