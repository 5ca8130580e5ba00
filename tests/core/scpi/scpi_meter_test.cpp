#include "core/scpi/scpi_meter.hpp"
#include "core/scpi/scpi_meter_commands.hpp"
#include "tests/support/temporary_folder.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

using namespace merolan;
using namespace merolan::scpi;

namespace {

ReadingRecord readingAt(double dbm)
{
    ReadingRecord record;
    record.voltageV = 1.25;
    record.levelDbm = dbm;
    record.powerW = 1e-3 * std::pow(10.0, dbm / 10);
    record.relativeDb = dbm + 40;
    return record;
}

ReadingRecord readingWithoutLevel()
{
    ReadingRecord record;
    record.note = "The calibration points of the Low range are missing.";
    return record;
}

InstrumentSetup factorySetup()
{
    return setupFromSettings(factorySettings(), '.');
}

// A reply that only answers, asking nothing of the server.
Reply answerOnly(std::string text)
{
    Reply reply;
    reply.text = std::move(text);
    return reply;
}

// A path below a file, so no table is ever found there.
const std::filesystem::path kNoTables = "/dev/null/tables";

// One client of a server: what its messages answer, each wait answered with `reading` when there
// is one, else failed as the server fails it when the meter is silent.
struct Client {
    explicit Client(MeterShared &shared) : connection(shared) {}

    std::string send(std::string_view message, const std::optional<ReadingRecord> &reading = std::nullopt)
    {
        Reply reply = connection.takeMessage(message);
        std::string text = reply.text;
        while (reply.wait != ReadingWait::None) {
            reply = reading ? connection.answerWait(*reading)
                            : connection.failWait("the meter did not answer within 2000 ms");
            text += reply.text;
        }
        return text;
    }
    std::vector<std::string> errors()
    {
        std::vector<std::string> all;
        for (std::string error = send("SYST:ERR?"); error != "0,\"No error\"\n"; error = send("SYST:ERR?"))
            all.push_back(error.substr(0, error.size() - 1));
        return all;
    }

    MeterConnection connection;
};

// A server started with `start` (the factory settings unless told) and its first client.
struct Served {
    explicit Served(Instrument::Control control = Instrument::Control::ClientsMayChange,
                    InstrumentSetup start = factorySetup(), std::filesystem::path tables = kNoTables)
        : instrument(std::move(start), control), shared{instrument, std::move(tables)}
    {}
    std::string send(std::string_view message, const std::optional<ReadingRecord> &reading = std::nullopt)
    {
        return client.send(message, reading);
    }

    Instrument instrument;
    MeterShared shared;
    Client client{shared};
};

const std::string kRefused = "-221,\"Settings conflict; the window is in charge\"";

} // namespace

TEST(ScpiMeter, EveryCommandRowsPatternCompiles)
{
    CommandTable table;
    for (const CommandRow &row : meterCommands()) {
        EXPECT_TRUE(table.add(row.pattern, 0)) << row.pattern;
        EXPECT_NE(row.handler, nullptr) << row.pattern;
    }
}

TEST(ScpiMeter, QueriesAnswerOnOneLineAndMistakesWaitInTheQueue)
{
    const struct {
        const char *message;
        const char *answer;
        std::vector<std::string> errors;
    } cases[] = {
        {"*IDN?", "merolan,RF Power Meter,0,", {}},
        {"*ESE 36;*ESE?;*SRE?", "36;0\n", {}},
        {"SYST:VERS?;:SYST:ERR:COUN?", "1999.0;0\n", {}},
        {"BOGUS;*IDN?", "", {"-113,\"Undefined header\""}},
        {"*ESE 300", "", {"-222,\"Data out of range; a register takes 0 to 255\""}},
        {"*IDN? 1", "", {"-108,\"Parameter not allowed\""}},
        {"UNIT:POW", "", {"-109,\"Missing parameter\""}},
        {"UNIT:POW KW;UNIT:POW?", "DBM\n", {"-224,\"Illegal parameter value; the unit is DBM or W\""}},
        {"UNIT:POW 'W'", "", {"-104,\"Data type error; the unit is DBM or W\""}},
        {"FETC?",
         "9.910000E+37\n",
         {"-230,\"Data corrupt or stale; no reading came since the latest INITiate or change of a setting\""}},
        {"RANG?;RANG high;RANG?;RANG 2;RANG?", "LOW;HIGH;MID\n", {}},
        {"RANG 4;RANG?", "LOW\n", {"-224,\"Illegal parameter value; the range is LOW, MID or HIGH\""}},
        {"CALC:REL:AUTO ON", "", {"-224,\"Illegal parameter value; AUTO takes ONCE\""}},
        {"CALC:REL:STAT?;INIT:CONT?", "0;0\n", {}},
    };
    for (const auto &c : cases) {
        Served served;
        const std::string answer = served.send(c.message);
        EXPECT_TRUE(answer.starts_with(c.answer) && (answer.empty() == std::string(c.answer).empty()))
            << c.message << " -> " << answer;
        EXPECT_EQ(served.client.errors(), c.errors) << c.message;
    }
}

