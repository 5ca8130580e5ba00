#pragma once

#include "core/settings/meter_settings.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace merolan {

inline constexpr std::array<GaugeUnit, 3> kGaugeUnits{GaugeUnit::Dbm, GaugeUnit::Watt, GaugeUnit::Volt};

// The two settings that hold one unit's scale limits, as its boxes show them.
struct ScaleLimitFields {
    SettingValue MeterSettings::*max;
    SettingValue MeterSettings::*min;
};
ScaleLimitFields scaleLimitFields(GaugeUnit unit);

// The two limit texts of one unit as its boxes hold them; scaleLimitValue reads them.
struct ScaleLimitTexts {
    std::string_view max;
    std::string_view min;
};

// A unit's limit texts held by value, for inputs that outlive the settings they were read from.
struct ScaleLimitStrings {
    std::string max;
    std::string min;
    ScaleLimitTexts texts() const { return {max, min}; }
};

// A limit's value. dBm limits are their leading number. Watt and Volt limits take the leading
// number, then an optional SI prefix (p, n, u, µ, m, k) and the box's unit letter, blanks allowed
// around them: "10u", "10 uW" and "2.5mV" read as typed. A text with anything else after its
// number reads as its leading number, as a text without a number reads 0; scaleLimitProblem says
// what is wrong with such a text.
double scaleLimitValue(GaugeUnit unit, std::string_view text);

// Nothing when the text reads as a whole (the empty text does, as 0) and for every dBm limit;
// otherwise one sentence for the status line naming the unit, the limit and the text, and what
// the box takes.
std::optional<std::string> scaleLimitProblem(GaugeUnit unit, std::string_view text, bool isMaximum);

// The ends of the scale: the limits' values, the dBm minimum floored so that every mark of the
// scale stands on a whole dB.
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
