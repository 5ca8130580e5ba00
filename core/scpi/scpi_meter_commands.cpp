#include "core/scpi/scpi_meter_commands.hpp"

#include "core/base/ascii.hpp"
#include "core/base/version.hpp"
#include "core/reading/conversion.hpp"
#include "core/reading/frequency_range.hpp"
#include "core/reading/power_average.hpp"
#include "core/scpi/scpi_values.hpp"
#include "core/settings/setting_value.hpp"
#include "core/settings/table_store.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <variant>

namespace merolan::scpi {
namespace {

using Parameters = std::span<const Parameter>;

constexpr ParameterCount kNone{0, 0};
constexpr ParameterCount kOne{1, 1};
// MEASure?, READ? and CONFigure may name the level they expect; this meter has one range of
// levels and takes no notice.
constexpr ParameterCount kExpectedLevel{0, 1};

constexpr auto kDeviceSpecific = static_cast<Error>(-300);

constexpr Choice<bool> kPowerUnits[] = {{"DBM", false}, {"W", true}};
constexpr Choice<bool> kOnce[] = {{"ONCE", true}};
constexpr Choice<double> kDecibels[] = {{"DB", 1}};
constexpr Choice<double> kFrequencyUnits[] = {{"HZ", 1}, {"KHZ", 1e3}, {"MHZ", 1e6}, {"GHZ", 1e9}};

void answer(ConnectionState &state, std::string text)
{
    state.answers.push_back(std::move(text));
}

// The value a parameter holds, or none once its error is queued with `detail`.
template <typename T>
std::optional<T> valueOr(ConnectionState &state, std::variant<T, Error> value, std::string_view detail = {})
{
    if (const Error *error = std::get_if<Error>(&value)) {
        state.fail(*error, detail);
        return std::nullopt;
    }
    return std::get<T>(value);
}

std::optional<bool> switchOf(ConnectionState &state, const Parameter &parameter)
{
    return valueOr(state, toBoolean(parameter));
}

std::optional<std::uint8_t> registerValueOf(ConnectionState &state, const Parameter &parameter)
{
    const std::optional<double> number = valueOr(state, toNumber(parameter));
    if (!number)
        return std::nullopt;
    if (!(*number >= 0 && *number <= 255)) {
        state.fail(Error::DataOutOfRange, "a register takes 0 to 255");
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*number + 0.5);
}

// LOW, MID or HIGH, in the words of the ranges' own name table, or the number the settings store.
std::optional<FrequencyRange> rangeOf(ConnectionState &state, const Parameter &parameter)
{
    std::optional<FrequencyRange> range;
    if (parameter.kind == ParameterKind::Word)
        range = rangeNamed(parameter.text);
    else if (parameter.kind == ParameterKind::Number && parameter.suffix.empty() && std::abs(parameter.number) < 10 &&
             parameter.number == std::trunc(parameter.number))
        range = rangeNumbered(static_cast<int>(parameter.number));
    if (!range)
        state.fail(parameter.kind == ParameterKind::String ? Error::DataType : Error::IllegalParameterValue,
                   "the range is LOW, MID or HIGH");
    return range;
}

// The level a reading answers with in the connection's unit; none without a level.
std::optional<double> levelOf(const ConnectionState &state, const ReadingRecord &record)
{
    if (state.setup().relativeMode)
        return record.relativeDb;
    return state.watts ? record.powerW : record.levelDbm;
}

std::string_view whyNoLevel(const ReadingRecord &record)
{
    return record.note.empty() ? std::string_view("the reading has no level") : std::string_view(record.note);
}

void answerLevel(ConnectionState &state, const ReadingRecord &record)
{
    const std::optional<double> level = levelOf(state, record);
    if (!level)
        state.fail(kDeviceSpecific, whyNoLevel(record));
    answer(state, nr3Text(level.value_or(kNotANumber)));
}

// The common commands.

void identify(ConnectionState &state, Parameters)
{
    answer(state, "merolan,RF Power Meter,0," + std::string(kProgramVersion));
}

void reset(ConnectionState &state, Parameters)
{
    state.watts = false;
    state.latest.reset();
    state.latestRevision.reset();
    state.triggered = false;
    // The connection's own state returns in any case; the instrument's only where clients may
    // change it, since the window's user decides it otherwise and no setting is refused here.
    if (!state.shared.instrument.clientsMayChange())
        return;
    state.shared.instrument.reset();
    state.continuous = state.setup().continuous;
}

void clearStatus(ConnectionState &state, Parameters)
{
    state.status.clear();
}

void eventStatusQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(state.status.takeEventStatus()));
}

