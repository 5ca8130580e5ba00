// merolan-cli: measures with the meter and manages the settings file without a display.
#include "cli/cli_context.hpp"
#include "cli/command_output.hpp"
#include "core/base/version.hpp"
#include "link/log_file.hpp"
#include "link/settings_location.hpp"

#include <QCoreApplication>

#include <csignal>
#include <iostream>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace merolan;

namespace {

constexpr const char *kUsage = R"(Usage: merolan-cli COMMAND [OPTIONS]

Commands:
  measure   poll the meter and print one line per reading
  settings  show, reset, import, export or change the settings file
  ports     list the serial ports and the "Com N" each stands for
  serve     serve the meter as a SCPI instrument on a TCP socket (PyVISA and the like)

merolan-cli COMMAND --help tells more about each. --version prints the version.
Exit status: 0 done, 1 a file or standard output could not be read or written, 2 usage error,
3 the port cannot be opened or vanished, 4 no answer from the meter, 5 the address to serve on
cannot be had, 130 and 143 a run ended by Ctrl-C or SIGTERM.
)";

#ifndef Q_OS_WIN
// A standard stream started closed would hand its number to the next file opened, and the
// readings would go to the serial port. /dev/null opened for reading takes the place instead,
// so that a write to it fails as on any closed stream.
void holdClosedStandardStreams()
{
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", O_RDONLY);
    }
}
#endif

} // namespace

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    // A reader that goes away ("| head -5") ends the output with a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    holdClosedStandardStreams();
#endif
    letWritesFailInsteadOfSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("merolan-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion.data()));

    DescriptorBuffer outBuffer(1);
    std::ostream out(&outBuffer);
    CliContext cli{out, std::cerr, defaultSettingsFile(), userDecimalSeparator(), false};
    cli.outError = [&outBuffer] { return outBuffer.error(); };
#ifndef Q_OS_WIN
    cli.outIsTerminal = isatty(STDOUT_FILENO) == 1;
#endif

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << kUsage;
        return endOutput(cli, {}, kExitDone);
    }
    if (command == QLatin1String("--version")) {
        out << "merolan-cli " << kProgramVersion << '\n';
        return endOutput(cli, {}, kExitDone);
    }
    if (command == QLatin1String("measure"))
        return runMeasureCommand(arguments, cli);
    if (command == QLatin1String("settings"))
        return runSettingsCommand(arguments, cli);
    if (command == QLatin1String("ports"))
        return runPortsCommand(arguments, cli);
    if (command == QLatin1String("serve"))
        return runServeCommand(arguments, cli);
    tell(cli, {}, "\"" + command.toStdString() + "\": there is no such command");
    std::cerr << '\n' << kUsage;
    return kExitUsage;
}
