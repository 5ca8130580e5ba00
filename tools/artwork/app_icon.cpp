#include "tools/artwork/app_icon.hpp"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <variant>
#include <vector>

namespace merolan {
namespace {

// Every coordinate below is on this grid; the pixel sizes are scaled copies of it.
constexpr double kGrid = 256;

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

constexpr Colour rgb(std::uint32_t hex)
{
    return {static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8), static_cast<std::uint8_t>(hex)};
}

// A blend from the top of a shape's outline to its bottom; equal ends give a flat fill.
struct Fill {
    Colour top;
    Colour bottom;
};

constexpr Fill flat(Colour colour)
{
    return {colour, colour};
}

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double radius = 0;
    Fill fill;
    Colour edge;
    double edgeWidth = 0;
};

struct Disc {
    double x = 0;
    double y = 0;
    double radius = 0;
    Fill fill;
};

// An open arc with flat ends. Angles are in degrees counter-clockwise from three o'clock, as
// on a dial, whatever way the output counts them.
struct Arc {
    double x = 0;
    double y = 0;
    double radius = 0;
    double fromDegrees = 0;
    double toDegrees = 0;
    double width = 0;
    Colour colour;
};

struct Line {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    double width = 0;
    Colour colour;
    bool roundEnds = false;
};

using Shape = std::variant<Box, Disc, Arc, Line>;

const Colour kInk = rgb(0x1b1e21);
const Colour kNeedleRed = rgb(0xd22a1e);

// The pivot sits low in the meter window, so the scale spans most of its width and the
// needle is long enough to read at 48 pixels.
constexpr double kPivotX = 128;
constexpr double kPivotY = 170;
constexpr double kScaleRadius = 104;
constexpr double kScaleFrom = 135;
constexpr double kScaleTo = 45;
constexpr double kNeedleAt = 78;

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
}

Line dialLine(double degrees, double fromRadius, double toRadius, double width, Colour colour, bool roundEnds)
{
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    return {kPivotX + fromRadius * c,
            kPivotY - fromRadius * s,
            kPivotX + toRadius * c,
            kPivotY - toRadius * s,
            width,
            colour,
            roundEnds};
}

// Drawn in order, later shapes over earlier ones.
std::vector<Shape> iconShapes()
{
    std::vector<Shape> shapes;
    // The case, and the meter window in its black bezel.
    shapes.push_back(Box{16, 16, 224, 224, 40, {rgb(0x4c5862), rgb(0x1e2429)}, rgb(0x13171b), 3});
    shapes.push_back(Box{36, 36, 184, 152, 16, {rgb(0xfcf7e8), rgb(0xe2d6b6)}, rgb(0x101316), 4});

    // Few, heavy marks: at 48 pixels finer ones blur into a grey band. The red band marks the
    // top of the range; the marks are drawn over it.
    shapes.push_back(Arc{kPivotX, kPivotY, kScaleRadius + 8, 63, kScaleTo, 12, kNeedleRed});
    shapes.push_back(Arc{kPivotX, kPivotY, kScaleRadius, kScaleFrom, kScaleTo, 7, kInk});
    constexpr int kMarks = 5;
    for (int mark = 0; mark < kMarks; ++mark) {
        const double degrees = kScaleFrom + (kScaleTo - kScaleFrom) * mark / (kMarks - 1);
        shapes.push_back(dialLine(degrees, kScaleRadius - 3, kScaleRadius + 18, 8, kInk, false));
    }

    shapes.push_back(dialLine(kNeedleAt, -12, kScaleRadius + 8, 9, kNeedleRed, true));
    shapes.push_back(Disc{kPivotX, kPivotY, 13, flat(rgb(0x23292e))});
    shapes.push_back(Disc{kPivotX, kPivotY, 5, flat(rgb(0x8d969e))});

    // Below the window: the power lamp, lit, and the input connector.
    shapes.push_back(Disc{74, 214, 14, flat(rgb(0x0e1114))});
    shapes.push_back(Disc{74, 214, 10, {rgb(0x9cf08a), rgb(0x2a9a3a)}});
    shapes.push_back(Disc{182, 214, 17, {rgb(0xe6e8ea), rgb(0x858a90)}});
    shapes.push_back(Disc{182, 214, 8, flat(rgb(0x1b2024))});
    shapes.push_back(Disc{182, 214, 3, flat(rgb(0xdcb65a))});
    return shapes;
}

// ---------------------------------------------------------------------------------------
// SVG

