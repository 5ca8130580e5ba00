#include "cli/cli_context.hpp"
#include "cli/measure_options.hpp"

#include "core/calibration_rules.hpp"
#include "core/csv_log.hpp"
#include "core/reading_history.hpp"
#include "core/reading_lines.hpp"
#include "core/readout_text.hpp"
#include "core/settings_file.hpp"
#include "link/meter_session.hpp"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace merolan {
namespace {

// Ctrl-C and SIGTERM end a run through the event loop, so the summary still comes.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> onSignal)
    {
#ifdef Q_OS_UNIX
        if (::pipe(pipe_) != 0)
            return;
        for (const int fd : pipe_)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        writeEnd() = pipe_[1];
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, std::move(onSignal));
        struct sigaction action {
        };
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(writeEnd(), &byte, 1);
        };
        ::sigemptyset(&action.sa_mask);
        for (const int signal : {SIGINT, SIGTERM})
            ::sigaction(signal, &action, nullptr);
#else
        (void)onSignal;
#endif
    }
    ~StopSignals()
    {
#ifdef Q_OS_UNIX
        for (const int signal : {SIGINT, SIGTERM})
            std::signal(signal, SIG_DFL);
        notifier_.reset();
        if (writeEnd() >= 0) {
            ::close(pipe_[0]);
            ::close(pipe_[1]);
            writeEnd() = -1;
        }
#endif
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
#ifdef Q_OS_UNIX
    // A signal handler can reach only this; the process has one run at a time.
    static int &writeEnd()
    {
        static int fd = -1;
        return fd;
    }
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
#endif
};

QString toQt(const std::string &text)
{
    return QString::fromStdString(text);
}

// The settings the run measures with: the file's, with the options' changes in memory only.
std::variant<AppState, QString> measuringState(const MeasureOptions &options, const CliContext &cli)
{
    AppState state;
    state.decimalSeparator = cli.decimalSeparator;
    const std::filesystem::path file = options.settingsFile.value_or(cli.settingsFile);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return QStringLiteral("There is no settings file at %1. Make one with \"merolan-cli settings default\", "
                              "or name one with --settings FILE.")
            .arg(toQt(file.string()));
    if (std::optional<Failure> failure = importSettingsFile(file, state.settings))
        return toQt(failure->message);
    if (options.range)
        state.settings.frequencyRange = static_cast<std::int16_t>(*options.range);
    if (options.attenuatorDb)
        state.settings.attenuatorDbm = *options.attenuatorDb;
    if (options.relativeToDbm) {
        state.relativeMode = true;
        state.zeroReferenceDbm = *options.relativeToDbm;
    }
    // The meter sees the same mode byte as from the window, which sets it at start-up.
    applyExternalMeterSwitch(state, state.settings.externalMeterOn == -1);
    return state;
}

std::string summaryOf(const TrendStatistics &stats, bool relative, const MeterSession &session, double seconds)
{
    const auto level = [relative](const std::optional<double> &value) {
        if (!value)
            return std::string("-");
        // The readouts keep a place for the sign; a sentence does not.
        std::string text = relative ? formatDbText(*value) : formatDbmText(*value);
        text.erase(0, text.find_first_not_of(' '));
        return text;
    };
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f",
                  seconds > 0 ? static_cast<double>(stats.count + stats.unusable) / seconds : 0.0);
    return "readings " + std::to_string(stats.count + stats.unusable) + " (" + std::to_string(stats.unusable) +
           " without a level), unanswered polls " + std::to_string(session.unansweredPolls()) + ", dropped reads " +
           std::to_string(session.readsDropped()) +
           (session.readsUnasked() > 0 ? " (" + std::to_string(session.readsUnasked()) + " unasked)" : "") + "\nmin " +
           level(stats.minimum) + ", max " + level(stats.maximum) + ", mean " + level(stats.mean) + " (mean power), " +
           rate + " readings/s\n";
}

} // namespace

