// Draws the three pictures of the main window: the front panel, the meter face and the
// warning lamp, each once at its size on screen and once at twice that (name@2x.png) for
// high-density screens; and, when given a second folder, the desktop icon. The face's marks
// are placed with the needle's own angle table, so the needle lies on the printed 0..10 at the
// whole positions. The output is the same bytes on every run: no clock, no system random
// source, and fonts from fonts-liberation2 only.

#include "gauge/needle_geometry.hpp"
#include "gauge/panel_geometry.hpp"
#include "tools/artwork/app_icon.hpp"

#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

using merolan::kFaceOnPanel;
using merolan::kLampOnFace;
using merolan::kLampPicture;
using merolan::kNeedlePi;
using merolan::needleAngle;

// The pictures' sizes and places are the window's (gauge/panel_geometry.hpp).
constexpr int kFaceWidth = merolan::kFacePicture.width;
constexpr int kFaceHeight = merolan::kFacePicture.height;
constexpr int kPanelWidth = merolan::kPanelPicture.width;
constexpr int kPanelHeight = merolan::kPanelPicture.height;

// The needle's pivot pixel; Qt puts pixel centres at half coordinates.
const QPointF kPivot(merolan::kNeedlePivotX + 0.5, merolan::kNeedlePivotY + 0.5);

// Radii of the printed scale and the mirror, outermost first. The major marks alone reach
// beyond kMainHalfOuter, which is what lets a check tell a major mark from a half mark. The
// numbers sit at the radius where the help-scale texts printed at (83, 35), (200, 0), (315, 0)
// and (421, 35) come just above the 2, 4, 6 and 8. The face carries one scale only, 0 to 10:
// the program maps whatever range the user sets onto it and prints that range's values in
// blue, so any other printed number or unit would contradict the reading. Inside the mirror
// the paper stays bare, for the warning lamp above the pivot and the limit labels in the
// lower corners.
constexpr double kMainNumberRadius = 299;
constexpr double kMainMajorOuter = 285;
constexpr double kMainHalfOuter = 277;
constexpr double kMainMinorOuter = 272;
constexpr double kMainArc = 266;
constexpr double kMirrorOuter = 260;
constexpr double kMirrorInner = 248;

constexpr double kFullScale = 10.0;

const QColor kInk(22, 22, 20);

// A small linear congruential generator: textures must not depend on the library's random
// engines, whose distributions differ between implementations.
class Grain
{
public:
    explicit Grain(std::uint32_t seed) : state_(seed) {}
    // A whole number in -spread..spread.
    int next(int spread)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 16) % static_cast<std::uint32_t>(2 * spread + 1)) - spread;
    }

private:
    std::uint32_t state_;
};

QPoint toQPoint(merolan::PixelPoint point)
{
    return {point.x, point.y};
}

QSize toQSize(merolan::PixelSize size)
{
    return {size.width, size.height};
}

QFont sans(double pixelSize, bool bold, double letterSpacing = 0)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(static_cast<int>(pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

// A picture of the given size in screen pixels, painted in those units whatever its scale.
QImage canvas(int width, int height, int scale)
{
    QImage picture(width * scale, height * scale, QImage::Format_RGB32);
    picture.setDevicePixelRatio(scale);
    return picture;
}

double toDegrees(double radians)
{
    return radians * 180 / kNeedlePi;
}

QPointF polar(double angle, double radius)
{
    return kPivot + QPointF(radius * std::cos(angle), -radius * std::sin(angle));
}

// Draws the text with the centre of its ink (not of its line box) at the point.
void drawCentred(QPainter &painter, QPointF centre, const QString &text)
{
    const QRectF ink = QFontMetricsF(painter.font(), painter.device()).tightBoundingRect(text);
    painter.drawText(centre - ink.center(), text);
}

// Centres the text horizontally at x with its cap height centred at y, so lines of one size
// line up whatever letters they hold.
void drawTextLine(QPainter &painter, double x, double y, const QString &text)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double width = metrics.horizontalAdvance(text) - painter.font().letterSpacing();
    painter.drawText(QPointF(x - width / 2, y + metrics.capHeight() / 2), text);
}

// Painted lettering on a panel: the letters with a faint lighter edge below them.
void drawLettering(QPainter &painter, double x, double y, const QString &text, QColor colour, QColor edge)
{
    painter.setPen(edge);
    drawTextLine(painter, x, y + 0.8, text);
    painter.setPen(colour);
    drawTextLine(painter, x, y, text);
}

void addGrain(QImage &image, const QRect &area, int spread, std::uint32_t seed)
{
    Grain grain(seed);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int d = grain.next(spread);
            const QRgb rgb = image.pixel(x, y);
            image.setPixel(
                x, y,
                qRgb(qBound(0, qRed(rgb) + d, 255), qBound(0, qGreen(rgb) + d, 255), qBound(0, qBlue(rgb) + d, 255)));
        }
    }
}

