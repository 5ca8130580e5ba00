#include "cli/meter_setup.hpp"

#include "cli/command_output.hpp"

#include "core/settings/accuracy_file.hpp"
#include "core/settings/table_store.hpp"
#include "core/settings/atomic_file.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"

#include <QSocketNotifier>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace merolan {

namespace {

#ifdef Q_OS_UNIX
// A signal handler can reach only this; the process has one run at a time.
int &signalWriteEnd()
{
    static int fd = -1;
    return fd;
}
#endif

std::optional<MeterSettings> settingsFileOrTell(const MeterOptions &options, CliContext &cli, const char *command)
{
    const std::filesystem::path file = options.settingsFile.value_or(cli.settingsFile);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        tell(cli, command,
             "cannot read the settings: there is no file \"" + displayName(file) +
                 "\"; make one with \"merolan-cli settings default\", or name one with --settings FILE");
        return std::nullopt;
    }
    MeterSettings settings;
    if (std::optional<Failure> failure = importSettingsFile(file, settings)) {
        // "The file ... cannot be read as settings: ..." reads on after the colon with a small letter.
        if (failure->message.starts_with("The "))
            failure->message[0] = 't';
        tell(cli, command, "cannot read the settings: " + failure->message);
        return std::nullopt;
    }
    return settings;
}

} // namespace

std::optional<InstrumentSetup> measuringSetupOrTell(const MeterOptions &options, std::optional<double> relativeToDbm,
                                                    CliContext &cli, const char *command)
{
    const std::optional<MeterSettings> fileSettings = settingsFileOrTell(options, cli, command);
    if (!fileSettings)
        return std::nullopt;
    InstrumentSetup setup = setupFromSettings(*fileSettings, cli.decimalSeparator);
    if (options.range)
        setup.settings.frequencyRange = static_cast<std::int16_t>(*options.range);
    if (options.attenuatorDb) {
        setup.settings.attenuatorDbm = *options.attenuatorDb;
        setup.attenuatorOn = true;
    }
    if (relativeToDbm) {
        setup.relativeMode = true;
        setup.zeroReferenceDbm = *relativeToDbm;
    }
    AccuracySetup &accuracy = setup.accuracy;
    for (const std::string &note : restoreAccuracy(options.settingsFile.value_or(cli.settingsFile), accuracy))
        tell(cli, command, "warning: " + note);
    if (options.averageCount)
        accuracy.setAveraging(*options.averageCount);
    if (options.frequencyHz)
        accuracy.frequencyHz = *options.frequencyHz;
    if (options.correctionFile) {
        auto loaded = loadCorrectionTable(*options.correctionFile);
        if (const Failure *failure = std::get_if<Failure>(&loaded)) {
            tell(cli, command, failure->message);
            return std::nullopt;
        }
        accuracy.setTable(std::move(std::get<SelectedTable>(loaded)));
    }
    return setup;
}

// Why the device cannot be a serial port at all, where the port would only say "no such device";
// none for anything that may be one.
std::optional<QString> notASerialDevice(const QString &device)
{
#ifdef Q_OS_UNIX
    std::error_code ec;
    switch (std::filesystem::status(device.toStdString(), ec).type()) {
    case std::filesystem::file_type::regular:
        return QStringLiteral("it is a plain file, not a serial device");
    case std::filesystem::file_type::directory:
        return QStringLiteral("it is a folder, not a serial device");
    case std::filesystem::file_type::fifo:
        return QStringLiteral("it is a named pipe, not a serial device");
    case std::filesystem::file_type::socket:
        return QStringLiteral("it is a socket, not a serial device");
    case std::filesystem::file_type::block:
        return QStringLiteral("it is a disk, not a serial device");
    default:
        break;
    }
#else
    Q_UNUSED(device);
#endif
    return std::nullopt;
}

// The session's messages say what to do in the windows; the tool keeps the cause only.
QString portMessage(MeterSession::PortProblem problem, const QString &sessionMessage, const QString &device)
{
    if (problem == MeterSession::PortProblem::Lost)
        return QStringLiteral("lost %1: the device has gone away (was it unplugged?)").arg(device);
    const QString marker = QStringLiteral("cannot be opened: ");
    const qsizetype at = sessionMessage.indexOf(marker);
    QString cause = at < 0 ? sessionMessage : sessionMessage.mid(at + marker.size());
    cause = cause.section(u'\n', 0, 0);
    if (cause.endsWith(u'.'))
        cause.chop(1);
    return QStringLiteral("cannot open %1: %2").arg(device, cause);
}

StopSignals::StopSignals(std::function<void(int)> onSignal)
{
#ifdef Q_OS_UNIX
    if (::pipe(pipe_) != 0)
        return;
    for (const int fd : pipe_)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    signalWriteEnd() = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onSignal = std::move(onSignal)] {
        unsigned char signal = 0;
        if (::read(pipe_[0], &signal, 1) == 1)
            onSignal(signal);
    });
    struct sigaction action {
    };
    action.sa_handler = [](int signal) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const auto written = ::write(signalWriteEnd(), &byte, 1);
    };
    ::sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        ::sigaction(signal, &action, nullptr);
#else
    (void)onSignal;
#endif
}

StopSignals::~StopSignals()
{
#ifdef Q_OS_UNIX
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, SIG_DFL);
    notifier_.reset();
    if (signalWriteEnd() >= 0) {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
        signalWriteEnd() = -1;
    }
#endif
}

} // namespace merolan
