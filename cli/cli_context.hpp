#pragma once

#include <QStringList>

#include <filesystem>
#include <functional>
#include <ostream>

namespace merolan {

// How the tool ends, for scripts that call it.
enum ExitStatus : int {
    kExitDone = 0,
    kExitFailed = 1,   // a file or standard output could not be read or written
    kExitUsage = 2,    // the message names the option and what it expects
    kExitPort = 3,     // the port cannot be opened or vanished
    kExitNoAnswer = 4, // the meter did not answer within --timeout
    kExitAddress = 5,  // serve: the address cannot be served (in use, or not this computer's)
    // A run ended by a signal after its summary: 128 and the signal's number, as shells report it.
    kExitInterrupted = 130, // SIGINT, Ctrl-C
    kExitTerminated = 143,  // SIGTERM
};

// What every subcommand works with: its streams, where the program keeps its settings and the
// user's decimal separator (for the texts the windows would show).
struct CliContext {
    std::ostream &out;
    std::ostream &err;
    std::filesystem::path settingsFile;
    char decimalSeparator = '.';
    bool outIsTerminal = false;
    // Why the latest write to `out` failed, as an errno value; 0 when not known.
    std::function<int()> outError = [] { return 0; };
};

// Each takes the arguments after its own name ("settings show --json" gives "show", "--json").
int runMeasureCommand(const QStringList &arguments, CliContext &cli);
int runSettingsCommand(const QStringList &arguments, CliContext &cli);
int runPortsCommand(const QStringList &arguments, CliContext &cli);
int runServeCommand(const QStringList &arguments, CliContext &cli);

} // namespace merolan
