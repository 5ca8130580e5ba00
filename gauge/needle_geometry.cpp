#include "gauge/needle_geometry.hpp"

#include <array>
#include <cmath>

namespace merolan {

namespace {

struct AngleRow {
    double lowerBound;
    double startDegrees;
    double slopeN; // slope in units of pi / 10000 radians per scale unit
};

// Measured against the printed marks of the face; each row starts afresh at its own angle.
constexpr std::array<AngleRow, 19> kRows{{
    {0.0, 140.67, 560},  {1.0, 130.59, 582},  {1.5, 125.352, 528}, {2.0, 120.6, 530},  {2.5, 115.83, 582},
    {3.0, 110.628, 578}, {3.5, 105.678, 595}, {4.0, 100.476, 612}, {4.5, 94.968, 572}, {5.0, 90.09, 575},
    {5.5, 85.014, 570},  {6.0, 79.884, 556},  {6.5, 74.88, 548},   {7.0, 69.948, 555}, {7.5, 65.016, 518},
    {8.0, 60.426, 518},  {8.5, 55.548, 518},  {9.0, 50.814, 518},  {9.5, 46.08, 518},
}};

constexpr double kEndStopPosition = 10.5;

double rowAngle(const AngleRow &row, double position)
{
    return row.startDegrees * kNeedlePi / 180 - row.slopeN * kNeedlePi * (position - row.lowerBound) / 10000;
}

// Rounds to the nearest pixel with an exact half going to the even neighbour. Far outside the
// face (a needle lying almost flat) the value is only kept within int.
int toPixel(double value)
{
    constexpr double kFar = 1e6;
    if (!(value > -kFar))
        return static_cast<int>(-kFar);
    if (value > kFar)
        return static_cast<int>(kFar);
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

double needleAngle(double position)
{
    // The end stop is the last row evaluated at its upper bound.
    if (position >= kEndStopPosition)
        return 46.08 * kNeedlePi / 180 - 518 * kNeedlePi / 10000;
    const AngleRow *row = &kRows.front();
    for (const AngleRow &candidate : kRows) {
        if (position >= candidate.lowerBound)
            row = &candidate;
    }
    return rowAngle(*row, position);
}

NeedleLine needleLine(double position)
{
    const double theta = needleAngle(position);
    // 111 pixels above the pivot is the face's line y = 215, where the needle comes into view.
    constexpr int kNeedleShown = 111;
    constexpr int kNeedleLength = 305;
    return NeedleLine{
        toPixel(kNeedlePivotX - kNeedleShown * std::tan(theta - kNeedlePi / 2)),
        kNeedlePivotY - kNeedleShown,
        toPixel(kNeedlePivotX + kNeedleLength * std::cos(theta)),
        toPixel(kNeedlePivotY - kNeedleLength * std::sin(theta)),
    };
}

} // namespace merolan
