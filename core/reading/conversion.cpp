#include "core/reading/conversion.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/base/text_format.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace merolan {
namespace {

// Where the user mends a field: the attenuator has its own box, everything else here is a
// calibration point.
std::string_view whereToMend(std::string_view field)
{
    if (field == "attenuatorDbm")
        return "type a number into the \"Attenuator (dBm) :\" box";
    return "measure it again, or type it, under \"Calibration\"";
}

std::variant<double, Unusable> numberOf(const InstrumentSetup &setup, std::string_view field,
                                        const SettingValue &value)
{
    if (std::optional<double> number = numericValue(value, setup.decimalSeparator))
        return *number;
    return Unusable{field, "The " + std::string(fieldLabel(field)) + " \"" + textForm(value, setup.decimalSeparator) +
                               "\" is not a number: " + std::string(whereToMend(field)) + "."};
}

constexpr std::string_view kRangeNames[] = {"Low", "Mid", "High"};

} // namespace

int selectedRange(const MeterSettings &settings, char decimalSeparator)
{
    for (int range = 1; range <= 3; ++range)
        if (holdsNumber(settings.frequencyRange, range, decimalSeparator))
            return range;
    return 0;
}

std::optional<GaugeUnit> selectedGaugeUnit(const MeterSettings &settings, char decimalSeparator)
{
    for (const GaugeUnit unit : {GaugeUnit::Dbm, GaugeUnit::Watt, GaugeUnit::Volt})
        if (holdsNumber(settings.gaugeUnit, static_cast<int>(unit), decimalSeparator))
            return unit;
    return std::nullopt;
}

std::optional<std::string> setupHint(const MeterSettings &settings, char decimalSeparator)
{
    const auto empty = [](const SettingValue &value) {
        const auto *text = std::get_if<std::string>(&value);
        return std::holds_alternative<std::monostate>(value) || (text && text->empty());
    };
    const bool noPoints = std::all_of(kCalibrationPoints.begin(), kCalibrationPoints.end(),
                                      [&](const CalibrationPoint &point) { return empty(settings.*point.field); });
    if (selectedRange(settings, decimalSeparator) != 0 && selectedGaugeUnit(settings, decimalSeparator) && !noPoints)
        return std::nullopt;
    return "No calibration yet: press \"Calibration\", then \"Create default calibration\" or \"Load "
           "Calibration File\".";
}

std::optional<Unusable> computeCalibrationLine(ChainState &chain, const InstrumentSetup &setup)
{
    const MeterSettings &s = setup.settings;
    const int range = selectedRange(s, setup.decimalSeparator);
    if (range == 0)
        return std::nullopt;

    const auto &[name10, field10] = kCalibrationPoints[2 * static_cast<std::size_t>(range - 1)];
    const auto &[name50, field50] = kCalibrationPoints[2 * static_cast<std::size_t>(range - 1) + 1];
    const auto p10 = numberOf(setup, name10, s.*field10);
    if (const auto *u = std::get_if<Unusable>(&p10))
        return *u;
    const auto p50 = numberOf(setup, name50, s.*field50);
    if (const auto *u = std::get_if<Unusable>(&p50))
        return *u;

    const double slope = 40.0 / (std::get<double>(p10) - std::get<double>(p50));
    const double intercept = -10.0 - std::get<double>(p10) * slope;
    if (!std::isfinite(slope) || !std::isfinite(intercept))
        return Unusable{name10, "The two calibration points of the " + std::string(kRangeNames[range - 1]) +
                                    " range are equal: measure them again under \"Calibration\"."};
    chain.calSlope = slope;
    chain.calIntercept = intercept;
    return std::nullopt;
}

double wattFromDbm(double dbm)
{
    return std::pow(10.0, dbm / 10.0) * 0.001;
}

double rmsVoltFromWatt(double watt)
{
    return std::sqrt(50.0 * watt);
}

bool attenuatorIsShowable(double db)
{
    const double watt = wattFromDbm(db);
    return std::isnormal(watt) && std::isnormal(rmsVoltFromWatt(watt));
}

std::variant<Levels, Unusable> computeLevels(ChainState &chain, const InstrumentSetup &setup, double voltage)
{
    const auto attenuator =
        setup.attenuatorOn ? numberOf(setup, "attenuatorDbm", setup.settings.attenuatorDbm) : 0.0;
    if (const auto *u = std::get_if<Unusable>(&attenuator))
        return *u;

    Levels levels;
    levels.detectorDbm = chain.calSlope * voltage + chain.calIntercept;
    levels.levelDbm = chain.calSlope * voltage + std::get<double>(attenuator) + chain.calIntercept;
    levels.levelWatt = wattFromDbm(levels.levelDbm);
    levels.levelVolt = rmsVoltFromWatt(levels.levelWatt);
    if (!std::isfinite(levels.detectorDbm) || !std::isfinite(levels.levelWatt) || !std::isfinite(levels.levelVolt))
        return Unusable{"attenuatorDbm", "The level is beyond any number the readouts can show: check the "
                                         "attenuator and the calibration points."};
    chain.levelDbm = levels.levelDbm;
    return levels;
}

LampAction evaluateWarning(ChainState &chain, const InstrumentSetup &setup, double detectorDbm)
{
    // The level is read like the other typed limits, its leading number whatever follows, but
    // with either mark as the point: "-4,5" is -4.5 on every computer, not -4 where the locale
    // writes a decimal comma.
    const double limit = parseLeadingNumber(textForm(setup.settings.warningLevelDbm, setup.decimalSeparator), ',');
    if (detectorDbm > limit) {
        if (chain.warningCount == 3)
            return LampAction::Show;
        ++chain.warningCount;
        return LampAction::LeaveUnchanged;
    }
    chain.warningCount = 0;
    return LampAction::Hide;
}

} // namespace merolan
