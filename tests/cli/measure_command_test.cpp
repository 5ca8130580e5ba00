#include "cli/cli_context.hpp"
#include "cli/measure_options.hpp"

#include "core/reading_chain.hpp"
#include "core/readout_text.hpp"
#include "core/settings_file.hpp"
#include "tests/link/meter_line.hpp"

#include <QTemporaryDir>

#include <set>
#include <sstream>

using namespace merolan;
using namespace merolan::testing;

TEST(MeasureOptions, AMistakeNamesTheOptionAndWhatItExpects)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{}, "--port expects"},
        {{"--port", "/dev/x", "--range", "top"}, "--range expects low, mid or high"},
        {{"--port", "/dev/x", "--interval", "5"}, "--interval expects a whole number of milliseconds from 10"},
        {{"--port", "/dev/x", "--count", "0"}, "--count expects a whole number from 1"},
        {{"--port", "/dev/x", "--attenuator", "ten"}, "--attenuator expects a number"},
        {{"--port", "/dev/x", "--format", "xml"}, "--format expects text, csv or jsonl"},
        {{"--port", "/dev/x", "--paced", "--interval", "100"}, "--paced and --interval"},
        {{"--port", "/dev/x", "--bogus"}, "bogus"},
        {{"--port"}, "port"},
    };
    for (const auto &[arguments, message] : cases) {
        const auto parsed = parseMeasureOptions(arguments);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << arguments.join(' ').toStdString();
        EXPECT_TRUE(std::get<UsageError>(parsed).message.contains(QString::fromLatin1(message)))
            << std::get<UsageError>(parsed).message.toStdString();
    }
    const auto options = std::get<MeasureOptions>(
        parseMeasureOptions({"--port", "/dev/x", "--range", "High", "--attenuator", "20,5", "--duration", "1.5"}));
    EXPECT_EQ(options.range, 3);
    EXPECT_EQ(options.attenuatorDb, 20.5);
    EXPECT_EQ(options.duration, std::chrono::milliseconds(1500));
}

namespace {

// A row of plain fields: no note, so nothing is quoted.
std::vector<std::string> splitCsv(std::string row)
{
    if (!row.empty() && row.back() == '\r')
        row.pop_back();
    std::vector<std::string> fields{{}};
    for (const char c : row) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// The tool's measure command against the simulated meter, with the factory calibration.
class MeasureCommand : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        ASSERT_FALSE(saveSettings(settingsFile, factorySettings(), '.'));
        meter.setLevelDbm(-30);
    }

    int run(QStringList arguments)
    {
        out.str({});
        err.str({});
        CliContext cli{out, err, settingsFile, '.', false};
        return runMeasureCommand(QStringList{"--port", meter.devicePath()} + arguments, cli);
    }

    QTemporaryDir dir;
    std::filesystem::path settingsFile = std::filesystem::path(dir.path().toStdString()) / "merolan.dat";
    std::ostringstream out, err;
};

} // namespace

TEST_F(MeasureCommand, PacedRowsCarryTheWindowsLevelsAndASummary)
{
    meter.setSweep(-60, 0, 0.05);
    ASSERT_EQ(run({"--paced", "--count", "20", "--relative-to", "-40"}), kExitDone) << err.str();
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note\r");
    int rows = 0;
    std::set<std::string> levels;
    while (std::getline(lines, line)) {
        ++rows;
        // The window, fed the same voltage, shows the row's level.
        const std::vector<std::string> fields = splitCsv(line);
        ASSERT_EQ(fields.size(), 11u) << line;
        AppState window;
        window.settings = factorySettings();
        const double voltage = std::stod(fields[2]);
        const ReadingOutcome shown = processReading(window, voltage, readingInputsOf(window));
        ASSERT_TRUE(shown.levels) << line;
        EXPECT_EQ(std::stod(fields[3]), shown.levels->levelDbm) << line;
        EXPECT_EQ(formatDbmText(std::stod(fields[3])), shown.dbmText) << line;
        EXPECT_NEAR(std::stod(fields[4]), shown.levels->levelDbm + 40, 1e-9) << line;
        levels.insert(fields[3]);
    }
    EXPECT_EQ(rows, 20);
    EXPECT_GT(levels.size(), 1u); // the sweep moved while measuring
    EXPECT_NE(err.str().find("readings 20 (0 without a level)"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("(mean power)"), std::string::npos) << err.str();
    EXPECT_TRUE(frames.count() >= 20); // no update frames without --panel-meter: polls only
    for (const auto &frame : frames)
        EXPECT_NE(frame.at(0).toByteArray().at(0) & 0x80, 0);

    // With the panel meter, the first reading moves it as the window would.
    frames.clear();
    ASSERT_EQ(run({"--count", "1", "--panel-meter"}), kExitDone) << err.str();
    ASSERT_TRUE(waitForCount(frames, 2));
    EXPECT_EQ(frames.at(1).at(0).toByteArray().at(0) & 0x80, 0);
}

TEST_F(MeasureCommand, ASilentMeterOrAMissingPortEndsWithItsOwnStatus)
{
    meter.setFault(MeterSimulator::Fault::Silent);
    EXPECT_EQ(run({"--timeout", "0.3", "--format", "jsonl"}), kExitNoAnswer);
    EXPECT_NE(err.str().find("no answer from the meter"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("readings 0"), std::string::npos) << err.str();

    CliContext cli{out, err, settingsFile, '.', false};
    EXPECT_EQ(runMeasureCommand({"--port", "/dev/merolan-no-such-port"}, cli), kExitPort);
    EXPECT_EQ(runMeasureCommand({"--port", meter.devicePath(), "--settings", "/nonexistent/m.dat"}, cli), kExitFailed);
    EXPECT_EQ(runMeasureCommand({"--port", meter.devicePath(), "--format", "xml"}, cli), kExitUsage);
}
