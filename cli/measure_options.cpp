#include "cli/measure_options.hpp"

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
    {"relative-to", "DBM", "Also give the level in dB relative to DBM."},
    {"interval", "MS", "Poll interval in milliseconds, from 90 on (default 330)."},
    {"paced", nullptr, "Poll again as soon as an answer is handled: as fast as meter and line allow."},
    {"count", "N", "Stop after N readings."},
    {"duration", "SECONDS", "Stop after this time."},
    {"timeout", "SECONDS", "Give up when the meter does not answer for this long (default 2)."},
    {"format", "text|csv|jsonl", "Output format (default: text on a terminal, csv otherwise)."},
    {"output", "FILE", "Write the readings to FILE, which must not exist yet, instead of stdout."},
    {"panel-meter", nullptr, "Also send the update frames that move the meter's own panel meter."},
    {"quiet", nullptr, "Leave out the summary at the end."},
};

} // namespace

std::variant<MeasureOptions, HelpRequested, UsageError> parseMeasureOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Polls the meter and prints one line per reading. Ctrl-C or "
                                                    "SIGTERM ends the run with a summary on stderr."));
    if (auto ended = parseCommandLine(
            parser, arguments, kOptions, QStringLiteral("measure"),
            QStringLiteral("merolan-cli measure --port DEVICE [options]"),
            QStringLiteral("Exit status: 0 done, 1 a file or standard output could not be read or written,\n2 usage "
                           "error, 3 the port cannot be opened or vanished, 4 no answer from the meter,\n130 ended "
                           "by Ctrl-C, 143 ended by SIGTERM.\n"))) {
        return endedWith<MeasureOptions>(*ended);
    }

    MeasureOptions options;
    if (auto error = readMeterOptions(parser, options))
        return *error;
    if (parser.isSet(QStringLiteral("relative-to"))) {
        const QString text = parser.value(QStringLiteral("relative-to"));
        options.relativeToDbm = typedNumber(text);
        if (!options.relativeToDbm)
            return expected("relative-to", text, "a number");
    }

    std::optional<std::chrono::milliseconds> interval;
    if (auto error = readDuration(parser, "interval", 1, 1, true, "a whole number of milliseconds", interval))
        return *error;
    if (interval && *interval < kShortestPollInterval) {
        return UsageError{QStringLiteral("--interval: expects a whole number of milliseconds from %1 on, not \"%2\": "
                                         "an answer may come up to %3 ms after its poll and a damaged one holds the "
                                         "line %4 ms more, so closer polls would spoil the answer after it")
                              .arg(kShortestPollInterval.count())
                              .arg(parser.value(QStringLiteral("interval")))
                              .arg(kPacedAnswerTimeout.count())
                              .arg(kLineQuietTime.count())};
    }
    if (auto error = readDuration(parser, "duration", 1000, 1, false, "a positive number of seconds", options.duration))
        return *error;
    options.interval = interval.value_or(options.interval);
    options.paced = parser.isSet(QStringLiteral("paced"));
    if (options.paced && interval)
        return UsageError{QStringLiteral("--paced and --interval: they exclude each other; choose one")};

    if (parser.isSet(QStringLiteral("count"))) {
        bool ok = false;
        const QString text = parser.value(QStringLiteral("count"));
        const long long count = text.toLongLong(&ok);
        if (!ok || count < 1)
            return expected("count", text, "a whole number from 1 on");
        options.count = count;
    }
    if (parser.isSet(QStringLiteral("format"))) {
        const QString format = parser.value(QStringLiteral("format")).toLower();
        if (format == QLatin1String("text"))
            options.format = OutputFormat::Text;
        else if (format == QLatin1String("csv"))
            options.format = OutputFormat::Csv;
        else if (format == QLatin1String("jsonl"))
            options.format = OutputFormat::Jsonl;
        else
            return expected("format", format, "text, csv or jsonl");
    }
    if (parser.isSet(QStringLiteral("output"))) {
        const QString output = parser.value(QStringLiteral("output"));
        if (output.isEmpty())
            return expected("output", output, "the name of a new file");
        options.outputFile = std::filesystem::path(output.toStdString());
    }
    options.panelMeter = parser.isSet(QStringLiteral("panel-meter"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    return options;
}

} // namespace merolan
