#include "core/scpi/scpi_meter.hpp"
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

// One client of a server whose file holds the factory settings.
struct Client {
    explicit Client(bool windowInCharge = false)
        : instrument(setupFromSettings(factorySettings(), '.'),
                     windowInCharge ? Instrument::Control::WindowInCharge : Instrument::Control::ClientsMayChange)
    {
    }
    // The answer lines of `message`; a query that waits gets `reading`, when there is one.
    std::string send(std::string_view message, const std::optional<ReadingRecord> &reading = std::nullopt)
    {
        connection.takeMessage(message);
        while (connection.waitsForReading()) {
            if (reading)
                connection.answerWait(*reading);
            else
                connection.failWait("the meter did not answer within 2000 ms");
        }
        return connection.takeOutput();
    }
    std::vector<std::string> errors()
    {
        std::vector<std::string> all;
        for (std::string error = send("SYST:ERR?"); error != "0,\"No error\"\n"; error = send("SYST:ERR?"))
            all.push_back(error.substr(0, error.size() - 1));
        return all;
    }

    Instrument instrument;
    MeterShared shared{instrument};
    MeterConnection connection{shared};
};

} // namespace

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
        {"FETC?",
         "9.910000E+37\n",
         {"-230,\"Data corrupt or stale; no reading came since the latest INITiate or change of a setting\""}},
        {"RANG?;RANG high;RANG?;RANG 2;RANG?", "LOW;HIGH;MID\n", {}},
        {"CALC:REL:STAT?;INIT:CONT?", "0;0\n", {}},
    };
    for (const auto &c : cases) {
        Client client;
        const std::string answer = client.send(c.message);
        EXPECT_TRUE(answer.starts_with(c.answer) && (answer.empty() == std::string(c.answer).empty()))
            << c.message << " -> " << answer;
        EXPECT_EQ(client.errors(), c.errors) << c.message;
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
        Client client;
        EXPECT_EQ(client.send(c.message, c.reading), c.answer) << c.message;
        EXPECT_EQ(client.errors(), c.errors) << c.message;
    }

    // FETCh? answers the latest reading until a trigger or a setting makes it stale; after
    // INITiate it takes the reading the trigger asked for, without a poll of its own.
    Client client;
    client.connection.readingHandled(readingAt(-20));
    EXPECT_EQ(client.send("FETC?;DIAG:DET:VOLT?"), "-2.000000E+01;1.250000E+00\n");
    EXPECT_EQ(client.send("UNIT:POW W;FETC?"), "9.910000E+37\n");
    EXPECT_EQ(client.errors().size(), 1u);
    client.connection.takeMessage("INIT;FETC?");
    EXPECT_TRUE(client.connection.takeTriggerRequest());
    EXPECT_TRUE(client.connection.waitsForReading());
    EXPECT_FALSE(client.connection.waitsForNewPoll());
    client.connection.readingHandled(readingAt(-30));
    client.connection.answerWait(readingAt(-30));
    EXPECT_EQ(client.connection.takeOutput(), "1.000000E-06\n");
}

