#include "core/reading/scale_range.hpp"

#include "core/base/text_format.hpp"

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

// Powers of ten below 10^22 are exact doubles, so dividing by one rounds once: "10u" reads as the
// double nearest 1e-5, as "0.00001" does.
struct Prefix {
    std::string_view text;
    double multiplier;
    double divisor;
};

// Keyboards give the micro sign or the Greek mu for µ; both mean the same here.
constexpr Prefix kPrefixes[] = {
    {"p", 1, 1e12}, {"n", 1, 1e9}, {"u", 1, 1e6}, {"\u00b5", 1, 1e6}, {"\u03bc", 1, 1e6}, {"m", 1, 1e3}, {"k", 1e3, 1},
};

std::string_view withoutLeadingBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

struct LimitReading {
    double value;
    bool whole; // the text read to its end
};

LimitReading readLimit(GaugeUnit unit, std::string_view text)
{
    const LeadingNumber number = readLeadingNumber(text);
    const double leading = number.value.value_or(0);
    if (unit == GaugeUnit::Dbm)
        return {leading, true};
    std::string_view rest = withoutLeadingBlanks(text.substr(number.length));
    if (!number.value) // no number at all, which only a blank text may be, or one beyond a double
        return {leading, number.length == 0 && rest.empty()};
    double value = *number.value;
    for (const Prefix &prefix : kPrefixes) {
        if (rest.starts_with(prefix.text)) {
            value = value * prefix.multiplier / prefix.divisor;
            rest.remove_prefix(prefix.text.size());
            break;
        }
    }
    const char letter = unit == GaugeUnit::Watt ? 'W' : 'V';
    const char lowerLetter = unit == GaugeUnit::Watt ? 'w' : 'v';
    if (!rest.empty() && (rest.front() == letter || rest.front() == lowerLetter))
        rest.remove_prefix(1);
    // "1e308k" is beyond a double as "1e999" is: neither reads as a whole.
    if (!withoutLeadingBlanks(rest).empty() || !std::isfinite(value))
        return {leading, false};
    return {value, true};
}

// The status line has room for a short quote only; a long text is cut between two characters.
std::string quoted(std::string_view text)
{
    constexpr std::size_t kMaxCharacters = 12;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && ++characters > kMaxCharacters)
            return "\"" + std::string(text.substr(0, i)) + "\u2026\"";
    }
    return "\"" + std::string(text) + "\"";
}

} // namespace

double scaleLimitValue(GaugeUnit unit, std::string_view text)
{
    return readLimit(unit, text).value;
}

std::optional<std::string> scaleLimitProblem(GaugeUnit unit, std::string_view text, bool isMaximum)
{
    if (readLimit(unit, text).whole)
        return std::nullopt;
    const bool watt = unit == GaugeUnit::Watt;
    return "The " + std::string(unitName(unit)) + (isMaximum ? " maximum " : " minimum ") + quoted(text) +
           " is not understood: type " + (watt ? "watts" : "volts") +
           ", optionally with p, n, u, \u00b5, m or k (10m, 2.5 u" + (watt ? "W" : "V") + ").";
}

ScaleSpan scaleSpan(GaugeUnit unit, ScaleLimitTexts limits)
{
    const double min = scaleLimitValue(unit, limits.min);
    return {scaleLimitValue(unit, limits.max), unit == GaugeUnit::Dbm ? std::floor(min) : min};
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
        if (scaleLimitValue(unit, limits.min) >= scaleLimitValue(unit, limits.max))
            failing.push_back(unit);
    return failing;
}

ScaleLimitFields scaleLimitFields(GaugeUnit unit)
{
    switch (unit) {
    case GaugeUnit::Watt:
        return {&MeterSettings::wattScaleMax, &MeterSettings::wattScaleMin};
    case GaugeUnit::Volt:
        return {&MeterSettings::voltScaleMax, &MeterSettings::voltScaleMin};
    case GaugeUnit::Dbm:
        break;
    }
    return {&MeterSettings::dbmScaleMax, &MeterSettings::dbmScaleMin};
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
