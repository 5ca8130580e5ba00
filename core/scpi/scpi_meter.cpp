#include "core/scpi/scpi_meter.hpp"

#include "core/settings/accuracy_file.hpp"
#include "core/settings/table_store.hpp"
#include "core/reading/conversion.hpp"
#include "core/scpi/scpi_parser.hpp"
#include "core/scpi/scpi_values.hpp"
#include "core/settings/setting_value.hpp"
#include "core/base/version.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace merolan::scpi {
namespace {

enum Command : int {
    Identify,
    Reset,
    ClearStatus,
    EventStatusQuery,
    EventEnable,
    EventEnableQuery,
    ServiceEnable,
    ServiceEnableQuery,
    StatusByteQuery,
    OperationComplete,
    OperationCompleteQuery,
    Wait,
    SelfTestQuery,
    ErrorNextQuery,
    ErrorCountQuery,
    VersionQuery,
    MeasureQuery,
    Configure,
    ReadQuery,
    Initiate,
    Continuous,
    ContinuousQuery,
    Abort,
    FetchQuery,
    PowerUnit,
    PowerUnitQuery,
    Correction,
    CorrectionQuery,
    CorrectionState,
    CorrectionStateQuery,
    Range,
    RangeQuery,
    RelativeAuto,
    RelativeAutoQuery,
    RelativeState,
    RelativeStateQuery,
    DetectorVoltageQuery,
    AverageCount,
    AverageCountQuery,
    AverageState,
    AverageStateQuery,
    Frequency,
    FrequencyQuery,
    CorrectionTableSelect,
    CorrectionTableSelectQuery,
    CorrectionTableState,
    CorrectionTableStateQuery,
};

struct Entry {
    std::string_view pattern;
    Command command;
};

constexpr Entry kCommands[] = {
    {"*IDN?", Identify},
    {"*RST", Reset},
    {"*CLS", ClearStatus},
    {"*ESR?", EventStatusQuery},
    {"*ESE", EventEnable},
    {"*ESE?", EventEnableQuery},
    {"*SRE", ServiceEnable},
    {"*SRE?", ServiceEnableQuery},
    {"*STB?", StatusByteQuery},
    {"*OPC", OperationComplete},
    {"*OPC?", OperationCompleteQuery},
    {"*WAI", Wait},
    {"*TST?", SelfTestQuery},
    {"SYSTem:ERRor[:NEXT]?", ErrorNextQuery},
    {"SYSTem:ERRor:COUNt?", ErrorCountQuery},
    {"SYSTem:VERSion?", VersionQuery},
    {"MEASure[1][:SCALar][:POWer][:AC]?", MeasureQuery},
    {"CONFigure[1][:SCALar][:POWer][:AC]", Configure},
    {"READ[1][:SCALar][:POWer][:AC]?", ReadQuery},
    {"INITiate[1][:IMMediate]", Initiate},
    {"INITiate[1]:CONTinuous", Continuous},
    {"INITiate[1]:CONTinuous?", ContinuousQuery},
    {"ABORt", Abort},
    {"FETCh[1][:SCALar][:POWer][:AC]?", FetchQuery},
    {"UNIT[1]:POWer", PowerUnit},
    {"UNIT[1]:POWer?", PowerUnitQuery},
    {"[SENSe[1]:]CORRection:GAIN2:STATe", CorrectionState},
    {"[SENSe[1]:]CORRection:GAIN2:STATe?", CorrectionStateQuery},
    {"[SENSe[1]:]CORRection:GAIN2[:INPut][:MAGNitude]", Correction},
    {"[SENSe[1]:]CORRection:GAIN2[:INPut][:MAGNitude]?", CorrectionQuery},
    {"[SENSe[1]:]RANGe", Range},
    {"[SENSe[1]:]RANGe?", RangeQuery},
    {"CALCulate[1]:RELative[:MAGNitude]:AUTO", RelativeAuto},
    {"CALCulate[1]:RELative[:MAGNitude]:AUTO?", RelativeAutoQuery},
    {"CALCulate[1]:RELative:STATe", RelativeState},
    {"CALCulate[1]:RELative:STATe?", RelativeStateQuery},
    // This meter's own: the detector voltage behind the latest reading, for calibration scripts.
    {"DIAGnostic:DETector:VOLTage?", DetectorVoltageQuery},
    {"[SENSe[1]:]AVERage:COUNt", AverageCount},
    {"[SENSe[1]:]AVERage:COUNt?", AverageCountQuery},
    {"[SENSe[1]:]AVERage[:STATe]", AverageState},
    {"[SENSe[1]:]AVERage[:STATe]?", AverageStateQuery},
    {"[SENSe[1]:]FREQuency[:CW]", Frequency},
    {"[SENSe[1]:]FREQuency[:CW]?", FrequencyQuery},
    {"[SENSe[1]:]FREQuency:FIXed", Frequency},
    {"[SENSe[1]:]FREQuency:FIXed?", FrequencyQuery},
    {"[SENSe[1]:]CORRection:CSET2:STATe", CorrectionTableState},
    {"[SENSe[1]:]CORRection:CSET2:STATe?", CorrectionTableStateQuery},
    {"[SENSe[1]:]CORRection:CSET2[:SELect]", CorrectionTableSelect},
    {"[SENSe[1]:]CORRection:CSET2[:SELect]?", CorrectionTableSelectQuery},
};

const CommandTable &commandTable()
{
    static const CommandTable table = [] {
        CommandTable built;
        for (const Entry &entry : kCommands) {
            [[maybe_unused]] const bool added = built.add(entry.pattern, entry.command);
        }
        return built;
    }();
    return table;
}

// Standard event status register bits.
constexpr std::uint8_t kOperationComplete = 0x01;
constexpr std::uint8_t kQueryError = 0x04;
constexpr std::uint8_t kDeviceError = 0x08;
constexpr std::uint8_t kExecutionError = 0x10;
constexpr std::uint8_t kCommandError = 0x20;
// Status byte bits.
constexpr std::uint8_t kErrorAvailable = 0x04;
constexpr std::uint8_t kEventSummary = 0x20;
constexpr std::uint8_t kServiceRequest = 0x40;

constexpr auto kDeviceSpecific = static_cast<Error>(-300);

constexpr std::array<std::string_view, 3> kRangeNames{"LOW", "MID", "HIGH"};

} // namespace

