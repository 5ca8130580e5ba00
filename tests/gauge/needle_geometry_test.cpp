#include "gauge/needle_geometry.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace merolan;

namespace {

double degreesAt(double position)
{
    return needleAngle(position) * 180 / kNeedlePi;
}

} // namespace

TEST(NeedleGeometry, LinesEndOnTheRoundedPixels)
{
    const struct {
        double position;
        NeedleLine line;
    } cases[] = {
        {0, {130, 215, 29, 133}},   {5, {265, 215, 265, 21}},     {9.99, {390, 215, 493, 124}},
        {10, {391, 215, 494, 124}}, {10.5, {414, 215, 509, 143}}, {12, {414, 215, 509, 143}},
    };
    for (const auto &c : cases) {
        const NeedleLine line = needleLine(c.position);
        EXPECT_EQ(line, c.line) << c.position << ": (" << line.x1 << "," << line.y1 << ")-(" << line.x2 << ","
                                << line.y2 << ")";
    }
}

// Each row starts at its own measured angle, so the needle jumps at some bounds instead of
// following on from the row below.
TEST(NeedleGeometry, RowsAreIndependentAtTheirBounds)
{
    const struct {
        double position;
        double degrees;
    } cases[] = {
        {0, 140.67},
        {5, 90.09},
        {std::nextafter(5.0, 0.0), 89.82},
        {8.5, 55.548},
        {std::nextafter(8.5, 0.0), 55.764},
        {10, 41.418},
        {9.99, 41.51124},
        {std::nextafter(10.5, 0.0), 36.756},
    };
    for (const auto &c : cases)
        EXPECT_NEAR(degreesAt(c.position), c.degrees, 1e-9) << c.position;
}

TEST(NeedleGeometry, EndStopHoldsFromTenAndAHalf)
{
    const double endStop = 46.08 * kNeedlePi / 180 - 518 * kNeedlePi / 10000;
    for (double position : {10.5, 11.0, 1e9})
        EXPECT_EQ(needleAngle(position), endStop) << position;
    EXPECT_NEAR(degreesAt(10.5), 36.756, 1e-9);
}

// Whole positions are what the printed marks were placed at; 140.67 degrees is the table's
// own radian example.
TEST(NeedleGeometry, AngleIsInRadiansWithTheTablesPi)
{
    EXPECT_NEAR(needleAngle(0), 2.455154659101, 1e-12);
    EXPECT_NEAR(needleAngle(0.5), (140.67 - 0.5 * 10.08) * kNeedlePi / 180, 1e-12);
}

TEST(NeedleGeometry, BelowZeroFollowsTheFirstRowWithoutFailing)
{
    EXPECT_GT(needleAngle(-0.5), needleAngle(0));
    for (double position : {-0.5, -3.9, -1e9}) {
        const NeedleLine line = needleLine(position);
        EXPECT_EQ(line.y1, 215) << position;
    }
}
