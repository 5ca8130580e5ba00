// merolan-cli serve: the meter as a SCPI instrument on a TCP socket, without a window.
#include "cli/cli_context.hpp"
#include "cli/command_options.hpp"
#include "cli/command_output.hpp"
#include "cli/meter_setup.hpp"
#include "core/settings/table_store.hpp"
#include "remote/listen_address.hpp"
#include "remote/remote_server.hpp"

#include <QEventLoop>
#include <QHostAddress>

namespace merolan {
namespace {

constexpr OptionSpec kOptions[] = {
    kPortOption,
    kSettingsOption,
    kRangeOption,
    kAttenuatorOption,
    kAverageOption,
    kFrequencyOption,
    kCorrectionOption,
    {"listen", "HOST:PORT", "Address to serve on (default 127.0.0.1:5025; port 0 picks a free one, said on stderr)."},
    {"timeout", "SECONDS", "How long a query waits for the meter's answer (default 2)."},
};

struct ServeOptions : MeterOptions {
    ListenAddress listen;
};

std::variant<ServeOptions, HelpRequested, UsageError> parseServeOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves the meter as a SCPI instrument on a raw TCP socket (one message per line), for "
                       "PyVISA and other test tools. The meter is polled only when a client asks, or all the time "
                       "after INITiate:CONTinuous ON. Ctrl-C or SIGTERM ends it."));
    if (auto ended = parseCommandLine(parser, arguments, kOptions, QStringLiteral("serve"),
                                      QStringLiteral("merolan-cli serve --port DEVICE [options]"),
                                      QStringLiteral("Exit status: 1 the settings cannot be read, 2 usage error, 3 the "
                                                     "port cannot be opened,\n5 the address cannot be served (in "
                                                     "use), 130 ended by Ctrl-C, 143 ended by SIGTERM.\n"))) {
        return endedWith<ServeOptions>(*ended);
    }
    ServeOptions options;
    if (auto error = readMeterOptions(parser, options))
        return *error;
    if (parser.isSet(QStringLiteral("listen"))) {
        const QString text = parser.value(QStringLiteral("listen"));
        const std::optional<ListenAddress> address = parseListenAddress(text);
        if (!address)
            return expected("listen", text,
                            "[HOST:]PORT with an IP address and a port from 0 to 65535, such as "
                            "127.0.0.1:5025");
        options.listen = *address;
    }
    return options;
}

} // namespace

int runServeCommand(const QStringList &arguments, CliContext &cli)
{
    const auto parsed = parseServeOptions(arguments);
    if (const std::optional<int> ended = endForHelpOrUsage(parsed, cli, "serve"))
        return *ended;
    const ServeOptions &options = std::get<ServeOptions>(parsed);
    const std::optional<InstrumentSetup> setup = measuringSetupOrTell(options, std::nullopt, cli, "serve");
    if (!setup)
        return kExitFailed;
    // *RST returns to this setup: the file's settings with the options over them.
    Instrument instrument(*setup, Instrument::Control::ClientsMayChange);
    if (const std::optional<QString> cause = notASerialDevice(options.device)) {
        tell(cli, "serve", QStringLiteral("cannot open %1: %2").arg(options.device, *cause).toStdString());
        return kExitPort;
    }

    MeterSession session(instrument);
    std::optional<QString> openProblem;
    const QMetaObject::Connection opening = QObject::connect(
        &session, &MeterSession::portProblem, [&](MeterSession::PortProblem problem, const QString &message) {
            openProblem = portMessage(problem, message, options.device);
        });
    session.openDevice(options.device);
    QObject::disconnect(opening);
    if (openProblem) {
        tell(cli, "serve", openProblem->toStdString());
        return kExitPort;
    }

    RemoteServer server(instrument, session, tablesFolderBeside(options.settingsFile.value_or(cli.settingsFile)));
    server.setTimeout(options.timeout);
    if (const std::optional<QString> problem = server.listen(options.listen.host, options.listen.port)) {
        tell(cli, "serve",
             QStringLiteral("cannot serve on %1: %2")
                 .arg(listenAddressText(options.listen.host, options.listen.port), *problem)
                 .toStdString());
        return kExitAddress;
    }
    if (!options.listen.host.isLoopback()) {
        tell(cli, "serve",
             QStringLiteral("%1 is reachable from other computers: anyone who can reach it can read and "
                            "control the meter")
                 .arg(listenAddressText(options.listen.host, server.port()))
                 .toStdString());
    }
    cli.err << "merolan-cli serve: serving " << options.device.toStdString() << " on "
            << listenAddressText(options.listen.host, server.port()).toStdString() << "\n"
            << std::flush;

    QObject::connect(
        &session, &MeterSession::portProblem, [&](MeterSession::PortProblem problem, const QString &message) {
            tell(cli, "serve",
                 (portMessage(problem, message, options.device) + QStringLiteral("; queries that need a reading answer "
                                                                                 "error -241"))
                     .toStdString());
        });
    QEventLoop loop;
    int status = kExitDone;
    // The shells' way of saying which signal ended a program: 128 and its number.
    const StopSignals stopSignals([&](int signal) {
        status = 128 + signal;
        loop.quit();
    });
    loop.exec();
    session.release();
    return status;
}

} // namespace merolan