TEST(ScpiMeter, AMeasurementAnswersTheReadingInTheUnitAsked)
{
    const struct {
        const char *message;
        std::optional<ReadingRecord> reading;
        const char *answer;
        std::vector<std::string> errors;
    } cases[] = {
        {"MEAS?", readingAt(-29.9), "-2.990000E+01\n", {}},
        {"READ1:SCAL:POW:AC?;*OPC?", readingAt(-3), "-3.000000E+00;1\n", {}},
        {"UNIT:POW W;MEAS?", readingAt(-30), "1.000000E-06\n", {}},
        {"CALC:REL:STAT ON;MEAS?", readingAt(-30), "1.000000E+01\n", {}},
        {"MEAS?;MEAS?", readingAt(-10), "-1.000000E+01;-1.000000E+01\n", {}},
        {"MEAS?",
         readingWithoutLevel(),
         "9.910000E+37\n",
         {"-300,\"Device-specific error; The calibration points of the Low range are missing.\""}},
        {"MEAS?",
         std::nullopt,
         "9.910000E+37\n",
         {"-241,\"Hardware missing; the meter did not answer within 2000 ms\""}},
        {"*TST?", readingAt(-30), "0\n", {}},
        {"*TST?", std::nullopt, "1\n", {"-241,\"Hardware missing; the meter did not answer within 2000 ms\""}},
    };
    for (const auto &c : cases) {
        Served served;
        EXPECT_EQ(served.send(c.message, c.reading), c.answer) << c.message;
        EXPECT_EQ(served.client.errors(), c.errors) << c.message;
    }

    // A query waits for a poll of its own; FETCh? answers the latest reading until a trigger or a
    // setting makes it stale, and after INITiate takes the reading the trigger asked for.
    Served served;
    MeterConnection &connection = served.client.connection;
    EXPECT_EQ(connection.takeMessage("*IDN?;MEAS?"), (Reply{"", ReadingWait::NewPoll, false, std::nullopt}));
    EXPECT_TRUE(connection.waits());
    EXPECT_EQ(connection.takeMessage("*IDN?"), Reply{}); // held back until the wait ends
    EXPECT_TRUE(connection.answerWait(readingAt(-20)).text.ends_with(";-2.000000E+01\n"));
    connection.readingHandled(readingAt(-20));
    EXPECT_EQ(served.send("FETC?;DIAG:DET:VOLT?"), "-2.000000E+01;1.250000E+00\n");
    EXPECT_EQ(served.send("UNIT:POW W;FETC?"), "9.910000E+37\n");
    EXPECT_EQ(served.client.errors().size(), 1u);
    EXPECT_EQ(connection.takeMessage("INIT;FETC?"), (Reply{"", ReadingWait::Triggered, true, std::nullopt}));
    connection.readingHandled(readingAt(-30));
    EXPECT_EQ(connection.answerWait(readingAt(-30)).text, "1.000000E-06\n");
}

