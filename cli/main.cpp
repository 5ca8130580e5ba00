// merolan-cli: measures with the meter and manages the settings file without a display.
#include "cli/cli_context.hpp"
#include "core/version.hpp"
#include "link/settings_location.hpp"

#include <QCoreApplication>

#include <csignal>
#include <iostream>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace merolan;

namespace {

constexpr const char *kUsage = R"(Usage: merolan-cli COMMAND [OPTIONS]

Commands:
  measure   poll the meter and print one line per reading
  settings  show, reset, import, export or change the settings file
  ports     list the serial ports and the "Com N" each stands for

merolan-cli COMMAND --help tells more about each. --version prints the version.
)";

} // namespace

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    // A reader that goes away ("| head -5") ends the output with a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("merolan-cli"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion.data()));

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::cout << kUsage;
        return kExitDone;
    }
    if (command == QLatin1String("--version")) {
        std::cout << "merolan-cli " << kProgramVersion << '\n';
        return kExitDone;
    }

    CliContext cli{std::cout, std::cerr, defaultSettingsFile(), userDecimalSeparator(), false};
#ifndef Q_OS_WIN
    cli.outIsTerminal = isatty(STDOUT_FILENO) == 1;
#endif
    if (command == QLatin1String("measure"))
        return runMeasureCommand(arguments, cli);
    if (command == QLatin1String("settings"))
        return runSettingsCommand(arguments, cli);
    if (command == QLatin1String("ports"))
        return runPortsCommand(arguments, cli);
    std::cerr << "merolan-cli: unknown command \"" << command.toStdString() << "\"\n\n" << kUsage;
    return kExitUsage;
}
