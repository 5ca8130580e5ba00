#pragma once

#include "core/settings/meter_settings.hpp"
#include "core/reading/scale_range.hpp"

#include <array>
#include <string>

namespace merolan {

// One value printed over the face, its top-left corner in face pixels.
struct HelpScaleText {
    int x = 0;
    int y = 0;
    std::string text;
};

// The levels the needle shows at the printed 2, 8, 6 and 4, in that printing order. Watt and
// Volt values switch to mW / mV for all four when the first is below 0.01.
std::array<HelpScaleText, 4> helpScaleTexts(GaugeUnit unit, ScaleLimitTexts limits);

// Values below 1 are cut (not rounded) to two decimals with a zero before the point; the
// rest are rounded to two decimals.
std::string formatHelpScaleValue(double value);

} // namespace merolan