void eventEnable(ConnectionState &state, Parameters parameters)
{
    if (const auto value = registerValueOf(state, parameters[0]))
        state.status.eventEnable = *value;
}

void eventEnableQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(state.status.eventEnable));
}

void serviceEnable(ConnectionState &state, Parameters parameters)
{
    if (const auto value = registerValueOf(state, parameters[0]))
        state.status.serviceEnable = *value;
}

void serviceEnableQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(state.status.serviceEnable));
}

void statusByteQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(state.status.statusByte()));
}

void operationComplete(ConnectionState &state, Parameters)
{
    state.status.operationComplete();
}

void operationCompleteQuery(ConnectionState &state, Parameters)
{
    answer(state, "1");
}

// *WAI: every command is done before the next one runs.
void waitToContinue(ConnectionState &, Parameters) {}

void selfTestQuery(ConnectionState &state, Parameters)
{
    state.awaited = Awaited::SelfTest;
}

void errorNextQuery(ConnectionState &state, Parameters)
{
    answer(state, state.status.errors.pop());
}

void errorCountQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(static_cast<long long>(state.status.errors.count())));
}

void versionQuery(ConnectionState &state, Parameters)
{
    answer(state, "1999.0");
}

// The trigger model.

void configure(ConnectionState &state, Parameters)
{
    state.latestRevision.reset();
}

void measureQuery(ConnectionState &state, Parameters)
{
    state.awaited = Awaited::Level;
}

void initiate(ConnectionState &state, Parameters)
{
    state.latestRevision.reset();
    state.triggered = state.triggersPoll = true;
}

void continuousPolling(ConnectionState &state, Parameters parameters)
{
    if (const auto on = switchOf(state, parameters[0])) {
        state.change().continuous = *on;
        state.continuous = *on;
    }
}

void continuousQuery(ConnectionState &state, Parameters)
{
    answer(state, booleanText(state.setup().continuous));
}

void abortTrigger(ConnectionState &state, Parameters)
{
    state.latestRevision.reset();
    state.triggered = false;
}

void fetchQuery(ConnectionState &state, Parameters)
{
    if (state.latestIsCurrent()) {
        answerLevel(state, *state.latest);
    } else if (state.triggered) {
        state.awaited = Awaited::TriggeredLevel;
    } else {
        state.fail(Error::DataCorruptOrStale, "no reading came since the latest INITiate or change of a setting");
        answer(state, nr3Text(kNotANumber));
    }
}

void powerUnit(ConnectionState &state, Parameters parameters)
{
    if (const auto watts = valueOr(state, toChoice(parameters[0], kPowerUnits), "the unit is DBM or W")) {
        state.watts = *watts;
        state.latestRevision.reset();
    }
}

void powerUnitQuery(ConnectionState &state, Parameters)
{
    answer(state, std::string(choiceWord(kPowerUnits, state.watts)));
}

// The setup.

void correction(ConnectionState &state, Parameters parameters)
{
    const std::optional<double> db = valueOr(state, toNumber(parameters[0], kDecibels));
    if (!db)
        return;
    if (!attenuatorIsShowable(*db)) {
        state.fail(Error::DataOutOfRange, "the correction takes about -3000 to 3000 dB");
        return;
    }
    // As the window's attenuator box does, a value given applies at once.
    InstrumentSetup &changed = state.change();
    changed.settings.attenuatorDbm = *db;
    changed.attenuatorOn = true;
}

void correctionQuery(ConnectionState &state, Parameters)
{
    const InstrumentSetup &setup = state.setup();
    answer(state, nr3Text(numericValue(setup.settings.attenuatorDbm, setup.decimalSeparator).value_or(0)));
}

