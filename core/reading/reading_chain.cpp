#include "core/reading/reading_chain.hpp"

#include "core/settings/calibration_rules.hpp"
#include "core/reading/readout_text.hpp"
#include "core/base/text_format.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace merolan {
namespace {

std::string voltageText(const InstrumentSetup &setup, double voltage)
{
    return localeNumberText(roundHalfEven(voltage, 5), setup.decimalSeparator);
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
std::optional<Levels> corrected(ChainState &chain, const InstrumentSetup &setup, Levels levels, bool averaged,
                                ReadingOutcome &out)
{
    const AccuracySetup &accuracy = setup.accuracy;
    CorrectionAt correction;
    if (const SelectedTable *table = accuracy.tableInForce(); table && accuracy.frequencyHz) {
        correction = correctionAt(table->table, *accuracy.frequencyHz);
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
    if (chain.average.count() != accuracy.averagedReadings())
        chain.average.setCount(accuracy.averagedReadings());
    if (chain.average.count() == 1 || !averaged)
        return levels;
    const double attenuatorDb =
        setup.attenuatorOn ? numericValue(setup.settings.attenuatorDbm, setup.decimalSeparator).value_or(0) : 0;
    const AverageContext context{numericValue(setup.settings.frequencyRange, setup.decimalSeparator).value_or(0),
                                 attenuatorDb, accuracy.frequencyHz.value_or(0), correction.db, setup.relativeMode};
    const double meanWatt = chain.average.add(levels.levelWatt, context);
    out.averageText = "avg " + std::to_string(chain.average.filled()) + "/" + std::to_string(chain.average.count());
    return levelsAt(levels, 10.0 * std::log10(meanWatt * 1000.0));
}

// The armed box gets the mean voltage once the capture has all its readings; a typed test
// voltage goes in as it is.
void capture(ChainState &chain, const InstrumentSetup &setup, double voltage, bool averaged, ReadingOutcome &out)
{
    ChainState::CaptureAverage &run = chain.captureAverage;
    if (!averaged || run.wanted <= 1) {
        out.capture = CaptureText{chain.calCaptureSlot, voltageText(setup, voltage)};
        return;
    }
    run.voltageSum += voltage;
    if (++run.taken < run.wanted) {
        out.captureProgress =
            CaptureText{chain.calCaptureSlot, std::to_string(run.taken) + "/" + std::to_string(run.wanted)};
        return;
    }
    out.capture = CaptureText{chain.calCaptureSlot, voltageText(setup, run.voltageSum / run.taken)};
    run.taken = 0;
    run.voltageSum = 0;
}

// The calibration line, the levels and the lamp, shared by both chains.
std::optional<Levels> convert(ChainState &chain, const InstrumentSetup &setup, double voltage, bool averaged,
                              ReadingOutcome &out)
{
    if (std::optional<Unusable> unusable = computeCalibrationLine(chain, setup)) {
        notLive(out, std::move(unusable->message));
        chain.average.restart();
        return std::nullopt;
    }
    out.slopeText = localeNumberText(chain.calSlope, setup.decimalSeparator);
    out.interceptText = localeNumberText(chain.calIntercept, setup.decimalSeparator);
    auto levels = computeLevels(chain, setup, voltage);
    if (auto *unusable = std::get_if<Unusable>(&levels)) {
        notLive(out, std::move(unusable->message));
        chain.average.restart();
        return std::nullopt;
    }
    // The lamp watches every single reading, so an overload is never averaged away.
    out.lamp = evaluateWarning(chain, setup, std::get<Levels>(levels).detectorDbm);
    if (out.lamp != LampAction::LeaveUnchanged)
        chain.lampLit = out.lamp == LampAction::Show;
    out.levels = corrected(chain, setup, std::get<Levels>(levels), averaged, out);
    if (!out.levels) {
        chain.average.restart();
        return std::nullopt;
    }
    chain.levelDbm = out.levels->levelDbm;
    return out.levels;
}

// Stores the new position; false when the limits give no scale, so nothing is drawn or sent.
bool place(ChainState &chain, double level, GaugeUnit unit, ScaleLimitTexts limits, ReadingOutcome &out)
{
    const std::optional<double> position = computeScalePosition(level, unit, limits);
    if (!position) {
        notLive(out, "The " + std::string(unitName(unit)) +
                         " scale has no span: its maximum equals its minimum. Give it two different limits.");
        return false;
    }
    chain.scalePosition = *position;
    return true;
}

// The chain of absolute readings; false when it stopped short of a position.
bool absoluteChain(ChainState &chain, const InstrumentSetup &setup, double voltage, bool averaged,
                   const ReadingInputs &in, ReadingOutcome &out)
{
    if (isCaptureSlot(chain.calCaptureSlot))
        capture(chain, setup, voltage, averaged, out);
    const std::optional<Levels> levels = convert(chain, setup, voltage, averaged, out);
    if (!levels) {
        out.dbmText = out.wattText = out.voltText = kNoValue;
        return false;
    }
    out.dbmText = formatDbmText(levels->levelDbm);
    out.voltText = formatVoltText(levels->levelVolt);
    out.wattText = formatWattText(levels->levelWatt);
    const std::optional<GaugeUnit> unit = selectedGaugeUnit(setup.settings, setup.decimalSeparator);
    if (!unit)
        return true; // an unknown unit keeps the previous position
    const double level = *unit == GaugeUnit::Dbm    ? levels->levelDbm
                         : *unit == GaugeUnit::Watt ? levels->levelWatt
                                                    : levels->levelVolt;
    return place(chain, level, *unit, in.limitTexts(*unit), out);
}

bool relativeChain(ChainState &chain, const InstrumentSetup &setup, double voltage, const ReadingInputs &in,
                   ReadingOutcome &out)
{
    const std::optional<Levels> levels = convert(chain, setup, voltage, true, out);
    if (!levels) {
        out.dbmText = out.measurementText = kNoValue;
        return false;
    }
    const double relativeDb = levels->levelDbm - setup.zeroReferenceDbm;
    out.relativeDb = relativeDb;
    out.measurementText = formatDbmText(levels->levelDbm);
    out.dbmText = formatDbText(relativeDb);
    return place(chain, relativeDb, GaugeUnit::Dbm, in.limitTexts(GaugeUnit::Dbm), out);
}

void finish(const ChainState &chain, const InstrumentSetup &setup, ReadingOutcome &out)
{
    out.positionText = localeNumberText(chain.scalePosition, setup.decimalSeparator);
    out.redrawGauge = true;
}

} // namespace

ReadingInputs readingInputsOf(const InstrumentSetup &setup)
{
    const MeterSettings &s = setup.settings;
    const char sep = setup.decimalSeparator;
    ReadingInputs in;
    in.relativeMode = setup.relativeMode;
    for (const GaugeUnit unit : kGaugeUnits) {
        const ScaleLimitFields fields = scaleLimitFields(unit);
        in.limitsOf(unit) = {textForm(s.*fields.max, sep), textForm(s.*fields.min, sep)};
    }
    return in;
}

ReadingOutcome processReading(ChainState &chain, const InstrumentSetup &setup, double voltage,
                              const ReadingInputs &inputs)
{
    ReadingOutcome out;
    out.voltageText = voltageText(setup, voltage);
    const bool placed = inputs.relativeMode ? relativeChain(chain, setup, voltage, inputs, out)
                                            : absoluteChain(chain, setup, voltage, true, inputs, out);
    if (placed) {
        finish(chain, setup, out);
        out.sendUpdateFrame = true;
    }
    return out;
}

ReadingOutcome processTestVoltage(ChainState &chain, const InstrumentSetup &setup, std::string_view typedVoltage,
                                  const ReadingInputs &inputs)
{
    ReadingOutcome out;
    const std::optional<double> voltage = readLocaleNumber(typedVoltage, setup.decimalSeparator);
    if (!voltage) {
        out.problem = "The test value \"" + std::string(typedVoltage) + "\" is not a number.";
        return out;
    }
    out.voltageText = voltageText(setup, *voltage);
    // The user asked for exactly this value: it neither joins nor shows the average.
    if (absoluteChain(chain, setup, *voltage, false, inputs, out))
        finish(chain, setup, out);
    return out;
}

int captureReadingCount(const AccuracySetup &accuracy)
{
    return std::max(4, accuracy.averagedReadings());
}

} // namespace merolan
