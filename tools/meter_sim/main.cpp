#include "core/base/version.hpp"
#include "tools/meter_sim/meter_simulator.hpp"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include <sys/socket.h>
#include <unistd.h>

using merolan::MeterSimulator;

namespace {

int quitPipe[2] = {-1, -1};

// A signal handler may do next to nothing; it wakes the event loop, which then quits in peace.
void onQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(quitPipe[1], &byte, 1);
}

bool installQuitSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, quitPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

std::optional<MeterSimulator::Fault> parseFault(const QString &text)
{
    if (text == QLatin1String("none"))
        return MeterSimulator::Fault::None;
    if (text == QLatin1String("silent"))
        return MeterSimulator::Fault::Silent;
    if (text == QLatin1String("split"))
        return MeterSimulator::Fault::SplitReply;
    if (text == QLatin1String("extra"))
        return MeterSimulator::Fault::ExtraByte;
    if (text == QLatin1String("garbage"))
        return MeterSimulator::Fault::GarbageBetween;
    return std::nullopt;
}

struct Sweep {
    double fromDbm;
    double toDbm;
    double periodSeconds;
};

std::optional<Sweep> parseSweep(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return std::nullopt;
    bool ok[3] = {};
    const Sweep sweep{parts[0].toDouble(&ok[0]), parts[1].toDouble(&ok[1]), parts[2].toDouble(&ok[2])};
    if (!ok[0] || !ok[1] || !ok[2] || !(sweep.periodSeconds > 0.0))
        return std::nullopt;
    return sweep;
}

int fail(const QString &message)
{
    QTextStream(stderr) << "merolan-meter-sim: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("merolan-meter-sim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(merolan::kProgramVersion.data()));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated power meter. Without --device it creates a pseudo-terminal and prints\n"
                       "\"DEVICE <path>\" as its first line; it runs until SIGTERM or SIGINT."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption levelOption(QStringLiteral("level"), QStringLiteral("Input level in dBm (default -30)."),
                                         QStringLiteral("DBM"), QStringLiteral("-30"));
    const QCommandLineOption sweepOption(QStringLiteral("sweep"),
                                         QStringLiteral("Sweep between two levels and back within SECONDS."),
                                         QStringLiteral("FROM:TO:SECONDS"));
    const QCommandLineOption noiseOption(QStringLiteral("noise"), QStringLiteral("Uniform noise of +-DB on the level."),
                                         QStringLiteral("DB"), QStringLiteral("0"));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Line fault: none, silent, split, extra or garbage."),
                                         QStringLiteral("KIND"), QStringLiteral("none"));
    const QCommandLineOption deviceOption(QStringLiteral("device"),
                                          QStringLiteral("Serve a real serial device instead of a pseudo-terminal."),
                                          QStringLiteral("PATH"));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Log received frames to FILE, or to standard output with -."),
                                       QStringLiteral("FILE"));
    parser.addOptions({levelOption, sweepOption, noiseOption, faultOption, deviceOption, logOption});
    parser.process(app);

    MeterSimulator simulator;

    bool ok = false;
    const double level = parser.value(levelOption).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("--level needs a number of dBm, not \"%1\".").arg(parser.value(levelOption)));
    simulator.setLevelDbm(level);
    if (parser.isSet(sweepOption)) {
        const std::optional<Sweep> sweep = parseSweep(parser.value(sweepOption));
        if (!sweep)
            return fail(QStringLiteral("--sweep needs FROM:TO:SECONDS with a period above 0, not \"%1\".")
                            .arg(parser.value(sweepOption)));
        simulator.setSweep(sweep->fromDbm, sweep->toDbm, sweep->periodSeconds);
    }
    const double noise = parser.value(noiseOption).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("--noise needs a number of dB, not \"%1\".").arg(parser.value(noiseOption)));
    simulator.setNoise(noise);
    const std::optional<MeterSimulator::Fault> fault = parseFault(parser.value(faultOption));
    if (!fault)
        return fail(QStringLiteral("--fault takes none, silent, split, extra or garbage, not \"%1\".")
                        .arg(parser.value(faultOption)));
    simulator.setFault(*fault);

    QFile logFile;
    std::unique_ptr<QTextStream> log;
    if (parser.isSet(logOption)) {
        const QString target = parser.value(logOption);
        bool opened = false;
        if (target == QLatin1String("-")) {
            opened = logFile.open(stdout, QIODevice::WriteOnly | QIODevice::Text);
        } else {
            logFile.setFileName(target);
            opened = logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
        }
        if (!opened)
            return fail(QStringLiteral("Cannot write the log %1: %2").arg(target, logFile.errorString()));
        log = std::make_unique<QTextStream>(&logFile);
        simulator.setLog(log.get());
    }

    if (!installQuitSignals())
        return fail(QStringLiteral("Cannot catch SIGTERM and SIGINT."));
    QSocketNotifier quitNotifier(quitPipe[0], QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    QString error;
    const bool opened = parser.isSet(deviceOption) ? simulator.openDevice(parser.value(deviceOption), &error)
                                                   : simulator.openPseudoTerminal(&error);
    if (!opened)
        return fail(error);

    // Scripts wait for this line before they open the device, so it must leave at once.
    std::printf("DEVICE %s\n", simulator.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);

    const int status = app.exec();
    simulator.close();
    return status;
}