void correctionState(ConnectionState &state, Parameters parameters)
{
    if (const auto on = switchOf(state, parameters[0]))
        state.change().attenuatorOn = *on;
}

void correctionStateQuery(ConnectionState &state, Parameters)
{
    answer(state, booleanText(state.setup().attenuatorOn));
}

void rangeSelect(ConnectionState &state, Parameters parameters)
{
    if (const auto chosen = rangeOf(state, parameters[0]))
        state.change().settings.frequencyRange = static_cast<std::int16_t>(*chosen);
}

void rangeQuery(ConnectionState &state, Parameters)
{
    const InstrumentSetup &setup = state.setup();
    std::string name = "NONE"; // a settings file may hold none of the three
    for (const FrequencyRange held : kFrequencyRanges)
        if (holdsNumber(setup.settings.frequencyRange, static_cast<int>(held), setup.decimalSeparator))
            name = asciiUpperCased(rangeTitle(held));
    answer(state, std::move(name));
}

void relativeAuto(ConnectionState &state, Parameters parameters)
{
    if (valueOr(state, toChoice(parameters[0], kOnce), "AUTO takes ONCE"))
        state.awaited = Awaited::ZeroReference;
}

void relativeAutoQuery(ConnectionState &state, Parameters)
{
    answer(state, "0");
}

void relativeState(ConnectionState &state, Parameters parameters)
{
    if (const auto on = switchOf(state, parameters[0]))
        state.change().relativeMode = *on;
}

void relativeStateQuery(ConnectionState &state, Parameters)
{
    answer(state, booleanText(state.setup().relativeMode));
}

void detectorVoltageQuery(ConnectionState &state, Parameters)
{
    if (!state.latest) {
        state.fail(Error::DataCorruptOrStale, "no reading came yet");
        answer(state, nr3Text(kNotANumber));
        return;
    }
    answer(state, nr3Text(state.latest->voltageV));
}

void averageCount(ConnectionState &state, Parameters parameters)
{
    const std::optional<double> count = valueOr(state, toNumber(parameters[0]));
    if (!count)
        return;
    if (!(*count >= 1 && *count <= kMaxAverageCount)) {
        state.fail(Error::DataOutOfRange, "the count takes 1 to 1024");
        return;
    }
    AccuracySetup &accuracy = state.change().accuracy;
    accuracy.averageCount = static_cast<int>(std::lround(*count));
    accuracy.averageOn = true;
}

void averageCountQuery(ConnectionState &state, Parameters)
{
    answer(state, nr1Text(state.setup().accuracy.averageCount));
}

void averageState(ConnectionState &state, Parameters parameters)
{
    if (const auto on = switchOf(state, parameters[0]))
        state.change().accuracy.averageOn = *on;
}

void averageStateQuery(ConnectionState &state, Parameters)
{
    answer(state, booleanText(state.setup().accuracy.averageOn));
}

void frequency(ConnectionState &state, Parameters parameters)
{
    const std::optional<double> hz = valueOr(state, toNumber(parameters[0], kFrequencyUnits));
    if (!hz)
        return;
    if (!(*hz > 0)) {
        state.fail(Error::DataOutOfRange, "the frequency is a number of Hz above 0");
        return;
    }
    state.change().accuracy.frequencyHz = *hz;
}

void frequencyQuery(ConnectionState &state, Parameters)
{
    answer(state, nr3Text(state.setup().accuracy.frequencyHz.value_or(0)));
}

// A client chooses among the tables kept by name; what it sends is never opened as a path.
void tableSelect(ConnectionState &state, Parameters parameters)
{
    const Parameter &name = parameters[0];
    if (name.kind != ParameterKind::String) {
        state.fail(Error::DataType, "the table is named by a quoted name");
        return;
    }
    auto loaded = loadNamedTable(state.shared.tablesFolder, name.text);
    if (const Failure *failure = std::get_if<Failure>(&loaded)) {
        state.fail(Error::IllegalParameterValue, failure->message);
        return;
    }
    state.change().accuracy.setTable(std::move(std::get<SelectedTable>(loaded)));
}