QPainterPath annulus(double innerRadius, double outerRadius, double fromAngle, double toAngle)
{
    const QRectF outer(kPivot - QPointF(outerRadius, outerRadius), QSizeF(2 * outerRadius, 2 * outerRadius));
    const QRectF inner(kPivot - QPointF(innerRadius, innerRadius), QSizeF(2 * innerRadius, 2 * innerRadius));
    const double from = toDegrees(fromAngle);
    const double sweep = toDegrees(toAngle) - from;
    QPainterPath path;
    path.arcMoveTo(outer, from);
    path.arcTo(outer, from, sweep);
    path.arcTo(inner, from + sweep, -sweep);
    path.closeSubpath();
    return path;
}

void strokeArc(QPainter &painter, double radius, double fromAngle, double toAngle, double width)
{
    const QRectF box(kPivot - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    const double from = toDegrees(fromAngle);
    QPainterPath path;
    path.arcMoveTo(box, from);
    path.arcTo(box, from, toDegrees(toAngle) - from);
    painter.strokePath(path, QPen(kInk, width, Qt::SolidLine, Qt::FlatCap));
}

void tick(QPainter &painter, double angle, double from, double to, double width)
{
    painter.setPen(QPen(kInk, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(polar(angle, from), polar(angle, to));
}

// ---------------------------------------------------------------------------------------
// The meter face

void paintPaper(QPainter &painter)
{
    QRadialGradient paper(QPointF(merolan::kNeedlePivotX, 120), 360);
    paper.setColorAt(0.0, QColor(252, 250, 241));
    paper.setColorAt(0.6, QColor(246, 242, 228));
    paper.setColorAt(1.0, QColor(232, 226, 206));
    painter.fillRect(QRect(0, 0, kFaceWidth, kFaceHeight), paper);
}

// The bezel of the meter window throws a soft shadow on the face, deepest at the top.
void paintBezelShadow(QPainter &painter)
{
    QLinearGradient top(0, 0, 0, 16);
    top.setColorAt(0, QColor(40, 34, 20, 95));
    top.setColorAt(0.4, QColor(40, 34, 20, 35));
    top.setColorAt(1, QColor(40, 34, 20, 0));
    painter.fillRect(QRect(0, 0, kFaceWidth, 16), top);
    QLinearGradient left(0, 0, 9, 0);
    left.setColorAt(0, QColor(40, 34, 20, 70));
    left.setColorAt(1, QColor(40, 34, 20, 0));
    painter.fillRect(QRect(0, 0, 9, kFaceHeight), left);
    QLinearGradient right(kFaceWidth, 0, kFaceWidth - 9, 0);
    right.setColorAt(0, QColor(40, 34, 20, 70));
    right.setColorAt(1, QColor(40, 34, 20, 0));
    painter.fillRect(QRect(kFaceWidth - 9, 0, 9, kFaceHeight), right);
    QLinearGradient bottom(0, kFaceHeight, 0, kFaceHeight - 5);
    bottom.setColorAt(0, QColor(40, 34, 20, 40));
    bottom.setColorAt(1, QColor(40, 34, 20, 0));
    painter.fillRect(QRect(0, kFaceHeight - 5, kFaceWidth, 5), bottom);
}

// The anti-parallax mirror: a polished strip that mirrors the lit room in soft bands.
void paintMirror(QPainter &painter)
{
    const double margin = 1.2 * kNeedlePi / 180;
    const QPainterPath strip =
        annulus(kMirrorInner, kMirrorOuter, needleAngle(0) + margin, needleAngle(kFullScale) - margin);

    QConicalGradient sheen(kPivot, 0);
    const struct {
        double degrees;
        QColor colour;
    } bands[] = {
        {30, QColor(120, 128, 136)},  {44, QColor(150, 158, 166)},  {58, QColor(222, 228, 233)},
        {70, QColor(168, 176, 184)},  {84, QColor(132, 140, 149)},  {96, QColor(210, 216, 222)},
        {106, QColor(238, 241, 244)}, {118, QColor(170, 177, 185)}, {132, QColor(140, 147, 156)},
        {144, QColor(196, 202, 208)}, {156, QColor(128, 135, 143)},
    };
    for (const auto &band : bands)
        sheen.setColorAt(band.degrees / 360, band.colour);
    painter.fillPath(strip, sheen);

    // The strip lies a little below the paper, so its edges catch a shadow and a highlight.
    QRadialGradient depth(kPivot, kMirrorOuter);
    depth.setColorAt(kMirrorInner / kMirrorOuter, QColor(30, 34, 40, 110));
    depth.setColorAt((kMirrorInner + 2.5) / kMirrorOuter, QColor(30, 34, 40, 0));
    depth.setColorAt((kMirrorOuter - 2.5) / kMirrorOuter, QColor(255, 255, 255, 0));
    depth.setColorAt(1.0, QColor(255, 255, 255, 120));
    painter.fillPath(strip, depth);
    painter.strokePath(strip, QPen(QColor(70, 72, 74), 0.8));
}

void paintMainScale(QPainter &painter)
{
    strokeArc(painter, kMainArc, needleAngle(0), needleAngle(kFullScale), 1.6);
    for (int tenth = 0; tenth <= 100; ++tenth) {
        const double angle = needleAngle(tenth / 10.0);
        if (tenth % 10 == 0)
            tick(painter, angle, kMainArc - 0.8, kMainMajorOuter, 2.4);
        else if (tenth % 5 == 0)
            tick(painter, angle, kMainArc - 0.8, kMainHalfOuter, 1.6);
        else
            tick(painter, angle, kMainArc - 0.8, kMainMinorOuter, 1.0);
    }
    painter.setPen(kInk);
    painter.setFont(sans(18, true));
    for (int mark = 0; mark <= 10; ++mark)
        drawCentred(painter, polar(needleAngle(mark), kMainNumberRadius), QString::number(mark));
}

QImage paintGaugeFace(int scale)
{
    QImage face = canvas(kFaceWidth, kFaceHeight, scale);
    {
        QPainter painter(&face);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintPaper(painter);
    }
    addGrain(face, face.rect(), 1, 0x5eed0001u);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintMirror(painter);
    paintMainScale(painter);
    paintBezelShadow(painter);
    return face;
}

// ---------------------------------------------------------------------------------------
// The warning lamp: an illuminated square push lamp, drawn on the face it sits on.

QImage paintWarningLamp(const QImage &face)
{
    const int scale = static_cast<int>(face.devicePixelRatio());
    QImage lamp = face.copy(QRect(toQPoint(kLampOnFace) * scale, toQSize(kLampPicture) * scale));
    lamp.setDevicePixelRatio(scale);
    QPainter painter(&lamp);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // The lamp's body, centred on the picture.
    const double size = 62;
    const QRectF outer((kLampPicture.width - size) / 2, (kLampPicture.height - size) / 2, size, size);
    // Shadow on the face, then a black bezel with a bright rim.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 20, 10, 60));
    painter.drawRoundedRect(outer.translated(1.2, 1.6), 9, 9);
    QLinearGradient bezel(outer.topLeft(), outer.bottomRight());
    bezel.setColorAt(0, QColor(92, 92, 96));
    bezel.setColorAt(0.5, QColor(34, 34, 36));
    bezel.setColorAt(1, QColor(14, 14, 16));
    painter.setBrush(bezel);
    painter.drawRoundedRect(outer, 9, 9);
    painter.setPen(QPen(QColor(170, 170, 176), 0.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 8.5, 8.5);

    // The lit lens: bright in the middle, deep red at the edges.
    const QRectF lens = outer.adjusted(5, 5, -5, -5);
    QRadialGradient glow(lens.center() + QPointF(0, -2), 34);
    glow.setColorAt(0.0, QColor(255, 150, 120));
    glow.setColorAt(0.35, QColor(250, 56, 36));
    glow.setColorAt(0.8, QColor(196, 14, 10));
    glow.setColorAt(1.0, QColor(120, 4, 4));
    painter.setPen(QPen(QColor(70, 0, 0), 1.0));
    painter.setBrush(glow);
    painter.drawRoundedRect(lens, 5, 5);

    // A reflection of the room on the glass.
    QLinearGradient gloss(lens.topLeft(), QPointF(lens.left(), lens.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gloss);
    painter.drawRoundedRect(lens.adjusted(2, 1.5, -2, -lens.height() / 2), 4, 4);

    const QColor shadow(90, 0, 0, 200);
    const QColor letters(255, 246, 232);
    const QPointF drop(0.6, 0.4);
    const struct {
        double pixelSize;
        double dy;
        const char *text;
    } lines[] = {
        {12, -7, "Warning"},
        {9, 8, "High Power"},
    };
    for (const auto &line : lines) {
        painter.setFont(sans(line.pixelSize, true));
        const QPointF at = lens.center() + QPointF(0, line.dy);
        painter.setPen(shadow);
        drawTextLine(painter, at.x() + drop.x(), at.y() + drop.y(), QString::fromLatin1(line.text));
        painter.setPen(letters);
        drawTextLine(painter, at.x(), at.y(), QString::fromLatin1(line.text));
    }
    return lamp;
}

// ---------------------------------------------------------------------------------------
// The front panel

const QColor kPanelLettering(36, 48, 40);
const QColor kPanelLetteringEdge(232, 240, 228, 150);
const QColor kBoxFill(24, 30, 27);
const QColor kBoxFrame(78, 176, 104);
const QColor kBoxTitle(214, 228, 214);

void paintPanelBase(QImage &panel)
{
    {
        QPainter painter(&panel);
        QLinearGradient light(0, 0, kPanelWidth, kPanelHeight);
        light.setColorAt(0, QColor(196, 214, 189));
        light.setColorAt(0.55, QColor(180, 200, 173));
        light.setColorAt(1, QColor(160, 181, 154));
        painter.fillRect(QRect(0, 0, kPanelWidth, kPanelHeight), light);
    }
    // A fine hammered finish.
    addGrain(panel, panel.rect(), 3, 0x5eed0002u);
    QPainter painter(&panel);
    painter.setRenderHint(QPainter::Antialiasing);
    // Bevelled edges of the panel sheet.
    painter.setPen(QPen(QColor(232, 242, 228), 2));
    painter.drawLine(QPointF(1, kPanelHeight - 1), QPointF(1, 1));
    painter.drawLine(QPointF(1, 1), QPointF(kPanelWidth - 1, 1));
    painter.setPen(QPen(QColor(96, 112, 92), 2));
    painter.drawLine(QPointF(kPanelWidth - 1, 1), QPointF(kPanelWidth - 1, kPanelHeight - 1));
    painter.drawLine(QPointF(kPanelWidth - 1, kPanelHeight - 1), QPointF(1, kPanelHeight - 1));
}

void paintScrew(QPainter &painter, QPointF centre, double radius, double slotDegrees)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 20, 70));
    painter.drawEllipse(centre + QPointF(0.8, 1.2), radius + 0.6, radius + 0.6);
    QRadialGradient head(centre - QPointF(radius / 2.5, radius / 2.5), radius * 1.6);
    head.setColorAt(0, QColor(250, 250, 248));
    head.setColorAt(0.5, QColor(178, 180, 182));
    head.setColorAt(1, QColor(96, 98, 102));
    painter.setBrush(head);
    painter.setPen(QPen(QColor(80, 82, 86), 0.6));
    painter.drawEllipse(centre, radius, radius);
    const double slot = slotDegrees * kNeedlePi / 180;
    const QPointF along(std::cos(slot) * radius * 0.8, std::sin(slot) * radius * 0.8);
    painter.setPen(QPen(QColor(50, 52, 56), radius / 3.2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(centre - along, centre + along);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 0.7, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(centre - along + QPointF(0.5, 0.9), centre + along + QPointF(0.5, 0.9));
}

void paintTitleStrip(QPainter &painter)
{
    const QRectF strip(34, 6, 928, 28);
    QLinearGradient fill(strip.topLeft(), strip.bottomLeft());
    fill.setColorAt(0, QColor(56, 72, 62));
    fill.setColorAt(1, QColor(30, 42, 35));
    painter.setPen(QPen(QColor(20, 28, 22), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(strip, 3, 3);
    painter.setPen(QPen(QColor(255, 255, 255, 45), 1));
    painter.drawLine(strip.topLeft() + QPointF(3, 1.5), strip.topRight() + QPointF(-3, 1.5));

    painter.setFont(sans(17, true, 3.5));
    painter.setPen(QColor(236, 240, 228));
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.drawText(QPointF(52, strip.center().y() + metrics.capHeight() / 2), QStringLiteral("RF MILLIVOLTMETER"));
    // The band names the instrument and rates nothing: frequency span, impedance and level
    // range depend on the probe and on the user's settings, which a printed panel cannot know.
}

// The meter window: a black moulded bezel around the face, with a soft shadow on the panel.
void paintMeterWindow(QPainter &painter, const QImage &face)
{
    const QPoint faceAt = toQPoint(kFaceOnPanel);
    const QRectF window(QPointF(faceAt), QSizeF(kFaceWidth, kFaceHeight));
    const QRectF outer = window.adjusted(-22, -22, 22, 22); // the moulding's outer edge
    painter.setPen(Qt::NoPen);
    for (int ring = 6; ring >= 1; --ring) {
        painter.setBrush(QColor(20, 30, 20, 14));
        painter.drawRoundedRect(outer.translated(2, 3).adjusted(-ring, -ring, ring, ring), 12 + ring, 12 + ring);
    }
    QLinearGradient moulding(outer.topLeft(), outer.bottomLeft());
    moulding.setColorAt(0, QColor(72, 72, 76));
    moulding.setColorAt(0.08, QColor(40, 40, 43));
    moulding.setColorAt(0.9, QColor(22, 22, 24));
    moulding.setColorAt(1, QColor(12, 12, 13));
    painter.setBrush(moulding);
    painter.setPen(QPen(QColor(10, 10, 10), 1));
    painter.drawRoundedRect(outer, 12, 12);
    painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 11, 11);

    // The inner slope down to the face.
    const QRectF slope = window.adjusted(-6, -6, 6, 6);
    QLinearGradient slopeFill(slope.topLeft(), slope.bottomLeft());
    slopeFill.setColorAt(0, QColor(8, 8, 9));
    slopeFill.setColorAt(1, QColor(58, 58, 62));
    painter.setPen(Qt::NoPen);
    painter.setBrush(slopeFill);
    painter.drawRoundedRect(slope, 4, 4);

    painter.drawImage(faceAt, face);

    // The needle resting at the left end, as it is when the instrument is off.
    const merolan::NeedleLine rest = merolan::needleLine(0);
    painter.setPen(QPen(QColor(24, 24, 24), 1.6, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(rest.x1, rest.y1) + QPointF(faceAt) + QPointF(0.5, 0.5),
                     QPointF(rest.x2, rest.y2) + QPointF(faceAt) + QPointF(0.5, 0.5));

    // A faint reflection on the glass across the top of the window.
    QLinearGradient glass(window.topLeft(), window.topLeft() + QPointF(0, 60));
    glass.setColorAt(0, QColor(255, 255, 255, 34));
    glass.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(window.topLeft(), QSizeF(window.width(), 60)), glass);

    const double inset = 8;
    int slot = 20;
    for (const QPointF corner :
         {outer.topLeft() + QPointF(inset, inset), outer.topRight() + QPointF(-inset, inset),
          outer.bottomLeft() + QPointF(inset, -inset), outer.bottomRight() + QPointF(-inset, -inset)}) {
        paintScrew(painter, corner, 3.6, slot);
        slot += 37;
    }
}

void paintIndicator(QPainter &painter, QPointF centre)
{
    QRadialGradient ring(centre - QPointF(3, 3), 14);
    ring.setColorAt(0, QColor(250, 250, 250));
    ring.setColorAt(1, QColor(110, 112, 116));
    painter.setPen(QPen(QColor(70, 72, 74), 0.8));
    painter.setBrush(ring);
    painter.drawEllipse(centre, 10, 10);
    QRadialGradient jewel(centre - QPointF(2, 2.5), 9);
    jewel.setColorAt(0, QColor(255, 236, 190));
    jewel.setColorAt(0.4, QColor(236, 150, 40));
    jewel.setColorAt(1, QColor(120, 60, 10));
    painter.setPen(QPen(QColor(60, 30, 5), 0.8));
    painter.setBrush(jewel);
    painter.drawEllipse(centre, 6.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawEllipse(centre - QPointF(2.2, 2.6), 1.8, 1.3);
}

// The dark field under the meter window that carries the display options.
void paintOptionField(QPainter &painter)
{
    const QRectF field(86.5, 384.5, 580, 68);
    QLinearGradient fill(field.topLeft(), field.bottomLeft());
    fill.setColorAt(0, QColor(30, 37, 33));
    fill.setColorAt(1, QColor(19, 24, 21));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRect(field);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kBoxFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(86, 384, 580, 68));
    painter.setRenderHint(QPainter::Antialiasing, true);
}

void paintSticker(QPainter &painter)
{
    painter.save();
    painter.translate(122, 498);
    painter.rotate(-2.5);
    const QRectF paper(-88, -30, 176, 60);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 20, 50));
    painter.drawRect(paper.translated(1.5, 2));
    QLinearGradient sheet(paper.topLeft(), paper.bottomRight());
    sheet.setColorAt(0, QColor(252, 250, 238));
    sheet.setColorAt(1, QColor(232, 226, 204));
    painter.setBrush(sheet);
    painter.setPen(QPen(QColor(180, 172, 150), 0.6));
    painter.drawRect(paper);
    painter.setPen(QPen(QColor(40, 110, 60), 1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(paper.adjusted(4, 4, -4, -4));
    painter.setPen(QColor(30, 96, 52));
    painter.setFont(sans(12, true, 1.5));
    drawTextLine(painter, 0, -16, QStringLiteral("CALIBRATED"));
    painter.setFont(sans(9, false));
    painter.setPen(QColor(60, 60, 56));
    painter.drawText(QPointF(-78, 4), QStringLiteral("DATE"));
    painter.drawText(QPointF(-78, 20), QStringLiteral("NEXT"));
    painter.setPen(QPen(QColor(120, 120, 112), 0.6));
    painter.drawLine(QPointF(-46, 5), QPointF(78, 5));
    painter.drawLine(QPointF(-46, 21), QPointF(78, 21));
    // The lines stay blank: a date there would vouch for a calibration nobody made.
    painter.restore();
}

void paintModelPlate(QPainter &painter)
{
    const QRectF plate(34, 546, 176, 52);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 20, 60));
    painter.drawRoundedRect(plate.translated(1.2, 1.8), 4, 4);
    QLinearGradient metal(plate.topLeft(), plate.bottomLeft());
    metal.setColorAt(0, QColor(228, 230, 232));
    metal.setColorAt(0.5, QColor(196, 199, 203));
    metal.setColorAt(1, QColor(168, 171, 176));
    painter.setBrush(metal);
    painter.setPen(QPen(QColor(110, 112, 116), 0.8));
    painter.drawRoundedRect(plate, 4, 4);
    // Brushed grain along the plate.
    Grain grain(0x5eed0003u);
    for (int row = 0; row < 48; ++row) {
        const double y = plate.top() + 2 + row;
        const int shade = grain.next(20);
        painter.setPen(QPen(shade > 0 ? QColor(255, 255, 255, shade * 2) : QColor(0, 0, 0, -shade), 0.6));
        painter.drawLine(QPointF(plate.left() + 3, y), QPointF(plate.right() - 3, y));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 0.8));
    painter.drawRoundedRect(plate.adjusted(1, 1, -1, -1), 3, 3);
    paintScrew(painter, plate.topLeft() + QPointF(9, 26), 3.2, 60);
    paintScrew(painter, plate.topRight() + QPointF(-9, 26), 3.2, 150);

    painter.setFont(sans(15, true, 1.5));
    drawLettering(painter, plate.center().x(), plate.top() + 18, QStringLiteral("MODEL RF-1"), QColor(34, 36, 40),
                  QColor(255, 255, 255, 170));
    painter.setFont(sans(9, false, 1));
    drawLettering(painter, plate.center().x(), plate.top() + 37, QStringLiteral("SERIAL No. 0417"), QColor(52, 54, 58),
                  QColor(255, 255, 255, 150));
}

void paintZeroKnob(QPainter &painter, QPointF centre)
{
    // A printed dial around the knob.
    painter.setPen(QPen(kPanelLettering, 1.1, Qt::SolidLine, Qt::FlatCap));
    for (int step = -5; step <= 5; ++step) {
        const double angle = (90 - step * 24) * kNeedlePi / 180;
        const QPointF dir(std::cos(angle), -std::sin(angle));
        painter.drawLine(centre + dir * 30, centre + dir * (step % 5 == 0 ? 37 : 34));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 20, 80));
    painter.drawEllipse(centre + QPointF(1.5, 2.5), 26, 26);
    QRadialGradient skirt(centre - QPointF(8, 8), 40);
    skirt.setColorAt(0, QColor(96, 96, 100));
    skirt.setColorAt(1, QColor(10, 10, 12));
    painter.setBrush(skirt);
    painter.setPen(QPen(QColor(6, 6, 8), 1));
    painter.drawEllipse(centre, 25, 25);
    // The knurled grip.
    for (int flute = 0; flute < 36; ++flute) {
        const double angle = flute * 10 * kNeedlePi / 180;
        const QPointF dir(std::cos(angle), std::sin(angle));
        painter.setPen(QPen(QColor(flute % 2 ? 70 : 20, flute % 2 ? 70 : 20, flute % 2 ? 74 : 22), 1.2));
        painter.drawLine(centre + dir * 17, centre + dir * 24);
    }
    QRadialGradient cap(centre - QPointF(5, 6), 22);
    cap.setColorAt(0, QColor(120, 120, 126));
    cap.setColorAt(0.6, QColor(40, 40, 44));
    cap.setColorAt(1, QColor(18, 18, 20));
    painter.setBrush(cap);
    painter.setPen(QPen(QColor(8, 8, 8), 0.8));
    painter.drawEllipse(centre, 16.5, 16.5);
    const double pointer = 118 * kNeedlePi / 180;
    const QPointF dir(std::cos(pointer), -std::sin(pointer));
    painter.setPen(QPen(QColor(240, 240, 236), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + dir * 6, centre + dir * 15);
}

void paintProbeConnector(QPainter &painter, QPointF centre)
{
    QPolygonF nut;
    for (int corner = 0; corner < 6; ++corner) {
        const double angle = (corner * 60 + 30) * kNeedlePi / 180;
        nut << centre + QPointF(21 * std::cos(angle), 21 * std::sin(angle));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 30, 20, 70));
    painter.drawPolygon(nut.translated(1.5, 2.5));
    QLinearGradient steel(centre - QPointF(20, 20), centre + QPointF(20, 20));
    steel.setColorAt(0, QColor(246, 246, 244));
    steel.setColorAt(0.45, QColor(176, 178, 182));
    steel.setColorAt(1, QColor(92, 94, 98));
    painter.setBrush(steel);
    painter.setPen(QPen(QColor(70, 72, 76), 0.8));
    painter.drawPolygon(nut);
    QRadialGradient body(centre - QPointF(4, 5), 20);
    body.setColorAt(0, QColor(255, 255, 255));
    body.setColorAt(0.6, QColor(190, 192, 196));
    body.setColorAt(1, QColor(110, 112, 118));
    painter.setBrush(body);
    painter.drawEllipse(centre, 14, 14);
    painter.setBrush(QColor(36, 36, 38));
    painter.drawEllipse(centre, 9.5, 9.5);
    QRadialGradient insulator(centre - QPointF(2, 2), 8);
    insulator.setColorAt(0, QColor(255, 255, 250));
    insulator.setColorAt(1, QColor(200, 198, 186));
    painter.setBrush(insulator);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre, 6.5, 6.5);
    QRadialGradient pin(centre - QPointF(0.8, 0.8), 3);
    pin.setColorAt(0, QColor(255, 240, 170));
    pin.setColorAt(1, QColor(170, 120, 30));
    painter.setBrush(pin);
    painter.drawEllipse(centre, 2.2, 2.2);
}