struct MeterConnection::Impl {
    // Fetch waits for the reading an INITiate asked for; the others for one from a poll of their own.
    enum class Waiting { Nothing, Level, Fetch, SelfTest, ZeroReference };

    MeterShared &shared;
    ErrorQueue errors;
    std::uint8_t eventStatus = 0;
    std::uint8_t eventEnable = 0;
    std::uint8_t serviceEnable = 0;
    bool watts = false;
    std::optional<ReadingRecord> latest;
    bool latestIsFresh = false; // came since the latest INITiate or change of a setting
    bool triggered = false;     // an INITiate waits for its reading
    bool triggerRequest = false;
    std::optional<bool> continuousRequest;

    ParsedMessage message;
    std::size_t next = 0; // the unit of `message` that runs next
    std::vector<std::string> answers;
    Waiting waiting = Waiting::Nothing;
    std::string output;

    explicit Impl(MeterShared &s) : shared(s) {}

    void fail(Error code, std::string_view detail = {})
    {
        errors.push(code, detail);
        const int number = static_cast<int>(code);
        if (number <= -100 && number > -200)
            eventStatus |= kCommandError;
        else if (number <= -200 && number > -300)
            eventStatus |= kExecutionError;
        else if (number <= -300 && number > -400)
            eventStatus |= kDeviceError;
        else if (number <= -400 && number > -500)
            eventStatus |= kQueryError;
    }

    std::uint8_t statusByte() const
    {
        std::uint8_t status = 0;
        if (errors.count() > 0)
            status |= kErrorAvailable;
        if ((eventStatus & eventEnable) != 0)
            status |= kEventSummary;
        if ((status & serviceEnable) != 0)
            status |= kServiceRequest;
        return status;
    }

    const InstrumentSetup &setup() const { return shared.instrument.setup(); }

