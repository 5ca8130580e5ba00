#include "core/reading_chain.hpp"

#include "core/calibration_rules.hpp"
#include "core/readout_text.hpp"
#include "core/text_format.hpp"

namespace merolan {
namespace {

std::string voltageText(const AppState &state, double voltage)
{
    return localeNumberText(roundHalfEven(voltage, 5), state.decimalSeparator);
}

constexpr const char *kNoValue = "-";

void notLive(ReadingOutcome &out, std::string why)
{
    out.problem = std::move(why);
    out.clearNeedle = true;
}

// The calibration line, the levels and the lamp, shared by both chains.
std::optional<Levels> convert(AppState &state, double voltage, ReadingOutcome &out)
{
    if (std::optional<Unusable> unusable = computeCalibrationLine(state)) {
        notLive(out, std::move(unusable->message));
        return std::nullopt;
    }
    out.slopeText = localeNumberText(state.calSlope, state.decimalSeparator);
    out.interceptText = localeNumberText(state.calIntercept, state.decimalSeparator);
    auto levels = computeLevels(state, voltage);
    if (auto *unusable = std::get_if<Unusable>(&levels)) {
        notLive(out, std::move(unusable->message));
        return std::nullopt;
    }
    out.lamp = evaluateWarning(state, std::get<Levels>(levels).detectorDbm);
    if (out.lamp != LampAction::LeaveUnchanged)
        state.lampLit = out.lamp == LampAction::Show;
    out.levels = std::get<Levels>(levels);
    return out.levels;
}

// Stores the new position; false when the limits give no scale, so nothing is drawn or sent.
bool place(AppState &state, double level, GaugeUnit unit, ScaleLimitTexts limits, ReadingOutcome &out)
{
    const std::optional<double> position = computeScalePosition(level, unit, limits);
    if (!position) {
        notLive(out, "The " + std::string(unitName(unit)) +
                         " scale has no span: its maximum equals its minimum. Give it two different limits.");
        return false;
    }
    state.scalePosition = *position;
    return true;
}

// The chain of absolute readings; false when it stopped short of a position.
bool absoluteChain(AppState &state, double voltage, const ReadingInputs &in, ReadingOutcome &out)
{
    if (isCaptureSlot(state.calCaptureSlot))
        out.capture = CaptureText{state.calCaptureSlot, voltageText(state, voltage)};
    const std::optional<Levels> levels = convert(state, voltage, out);
    if (!levels) {
        out.dbmText = out.wattText = out.voltText = kNoValue;
        return false;
    }
    out.dbmText = formatDbmText(levels->levelDbm);
    out.voltText = formatVoltText(levels->levelVolt);
    out.wattText = formatWattText(levels->levelWatt);
    const std::optional<GaugeUnit> unit = selectedGaugeUnit(state.settings, state.decimalSeparator);
    if (!unit)
        return true; // an unknown unit keeps the previous position
    const double level = *unit == GaugeUnit::Dbm    ? levels->levelDbm
                         : *unit == GaugeUnit::Watt ? levels->levelWatt
                                                    : levels->levelVolt;
    return place(state, level, *unit, in.limitTexts(*unit), out);
}

bool relativeChain(AppState &state, double voltage, const ReadingInputs &in, ReadingOutcome &out)
{
    const std::optional<Levels> levels = convert(state, voltage, out);
    if (!levels) {
        out.dbmText = out.measurementText = kNoValue;
        return false;
    }
    const double relativeDb = levels->levelDbm - state.zeroReferenceDbm;
    out.relativeDb = relativeDb;
    out.measurementText = formatDbmText(levels->levelDbm);
    out.dbmText = formatDbText(relativeDb);
    return place(state, relativeDb, GaugeUnit::Dbm, in.limitTexts(GaugeUnit::Dbm), out);
}

void finish(const AppState &state, ReadingOutcome &out)
{
    out.positionText = localeNumberText(state.scalePosition, state.decimalSeparator);
    out.redrawGauge = true;
}

} // namespace

ReadingInputs readingInputsOf(const AppState &state)
{
    const MeterSettings &s = state.settings;
    const char sep = state.decimalSeparator;
    ReadingInputs in;
    in.relativeMode = state.relativeMode;
    for (const GaugeUnit unit : kGaugeUnits) {
        const ScaleLimitFields fields = scaleLimitFields(unit);
        in.limitsOf(unit) = {textForm(s.*fields.max, sep), textForm(s.*fields.min, sep)};
    }
    return in;
}

ReadingOutcome processReading(AppState &state, double voltage, const ReadingInputs &inputs)
{
    ReadingOutcome out;
    out.voltageText = voltageText(state, voltage);
    const bool placed =
        inputs.relativeMode ? relativeChain(state, voltage, inputs, out) : absoluteChain(state, voltage, inputs, out);
    if (placed) {
        finish(state, out);
        out.sendUpdateFrame = true;
    }
    return out;
}

ReadingOutcome processTestVoltage(AppState &state, std::string_view typedVoltage, const ReadingInputs &inputs)
{
    ReadingOutcome out;
    const std::optional<double> voltage = readLocaleNumber(typedVoltage, state.decimalSeparator);
    if (!voltage) {
        out.problem = "The test value \"" + std::string(typedVoltage) + "\" is not a number.";
        return out;
    }
    out.voltageText = voltageText(state, *voltage);
    if (absoluteChain(state, *voltage, inputs, out))
        finish(state, out);
    return out;
}

void takeZeroReference(AppState &state)
{
    state.zeroReferenceDbm = state.levelDbm;
}

} // namespace merolan