TEST(ScpiMeter, SettingsChangeOnlyWhereNoWindowIsInCharge)
{
    Served served;
    EXPECT_EQ(served.send("SENS:CORR:GAIN2 3.5;GAIN2?;GAIN2:STAT?"), "3.500000E+00;1\n");
    EXPECT_EQ(served.instrument.setup().settings.attenuatorDbm, SettingValue(3.5));
    served.send("SENS:CORR:GAIN2:STAT OFF;:RANG HIGH;:CALC:REL:STAT ON");
    EXPECT_FALSE(served.instrument.setup().attenuatorOn);
    EXPECT_TRUE(served.instrument.setup().relativeMode);
    served.send("CALC:REL:AUTO ONCE", readingAt(-12));
    EXPECT_EQ(served.instrument.setup().zeroReferenceDbm, -12);
    EXPECT_EQ(served.client.connection.takeMessage("INIT:CONT ON").continuous, true);
    EXPECT_EQ(served.client.connection.takeMessage("*RST;INIT:CONT?;RANG?;CALC:REL:STAT?;UNIT:POW?"),
              (Reply{"0;LOW;0;DBM\n", ReadingWait::None, false, false}));
    EXPECT_EQ(served.instrument.setup().settings, factorySettings());
    EXPECT_EQ(served.send("SENS:CORR:GAIN2 4000"), "");
    EXPECT_EQ(served.client.errors(),
              std::vector<std::string>{"-222,\"Data out of range; the correction takes about -3000 to 3000 dB\""});

    // With the window in charge clients read and trigger; the setup is the window's, and a *RST
    // returns only the client's own state.
    Served watching(Instrument::Control::WindowInCharge);
    watching.instrument.change().accuracy.setAveraging(4);
    EXPECT_EQ(watching.client.connection.takeMessage(
                  "SENS:CORR:GAIN2 3;:RANG MID;:CALC:REL:STAT ON;:INIT:CONT ON;:RANG?;UNIT:POW W"),
              answerOnly("LOW\n"));
    EXPECT_EQ(watching.client.errors(), std::vector<std::string>(4, kRefused));
    EXPECT_EQ(watching.send("MEAS?", readingAt(-30)), "1.000000E-06\n"); // the unit is the client's own
    EXPECT_EQ(watching.client.connection.takeMessage("*RST;AVER:COUN?;UNIT:POW?"), answerOnly("4;DBM\n"));
}

// Every row that changes the setup is refused before it looks at its parameters, and no other row
// changes it, whatever it is given.
TEST(ScpiMeter, WithTheWindowInChargeNoCommandChangesTheSetup)
{
    const std::vector<Parameter> parameterLists[] = {
        {},
        {{ParameterKind::Word, 0, "", "ON"}},
        {{ParameterKind::Number, 2, "", ""}},
        {{ParameterKind::String, 0, "", "cable"}},
    };
    Instrument instrument(factorySetup(), Instrument::Control::WindowInCharge);
    MeterShared shared{instrument, kNoTables};
    const std::span<const CommandRow> rows = meterCommands();
    for (std::size_t id = 0; id < rows.size(); ++id) {
        for (const std::vector<Parameter> &parameters : parameterLists) {
            ConnectionState state(shared);
            runCommand(state, MessageUnit{static_cast<int>(id), rows[id].pattern.ends_with('?'), parameters});
            finishAwaited(state, readingAt(-30));
            EXPECT_EQ(instrument.revision(), 0u) << rows[id].pattern;
            if (rows[id].access == Access::Change) {
                EXPECT_EQ(state.status.errors.pop(), kRefused) << rows[id].pattern;
            }
        }
    }
}

TEST(ScpiMeter, ResetReturnsToTheSetupTheServerStartedWith)
{
    InstrumentSetup averaging = factorySetup();
    averaging.accuracy.setAveraging(4);
    const struct {
        InstrumentSetup start;
        std::vector<const char *> messages;
        const char *lastAnswer;
    } cases[] = {
        {factorySetup(), {"AVER:COUN 16", "*RST;AVER:COUN?;AVER?"}, "1;0\n"},
        {factorySetup(), {"AVER:COUN 16;AVER OFF;*RST;AVER:COUN?"}, "1\n"},
        {factorySetup(), {"FREQ 1E9;*RST;FREQ?"}, "0.000000E+00\n"},
        {factorySetup(), {"AVER:COUN 1;AVER ON;AVER?"}, "1\n"},
        {averaging, {"AVER:COUN 16;AVER OFF;FREQ 1E9;*RST;AVER:COUN?;AVER?;FREQ?"}, "4;1;0.000000E+00\n"},
    };
    for (const auto &c : cases) {
        Served served(Instrument::Control::ClientsMayChange, c.start);
        std::string answer;
        for (const char *message : c.messages)
            answer = served.send(message);
        EXPECT_EQ(answer, c.lastAnswer) << c.messages.back();
        EXPECT_EQ(served.client.errors(), std::vector<std::string>{}) << c.messages.back();
    }
}

TEST(ScpiMeter, ConnectionsShareOneInstrumentAndKeepTheirOwnUnit)
{
    Served served;
    Client other(served.shared);
    served.send("AVER:COUN 8;:UNIT:POW W");
    EXPECT_EQ(other.send("AVER:COUN?;AVER?;:UNIT:POW?"), "8;1;DBM\n");

    // A reading is stale for every client once any of them changes the setup.
    other.connection.readingHandled(readingAt(-20));
    EXPECT_EQ(other.send("FETC?"), "-2.000000E+01\n");
    served.send("FREQ 1E9");
    EXPECT_EQ(other.send("FETC?"), "9.910000E+37\n");
    ASSERT_EQ(other.errors().size(), 1u);
}

