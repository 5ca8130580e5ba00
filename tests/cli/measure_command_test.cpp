#include "cli/cli_context.hpp"
#include "cli/measure_options.hpp"

#include "core/logs/csv_log.hpp"
#include "core/reading/reading_chain.hpp"
#include "core/settings/settings_file.hpp"
#include "tests/cli/cli_process.hpp"
#include "tests/link/meter_line.hpp"
#include "tests/support/file_size_limit.hpp"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

#include <sys/stat.h>

using namespace merolan;
using namespace merolan::testing;

TEST(MeasureOptions, AMistakeNamesTheOptionAndWhatItExpects)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{}, "--port: expects"},
        {{"--port", "/dev/x", "--range", "top"}, "--range: expects low, mid or high"},
        {{"--port", "/dev/x", "--interval", "89"},
         "--interval: expects a whole number of milliseconds from 90 on, "
         "not \"89\": an answer may come up to 50 ms after its poll"},
        {{"--port", "/dev/x", "--interval", "100.4"}, "--interval: expects a whole number of milliseconds, not"},
        {{"--port", "/dev/x", "--count", "0"}, "--count: expects a whole number from 1"},
        {{"--port", "/dev/x", "--attenuator", "ten"}, "--attenuator: expects a number of dB"},
        // A level moved this far has no power to show: 0 W, or beyond a double.
        {{"--port", "/dev/x", "--attenuator", "-1e308"}, "--attenuator: expects a number of dB from about -3000"},
        {{"--port", "/dev/x", "--attenuator", "4000"}, "--attenuator: expects a number of dB from about -3000"},
        {{"--port", "/dev/x", "--format", "xml"}, "--format: expects text, csv or jsonl"},
        {{"--port", "/dev/x", "--average", "0"}, "--average: expects a whole number from 1 to 1024"},
        {{"--port", "/dev/x", "--frequency", "fast"}, "--frequency: expects a frequency in Hz above 0"},
        {{"--port", "/dev/x", "--output", ""}, "--output: expects the name of a new file"},
        {{"--port", "/dev/x", "--paced", "--interval", "100"}, "--paced and --interval"},
        {{"--port", "/dev/x", "--bogus"}, "--bogus: there is no such option"},
        {{"--port"}, "--port: a value must follow it"},
    };
    for (const auto &[arguments, message] : cases) {
        const auto parsed = parseMeasureOptions(arguments);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed)) << arguments.join(' ').toStdString();
        EXPECT_TRUE(std::get<UsageError>(parsed).message.contains(QString::fromLatin1(message)))
            << std::get<UsageError>(parsed).message.toStdString();
    }
    const auto options =
        std::get<MeasureOptions>(parseMeasureOptions({"--port", "/dev/x", "--range", "High", "--attenuator", "20,5",
                                                      "--duration", "1.5", "--interval", "90.0", "--quiet"}));
    EXPECT_EQ(options.range, 3);
    EXPECT_EQ(options.attenuatorDb, 20.5);
    EXPECT_EQ(options.duration, std::chrono::milliseconds(1500));
    EXPECT_EQ(options.interval, std::chrono::milliseconds(90));
    EXPECT_TRUE(options.quiet);
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

bool exists(const QString &path)
{
    std::error_code ec;
    return std::filesystem::exists(path.toStdString(), ec);
}

} // namespace

TEST_F(MeasureCommand, PacedRowsCarryTheWindowsLevelsAndASummary)
{
    meter.setSweep(-60, 0, 0.05);
    ASSERT_EQ(run({"--paced", "--count", "20", "--relative-to", "-40"}), kExitDone) << err.str();
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time_utc,elapsed_s,voltage_v,level_dbm,relative_db,power_w,rms_v,range,attenuator_db,lamp,note,"
                    "average_count,frequency_hz,correction_db\r");
    int rows = 0;
    std::set<std::string> levels;
    while (std::getline(lines, line)) {
        ++rows;
        // The window, fed the same voltage, shows the row's level.
        const std::vector<std::string> fields = splitCsv(line);
        ASSERT_EQ(fields.size(), 14u) << line;
        const InstrumentSetup window = setupFromSettings(factorySettings(), '.');
        ChainState chain;
        const double voltage = std::stod(fields[2]);
        const ReadingOutcome shown = processReading(chain, window, voltage, readingInputsOf(window));
        ASSERT_TRUE(shown.levels) << line;
        // The row gives the voltage and the levels to the log's decimals, so the level the window
        // makes of the row's voltage differs by no more than that rounding.
        const double tolerance = 0.5 * std::pow(10.0, -kLevelDecimals) + 1e-4;
        EXPECT_NEAR(std::stod(fields[3]), shown.levels->levelDbm, tolerance) << line;
        EXPECT_NEAR(std::stod(fields[4]), shown.levels->levelDbm + 40, tolerance) << line;
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

TEST_F(MeasureCommand, QuietLeavesOutTheSummary)
{
    ASSERT_EQ(run({"--count", "2", "--quiet"}), kExitDone);
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("time_utc,"), std::string::npos) << out.str();
    ASSERT_EQ(run({"--count", "2"}), kExitDone);
    EXPECT_NE(err.str().find("readings 2"), std::string::npos) << err.str();
}

