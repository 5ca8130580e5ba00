#include "gauge/needle_geometry.hpp"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

// The pictures are linked from a static library, so the resource has to be named to stay in.
static void initArtwork()
{
    Q_INIT_RESOURCE(artwork);
}

namespace {

using merolan::needleAngle;

// Radii of the main scale's marks on the face: only the major marks reach beyond the half
// marks, between kMajorOnlyFrom and kMajorOnlyTo.
constexpr int kMajorOnlyFrom = 279;
constexpr int kMajorOnlyTo = 284;

QImage artwork(const char *name)
{
    initArtwork();
    return QImage(QStringLiteral(":/artwork/") + QString::fromLatin1(name));
}

// The device pixel at a point given in face pixels from the needle's pivot pixel (265, 326).
QRgb sampleAt(const QImage &face, int scale, double angle, int radius)
{
    const int x = static_cast<int>(std::floor(scale * (265.5 + radius * std::cos(angle))));
    const int y = static_cast<int>(std::floor(scale * (326.5 - radius * std::sin(angle))));
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

TEST(Artwork, PicturesHaveTheirSizesInTwentyFourBitRgb)
{
    const struct {
        const char *name;
        QSize size;
    } cases[] = {
        {"gauge_face.png", {528, 222}},     {"front_panel.png", {996, 622}},      {"warning_lamp.png", {67, 68}},
        {"gauge_face@2x.png", {1056, 444}}, {"front_panel@2x.png", {1992, 1244}}, {"warning_lamp@2x.png", {134, 136}},
    };
    initArtwork();
    for (const auto &c : cases) {
        const QImage picture = artwork(c.name);
        ASSERT_FALSE(picture.isNull()) << c.name;
        EXPECT_EQ(picture.size(), c.size) << c.name;
        EXPECT_FALSE(picture.hasAlphaChannel()) << c.name;
        // The PNG header itself: bit depth 8, colour type 2 (RGB, no palette, no alpha).
        QFile file(QStringLiteral(":/artwork/") + QString::fromLatin1(c.name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.name;
        const QByteArray header = file.read(26);
        ASSERT_EQ(header.size(), 26) << c.name;
        EXPECT_EQ(header.mid(12, 4), QByteArray("IHDR")) << c.name;
        EXPECT_EQ(header.at(24), 8) << c.name;
        EXPECT_EQ(header.at(25), 2) << c.name;
    }
}

TEST(Artwork, MajorMarksLieOnTheNeedleAnglesAtBothSizes)
{
    for (const int scale : {1, 2}) {
        const QImage face = artwork(scale == 1 ? "gauge_face.png" : "gauge_face@2x.png");
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
        const QImage face = artwork(scale == 1 ? "gauge_face.png" : "gauge_face@2x.png");
        ASSERT_FALSE(face.isNull()) << scale;
        int stray = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const double dx = (x + 0.5) / scale - 265.5;
                const double dy = 326.5 - (y + 0.5) / scale;
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
    const QImage panel = artwork("front_panel.png");
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