void tableSelectQuery(ConnectionState &state, Parameters)
{
    const std::optional<SelectedTable> &table = state.setup().accuracy.table;
    answer(state, quotedText(table ? table->name : std::string()));
}

void tableCatalogQuery(ConnectionState &state, Parameters)
{
    std::string list;
    for (const std::string &name : tableNames(state.shared.tablesFolder))
        list += (list.empty() ? "" : ",") + quotedText(name);
    answer(state, list.empty() ? quotedText({}) : std::move(list));
}

void tableState(ConnectionState &state, Parameters parameters)
{
    const auto on = switchOf(state, parameters[0]);
    if (!on)
        return;
    if (*on && !state.setup().accuracy.table)
        state.fail(Error::SettingsConflict, "no correction table is selected");
    else
        state.change().accuracy.tableOn = *on;
}

void tableStateQuery(ConnectionState &state, Parameters)
{
    answer(state, booleanText(state.setup().accuracy.tableInForce() != nullptr));
}

using enum Access;

constexpr CommandRow kRows[] = {
    {"*IDN?", Read, kNone, identify},
    {"*RST", Read, kNone, reset},
    {"*CLS", Read, kNone, clearStatus},
    {"*ESR?", Read, kNone, eventStatusQuery},
    {"*ESE", Read, kOne, eventEnable},
    {"*ESE?", Read, kNone, eventEnableQuery},
    {"*SRE", Read, kOne, serviceEnable},
    {"*SRE?", Read, kNone, serviceEnableQuery},
    {"*STB?", Read, kNone, statusByteQuery},
    {"*OPC", Read, kNone, operationComplete},
    {"*OPC?", Read, kNone, operationCompleteQuery},
    {"*WAI", Read, kNone, waitToContinue},
    {"*TST?", Trigger, kNone, selfTestQuery},
    {"SYSTem:ERRor[:NEXT]?", Read, kNone, errorNextQuery},
    {"SYSTem:ERRor:COUNt?", Read, kNone, errorCountQuery},
    {"SYSTem:VERSion?", Read, kNone, versionQuery},
    {"MEASure[1][:SCALar][:POWer][:AC]?", Trigger, kExpectedLevel, measureQuery},
    {"CONFigure[1][:SCALar][:POWer][:AC]", Trigger, kExpectedLevel, configure},
    {"READ[1][:SCALar][:POWer][:AC]?", Trigger, kExpectedLevel, measureQuery},
    {"INITiate[1][:IMMediate]", Trigger, kNone, initiate},
    {"INITiate[1]:CONTinuous", Change, kOne, continuousPolling},
    {"INITiate[1]:CONTinuous?", Read, kNone, continuousQuery},
    {"ABORt", Trigger, kNone, abortTrigger},
    {"FETCh[1][:SCALar][:POWer][:AC]?", Trigger, kNone, fetchQuery},
    {"UNIT[1]:POWer", Read, kOne, powerUnit},
    {"UNIT[1]:POWer?", Read, kNone, powerUnitQuery},
    {"[SENSe[1]:]CORRection:GAIN2:STATe", Change, kOne, correctionState},
    {"[SENSe[1]:]CORRection:GAIN2:STATe?", Read, kNone, correctionStateQuery},
    {"[SENSe[1]:]CORRection:GAIN2[:INPut][:MAGNitude]", Change, kOne, correction},
    {"[SENSe[1]:]CORRection:GAIN2[:INPut][:MAGNitude]?", Read, kNone, correctionQuery},
    {"[SENSe[1]:]RANGe", Change, kOne, rangeSelect},
    {"[SENSe[1]:]RANGe?", Read, kNone, rangeQuery},
    {"CALCulate[1]:RELative[:MAGNitude]:AUTO", Change, kOne, relativeAuto},
    {"CALCulate[1]:RELative[:MAGNitude]:AUTO?", Read, kNone, relativeAutoQuery},
    {"CALCulate[1]:RELative:STATe", Change, kOne, relativeState},
    {"CALCulate[1]:RELative:STATe?", Read, kNone, relativeStateQuery},
    // This meter's own: the detector voltage behind the latest reading, for calibration scripts.
    {"DIAGnostic:DETector:VOLTage?", Read, kNone, detectorVoltageQuery},
    {"[SENSe[1]:]AVERage:COUNt", Change, kOne, averageCount},
    {"[SENSe[1]:]AVERage:COUNt?", Read, kNone, averageCountQuery},
    {"[SENSe[1]:]AVERage[:STATe]", Change, kOne, averageState},
    {"[SENSe[1]:]AVERage[:STATe]?", Read, kNone, averageStateQuery},
    {"[SENSe[1]:]FREQuency[:CW]", Change, kOne, frequency},
    {"[SENSe[1]:]FREQuency[:CW]?", Read, kNone, frequencyQuery},
    {"[SENSe[1]:]FREQuency:FIXed", Change, kOne, frequency},
    {"[SENSe[1]:]FREQuency:FIXed?", Read, kNone, frequencyQuery},
    {"[SENSe[1]:]CORRection:CSET2:STATe", Change, kOne, tableState},
    {"[SENSe[1]:]CORRection:CSET2:STATe?", Read, kNone, tableStateQuery},
    {"[SENSe[1]:]CORRection:CSET2:CATalog?", Read, kNone, tableCatalogQuery},
    {"[SENSe[1]:]CORRection:CSET2[:SELect]", Change, kOne, tableSelect},
    {"[SENSe[1]:]CORRection:CSET2[:SELect]?", Read, kNone, tableSelectQuery},
};

} // namespace

