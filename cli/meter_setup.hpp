#pragma once

#include "cli/cli_context.hpp"
#include "cli/command_options.hpp"
#include "core/instrument/instrument_setup.hpp"
#include "link/meter_session.hpp"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QSocketNotifier;

// What the commands that run the meter until told to stop share: their settings, the port's
// problems in the tool's words, and the signals that end them.
namespace merolan {

// What a run measures with: the settings file the options name (the program's own by default),
// the accuracy setup kept beside it, and the options' changes over both, in memory only. What
// could not be restored is told as a warning; none when the settings cannot be read or the table
// the options name cannot be used, and `command` has told why.
std::optional<InstrumentSetup> measuringSetupOrTell(const MeterOptions &options, std::optional<double> relativeToDbm,
                                                    CliContext &cli, const char *command);

// Why the device cannot be a serial port at all, where the port would only say "no such device";
// none for anything that may be one.
std::optional<QString> notASerialDevice(const QString &device);

// The session's messages say what to do in the windows; the tool names the device it was given
// and keeps the cause only.
QString portMessage(MeterSession::PortProblem problem, const QString &sessionMessage, const QString &device);

// Ctrl-C and SIGTERM end a run through the event loop, so the summary still comes; the callback
// learns which signal it was. One at a time in a process.
class StopSignals
{
public:
    explicit StopSignals(std::function<void(int)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
#ifdef Q_OS_UNIX
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
};

} // namespace merolan
