#include "cli/cli_context.hpp"
#include "cli/command_output.hpp"
#include "cli/measure_options.hpp"
#include "cli/meter_setup.hpp"

#include "core/settings/atomic_file.hpp"
#include "core/logs/csv_log.hpp"
#include "core/logs/reading_lines.hpp"
#include "core/history/reading_statistics.hpp"
#include "core/reading/readout_text.hpp"
#include "link/log_file.hpp"
#include "link/meter_session.hpp"
#include "link/reading_recorder.hpp"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace merolan {
namespace {

QString toQt(const std::string &text)
{
    return QString::fromStdString(text);
}

// --output FILE, written through the log writer the window's recorder uses: each row on the disk
// before the next reading, a failed row cut off again, a deleted file noticed. The file is made
// new only once the port is open, and goes again when no reading reached it: a run that fails
// leaves nothing that would stop its retry with "exists already".
class OutputFile
{
public:
    explicit OutputFile(std::filesystem::path path) : path_(std::move(path)) {}

    // Asked before the port opens, so that a name taken already costs no wait for the meter.
    std::optional<QString> refusal() const
    {
        std::error_code ec;
        if (std::filesystem::symlink_status(path_, ec).type() == std::filesystem::file_type::not_found)
            return std::nullopt;
        return QStringLiteral("cannot write %1: it exists already; remove it or name another file").arg(name());
    }
    std::optional<QString> create()
    {
        if (const std::optional<QString> cause = file_.create(QString::fromStdString(path_.string()), false))
            return QStringLiteral("cannot write %1: %2").arg(name(), *cause);
        return std::nullopt;
    }
    // None when the text is on the disk.
    std::optional<QString> append(const std::string &text, bool reading)
    {
        const std::optional<LogFailure> failure = file_.append(text);
        if (!failure) {
            holdsReadings_ = holdsReadings_ || reading;
            return std::nullopt;
        }
        lost_ = failure->kind != LogFailure::Kind::WriteFailed;
        return QStringLiteral("cannot write %1: %2; %3")
            .arg(name(), failure->cause, failure->whatIsLeft(holdsReadings_));
    }
    // Only a file this run made and that still stands at its name: after a deletion or a move the
    // name may be another's.
    void removeIfWithoutReadings()
    {
        const bool made = file_.isOpen();
        file_.close();
        std::error_code ec;
        if (made && !holdsReadings_ && !lost_)
            std::filesystem::remove(path_, ec);
    }

private:
    QString name() const { return QStringLiteral("\"%1\"").arg(QString::fromStdString(displayName(path_))); }

    std::filesystem::path path_;
    LogFile file_;
    bool holdsReadings_ = false;
    bool lost_ = false;
};

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
    if (const std::optional<int> ended = endForHelpOrUsage(parsed, cli, "measure"))
        return *ended;
    const MeasureOptions &options = std::get<MeasureOptions>(parsed);
    const std::optional<InstrumentSetup> setup = measuringSetupOrTell(options, options.relativeToDbm, cli, "measure");
    if (!setup)
        return kExitFailed;
    Instrument instrument(*setup, Instrument::Control::ClientsMayChange);

    std::optional<OutputFile> outputFile;
    if (options.outputFile) {
        outputFile.emplace(*options.outputFile);
        if (const std::optional<QString> refusal = outputFile->refusal()) {
            tell(cli, "measure", refusal->toStdString());
            return kExitFailed;
        }
    }
    if (const std::optional<QString> cause = notASerialDevice(options.device)) {
        tell(cli, "measure", QStringLiteral("cannot open %1: %2").arg(options.device, *cause).toStdString());
        return kExitPort;
    }
    const OutputFormat format =
        options.format.value_or(cli.outIsTerminal && !options.outputFile ? OutputFormat::Text : OutputFormat::Csv);

    MeterSession session(instrument);
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
            tell(cli, "measure", message.toStdString());
        session.stop();
        loop.quit();
    };
    QObject::connect(&session, &MeterSession::portProblem, &loop,
                     [&](MeterSession::PortProblem problem, const QString &message) {
                         finish(kExitPort, portMessage(problem, message, options.device));
                     });

    session.openDevice(options.device);
    if (!session.isPortOpen())
        return status;
    if (outputFile) {
        if (const std::optional<QString> problem = outputFile->create()) {
            tell(cli, "measure", problem->toStdString());
            return kExitFailed;
        }
    }
    // A reader that went away ("| head -5") has all it wanted; any other failed write ends the run.
    const auto checkStandardOutput = [&] {
        if (const std::optional<std::string> problem = outputProblem(cli))
            finish(kExitFailed, toQt(*problem));
        else if (!cli.out)
            finish(kExitDone, {});
    };
    const auto write = [&](const std::string &text, bool reading) {
        if (!outputFile) {
            cli.out << text;
            checkStandardOutput();
        } else if (const std::optional<QString> problem = outputFile->append(text, reading)) {
            finish(kExitFailed, *problem);
        }
    };

    const std::int64_t startMs = session.nowUtcMs();
    RunningStatistics statistics;
    long long readings = 0;
    if (format == OutputFormat::Csv)
        write(outputFile ? csvHead(logHeaderAt(instrument.setup(), std::string(), options.device.toStdString(), startMs))
                         : csvHeaderRow(),
              false);
    QObject::connect(&session, &MeterSession::readingHandled, &loop,
                     [&](const ReadingOutcome &, const ReadingRecord &record) {
                         statistics.add(record.timeUtcMs, record.levelDbm);
                         write(format == OutputFormat::Csv     ? csvRow(record, startMs)
                               : format == OutputFormat::Jsonl ? jsonlRow(record)
                                                               : textRow(record, setup->relativeMode),
                               true);
                         if (options.count && ++readings >= *options.count)
                             finish(kExitDone, {});
                     });

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
                   ? QStringLiteral("no valid answer from the meter on %1: for %2 s no read was a reading (%3 "
                                    "dropped; wrong speed, or another device on the line?)")
                         .arg(options.device, seconds)
                         .arg(session.readsDropped())
                   : QStringLiteral("no answer from the meter on %1: it said nothing for %2 s")
                         .arg(options.device, seconds));
    });
    watchdog.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { finish(kExitDone, {}); });
    if (options.duration)
        deadline.start(*options.duration);
    // The shells' way of saying which signal ended a program: 128 and its number.
    const StopSignals stopSignals([&](int signal) { finish(128 + signal, {}); });

    if (!finished)
        session.start();
    if (!finished)
        loop.exec();
    session.release();

    const double seconds = static_cast<double>(session.nowUtcMs() - startMs) / 1000.0;
    if (!options.quiet)
        cli.err << summaryOf(
            statistics.in({setup->relativeMode ? TrendUnit::RelativeDb : TrendUnit::Dbm, setup->zeroReferenceDbm}),
            setup->relativeMode, session, seconds);
    if (outputFile)
        outputFile->removeIfWithoutReadings();
    return status;
}

} // namespace merolan
