#include "gauge/help_scale.hpp"

#include "core/base/text_format.hpp"

namespace merolan {
namespace {

struct Mark {
    double fraction;
    int x;
    int y;
};

// Above the printed 2, 8, 6 and 4 of the face.
constexpr std::array<Mark, 4> kMarks = {{{0.2, 83, 35}, {0.8, 421, 35}, {0.6, 315, 0}, {0.4, 200, 0}}};

} // namespace

std::string formatHelpScaleValue(double value)
{
    const std::string s = numberText(value);
    if (s.size() > 1 && s[1] == '.')
        return (s[0] == '-' ? "-0" : "0") + s.substr(1, 3);
    return numberText(roundHalfEven(value, 2));
}

std::array<HelpScaleText, 4> helpScaleTexts(GaugeUnit unit, ScaleLimitTexts limits)
{
    const auto [max, min] = scaleSpan(unit, limits);
    const bool scaleToMilli = unit != GaugeUnit::Dbm && min + (max - min) * kMarks[0].fraction < 0.01;
    const char *suffix = unit == GaugeUnit::Watt ? " mW" : " mV";

    std::array<HelpScaleText, 4> texts;
    for (std::size_t i = 0; i < kMarks.size(); ++i) {
        const double v = min + (max - min) * kMarks[i].fraction;
        texts[i] = {kMarks[i].x, kMarks[i].y,
                    scaleToMilli ? formatHelpScaleValue(v * 1000) + suffix : formatHelpScaleValue(v)};
    }
    return texts;
}

} // namespace merolan
