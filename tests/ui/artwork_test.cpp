#include "gauge/needle_geometry.hpp"
#include "gauge/panel_geometry.hpp"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

// The pictures are linked from a static library, so the resource has to be named to stay in.
static void initArtwork()
{
    Q_INIT_RESOURCE(artwork);
}

namespace {

using merolan::kNeedlePivotX;
using merolan::kNeedlePivotY;
using merolan::needleAngle;

// Radii of the main scale's marks on the face: only the major marks reach beyond the half
// marks, between kMajorOnlyFrom and kMajorOnlyTo.
constexpr int kMajorOnlyFrom = 279;
constexpr int kMajorOnlyTo = 284;

// The committed file of a picture drawn at 1x or 2x.
QString pictureFile(const char *name, int scale)
{
    return QStringLiteral(":/artwork/") + QString::fromLatin1(name) +
           (scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png"));
}

QImage artwork(const char *name, int scale)
{
    initArtwork();
    return QImage(pictureFile(name, scale));
}

// The device pixel at a point given in face pixels from the needle's pivot pixel.
QRgb sampleAt(const QImage &face, int scale, double angle, int radius)
{
    const int x = static_cast<int>(std::floor(scale * (kNeedlePivotX + 0.5 + radius * std::cos(angle))));
    const int y = static_cast<int>(std::floor(scale * (kNeedlePivotY + 0.5 - radius * std::sin(angle))));
    return face.pixel(x, y);
}

bool isInk(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) < 110;
}

bool isPaper(QRgb pixel)
{
    return std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 180;
}

} // namespace

// The committed pictures have the sizes the window places them by, once and twice over.
TEST(Artwork, PicturesHaveTheirSizesInTwentyFourBitRgb)
{
    const std::pair<const char *, merolan::PixelSize> pictures[] = {
        {"gauge_face", merolan::kFacePicture},
        {"front_panel", merolan::kPanelPicture},
        {"warning_lamp", merolan::kLampPicture},
    };
    initArtwork();
    for (const auto &[name, size] : pictures) {
        for (const int scale : {1, 2}) {
            const std::string shown = pictureFile(name, scale).toStdString();
            const QImage picture = artwork(name, scale);
            ASSERT_FALSE(picture.isNull()) << shown;
            EXPECT_EQ(picture.size(), QSize(size.width, size.height) * scale) << shown;
            EXPECT_FALSE(picture.hasAlphaChannel()) << shown;
            // The PNG header itself: bit depth 8, colour type 2 (RGB, no palette, no alpha).
            QFile png(pictureFile(name, scale));
            ASSERT_TRUE(png.open(QIODevice::ReadOnly)) << shown;
            const QByteArray header = png.read(26);
            ASSERT_EQ(header.size(), 26) << shown;
            EXPECT_EQ(header.mid(12, 4), QByteArray("IHDR")) << shown;
            EXPECT_EQ(header.at(24), 8) << shown;
            EXPECT_EQ(header.at(25), 2) << shown;
        }
    }
}

TEST(Artwork, MajorMarksLieOnTheNeedleAnglesAtBothSizes)
{
    for (const int scale : {1, 2}) {
        const QImage face = artwork("gauge_face", scale);
        ASSERT_FALSE(face.isNull()) << scale;
        for (int mark = 0; mark <= 10; ++mark) {
            for (int radius = kMajorOnlyFrom; radius <= kMajorOnlyTo; ++radius)
                EXPECT_TRUE(isInk(sampleAt(face, scale, needleAngle(mark), radius)))
                    << scale << "x: " << mark << " at radius " << radius;
        }
        for (int mark = 0; mark < 10; ++mark) {
            const double midway = (needleAngle(mark) + needleAngle(mark + 1)) / 2;
            for (int radius = kMajorOnlyFrom; radius <= kMajorOnlyTo; ++radius)
                EXPECT_TRUE(isPaper(sampleAt(face, scale, midway, radius)))
                    << scale << "x: " << mark << "+ at radius " << radius;
        }
    }
}

// The program maps the user's range onto the printed 0..10 and prints that range's values
// itself; any other number, unit or arc on the face would contradict the reading. So ink lies
// only in the band of the main scale (its marks, numbers and the mirror's edges), and within
// a few degrees of its ends.
TEST(Artwork, FacePrintsNothingButTheMainScale)
{
    constexpr double kBandInner = 246;
    constexpr double kBandOuter = 318;
    constexpr double kEndMargin = 4 * merolan::kNeedlePi / 180;
    for (const int scale : {1, 2}) {
        const QImage face = artwork("gauge_face", scale);
        ASSERT_FALSE(face.isNull()) << scale;
        int stray = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const double dx = (x + 0.5) / scale - (kNeedlePivotX + 0.5);
                const double dy = kNeedlePivotY + 0.5 - (y + 0.5) / scale;
                const double radius = std::hypot(dx, dy);
                const double angle = std::atan2(dy, dx);
                const bool inBand = radius >= kBandInner && radius <= kBandOuter &&
                                    angle <= needleAngle(0) + kEndMargin && angle >= needleAngle(10) - kEndMargin;
                if (!inBand && isInk(face.pixel(x, y)) && stray++ < 5)
                    ADD_FAILURE() << scale << "x: ink at " << x << "," << y;
            }
        }
        EXPECT_EQ(stray, 0) << scale << "x";
    }
}

// The controls of the right-hand panel are placed into these painted boxes.
TEST(Artwork, FrontPanelBoxesHaveGreenFramesAtTheirEdges)
{
    const QImage panel = artwork("front_panel", 1);
    ASSERT_FALSE(panel.isNull());
    const auto isFrameGreen = [](QRgb p) { return qGreen(p) > qRed(p) + 50 && qGreen(p) > qBlue(p) + 30; };
    const auto isDark = [](QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}) < 60; };
    const struct {
        int top;
        int bottom;
    } boxes[] = {{238, 283}, {298, 383}, {398, 466}, {481, 542}};
    for (const auto &box : boxes) {
        const int middle = (box.top + box.bottom) / 2;
        EXPECT_TRUE(isFrameGreen(panel.pixel(697, middle))) << box.top;
        EXPECT_TRUE(isFrameGreen(panel.pixel(943, middle))) << box.top;
        EXPECT_TRUE(isFrameGreen(panel.pixel(820, box.top))) << box.top;
        EXPECT_TRUE(isFrameGreen(panel.pixel(820, box.bottom))) << box.top;
        EXPECT_FALSE(isFrameGreen(panel.pixel(696, middle))) << box.top;
        EXPECT_FALSE(isFrameGreen(panel.pixel(944, middle))) << box.top;
        EXPECT_TRUE(isDark(panel.pixel(698, middle))) << box.top;
        EXPECT_TRUE(isDark(panel.pixel(940, box.bottom - 2))) << box.top;
    }
}