// The recessed right-hand panel with the readout window and the four painted boxes.
void paintRangePanel(QPainter &painter)
{
    const QRectF panel(682, 38, 278, 568);
    QLinearGradient fill(panel.topLeft(), panel.bottomRight());
    fill.setColorAt(0, QColor(96, 114, 100));
    fill.setColorAt(1, QColor(70, 86, 75));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(panel, 6, 6);
    // Shadow inside the upper and left walls, light on the lower and right lips.
    QLinearGradient topWall(panel.topLeft(), panel.topLeft() + QPointF(0, 10));
    topWall.setColorAt(0, QColor(0, 0, 0, 120));
    topWall.setColorAt(1, QColor(0, 0, 0, 0));
    painter.setBrush(topWall);
    painter.drawRoundedRect(QRectF(panel.topLeft(), QSizeF(panel.width(), 10)), 6, 6);
    QLinearGradient leftWall(panel.topLeft(), panel.topLeft() + QPointF(8, 0));
    leftWall.setColorAt(0, QColor(0, 0, 0, 90));
    leftWall.setColorAt(1, QColor(0, 0, 0, 0));
    painter.setBrush(leftWall);
    painter.drawRect(QRectF(panel.topLeft() + QPointF(0, 4), QSizeF(8, panel.height() - 8)));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(236, 246, 232, 170), 1.2));
    painter.drawLine(panel.bottomLeft() + QPointF(5, 0.4), panel.bottomRight() + QPointF(-5, 0.4));
    painter.drawLine(panel.topRight() + QPointF(0.4, 5), panel.bottomRight() + QPointF(0.4, -5));
    painter.setPen(QPen(QColor(30, 40, 32), 1));
    painter.drawRoundedRect(panel.adjusted(-0.5, -0.5, 0.5, 0.5), 6.5, 6.5);

    painter.setFont(sans(11, true, 3));
    drawLettering(painter, panel.center().x(), 47, QStringLiteral("FULL SCALE"), QColor(238, 244, 234),
                  QColor(0, 0, 0, 90));

    // The readout window.
    const QRectF readouts(720.5, 55.5, 201, 163);
    QLinearGradient glass(readouts.topLeft(), readouts.bottomLeft());
    glass.setColorAt(0, QColor(16, 18, 17));
    glass.setColorAt(1, QColor(6, 7, 6));
    painter.setBrush(glass);
    painter.setPen(QPen(QColor(4, 4, 4), 1));
    painter.drawRect(readouts);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(200, 214, 200, 120), 1));
    painter.drawLine(readouts.bottomLeft() + QPointF(0, 1), readouts.bottomRight() + QPointF(1, 1));
    painter.drawLine(readouts.topRight() + QPointF(1, 0), readouts.bottomRight() + QPointF(1, 1));

    const struct {
        int top;
        int bottom;
        const char *title;
    } boxes[] = {
        {238, 283, "Attenuation"},
        {298, 383, "Screen Gauge Meter"},
        {398, 466, "Frequency Range"},
        {481, 542, "Set Com Port"},
    };
    for (const auto &box : boxes) {
        const QRect frame(697, box.top, 943 - 697, box.bottom - box.top);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QLinearGradient boxFill(0, box.top, 0, box.bottom);
        boxFill.setColorAt(0, QColor(30, 37, 33));
        boxFill.setColorAt(1, kBoxFill);
        painter.fillRect(frame.adjusted(1, 1, 0, 0), boxFill);
        painter.setPen(QPen(kBoxFrame, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setFont(sans(10, true, 0.5));
        painter.setPen(kBoxTitle);
        const QFontMetricsF metrics(painter.font(), painter.device());
        painter.drawText(QPointF(703, box.top + 3 + metrics.capHeight()), QString::fromLatin1(box.title));
    }
}

void paintCaption(QPainter &painter, double x, double y, const QString &text)
{
    drawLettering(painter, x, y, text, kPanelLettering, kPanelLetteringEdge);
}

QImage paintFrontPanel(const QImage &face)
{
    QImage panel = canvas(kPanelWidth, kPanelHeight, static_cast<int>(face.devicePixelRatio()));
    paintPanelBase(panel);
    QPainter painter(&panel);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    paintScrew(painter, QPointF(18, 20), 6, 35);
    paintScrew(painter, QPointF(978, 20), 6, 110);
    paintScrew(painter, QPointF(18, 604), 6, 75);
    paintScrew(painter, QPointF(978, 604), 6, 160);
    paintTitleStrip(painter);
    paintMeterWindow(painter, face);

    paintIndicator(painter, QPointF(112, 364));
    painter.setFont(sans(11, true, 1.5));
    paintCaption(painter, 152, 364, QStringLiteral("POWER"));
    painter.setFont(sans(10, false, 1.5));
    paintCaption(painter, 600, 364, QStringLiteral("MIRROR SCALE"));

    paintOptionField(painter);
    paintSticker(painter);
    paintModelPlate(painter);

    const QPointF knob(552, 532);
    const QPointF probe(634, 532);
    painter.setFont(sans(11, true, 1.5));
    paintCaption(painter, knob.x(), 486, QStringLiteral("ZERO"));
    paintCaption(painter, probe.x(), 486, QStringLiteral("PROBE"));
    paintZeroKnob(painter, knob);
    paintProbeConnector(painter, probe);

    paintRangePanel(painter);
    return panel;
}

bool save(const QImage &picture, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (!picture.convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
        std::fprintf(stderr, "merolan_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Desktops look the icon up by the program's id, in a folder per pixel size beside the SVG.
bool saveIcon(const QDir &folder)
{
    const QString name = QStringLiteral("org.merolan.Merolan");
    QFile svg(folder.filePath(name + QStringLiteral(".svg")));
    const QByteArray text = merolan::appIconSvg();
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(text) != text.size()) {
        std::fprintf(stderr, "merolan_artwork: cannot write %s\n", qPrintable(svg.fileName()));
        return false;
    }
    for (const int pixels : {48, 128, 256}) {
        const QString size = QString::number(pixels);
        const QString path = folder.filePath(size + QLatin1Char('/') + name + QStringLiteral(".png"));
        // Unlike the window pictures the icon keeps its alpha: its corners are transparent.
        if (!folder.mkpath(size) || !merolan::appIconImage(pixels).save(path, "PNG")) {
            std::fprintf(stderr, "merolan_artwork: cannot write %s\n", qPrintable(path));
            return false;
        }
    }
    return true;
}

bool makeFolder(const char *path)
{
    const QDir folder(QString::fromLocal8Bit(path));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "merolan_artwork: cannot create %s\n", path);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: merolan_artwork FOLDER [ICON_FOLDER]\n");
        return 2;
    }
    if (!makeFolder(argv[1]) || (argc == 3 && !makeFolder(argv[2])))
        return 1;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (const int scale : {1, 2}) {
        // The windows load name@2x.png on screens of higher density.
        const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png");
        const QImage face = paintGaugeFace(scale);
        ok = ok && save(face, folder, QStringLiteral("gauge_face") + suffix) &&
             save(paintFrontPanel(face), folder, QStringLiteral("front_panel") + suffix) &&
             save(paintWarningLamp(face), folder, QStringLiteral("warning_lamp") + suffix);
    }
    ok = ok && (argc == 2 || saveIcon(QDir(QString::fromLocal8Bit(argv[2]))));
    return ok ? 0 : 1;
}