int runMeasureCommand(const QStringList &arguments, CliContext &cli)
{
    const auto parsed = parseMeasureOptions(arguments);
    if (const auto *help = std::get_if<HelpRequested>(&parsed)) {
        cli.out << help->text.toStdString();
        return kExitDone;
    }
    if (const auto *usage = std::get_if<UsageError>(&parsed)) {
        cli.err << "merolan-cli measure: " << usage->message.toStdString()
                << "\nmerolan-cli measure --help lists the options.\n";
        return kExitUsage;
    }
    const MeasureOptions &options = std::get<MeasureOptions>(parsed);
    auto prepared = measuringState(options, cli);
    if (const auto *problem = std::get_if<QString>(&prepared)) {
        cli.err << "merolan-cli measure: " << problem->toStdString() << '\n';
        return kExitFailed;
    }
    AppState &state = std::get<AppState>(prepared);

    std::ofstream file;
    if (options.outputFile) {
        std::error_code ec;
        if (std::filesystem::exists(*options.outputFile, ec)) {
            cli.err << "merolan-cli measure: " << options.outputFile->string()
                    << " exists already; remove it or name another file.\n";
            return kExitFailed;
        }
        file.open(*options.outputFile, std::ios::binary);
        if (!file) {
            cli.err << "merolan-cli measure: cannot write " << options.outputFile->string() << ".\n";
            return kExitFailed;
        }
    }
    std::ostream &out = options.outputFile ? static_cast<std::ostream &>(file) : cli.out;
    const OutputFormat format =
        options.format.value_or(cli.outIsTerminal && !options.outputFile ? OutputFormat::Text : OutputFormat::Csv);

    MeterSession session(state);
    session.setSendsUpdateFrames(options.panelMeter);
    session.setPollInterval(options.interval);
    session.setPaced(options.paced);

    QEventLoop loop;
    int status = kExitDone;
    bool finished = false;
    const auto finish = [&](int exitStatus, const QString &message) {
        if (finished)
            return;
        finished = true;
        status = exitStatus;
        if (!message.isEmpty())
            cli.err << "merolan-cli measure: " << message.toStdString() << '\n';
        session.stop();
        loop.quit();
    };
    QObject::connect(&session, &MeterSession::portProblem, &loop,
                     [&](MeterSession::PortProblem, const QString &message) { finish(kExitPort, message); });

    session.setPortDevice(1, options.device);
    session.choosePort(1);
    if (!session.isPortOpen())
        return status;

    RunningStatistics statistics(state.relativeMode ? TrendUnit::RelativeDb : TrendUnit::Dbm);
    long long readings = 0;
    if (format == OutputFormat::Csv)
        out << (options.outputFile ? csvPreamble(logHeaderOf(state, std::string(), options.device.toStdString()))
                                   : std::string())
            << csvHeaderRow();
    QObject::connect(
        &session, &MeterSession::readingHandled, &loop, [&](const ReadingOutcome &, const ReadingRecord &record) {
            statistics.add(state.relativeMode ? record.relativeDb : record.levelDbm);
            out << (format == OutputFormat::Csv     ? csvRow(record)
                    : format == OutputFormat::Jsonl ? jsonlRow(record)
                                                    : textRow(record, state.relativeMode));
            out.flush();
            if (!out && options.outputFile)
                finish(kExitFailed, QStringLiteral("cannot write %1.").arg(toQt(options.outputFile->string())));
            else if (!out)
                finish(kExitDone, {}); // a reader that went away ("| head -5") has all it wanted
            if (options.count && ++readings >= *options.count)
                finish(kExitDone, {});
        });

    const std::int64_t startMs = session.nowUtcMs();
    QTimer watchdog;
    watchdog.setInterval(std::chrono::milliseconds(50));
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        const std::int64_t since = session.lastAnswerUtcMs().value_or(startMs);
        if (session.nowUtcMs() - since <= options.timeout.count())
            return;
        const QString seconds = QString::number(static_cast<double>(options.timeout.count()) / 1000.0);
        // Bytes that never make a reading are a wiring or speed problem, not a silent meter.
        finish(kExitNoAnswer,
               session.readsDropped() > 0
                   ? QStringLiteral("no valid answer from the meter on %1 for %2 s (reads dropped: "
                                    "%3; wrong speed, or another device on the line?).")
                         .arg(options.device, seconds)
                         .arg(session.readsDropped())
                   : QStringLiteral("no answer from the meter on %1 for %2 s.").arg(options.device, seconds));
    });
    watchdog.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { finish(kExitDone, {}); });
    if (options.duration)
        deadline.start(*options.duration);
    const StopSignals stopSignals([&] { finish(kExitDone, {}); });

    session.start();
    if (!finished)
        loop.exec();
    session.release();

    const double seconds = static_cast<double>(session.nowUtcMs() - startMs) / 1000.0;
    cli.err << summaryOf(statistics.result(), state.relativeMode, session, seconds);
    return status;
}

} // namespace merolan
