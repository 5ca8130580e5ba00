#pragma once

// Where the needle points for a position on the printed 0..10 scale of the gauge face. The
// numbers are constants of the face picture, measured from the needle's pivot below it.
namespace merolan {

// The needle's pivot in face pixels, below the picture; the face's marks are printed around it.
inline constexpr int kNeedlePivotX = 265;
inline constexpr int kNeedlePivotY = 326;

// The value of pi the angle table was measured with; rounding the needle ends depends on it.
inline constexpr double kNeedlePi = 3.141592654;

// The needle angle in radians (counter-clockwise from the positive x axis, 90 degrees straight
// up) for a scale position, piecewise linear with one row per half unit. Rows are kept
// independent, so the angle jumps slightly at some row bounds (at 5 and at 8.5, for example).
// From 10.5 on the needle rests on the end stop; below 0 it follows the first row.
double needleAngle(double position);

// The visible part of the needle in face pixels: from where it crosses the line y = 215 to
// its tip 305 pixels from the pivot.
struct NeedleLine {
    int x1, y1, x2, y2;
    friend bool operator==(const NeedleLine &, const NeedleLine &) = default;
};

NeedleLine needleLine(double position);

} // namespace merolan
