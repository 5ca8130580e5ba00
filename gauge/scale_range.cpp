#include "gauge/scale_range.hpp"

#include "core/text_format.hpp"

#include <algorithm>
#include <cmath>

namespace merolan {
namespace {

std::string limitCaption(double value, std::string_view suffix)
{
    std::string s = numberText(value) + std::string(suffix);
    if (s.size() > 1 && s[1] == '.')
        return (s[0] == '-' ? "-0" : "0") + s.substr(1, 8);
    return s;
}

} // namespace

ScaleSpan scaleSpan(GaugeUnit unit, ScaleLimitTexts limits)
{
    const double min = parseLeadingNumber(limits.min);
    return {parseLeadingNumber(limits.max), unit == GaugeUnit::Dbm ? std::floor(min) : min};
}

std::optional<double> computeScalePosition(double level, GaugeUnit unit, ScaleLimitTexts limits)
{
    const ScaleSpan span = scaleSpan(unit, limits);
    const double k = 10.0 / (span.max - span.min);
    const double offset = 10.0 - span.max * k;
    const double p = offset + k * level;
    if (!std::isfinite(k) || !std::isfinite(p))
        return std::nullopt;
    return std::clamp(p, 0.0, 10.5);
}

LimitCaptions scaleLimitCaptions(GaugeUnit unit, ScaleLimitTexts limits, bool relativeMode)
{
    const ScaleSpan span = scaleSpan(unit, limits);
    const std::string_view suffix = unit == GaugeUnit::Dbm    ? (relativeMode ? "dB" : "dBm")
                                    : unit == GaugeUnit::Watt ? " W"
                                                              : " V";
    return {limitCaption(span.max, suffix), limitCaption(span.min, suffix)};
}

std::vector<GaugeUnit> invalidScaleRanges(ScaleLimitTexts dbm, ScaleLimitTexts watt, ScaleLimitTexts volt)
{
    std::vector<GaugeUnit> failing;
    const std::pair<GaugeUnit, ScaleLimitTexts> units[] = {
        {GaugeUnit::Dbm, dbm}, {GaugeUnit::Watt, watt}, {GaugeUnit::Volt, volt}};
    for (const auto &[unit, limits] : units)
        if (parseLeadingNumber(limits.min) >= parseLeadingNumber(limits.max))
            failing.push_back(unit);
    return failing;
}

std::string_view unitName(GaugeUnit unit)
{
    return unit == GaugeUnit::Dbm ? "dBm" : unit == GaugeUnit::Watt ? "Watt" : "Volt";
}

std::string scaleRangeErrorTitle(GaugeUnit unit)
{
    return "Screen Gauge Meter " + std::string(unitName(unit)) + "-ERROR";
}

} // namespace merolan