TEST(ScpiMeter, StatusRegistersReportWhatHappened)
{
    Served served;
    served.send("*ESE 255;*SRE 32;BOGUS");
    EXPECT_EQ(served.send("*STB?"), "100\n"); // error available, event summary, service request
    EXPECT_EQ(served.send("*ESR?;*ESR?"), "32;0\n");
    served.send("*CLS;*OPC");
    EXPECT_EQ(served.send("*ESR?;SYST:ERR:COUN?"), "1;0\n");
    EXPECT_EQ(served.client.connection.takeOverrun(), Reply{});
    served.send("AVER:COUN 0;MEAS?", readingWithoutLevel());
    EXPECT_EQ(served.send("*ESR?"), "24\n"); // an execution error and device errors
    EXPECT_EQ(served.client.errors().size(), 3u);
}

TEST(ScpiMeter, AveragingAndFrequencyAreTheInstruments)
{
    Served served;
    EXPECT_EQ(served.send("AVER:COUN 16;AVER?;:SENS:AVER:COUN?"), "1;16\n");
    EXPECT_EQ(served.instrument.setup().accuracy.averageCount, 16);
    EXPECT_EQ(served.send("AVER OFF;AVER?;AVER:COUN?"), "0;16\n");
    EXPECT_EQ(served.instrument.setup().accuracy.averagedReadings(), 1);
    EXPECT_EQ(served.send("FREQ 200 MHZ;FREQ?;:SENS:FREQ:FIX 2.5E8;FREQ:CW?"), "2.000000E+08;2.500000E+08\n");
    served.send("AVER:COUN 2000;:FREQ 1E300 GHZ;:FREQ -1");
    EXPECT_EQ(served.client.errors(), (std::vector<std::string>{
                                          "-222,\"Data out of range; the count takes 1 to 1024\"",
                                          "-222,\"Data out of range\"",
                                          "-222,\"Data out of range; the frequency is a number of Hz above 0\"",
                                      }));
}

// A client names a table kept in the instrument's folder, never a path of the host, and learns
// nothing of the host's files from the answer.
TEST(ScpiMeter, CorrectionTablesAreChosenByNameAmongThoseKept)
{
    const TemporaryFolder folder;
    const std::filesystem::path tables = folder.path() / "tables";
    std::filesystem::create_directories(tables);
    std::ofstream(tables / "cable.csv") << "1e8,1\n3e8,3\n";
    std::ofstream(tables / "coupler.csv") << "1e8,20\n";
    std::ofstream(folder.path() / "outside.csv") << "1e8,5\n";

    Served served(Instrument::Control::ClientsMayChange, factorySetup(), tables);
    EXPECT_EQ(served.send("CORR:CSET2:CAT?"), "\"cable\",\"coupler\"\n");
    EXPECT_EQ(served.send("CORR:CSET2 'cable';CSET2?;CSET2:STAT?"), "\"cable\";1\n");
    EXPECT_EQ(served.send("CORR:CSET2:STAT OFF;STAT?;STAT ON;STAT?"), "0;1\n");
    EXPECT_EQ(served.client.errors(), std::vector<std::string>{});

    const std::string notAName = "-224,\"Illegal parameter value; a table is named by letters, digits, '-', '_' "
                                 "and '.', not by a path\"";
    const struct {
        std::string name;
        std::string error;
    } refused[] = {
        {"../outside", notAName},
        {"..\\outside", notAName},
        {(folder.path() / "outside.csv").string(), notAName},
        {(tables / "coupler.csv").string(), notAName},
        {"./coupler", notAName},
        {"", notAName},
        {"absent", "-224,\"Illegal parameter value; no table is kept as \"\"absent\"\"\""},
    };
    for (const auto &c : refused) {
        EXPECT_EQ(served.send("CORR:CSET2 \"" + c.name + "\";CSET2?"), "\"cable\"\n") << c.name;
        EXPECT_EQ(served.client.errors(), std::vector<std::string>{c.error}) << c.name;
    }
    EXPECT_EQ(served.instrument.setup().accuracy.table->table.points.size(), 2u);

    Served bare;
    EXPECT_EQ(bare.send("CORR:CSET2:CAT?;:CORR:CSET2?"), "\"\";\"\"\n");
    bare.send("CORR:CSET2:STAT ON");
    EXPECT_EQ(bare.client.errors(),
              std::vector<std::string>{"-221,\"Settings conflict; no correction table is selected\""});
}