// Two decimals are far below a pixel even at 256; trailing zeros go so the text stays short.
QString number(double value)
{
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString hex(Colour colour)
{
    return QColor(colour.red, colour.green, colour.blue).name();
}

struct Svg {
    QString defs;
    QString body;
    int gradients = 0;

    QString fill(const Fill &fill)
    {
        if (fill.top.red == fill.bottom.red && fill.top.green == fill.bottom.green && fill.top.blue == fill.bottom.blue)
            return QStringLiteral("fill=\"%1\"").arg(hex(fill.top));
        // Bounding-box units run the blend over the shape's own outline, as the painter does.
        const QString id = QStringLiteral("fill%1").arg(gradients++);
        defs += QStringLiteral("    <linearGradient id=\"%1\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
                               "      <stop offset=\"0\" stop-color=\"%2\"/>\n"
                               "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
                               "    </linearGradient>\n")
                    .arg(id, hex(fill.top), hex(fill.bottom));
        return QStringLiteral("fill=\"url(#%1)\"").arg(id);
    }

    void add(const Box &box)
    {
        body += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" %6")
                    .arg(number(box.x), number(box.y), number(box.width), number(box.height), number(box.radius),
                         fill(box.fill));
        if (box.edgeWidth > 0)
            body += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"").arg(hex(box.edge), number(box.edgeWidth));
        body += QStringLiteral("/>\n");
    }

    void add(const Disc &disc)
    {
        body += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>\n")
                    .arg(number(disc.x), number(disc.y), number(disc.radius), fill(disc.fill));
    }

    void add(const Arc &arc)
    {
        const double from = radians(arc.fromDegrees);
        const double to = radians(arc.toDegrees);
        // SVG measures angles with y pointing down, so a dial's clockwise turn is its positive sweep.
        const bool clockwise = arc.toDegrees < arc.fromDegrees;
        const bool large = std::abs(arc.toDegrees - arc.fromDegrees) > 180;
        body +=
            QStringLiteral("  <path d=\"M %1 %2 A %3 %3 0 %4 %5 %6 %7\" fill=\"none\" stroke=\"%8\" "
                           "stroke-width=\"%9\"/>\n")
                .arg(number(arc.x + arc.radius * std::cos(from)), number(arc.y - arc.radius * std::sin(from)),
                     number(arc.radius), large ? QStringLiteral("1") : QStringLiteral("0"),
                     clockwise ? QStringLiteral("1") : QStringLiteral("0"), number(arc.x + arc.radius * std::cos(to)),
                     number(arc.y - arc.radius * std::sin(to)), hex(arc.colour), number(arc.width));
    }

    void add(const Line &line)
    {
        body +=
            QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" stroke-width=\"%6\"%7/>\n")
                .arg(number(line.x1), number(line.y1), number(line.x2), number(line.y2), hex(line.colour),
                     number(line.width), line.roundEnds ? QStringLiteral(" stroke-linecap=\"round\"") : QString());
    }
};

// ---------------------------------------------------------------------------------------
// Pixels

QColor qColour(Colour colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

QBrush brush(const Fill &fill, double top, double bottom)
{
    QLinearGradient blend(QPointF(0, top), QPointF(0, bottom));
    blend.setColorAt(0, qColour(fill.top));
    blend.setColorAt(1, qColour(fill.bottom));
    return blend;
}

// The painter's own defaults (square caps, bevel joins) differ from SVG's; these match them.
QPen pen(Colour colour, double width, Qt::PenCapStyle cap)
{
    return QPen(qColour(colour), width, Qt::SolidLine, cap, Qt::MiterJoin);
}

void paint(QPainter &painter, const Box &box)
{
    painter.setPen(box.edgeWidth > 0 ? pen(box.edge, box.edgeWidth, Qt::FlatCap) : QPen(Qt::NoPen));
    painter.setBrush(brush(box.fill, box.y, box.y + box.height));
    painter.drawRoundedRect(QRectF(box.x, box.y, box.width, box.height), box.radius, box.radius);
}

void paint(QPainter &painter, const Disc &disc)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush(disc.fill, disc.y - disc.radius, disc.y + disc.radius));
    painter.drawEllipse(QPointF(disc.x, disc.y), disc.radius, disc.radius);
}

void paint(QPainter &painter, const Arc &arc)
{
    const QRectF box(arc.x - arc.radius, arc.y - arc.radius, 2 * arc.radius, 2 * arc.radius);
    QPainterPath path;
    path.arcMoveTo(box, arc.fromDegrees);
    path.arcTo(box, arc.fromDegrees, arc.toDegrees - arc.fromDegrees);
    painter.strokePath(path, pen(arc.colour, arc.width, Qt::FlatCap));
}

void paint(QPainter &painter, const Line &line)
{
    painter.setPen(pen(line.colour, line.width, line.roundEnds ? Qt::RoundCap : Qt::FlatCap));
    painter.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
}

} // namespace

QByteArray appIconSvg()
{
    Svg svg;
    for (const Shape &shape : iconShapes())
        std::visit([&svg](const auto &s) { svg.add(s); }, shape);
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%1\" "
                                  "height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
                       .arg(number(kGrid));
    if (!svg.defs.isEmpty())
        text += QStringLiteral("  <defs>\n") + svg.defs + QStringLiteral("  </defs>\n");
    text += svg.body + QStringLiteral("</svg>\n");
    return text.toUtf8();
}

QImage appIconImage(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixels / kGrid, pixels / kGrid);
        for (const Shape &shape : iconShapes())
            std::visit([&painter](const auto &s) { paint(painter, s); }, shape);
    }
    // PNG keeps straight alpha; converting here makes a saved and reloaded icon compare equal.
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace merolan