    // Refuses what changes the measurement while the window is in charge.
    bool mayChangeSettings()
    {
        if (shared.instrument.clientsMayChange())
            return true;
        fail(Error::SettingsConflict, "the window is in charge");
        return false;
    }

    bool takesParameters(const MessageUnit &unit, std::size_t count)
    {
        if (unit.parameters.size() > count) {
            fail(Error::ParameterNotAllowed);
            return false;
        }
        if (unit.parameters.size() < count) {
            fail(Error::MissingParameter);
            return false;
        }
        return true;
    }

    std::optional<bool> booleanOf(const MessageUnit &unit)
    {
        if (!takesParameters(unit, 1))
            return std::nullopt;
        const auto value = toBoolean(unit.parameters.front());
        if (const Error *error = std::get_if<Error>(&value)) {
            fail(*error);
            return std::nullopt;
        }
        return std::get<bool>(value);
    }

    std::optional<std::uint8_t> registerValueOf(const MessageUnit &unit)
    {
        if (!takesParameters(unit, 1))
            return std::nullopt;
        const auto value = toNumber(unit.parameters.front());
        if (const Error *error = std::get_if<Error>(&value)) {
            fail(*error);
            return std::nullopt;
        }
        const double number = std::get<double>(value);
        if (!(number >= 0 && number <= 255)) {
            fail(Error::DataOutOfRange, "a register takes 0 to 255");
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(number + 0.5);
    }

    void settingsChanged() { latestIsFresh = false; }

    InstrumentSetup &change()
    {
        settingsChanged();
        return shared.instrument.change();
    }

    // The level a reading answers with in the connection's unit; none without a level.
    std::optional<double> levelOf(const ReadingRecord &record) const
    {
        if (setup().relativeMode)
            return record.relativeDb;
        return watts ? record.powerW : record.levelDbm;
    }

    void answerLevel(const ReadingRecord &record)
    {
        const std::optional<double> level = levelOf(record);
        if (!level)
            fail(kDeviceSpecific, record.note.empty() ? std::string_view("the reading has no level") : record.note);
        answers.push_back(nr3Text(level.value_or(kNotANumber)));
    }

    void run(const MessageUnit &unit);
    void runUntilWaiting();
    void finishMessage();
};

void MeterConnection::Impl::run(const MessageUnit &unit)
{
    const auto noParameters = [&] { return takesParameters(unit, 0); };
    switch (static_cast<Command>(unit.command)) {
    case Identify:
        if (noParameters())
            answers.push_back("merolan,RF Power Meter,0," + std::string(kProgramVersion));
        break;
    case Reset:
        if (!noParameters())
            break;
        watts = false;
        latest.reset();
        latestIsFresh = false;
        if (!shared.instrument.clientsMayChange())
            break;
        if (setup().continuous)
            continuousRequest = false;
        shared.instrument.reset();
        break;
    case ClearStatus:
        if (noParameters()) {
            errors.clear();
            eventStatus = 0;
        }
        break;
    case EventStatusQuery:
        if (noParameters())
            answers.push_back(nr1Text(std::exchange(eventStatus, 0)));
        break;
    case EventEnable:
        if (const auto value = registerValueOf(unit))
            eventEnable = *value;
        break;
    case EventEnableQuery:
        if (noParameters())
            answers.push_back(nr1Text(eventEnable));
        break;
    case ServiceEnable:
        if (const auto value = registerValueOf(unit))
            serviceEnable = *value;
        break;
    case ServiceEnableQuery:
        if (noParameters())
            answers.push_back(nr1Text(serviceEnable));
        break;
    case StatusByteQuery:
        if (noParameters())
            answers.push_back(nr1Text(statusByte()));
        break;
    case OperationComplete:
        // Every command is done when the next one runs, so the operation is complete at once.
        if (noParameters())
            eventStatus |= kOperationComplete;
        break;
    case OperationCompleteQuery:
        if (noParameters())
            answers.push_back("1");
        break;
    case Wait:
        noParameters();
        break;
    case SelfTestQuery:
        if (noParameters())
            waiting = Waiting::SelfTest;
        break;
    case ErrorNextQuery:
        if (noParameters())
            answers.push_back(errors.pop());
        break;
    case ErrorCountQuery:
        if (noParameters())
            answers.push_back(nr1Text(static_cast<long long>(errors.count())));
        break;
    case VersionQuery:
        if (noParameters())
            answers.push_back("1999.0");
        break;
    case Configure:
        // An expected value may follow; this meter has one range of levels and ignores it.
        if (unit.parameters.size() > 1)
            fail(Error::ParameterNotAllowed);
        else
            settingsChanged();
        break;
    case MeasureQuery:
    case ReadQuery:
        if (unit.parameters.size() > 1)
            fail(Error::ParameterNotAllowed);
        else
            waiting = Waiting::Level;
        break;
    case Initiate:
        if (noParameters()) {
            latestIsFresh = false;
            triggered = triggerRequest = true;
        }
        break;
    case Continuous:
        if (const auto on = booleanOf(unit); on && mayChangeSettings()) {
            change().continuous = *on;
            continuousRequest = *on;
        }
        break;
    case ContinuousQuery:
        if (noParameters())
            answers.push_back(booleanText(setup().continuous));
        break;
    case Abort:
        if (noParameters())
            latestIsFresh = triggered = false;
        break;
    case FetchQuery:
        if (!noParameters())
            break;
        if (latest && latestIsFresh) {
            answerLevel(*latest);
        } else if (triggered) {
            waiting = Waiting::Fetch; // the reading of the measurement under way
        } else {
            fail(Error::DataCorruptOrStale, "no reading came since the latest INITiate or change of a setting");
            answers.push_back(nr3Text(kNotANumber));
        }
        break;
    case PowerUnit:
        if (!takesParameters(unit, 1))
            break;
        if (unit.parameters.front().kind != ParameterKind::Word) {
            fail(Error::DataType);
        } else if (unit.parameters.front().text == "DBM" || unit.parameters.front().text == "W") {
            watts = unit.parameters.front().text == "W";
            settingsChanged();
        } else {
            fail(Error::IllegalParameterValue, "the unit is DBM or W");
        }
        break;
    case PowerUnitQuery:
        if (noParameters())
            answers.push_back(watts ? "W" : "DBM");
        break;
    case Correction: {
        if (!takesParameters(unit, 1))
            break;
        const auto value = toNumber(unit.parameters.front(), {"DB"});
        if (const Error *error = std::get_if<Error>(&value)) {
            fail(*error);
        } else if (!attenuatorIsShowable(std::get<double>(value))) {
            fail(Error::DataOutOfRange, "the correction takes about -3000 to 3000 dB");
        } else if (mayChangeSettings()) {
            // As the window's attenuator box does, a value given applies at once.
            InstrumentSetup &changed = change();
            changed.settings.attenuatorDbm = std::get<double>(value);
            changed.attenuatorOn = true;
        }
        break;
    }
    case CorrectionQuery:
        if (noParameters())
            answers.push_back(
                nr3Text(numericValue(setup().settings.attenuatorDbm, setup().decimalSeparator).value_or(0)));
        break;
    case CorrectionState:
        if (const auto on = booleanOf(unit); on && mayChangeSettings()) {
            change().attenuatorOn = *on;
        }
        break;
    case CorrectionStateQuery:
        if (noParameters())
            answers.push_back(booleanText(setup().attenuatorOn));
        break;
    case Range: {
        if (!takesParameters(unit, 1))
            break;
        const Parameter &parameter = unit.parameters.front();
        std::optional<int> range;
        for (std::size_t i = 0; i < kRangeNames.size(); ++i) {
            const bool named = parameter.kind == ParameterKind::Word && parameter.text == kRangeNames[i];
            const bool numbered = parameter.kind == ParameterKind::Number && parameter.suffix.empty() &&
                                  parameter.number == static_cast<double>(i + 1);
            if (named || numbered)
                range = static_cast<int>(i + 1);
        }
        if (!range) {
            fail(Error::IllegalParameterValue, "the range is LOW, MID or HIGH");
        } else if (mayChangeSettings()) {
            change().settings.frequencyRange = static_cast<std::int16_t>(*range);
        }
        break;
    }
    case RangeQuery: {
        if (!noParameters())
            break;
        std::string_view name = "NONE"; // a settings file may hold none of the three
        for (std::size_t i = 0; i < kRangeNames.size(); ++i) {
            if (holdsNumber(setup().settings.frequencyRange, static_cast<int>(i + 1), setup().decimalSeparator))
                name = kRangeNames[i];
        }
        answers.emplace_back(name);
        break;
    }
    case RelativeAuto:
        if (!takesParameters(unit, 1))
            break;
        if (unit.parameters.front().kind != ParameterKind::Word || unit.parameters.front().text != "ONCE")
            fail(Error::IllegalParameterValue, "AUTO takes ONCE");
        else if (mayChangeSettings())
            waiting = Waiting::ZeroReference;
        break;
    case RelativeAutoQuery:
        if (noParameters())
            answers.push_back("0");
        break;
    case RelativeState:
        if (const auto on = booleanOf(unit); on && mayChangeSettings()) {
            change().relativeMode = *on;
        }
        break;
    case RelativeStateQuery:
        if (noParameters())
            answers.push_back(booleanText(setup().relativeMode));
        break;
    case AverageCount: {
        if (!takesParameters(unit, 1))
            break;
        const auto value = toNumber(unit.parameters.front());
        if (const Error *error = std::get_if<Error>(&value)) {
            fail(*error);
        } else if (!(std::get<double>(value) >= 1 && std::get<double>(value) <= kMaxAverageCount)) {
            fail(Error::DataOutOfRange, "the count takes 1 to 1024");
        } else if (mayChangeSettings()) {
            AccuracySetup &accuracy = change().accuracy;
            accuracy.averageCount = static_cast<int>(std::lround(std::get<double>(value)));
            accuracy.averageOn = true;
        }
        break;
    }
    case AverageCountQuery:
        if (noParameters())
            answers.push_back(nr1Text(setup().accuracy.averageCount));
        break;
    case AverageState:
        if (const auto on = booleanOf(unit); on && mayChangeSettings()) {
            change().accuracy.averageOn = *on;
        }
        break;
    case AverageStateQuery:
        if (noParameters())
            answers.push_back(booleanText(setup().accuracy.averageOn));
        break;
    case Frequency: {
        if (!takesParameters(unit, 1))
            break;
        const auto value = toNumber(unit.parameters.front(), {"HZ", "KHZ", "MHZ", "GHZ"});
        const std::string &suffix = unit.parameters.front().suffix;
        const double scale = suffix == "KHZ" ? 1e3 : suffix == "MHZ" ? 1e6 : suffix == "GHZ" ? 1e9 : 1;
        if (const Error *error = std::get_if<Error>(&value)) {
            fail(*error);
        } else if (!(std::get<double>(value) * scale > 0) || !std::isfinite(std::get<double>(value) * scale)) {
            fail(Error::DataOutOfRange, "the frequency is a number of Hz above 0");
        } else if (mayChangeSettings()) {
            change().accuracy.frequencyHz = std::get<double>(value) * scale;
        }
        break;
    }
    case FrequencyQuery:
        if (noParameters())
            answers.push_back(nr3Text(setup().accuracy.frequencyHz.value_or(0)));
        break;
    case CorrectionTableSelect: {
        if (!takesParameters(unit, 1))
            break;
        if (unit.parameters.front().kind != ParameterKind::String) {
            fail(Error::DataType, "the table is named by a quoted file name");
            break;
        }
        if (!mayChangeSettings())
            break;
        auto loaded = loadCorrectionTable(std::filesystem::u8path(unit.parameters.front().text));
        if (const Failure *failure = std::get_if<Failure>(&loaded)) {
            fail(Error::IllegalParameterValue, failure->message);
            break;
        }
        change().accuracy.setTable(std::move(std::get<SelectedTable>(loaded)));
        break;
    }
    case CorrectionTableSelectQuery:
        if (noParameters())
            answers.push_back(quotedText(setup().accuracy.table ? setup().accuracy.table->name : std::string()));
        break;
    case CorrectionTableState:
        if (const auto on = booleanOf(unit); on && mayChangeSettings()) {
            if (*on && !setup().accuracy.table)
                fail(Error::SettingsConflict, "no correction table is selected");
            else
                change().accuracy.tableOn = *on;
        }
        break;
    case CorrectionTableStateQuery:
        if (noParameters())
            answers.push_back(booleanText(setup().accuracy.tableInForce() != nullptr));
        break;
    case DetectorVoltageQuery:
        if (!noParameters())
            break;
        if (!latest) {
            fail(Error::DataCorruptOrStale, "no reading came yet");
            answers.push_back(nr3Text(kNotANumber));
        } else {
            answers.push_back(nr3Text(latest->voltageV));
        }
        break;
    }
}

void MeterConnection::Impl::runUntilWaiting()
{
    while (waiting == Waiting::Nothing && next < message.units.size())
        run(message.units[next++]);
    if (waiting == Waiting::Nothing)
        finishMessage();
}

void MeterConnection::Impl::finishMessage()
{
    if (message.error)
        fail(*message.error);
    message = {};
    next = 0;
    if (answers.empty())
        return;
    for (std::size_t i = 0; i < answers.size(); ++i)
        output += (i == 0 ? "" : ";") + answers[i];
    output += '\n';
    answers.clear();
}

MeterConnection::MeterConnection(MeterShared &shared) : impl_(std::make_unique<Impl>(shared)) {}

MeterConnection::~MeterConnection() = default;

void MeterConnection::takeMessage(std::string_view message)
{
    if (impl_->waiting != Impl::Waiting::Nothing)
        return; // the caller holds messages back while one waits
    impl_->message = parseMessage(commandTable(), message);
    impl_->next = 0;
    impl_->runUntilWaiting();
}

void MeterConnection::takeOverrun()
{
    impl_->fail(Error::InputBufferOverrun, "a message is at most 4096 bytes");
}

bool MeterConnection::waitsForReading() const
{
    return impl_->waiting != Impl::Waiting::Nothing;
}

bool MeterConnection::waitsForNewPoll() const
{
    return impl_->waiting != Impl::Waiting::Nothing && impl_->waiting != Impl::Waiting::Fetch;
}

void MeterConnection::readingHandled(const ReadingRecord &record)
{
    impl_->latest = record;
    impl_->latestIsFresh = true;
    impl_->triggered = false;
}

void MeterConnection::answerWait(const ReadingRecord &record)
{
    switch (std::exchange(impl_->waiting, Impl::Waiting::Nothing)) {
    case Impl::Waiting::Nothing:
        return;
    case Impl::Waiting::Level:
    case Impl::Waiting::Fetch:
        impl_->answerLevel(record);
        break;
    case Impl::Waiting::SelfTest:
        impl_->answers.emplace_back("0");
        break;
    case Impl::Waiting::ZeroReference:
        if (record.levelDbm) {
            InstrumentSetup &changed = impl_->change();
            changed.zeroReferenceDbm = *record.levelDbm;
            changed.relativeMode = true;
        } else {
            impl_->fail(kDeviceSpecific, record.note.empty() ? std::string_view("the reading has no level")
                                                             : std::string_view(record.note));
        }
        break;
    }
    impl_->runUntilWaiting();
}

void MeterConnection::failWait(std::string_view why)
{
    const Impl::Waiting waited = std::exchange(impl_->waiting, Impl::Waiting::Nothing);
    if (waited == Impl::Waiting::Nothing)
        return;
    impl_->fail(Error::HardwareMissing, why);
    impl_->triggered = false;
    if (waited == Impl::Waiting::Level || waited == Impl::Waiting::Fetch)
        impl_->answers.push_back(nr3Text(kNotANumber));
    else if (waited == Impl::Waiting::SelfTest)
        impl_->answers.emplace_back("1");
    impl_->runUntilWaiting();
}

bool MeterConnection::takeTriggerRequest()
{
    return std::exchange(impl_->triggerRequest, false);
}

std::optional<bool> MeterConnection::takeContinuousRequest()
{
    return std::exchange(impl_->continuousRequest, std::nullopt);
}

std::string MeterConnection::takeOutput()
{
    return std::exchange(impl_->output, {});
}

} // namespace merolan::scpi
