#pragma once

#include "core/meter_settings.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace merolan {

// The two limit texts of one unit as its boxes hold them; values are their leading numbers.
struct ScaleLimitTexts {
    std::string_view max;
    std::string_view min;
};

// The ends of the scale: the limits' leading numbers, the dBm minimum floored so that every mark
// of the scale stands on a whole dB.
struct ScaleSpan {
    double max;
    double min;
};
ScaleSpan scaleSpan(GaugeUnit unit, ScaleLimitTexts limits);

// Maps a level in the unit onto the printed 0..10 scale: the maximum lands on 10, the minimum
// (floored for dBm) on 0, kept in 0..10.5. No value when the limits give no scale (equal ends),
// so the caller keeps the previous position and skips the redraw.
std::optional<double> computeScalePosition(double level, GaugeUnit unit, ScaleLimitTexts limits);

// Captions of the limit labels on the gauge face.
struct LimitCaptions {
    std::string max;
    std::string min;
};
LimitCaptions scaleLimitCaptions(GaugeUnit unit, ScaleLimitTexts limits, bool relativeMode);

// Every unit, selected or not, needs its minimum below its maximum before measuring starts;
// the failing units in the order dBm, Watt, Volt.
std::vector<GaugeUnit> invalidScaleRanges(ScaleLimitTexts dbm, ScaleLimitTexts watt, ScaleLimitTexts volt);

inline constexpr std::string_view kScaleRangeErrorText = "Min Scale input level must be lower than Max input RF Level";
std::string scaleRangeErrorTitle(GaugeUnit unit);

// "dBm", "Watt" or "Volt".
std::string_view unitName(GaugeUnit unit);

} // namespace merolan
