#include "gauge/gauge_face.hpp"
#include "gauge/needle_geometry.hpp"
#include "gauge/panel_geometry.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

using namespace merolan;

namespace {

const QRgb kNeedleRed = qRgb(192, 0, 0);

// Distance of a point from the needle's line segment, in face pixels; the line runs between
// pixel corners, where a two-pixel pen is centred.
double distanceFromNeedle(const NeedleLine &line, double px, double py)
{
    const double ax = line.x1, ay = line.y1, bx = line.x2, by = line.y2;
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Red pixels per row, for the rows strictly inside the needle's span.
std::map<int, int> redPerRow(const QImage &image, const NeedleLine &line)
{
    std::map<int, int> counts;
    for (int y = std::min(line.y1, line.y2) + 2; y <= std::max(line.y1, line.y2) - 2; ++y) {
        for (int x = 0; x < image.width(); ++x)
            counts[y] += image.pixel(x, y) == kNeedleRed ? 1 : 0;
    }
    return counts;
}

// The suites named *AtScreenScale run once more at the scales 1.25, 1.5 and 2.
qreal screenRatio()
{
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

int devicePixels(int facePixels, qreal ratio)
{
    return static_cast<int>(std::ceil(facePixels * ratio - 1e-6));
}

} // namespace

TEST(GaugeFaceAtScreenScale, HoldsTheFacePictureInTheScreensDevicePixels)
{
    const qreal ratio = screenRatio();
    GaugeFace face;
    EXPECT_EQ(face.objectName(), "Picture2");
    EXPECT_EQ(face.size(), QSize(kFacePicture.width, kFacePicture.height));
    EXPECT_EQ(face.minimumSize(), face.maximumSize());
    EXPECT_EQ(face.image().devicePixelRatio(), ratio);
    // Whole device pixels covering the face, never fewer.
    EXPECT_EQ(face.image().size(),
              QSize(devicePixels(kFacePicture.width, ratio), devicePixels(kFacePicture.height, ratio)));
    if (ratio == 1 || ratio == 2) {
        QImage picture(ratio == 1 ? QStringLiteral(":/artwork/gauge_face.png")
                                  : QStringLiteral(":/artwork/gauge_face@2x.png"));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(face.image(), picture.convertToFormat(face.image().format()));
    }
}

// The needle's geometry is in face pixels at every ratio; at ratio 2 it covers the line drawn
// at ratio 1 doubled, in device pixels.
TEST(GaugeFaceAtScreenScale, NeedleCoversItsLineAndNothingElse)
{
    const qreal ratio = screenRatio();
    for (double position : {0.0, 2.0, 5.0, 7.3, 10.5}) {
        GaugeFace face;
        const QImage bare = face.image();
        face.drawNeedle(position, false);
        const NeedleLine line = needleLine(position);
        int changed = 0;
        for (int y = 0; y < bare.height(); ++y) {
            for (int x = 0; x < bare.width(); ++x) {
                const double distance = distanceFromNeedle(line, (x + 0.5) / ratio, (y + 0.5) / ratio);
                const double faceY = (y + 0.5) / ratio;
                const QRgb pixel = face.image().pixel(x, y);
                if (pixel != bare.pixel(x, y)) {
                    ++changed;
                    ASSERT_EQ(pixel, kNeedleRed) << position << " at " << x << "," << y;
                    ASSERT_LE(distance, 1.5) << position << " at " << x << "," << y;
                }
                // Well inside the pen and away from the flat ends every pixel is needle red.
                if (distance < 0.7 && faceY > std::min(line.y1, line.y2) + 1 && faceY < std::max(line.y1, line.y2) - 1)
                    ASSERT_EQ(pixel, kNeedleRed) << position << " at " << x << "," << y;
            }
        }
        EXPECT_GT(changed, 150 * ratio * ratio) << position;
    }
}

TEST(GaugeFace, ThinNeedleIsOnePixelWide)
{
    // Steep needles: a one-pixel line has one pixel per row, the normal one two or more.
    for (double position : {2.0, 5.0, 8.0}) {
        const NeedleLine line = needleLine(position);
        GaugeFace thin;
        thin.drawNeedle(position, true);
        GaugeFace normal;
        normal.drawNeedle(position, false);
        for (const auto &[y, count] : redPerRow(thin.image(), line))
            EXPECT_EQ(count, 1) << position << " row " << y;
        for (const auto &[y, count] : redPerRow(normal.image(), line))
            EXPECT_GE(count, 2) << position << " row " << y;
    }
}

TEST(GaugeFace, ClearRestoresTheBareFace)
{
    GaugeFace face;
    const QImage bare = face.image();
    face.drawNeedle(3.7, false);
    face.printText(QPoint(83, 35), QStringLiteral("-42"));
    ASSERT_NE(face.image(), bare);
    face.clear();
    EXPECT_EQ(face.image(), bare);
}

TEST(GaugeFace, TextHangsBelowItsTopLeftPointInBlue)
{
    GaugeFace face;
    const QImage bare = face.image();
    face.printText(QPoint(200, 0), QStringLiteral("-34"));
    QRect ink;
    bool pureBlue = false;
    for (int y = 0; y < bare.height(); ++y) {
        for (int x = 0; x < bare.width(); ++x) {
            const QRgb pixel = face.image().pixel(x, y);
            if (pixel == bare.pixel(x, y))
                continue;
            ink |= QRect(x, y, 1, 1);
            pureBlue |= pixel == qRgb(0, 0, 255);
        }
    }
    EXPECT_TRUE(pureBlue);
    // A 16 pixel bold text: its ink starts just right of and below the point, within one line.
    EXPECT_GE(ink.left(), 200);
    EXPECT_LE(ink.left(), 203);
    EXPECT_GE(ink.top(), 0);
    EXPECT_LE(ink.top(), 6);
    EXPECT_LE(ink.bottom(), 18);
    EXPECT_GT(ink.width(), 20);
    EXPECT_LT(ink.width(), 40);
}

TEST(GaugeFace, RepaintShowsWhatWasDrawn)
{
    GaugeFace face;
    face.drawNeedle(5, false);
    const QImage shown = face.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(265, 100), kNeedleRed);
    EXPECT_EQ(shown, face.image());
}
