#pragma once

#include <QStringList>

#include <filesystem>
#include <ostream>

namespace merolan {

// How the tool ends, for scripts that call it.
enum ExitStatus : int {
    kExitDone = 0,
    kExitFailed = 1,   // a file could not be read or written
    kExitUsage = 2,    // the message names the option and what it expects
    kExitPort = 3,     // the port cannot be opened or vanished
    kExitNoAnswer = 4, // the meter did not answer within --timeout
};

// What every subcommand works with: its streams, where the program keeps its settings and the
// user's decimal separator (for the texts the windows would show).
struct CliContext {
    std::ostream &out;
    std::ostream &err;
    std::filesystem::path settingsFile;
    char decimalSeparator = '.';
    bool outIsTerminal = false;
};

// Each takes the arguments after its own name ("settings show --json" gives "show", "--json").
int runMeasureCommand(const QStringList &arguments, CliContext &cli);
int runSettingsCommand(const QStringList &arguments, CliContext &cli);
int runPortsCommand(const QStringList &arguments, CliContext &cli);

} // namespace merolan
