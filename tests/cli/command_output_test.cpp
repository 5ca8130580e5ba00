#include "cli/cli_context.hpp"
#include "core/settings/meter_settings.hpp"
#include "core/settings/settings_file.hpp"
#include "tests/cli/cli_process.hpp"
#include "tests/link/meter_line.hpp"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <sstream>

using namespace merolan;
using namespace merolan::testing;

namespace {

struct Line {
    int (*run)(const QStringList &, CliContext &);
    QStringList arguments;
};

} // namespace

// Every command tells a failure alike, so that a script or a reader finds the cause in one place:
// "merolan-cli COMMAND: WHAT: CAUSE." on the first line of stderr.
TEST(CommandOutput, EveryMessageNamesItsCommandWhatAndWhy)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("merolan.dat");
    ASSERT_FALSE(saveSettings(settings.toStdString(), factorySettings(), '.'));
    const Line lines[] = {
        {runMeasureCommand, {"--port", "/dev/x", "--range", "top"}},
        {runMeasureCommand, {"--port", "/dev/x", "--bogus"}},
        {runMeasureCommand, {"--port", "/dev/x", "--count"}},
        {runMeasureCommand, {"--port", "/dev/x", "stray"}},
        {runMeasureCommand, {"--port", "/dev/x", "--settings", dir.filePath("none.dat")}},
        {runMeasureCommand, {"--port", dir.filePath("no-such-port"), "--settings", settings}},
        {runMeasureCommand, {"--port", dir.path(), "--settings", settings}},
        {runMeasureCommand, {"--port", "/dev/x", "--settings", settings, "--output", settings}},
        {runSettingsCommand, {"show", "--file", dir.filePath("none.dat")}},
        {runSettingsCommand, {"show", "--bogus"}},
        {runSettingsCommand, {"frobnicate"}},
        {runSettingsCommand, {"default", "--file", settings}},
        {runSettingsCommand, {"set", "--file", settings, "attenuatorDbm", "abc"}},
        {runSettingsCommand, {"set", "--file", settings, "noSuchField", "1"}},
        {runSettingsCommand, {"import", "--file", settings, dir.filePath("none.dat")}},
        {runPortsCommand, {"--bogus"}},
        {runPortsCommand, {"stray"}},
    };
    const QRegularExpression style(
        QStringLiteral("^merolan-cli (measure|settings( [a-z]+)?|ports): [^\n]+: [^\n]+\\.\n"));
    for (const Line &line : lines) {
        std::ostringstream out, err;
        CliContext cli{out, err, settings.toStdString(), '.', false};
        EXPECT_NE(line.run(line.arguments, cli), kExitDone) << line.arguments.join(' ').toStdString();
        EXPECT_TRUE(style.match(QString::fromStdString(err.str())).hasMatch())
            << line.arguments.join(' ').toStdString() << "\n"
            << err.str();
    }
}

// A full disk under standard output fails every command that prints, with the cause.
TEST(CommandOutput, EveryPrintingCommandFailsOnAFullDisk)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("merolan.dat");
    ASSERT_FALSE(saveSettings(settings.toStdString(), factorySettings(), '.'));
    const QStringList lines[] = {
        {"--help"},
        {"--version"},
        {"measure", "--help"},
        {"settings", "--help"},
        {"settings", "show", "--file", settings},
        {"settings", "show", "--raw", "--file", settings},
        {"settings", "show", "--json", "--file", settings},
        {"settings", "set", "--file", settings, "attenuatorDbm", "6"},
        {"settings", "export", "--file", settings, dir.filePath("copy.dat")},
        {"ports"},
        {"ports", "--json"},
    };
    for (const QStringList &arguments : lines) {
        const Finished run = runProgram(cliProgram(), arguments, [](QProcess &process) {
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
        });
        EXPECT_EQ(run.status, kExitFailed) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("cannot write to standard output: no space is left on the disk.\n"))
            << arguments.join(' ').toStdString() << "\n"
            << run.err.toStdString();
    }
}

namespace {

class MeasureOutput : public SimulatedMeter
{
protected:
    void SetUp() override
    {
        SimulatedMeter::SetUp();
        ASSERT_FALSE(saveSettings(settings.toStdString(), factorySettings(), '.'));
        meter.setLevelDbm(-30);
    }

    QStringList measure(const QStringList &more) const
    {
        return QStringList{"measure", "--port", meter.devicePath(), "--settings", settings, "--paced"} + more;
    }

    QTemporaryDir dir;
    QString settings = dir.filePath("merolan.dat");
};

} // namespace

// Only a reader that goes away ends a run quietly with 0; a full disk and a file-size limit end
// it with the cause and status 1, after the summary, and the limit is no signal that kills it.
TEST_F(MeasureOutput, AFailedWriteEndsTheRunWithItsCauseButAClosedPipeQuietly)
{
    const QString log = dir.filePath("out.jsonl");
    const struct {
        const char *name;
        QString program;
        QStringList arguments;
        std::function<void(QProcess &)> prepare;
        int status;
        const char *message; // nullptr: none
    } cases[] = {
        {"full disk", cliProgram(), measure({"--count", "50"}),
         [](QProcess &p) { p.setStandardOutputFile(QStringLiteral("/dev/full")); }, kExitFailed,
         "merolan-cli measure: cannot write to standard output: no space is left on the disk.\n"},
        {"file-size limit",
         shell(),
         QStringList{"-c", "ulimit -f 1 && out=$1 && shift && exec \"$0\" \"$@\" > \"$out\"", cliProgram(), log} +
             measure({"--count", "500", "--format", "jsonl"}),
         {},
         kExitFailed,
         "cannot write to standard output: the file has reached the size limit"},
        {"output file-size limit",
         shell(),
         QStringList{"-c", "ulimit -f 1 && exec \"$0\" \"$@\"", cliProgram()} +
             measure({"--count", "500", "--output", dir.filePath("limited.csv")}),
         {},
         kExitFailed,
         "the file has reached the size limit; the rows written before are in the file"},
        // Started without standard output: the port must not take its place and get the rows.
        {"closed standard output",
         shell(),
         QStringList{"-c", "exec \"$0\" \"$@\" >&-", cliProgram()} + measure({"--count", "50"}),
         {},
         kExitFailed,
         "merolan-cli measure: cannot write to standard output: it is closed.\n"},
        {"closed pipe",
         shell(),
         QStringList{"-c", "\"$0\" \"$@\" | head -n 2 > /dev/null; exit \"${PIPESTATUS[0]}\"", cliProgram()} +
             measure({"--count", "500"}),
         {},
         kExitDone,
         nullptr},
    };
    for (const auto &c : cases) {
        const Finished run = runProgram(c.program, c.arguments, c.prepare);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("\nmin ")) << c.name << ": the summary comes all the same\n"
                                                << run.err.toStdString();
        if (c.message)
            EXPECT_TRUE(run.err.contains(c.message)) << c.name << "\n" << run.err.toStdString();
        else
            EXPECT_FALSE(run.err.contains("merolan-cli measure:")) << c.name << "\n" << run.err.toStdString();
    }
}
