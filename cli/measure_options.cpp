#include "cli/measure_options.hpp"

#include "cli/command_output.hpp"
#include "cli/typed_values.hpp"
#include "core/text_format.hpp"

#include <QCommandLineParser>

#include <cmath>

namespace merolan {
namespace {

struct Option {
    const char *name;
    const char *valueName; // nullptr for a switch
    const char *help;
};

constexpr Option kOptions[] = {
    {"port", "DEVICE", "Serial device of the meter, e.g. /dev/ttyUSB0 (required)."},
    {"settings", "FILE", "Settings file with the calibration (default: the program's own)."},
    {"range", "low|mid|high", "Frequency range (default: the settings file's)."},
    {"attenuator", "DB", "Attenuator in dB added to the level (default: the settings file's)."},
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

QString optionName(const Option &option)
{
    return QString::fromLatin1(option.name);
}

UsageError expected(const char *option, const QString &given, const char *what)
{
    return {QStringLiteral("--%1: expects %2, not \"%3\"").arg(QLatin1String(option), QLatin1String(what), given)};
}

std::optional<double> number(const QString &text)
{
    return readLocaleNumber(text.toStdString(), '.');
}

} // namespace

std::variant<MeasureOptions, HelpRequested, UsageError> parseMeasureOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Polls the meter and prints one line per reading. Ctrl-C or "
                                                    "SIGTERM ends the run with a summary on stderr."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    for (const Option &option : kOptions) {
        if (option.valueName)
            parser.addOption(QCommandLineOption(optionName(option), QString::fromLatin1(option.help),
                                                QString::fromLatin1(option.valueName)));
        else
            parser.addOption(QCommandLineOption(optionName(option), QString::fromLatin1(option.help)));
    }
    if (!parser.parse(QStringList{QStringLiteral("merolan-cli measure")} + arguments))
        return UsageError{QString::fromStdString(parserProblem(parser))};
    if (parser.isSet(help)) {
        // Qt's first line names the executable's path; ours names the subcommand.
        QString text = parser.helpText();
        text.remove(0, text.indexOf(QLatin1Char('\n')));
        return HelpRequested{QStringLiteral("Usage: merolan-cli measure --port DEVICE [options]") + text +
                             QStringLiteral("\nExit status: 0 done, 1 a file or standard output could not be read or "
                                            "written,\n2 usage error, 3 the port cannot be opened or vanished, 4 no "
                                            "answer from the meter,\n130 ended by Ctrl-C, 143 ended by SIGTERM.\n")};
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageError{QStringLiteral("\"%1\": measure takes no argument; options start with --")
                              .arg(parser.positionalArguments().constFirst())};

    MeasureOptions options;
    options.device = parser.value(QStringLiteral("port"));
    if (options.device.isEmpty())
        return UsageError{QStringLiteral("--port: expects the meter's serial device, such as --port /dev/ttyUSB0")};
    if (parser.isSet(QStringLiteral("settings")))
        options.settingsFile = std::filesystem::path(parser.value(QStringLiteral("settings")).toStdString());

    if (parser.isSet(QStringLiteral("range"))) {
        const QString range = parser.value(QStringLiteral("range")).toLower();
        const QStringList names{QStringLiteral("low"), QStringLiteral("mid"), QStringLiteral("high")};
        if (!names.contains(range))
            return expected("range", range, "low, mid or high");
        options.range = static_cast<int>(names.indexOf(range)) + 1;
    }
    const auto readNumber = [&](const char *name, std::optional<double> &into) -> std::optional<UsageError> {
        const QString text = parser.value(QLatin1String(name));
        if (!parser.isSet(QLatin1String(name)))
            return std::nullopt;
        into = number(text);
        if (!into)
            return expected(name, text, "a number");
        return std::nullopt;
    };
    if (parser.isSet(QStringLiteral("attenuator"))) {
        const QString text = parser.value(QStringLiteral("attenuator"));
        options.attenuatorDb = usableAttenuatorDb(text.toStdString(), '.');
        if (!options.attenuatorDb)
            return expected("attenuator", text, "a number of dB from about -3000 to 3000");
    }
    if (auto error = readNumber("relative-to", options.relativeToDbm))
        return *error;

    // Milliseconds from a positive number of the given unit, within a year; the interval is whole
    // milliseconds as typed, since the timer cannot keep a fraction.
    const auto readTime = [&](const char *name, double unitMs, double minimumMs, bool whole, const char *what,
                              std::optional<std::chrono::milliseconds> &into) -> std::optional<UsageError> {
        if (!parser.isSet(QLatin1String(name)))
            return std::nullopt;
        const QString text = parser.value(QLatin1String(name));
        const std::optional<double> value = number(text);
        if (!value || !(*value * unitMs >= minimumMs) || *value * unitMs > 86'400'000.0 * 365 ||
            (whole && std::floor(*value) != *value))
            return expected(name, text, what);
        into = std::chrono::milliseconds(std::llround(*value * unitMs));
        return std::nullopt;
    };
    std::optional<std::chrono::milliseconds> interval, timeout;
    if (auto error = readTime("interval", 1, 1, true, "a whole number of milliseconds", interval))
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
    if (auto error = readTime("duration", 1000, 1, false, "a positive number of seconds", options.duration))
        return *error;
    if (auto error = readTime("timeout", 1000, 1, false, "a positive number of seconds", timeout))
        return *error;
    options.interval = interval.value_or(options.interval);
    options.timeout = timeout.value_or(options.timeout);
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
