#include "core/reading/reading_chain.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/reading/readout_text.hpp"
#include "core/base/text_format.hpp"

#include <algorithm>
#include <cmath>
#include <string>

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

Levels levelsAt(Levels levels, double dbm)
{
    levels.levelDbm = dbm;
    levels.levelWatt = wattFromDbm(dbm);
    levels.levelVolt = rmsVoltFromWatt(levels.levelWatt);
    return levels;
}

// The level with the correction at the measurement frequency, then averaged; none when the
// correction takes it past what the readouts can show.
std::optional<Levels> corrected(AppState &state, Levels levels, bool averaged, ReadingOutcome &out)
{
    const AccuracySetup &accuracy = state.accuracy;
    CorrectionAt correction;
    if (accuracy.table && accuracy.frequencyHz) {
        correction = correctionAt(*accuracy.table, *accuracy.frequencyHz);
        if (correction.outside) {
            out.notice = "The frequency " + numberText(*accuracy.frequencyHz).substr(1) +
                         " Hz is outside the correction table; its nearest end point applies.";
        }
        out.correctionDb = correction.db;
        levels = levelsAt(levels, levels.levelDbm + correction.db);
        if (!std::isfinite(levels.levelDbm) || !std::isnormal(levels.levelWatt)) {
            notLive(out, "The corrected level is beyond any number the readouts can show: check the correction "
                         "table.");
            return std::nullopt;
        }
    }
    if (state.average.count() != accuracy.averageCount)
        state.average.setCount(accuracy.averageCount);
    if (state.average.count() == 1 || !averaged)
        return levels;
    const AverageContext context{numericValue(state.settings.frequencyRange, state.decimalSeparator).value_or(0),
                                 numericValue(state.settings.attenuatorDbm, state.decimalSeparator).value_or(0),
                                 accuracy.frequencyHz.value_or(0), correction.db, state.relativeMode};
    const double meanWatt = state.average.add(levels.levelWatt, context);
    out.averageText = "avg " + std::to_string(state.average.filled()) + "/" + std::to_string(state.average.count());
    return levelsAt(levels, 10.0 * std::log10(meanWatt * 1000.0));
}

// The armed box gets the mean voltage once the capture has all its readings; a typed test
// voltage goes in as it is.
void capture(AppState &state, double voltage, bool averaged, ReadingOutcome &out)
{
    AppState::CaptureAverage &run = state.captureAverage;
    if (!averaged || run.wanted <= 1) {
        out.capture = CaptureText{state.calCaptureSlot, voltageText(state, voltage)};
        return;
    }
    run.voltageSum += voltage;
    if (++run.taken < run.wanted) {
        out.captureProgress =
            CaptureText{state.calCaptureSlot, std::to_string(run.taken) + "/" + std::to_string(run.wanted)};
        return;
    }
    out.capture = CaptureText{state.calCaptureSlot, voltageText(state, run.voltageSum / run.taken)};
    run.taken = 0;
    run.voltageSum = 0;
}

// The calibration line, the levels and the lamp, shared by both chains.
std::optional<Levels> convert(AppState &state, double voltage, bool averaged, ReadingOutcome &out)
{
    if (std::optional<Unusable> unusable = computeCalibrationLine(state)) {
        notLive(out, std::move(unusable->message));
        state.average.restart();
        return std::nullopt;
    }
    out.slopeText = localeNumberText(state.calSlope, state.decimalSeparator);
    out.interceptText = localeNumberText(state.calIntercept, state.decimalSeparator);
    auto levels = computeLevels(state, voltage);
    if (auto *unusable = std::get_if<Unusable>(&levels)) {
        notLive(out, std::move(unusable->message));
        state.average.restart();
        return std::nullopt;
    }
    // The lamp watches every single reading, so an overload is never averaged away.
    out.lamp = evaluateWarning(state, std::get<Levels>(levels).detectorDbm);
    if (out.lamp != LampAction::LeaveUnchanged)
        state.lampLit = out.lamp == LampAction::Show;
    out.levels = corrected(state, std::get<Levels>(levels), averaged, out);
    if (!out.levels) {
        state.average.restart();
        return std::nullopt;
    }
    state.levelDbm = out.levels->levelDbm;
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
bool absoluteChain(AppState &state, double voltage, bool averaged, const ReadingInputs &in, ReadingOutcome &out)
{
    if (isCaptureSlot(state.calCaptureSlot))
        capture(state, voltage, averaged, out);
    const std::optional<Levels> levels = convert(state, voltage, averaged, out);
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
    const std::optional<Levels> levels = convert(state, voltage, true, out);
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
    const bool placed = inputs.relativeMode ? relativeChain(state, voltage, inputs, out)
                                            : absoluteChain(state, voltage, true, inputs, out);
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
    // The user asked for exactly this value: it neither joins nor shows the average.
    if (absoluteChain(state, *voltage, false, inputs, out))
        finish(state, out);
    return out;
}

int captureReadingCount(const AccuracySetup &accuracy)
{
    return std::max(4, accuracy.averageCount);
}

void takeZeroReference(AppState &state)
{
    state.zeroReferenceDbm = state.levelDbm;
}

} // namespace merolan
