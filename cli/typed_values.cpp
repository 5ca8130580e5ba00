#include "cli/typed_values.hpp"

#include "core/reading/conversion.hpp"
#include "core/reading/scale_range.hpp"
#include "core/base/text_format.hpp"

#include <array>
#include <cmath>

namespace merolan {
namespace {

// How the program reads each text box's field, and so what it can use there.
enum class Reading {
    Attenuator,   // the whole text as a number with either mark as the point (numericValue)
    Voltage,      // a calibration point, read as the attenuator is
    ScaleLevel,   // a dBm limit: the gauge reads its number with "." as the point
    WarningLevel, // the lamp's level: a number with either mark as the point
    WattLimit,    // watts with an optional SI prefix (scaleLimitValue)
    VoltLimit,    // volts with an optional SI prefix
};

constexpr std::array<std::pair<std::string_view, Reading>, 14> kTextReadings{{
    {"attenuatorDbm", Reading::Attenuator},
    {"dbmScaleMax", Reading::ScaleLevel},
    {"dbmScaleMin", Reading::ScaleLevel},
    {"wattScaleMax", Reading::WattLimit},
    {"voltScaleMax", Reading::VoltLimit},
    {"wattScaleMin", Reading::WattLimit},
    {"voltScaleMin", Reading::VoltLimit},
    {"warningLevelDbm", Reading::WarningLevel},
    {"calLowMinus10", Reading::Voltage},
    {"calLowMinus50", Reading::Voltage},
    {"calMidMinus10", Reading::Voltage},
    {"calMidMinus50", Reading::Voltage},
    {"calHighMinus10", Reading::Voltage},
    {"calHighMinus50", Reading::Voltage},
}};

Reading readingOf(std::string_view name)
{
    for (const auto &[field, reading] : kTextReadings)
        if (field == name)
            return reading;
    return Reading::Voltage;
}

// The names "measure --range" and the windows' boxes use, in the order of their numbers 1..3.
constexpr std::array<std::string_view, 3> kRangeNames{"low", "mid", "high"};
constexpr std::array<std::array<std::string_view, 2>, 3> kUnitNames{{{"dbm", "dbm"}, {"w", "watt"}, {"v", "volt"}}};

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The text is one number and nothing else but blanks around it, read with `point` or "." as the point.
bool isOneNumber(std::string_view text, char point)
{
    const LeadingNumber number = readLeadingNumber(text, point);
    if (!number.value)
        return false;
    return text.substr(number.length).find_first_not_of(" \t") == std::string_view::npos;
}

bool readsAsLimit(GaugeUnit unit, std::string_view text)
{
    return readLeadingNumber(text).value && !scaleLimitProblem(unit, text, true);
}

} // namespace

std::optional<double> usableAttenuatorDb(std::string_view typed, char decimalSeparator)
{
    const std::optional<double> db = readLocaleNumber(typed, decimalSeparator);
    if (!db || !attenuatorIsShowable(*db))
        return std::nullopt;
    return db;
}

std::string whatFieldTakes(const SettingField &field)
{
    switch (field.entry) {
    case FieldEntry::Range:
        return "low, mid or high (or 1, 2, 3)";
    case FieldEntry::Unit:
        return "dbm, w or v (or 1, 2, 3)";
    case FieldEntry::Reference:
    case FieldEntry::Switch:
        return std::string(acceptedValues(field.entry));
    case FieldEntry::Text:
        break;
    }
    switch (readingOf(field.name)) {
    case Reading::Attenuator:
        return "a number of dB from about -3000 to 3000, such as 20 or -6.5";
    case Reading::Voltage:
        return "a number of volts, such as 1.52486";
    case Reading::ScaleLevel:
        return "a number of dBm with \".\" as the point, such as -10";
    case Reading::WarningLevel:
        return "a number of dBm, such as -5";
    case Reading::WattLimit:
        return "watts, optionally with p, n, u, m or k, such as 1.0, 10m or 2.5 uW";
    case Reading::VoltLimit:
        return "volts, optionally with p, n, u, m or k, such as 1.0, 10m or 2.5 uV";
    }
    return {};
}

std::optional<std::string> usableFieldText(const SettingField &field, std::string_view typed, char decimalSeparator)
{
    const std::string name = lowerCase(typed);
    switch (field.entry) {
    case FieldEntry::Range:
        for (std::size_t i = 0; i < kRangeNames.size(); ++i)
            if (name == kRangeNames[i])
                return std::to_string(i + 1);
        return std::string(typed);
    case FieldEntry::Unit:
        for (std::size_t i = 0; i < kUnitNames.size(); ++i)
            if (name == kUnitNames[i][0] || name == kUnitNames[i][1])
                return std::to_string(i + 1);
        return std::string(typed);
    case FieldEntry::Reference:
    case FieldEntry::Switch:
        return std::string(typed);
    case FieldEntry::Text:
        break;
    }
    bool usable = false;
    switch (readingOf(field.name)) {
    case Reading::Attenuator:
        usable = usableAttenuatorDb(typed, decimalSeparator).has_value();
        break;
    case Reading::Voltage:
        usable = readLocaleNumber(typed, decimalSeparator).has_value();
        break;
    case Reading::ScaleLevel:
        usable = isOneNumber(typed, '.');
        break;
    case Reading::WarningLevel:
        usable = isOneNumber(typed, ',');
        break;
    case Reading::WattLimit:
        usable = readsAsLimit(GaugeUnit::Watt, typed);
        break;
    case Reading::VoltLimit:
        usable = readsAsLimit(GaugeUnit::Volt, typed);
        break;
    }
    return usable ? std::optional(std::string(typed)) : std::nullopt;
}

} // namespace merolan