std::span<const CommandRow> meterCommands()
{
    return kRows;
}

const CommandTable &meterCommandTable()
{
    static const CommandTable table = [] {
        CommandTable built;
        for (std::size_t id = 0; id < std::size(kRows); ++id) {
            if (!built.add(kRows[id].pattern, static_cast<int>(id))) {
                std::fprintf(stderr, "merolan: the SCPI command pattern \"%.*s\" is malformed\n",
                             static_cast<int>(kRows[id].pattern.size()), kRows[id].pattern.data());
                std::abort();
            }
        }
        return built;
    }();
    return table;
}

void runCommand(ConnectionState &state, const MessageUnit &unit)
{
    const CommandRow &row = kRows[static_cast<std::size_t>(unit.command)];
    // Refused before its parameters are looked at: with the window in charge nothing it could
    // say would change the answer.
    if (row.access == Access::Change && !state.shared.instrument.clientsMayChange()) {
        state.fail(Error::SettingsConflict, "the window is in charge");
        return;
    }
    if (unit.parameters.size() > row.parameters.most) {
        state.fail(Error::ParameterNotAllowed);
        return;
    }
    if (unit.parameters.size() < row.parameters.least) {
        state.fail(Error::MissingParameter);
        return;
    }
    row.handler(state, unit.parameters);
}

void finishAwaited(ConnectionState &state, const ReadingRecord &reading)
{
    switch (std::exchange(state.awaited, Awaited::Nothing)) {
    case Awaited::Nothing:
        return;
    case Awaited::Level:
    case Awaited::TriggeredLevel:
        answerLevel(state, reading);
        return;
    case Awaited::SelfTest:
        answer(state, "0");
        return;
    case Awaited::ZeroReference: {
        if (!reading.levelDbm) {
            state.fail(kDeviceSpecific, whyNoLevel(reading));
            return;
        }
        InstrumentSetup &changed = state.change();
        changed.zeroReferenceDbm = *reading.levelDbm;
        changed.relativeMode = true;
        return;
    }
    }
}

void abandonAwaited(ConnectionState &state, std::string_view why)
{
    const Awaited waited = std::exchange(state.awaited, Awaited::Nothing);
    if (waited == Awaited::Nothing)
        return;
    state.fail(Error::HardwareMissing, why);
    state.triggered = false;
    if (waited == Awaited::Level || waited == Awaited::TriggeredLevel)
        answer(state, nr3Text(kNotANumber));
    else if (waited == Awaited::SelfTest)
        answer(state, "1");
}

} // namespace merolan::scpi
