#include "ui/trace_item.hpp"

#include <QGraphicsScene>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace merolan;

// One column from 20 to 80 and one at 50, on a plot whose pixels are the axis units: the first
// is filled over its whole extent, and a line joins it to the second at the level they share.
TEST(TraceItem, ColumnsAreFilledBetweenTheirExtremesAndJoined)
{
    QGraphicsScene scene(0, 0, 10, 100);
    auto *trace = new TraceItem(Qt::black);
    scene.addItem(trace);
    trace->show({{{{2.5, 80}, {7.5, 50}}, {{2.5, 20}, {7.5, 50}}}}, QRectF(0, 0, 10, 100), QRectF(0, 0, 10, 100));

    QImage image(10, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 10, 100), QRectF(0, 0, 10, 100));
    painter.end();

    const struct {
        int x, y;
        bool ink;
    } cases[] = {
        {2, 20, true}, {2, 50, true},  {2, 80, true}, {2, 18, false}, {2, 82, false}, // the column
        {5, 50, true}, {5, 30, false}, {7, 50, true}, {7, 40, false},                 // the link
    };
    for (const auto &c : cases)
        EXPECT_EQ(image.pixel(c.x, c.y) == qRgb(0, 0, 0), c.ink) << c.x << "," << c.y;
}