TEST(ScpiMeter, SettingsChangeOnlyWhereNoWindowIsInCharge)
{
    Client served;
    EXPECT_EQ(served.send("SENS:CORR:GAIN2 3.5;GAIN2?;GAIN2:STAT?"), "3.500000E+00;1\n");
    EXPECT_EQ(served.instrument.setup().settings.attenuatorDbm, SettingValue(3.5));
    served.send("SENS:CORR:GAIN2:STAT OFF;:RANG HIGH;:CALC:REL:STAT ON");
    EXPECT_FALSE(served.instrument.setup().attenuatorOn);
    EXPECT_TRUE(served.instrument.setup().relativeMode);
    served.send("CALC:REL:AUTO ONCE", readingAt(-12));
    EXPECT_EQ(served.instrument.setup().zeroReferenceDbm, -12);
    served.send("INIT:CONT ON");
    EXPECT_EQ(served.connection.takeContinuousRequest(), true);
    EXPECT_EQ(served.send("*RST;INIT:CONT?;RANG?;CALC:REL:STAT?;UNIT:POW?"), "0;LOW;0;DBM\n");
    EXPECT_EQ(served.instrument.setup().settings, factorySettings());
    EXPECT_EQ(served.connection.takeContinuousRequest(), false);
    EXPECT_EQ(served.send("SENS:CORR:GAIN2 4000"), "");
    EXPECT_EQ(served.errors(),
              std::vector<std::string>{"-222,\"Data out of range; the correction takes about -3000 to 3000 dB\""});

    Client watching(true);
    const std::string refused = "-221,\"Settings conflict; the window is in charge\"";
    EXPECT_EQ(watching.send("SENS:CORR:GAIN2 3;:RANG MID;:CALC:REL:STAT ON;:INIT:CONT ON;:RANG?;UNIT:POW W"), "LOW\n");
    EXPECT_EQ(watching.errors(), std::vector<std::string>(4, refused));
    EXPECT_EQ(watching.instrument.setup().settings, factorySettings());
    EXPECT_FALSE(watching.connection.takeContinuousRequest());
    EXPECT_EQ(watching.send("MEAS?", readingAt(-30)), "1.000000E-06\n"); // the unit is the client's own
}

TEST(ScpiMeter, StatusRegistersReportWhatHappened)
{
    Client client;
    client.send("*ESE 255;*SRE 32;BOGUS");
    EXPECT_EQ(client.send("*STB?"), "100\n"); // error available, event summary, service request
    EXPECT_EQ(client.send("*ESR?;*ESR?"), "32;0\n");
    client.send("*CLS;*OPC");
    EXPECT_EQ(client.send("*ESR?;SYST:ERR:COUN?"), "1;0\n");
    client.connection.takeOverrun();
    EXPECT_EQ(client.errors(),
              std::vector<std::string>{"-363,\"Input buffer overrun; a message is at most 4096 bytes\""});
}

TEST(ScpiMeter, AveragingFrequencyAndCorrectionTableAreTheInstruments)
{
    const TemporaryFolder folder;
    const std::string table = (folder.path() / "cable.csv").string();
    std::ofstream(table) << "1e8,1\n3e8,3\n";

    Client served;
    EXPECT_EQ(served.send("AVER:COUN 16;AVER?;:SENS:AVER:COUN?"), "1;16\n");
    EXPECT_EQ(served.instrument.setup().accuracy.averageCount, 16);
    EXPECT_EQ(served.send("AVER OFF;AVER?;AVER:COUN?"), "0;16\n");
    EXPECT_EQ(served.instrument.setup().accuracy.averagedReadings(), 1);
    EXPECT_EQ(served.send("FREQ 200 MHZ;FREQ?;:SENS:FREQ:FIX 2.5E8;FREQ:CW?"), "2.000000E+08;2.500000E+08\n");
    EXPECT_EQ(served.send("CORR:CSET2 '" + table + "';CSET2?;CSET2:STAT?"), "\"" + table + "\";1\n");
    ASSERT_TRUE(served.instrument.setup().accuracy.table);
    EXPECT_EQ(served.send("CORR:CSET2:STAT OFF;STAT?"), "0\n");
    EXPECT_FALSE(served.instrument.setup().accuracy.tableInForce());
    EXPECT_EQ(served.send("CORR:CSET2:STAT ON;STAT?"), "1\n");
    EXPECT_EQ(served.errors(), std::vector<std::string>{});
    served.send("AVER:COUN 2000;:CORR:CSET2 '" + table + ".missing'");
    const std::vector<std::string> errors = served.errors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "-222,\"Data out of range; the count takes 1 to 1024\"");
    EXPECT_TRUE(errors[1].starts_with("-224,\"Illegal parameter value; The correction table")) << errors[1];

    Client watching(true);
    EXPECT_EQ(watching.send("AVER:COUN 4;:FREQ 1E9;:CORR:CSET2 '" + table + "';:AVER:COUN?;:FREQ?"),
              "1;0.000000E+00\n");
    EXPECT_EQ(watching.errors().size(), 3u);
}