// The tool names the device the user gave, says what a path that can be no serial port is, and
// sends nobody to a window.
TEST_F(MeasureCommand, APortProblemNamesTheDeviceGivenAndTheCause)
{
    const QString missing = dir.filePath("ttyUSB9");
    const QString plain = dir.filePath("plain");
    std::ofstream(plain.toStdString()) << "not a port";
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const std::pair<QString, std::string> cases[] = {
        {missing, "merolan-cli measure: cannot open " + missing.toStdString() + ": there is no such device.\n"},
        // The device as given, not through the window's "Com N": COM5 is COM5 on Windows too.
        {"COM5", "merolan-cli measure: cannot open COM5: there is no such device.\n"},
        {plain,
         "merolan-cli measure: cannot open " + plain.toStdString() + ": it is a plain file, not a serial device.\n"},
        {dir.path(),
         "merolan-cli measure: cannot open " + dir.path().toStdString() + ": it is a folder, not a serial device.\n"},
        {fifo,
         "merolan-cli measure: cannot open " + fifo.toStdString() + ": it is a named pipe, not a serial device.\n"},
    };
    CliContext cli{out, err, settingsFile, '.', false};
    for (const auto &[device, message] : cases) {
        err.str({});
        EXPECT_EQ(runMeasureCommand({"--port", device}, cli), kExitPort);
        EXPECT_EQ(err.str(), message);
    }

    // The meter goes away after its first answer, as a pulled adapter does.
    QObject::connect(&meter, &MeterSimulator::replySent, &meter,
                     [this] { QTimer::singleShot(0, &meter, [this] { meter.close(); }); });
    const QString device = meter.devicePath();
    EXPECT_EQ(run({}), kExitPort);
    EXPECT_TRUE(err.str().starts_with("merolan-cli measure: lost " + device.toStdString() +
                                      ": the device has gone away (was it unplugged?).\n"))
        << err.str();
    EXPECT_EQ(err.str().find("Com 1"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("Choose the port"), std::string::npos) << err.str();
}

// A run that measured nothing leaves no file, so that its retry does not meet "exists already";
// one that did keeps it.
TEST_F(MeasureCommand, AnOutputFileHoldsReadingsOrIsNotThere)
{
    const QString log = dir.filePath("new.csv");
    const struct {
        QStringList arguments;
        int status;
        bool kept;
    } cases[] = {
        {{"--port", dir.filePath("no-such-port")}, kExitPort, false},
        {{"--port", meter.devicePath(), "--timeout", "0.3"}, kExitNoAnswer, false},
        {{"--port", meter.devicePath(), "--count", "2"}, kExitDone, true},
    };
    meter.setFault(MeterSimulator::Fault::Silent);
    CliContext cli{out, err, settingsFile, '.', false};
    for (const auto &c : cases) {
        if (c.kept)
            meter.setFault(MeterSimulator::Fault::None);
        EXPECT_EQ(runMeasureCommand(c.arguments + QStringList{"--output", log}, cli), c.status) << err.str();
        EXPECT_EQ(exists(log), c.kept) << c.arguments.join(' ').toStdString();
    }
}

// The output goes through the recorder's writer: a file deleted under a run, or a disk that
// fills, ends it with the cause and the summary, not with a silent 0.
TEST_F(MeasureCommand, AFailedOutputEndsTheRunWithItsCauseAndTheSummary)
{
    const QString log = dir.filePath("out.csv");
    const struct {
        const char *cause;
        rlim_t sizeLimit; // 0: none, the file is deleted after the first answer instead
    } cases[] = {
        {"the file was deleted; the rows written before were deleted with it", 0},
        {"the file has reached the size limit; the rows written before are in the file", 4096},
    };
    for (const auto &c : cases) {
        QFile::remove(log);
        const QMetaObject::Connection deleting = QObject::connect(&meter, &MeterSimulator::replySent, [&] {
            if (c.sizeLimit == 0)
                QFile::remove(log);
        });
        std::optional<FileSizeLimit> limit;
        if (c.sizeLimit)
            limit.emplace(c.sizeLimit);
        EXPECT_EQ(run({"--count", "500", "--paced", "--output", log}), kExitFailed) << err.str();
        limit.reset();
        QObject::disconnect(deleting);
        EXPECT_NE(err.str().find(c.cause), std::string::npos) << err.str();
        EXPECT_EQ(exists(log), c.sizeLimit != 0); // the rows before the full disk stay
        EXPECT_NE(err.str().find("\nmin "), std::string::npos) << err.str();
    }
}

TEST_F(MeasureCommand, ADurationEndsTheRunAsDone)
{
    ASSERT_EQ(run({"--duration", "0.5", "--interval", "90", "--format", "jsonl"}), kExitDone) << err.str();
    EXPECT_NE(out.str().find("\"level_dbm\""), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("readings "), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("readings 0 "), std::string::npos) << err.str();
}

// Ctrl-C and SIGTERM end a run as shells expect of a program a signal ended, after the summary.
TEST_F(MeasureCommand, ASignalEndsTheRunWithItsShellStatusAfterTheSummary)
{
    const std::pair<int, int> cases[] = {{SIGINT, kExitInterrupted}, {SIGTERM, kExitTerminated}};
    const QStringList arguments{
        "measure",  "--port", meter.devicePath(), "--settings", QString::fromStdString(settingsFile.string()),
        "--format", "csv"};
    for (const auto &[number, status] : cases) {
        const int signal = number;
        const Finished run = runProgram(cliProgram(), arguments, {}, [signal](QProcess &process) {
            // Once a reading has come (the header row and one row), so that the run is under way.
            // The meter answers from this thread, so the wait keeps its event loop turning.
            QSignalSpy ready(&process, &QProcess::readyReadStandardOutput);
            QByteArray seen = process.readAllStandardOutput();
            while (seen.count('\n') < 2 && ready.wait(kTimeoutMs))
                seen += process.readAllStandardOutput();
            ::kill(static_cast<pid_t>(process.processId()), signal);
        });
        EXPECT_EQ(run.status, status) << signal << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("\nmin ")) << run.err.toStdString();
    }
}
