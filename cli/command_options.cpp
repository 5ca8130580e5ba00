#include "cli/command_options.hpp"

#include "cli/cli_context.hpp"
#include "cli/command_output.hpp"
#include "cli/typed_values.hpp"
#include "core/reading/correction_table.hpp"
#include "core/reading/power_average.hpp"
#include "core/base/text_format.hpp"

#include <cmath>

namespace merolan {

std::optional<std::variant<HelpRequested, UsageError>>
parseCommandLine(QCommandLineParser &parser, const QStringList &arguments, std::span<const OptionSpec> options,
                 const QString &command, const QString &usage, const QString &exitStatus)
{
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    for (const OptionSpec &option : options) {
        if (option.valueName)
            parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), QString::fromLatin1(option.help),
                                                QString::fromLatin1(option.valueName)));
        else
            parser.addOption(QCommandLineOption(QString::fromLatin1(option.name), QString::fromLatin1(option.help)));
    }
    if (!parser.parse(QStringList{QStringLiteral("merolan-cli ") + command} + arguments))
        return UsageError{QString::fromStdString(parserProblem(parser))};
    if (parser.isSet(help)) {
        // Qt's first line names the executable's path; ours names the subcommand.
        QString text = parser.helpText();
        text.remove(0, text.indexOf(QLatin1Char('\n')));
        return HelpRequested{QStringLiteral("Usage: ") + usage + text + QLatin1Char('\n') + exitStatus};
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageError{QStringLiteral("\"%1\": %2 takes no argument; options start with --")
                              .arg(parser.positionalArguments().constFirst(), command)};
    return std::nullopt;
}

std::optional<int> endForHelpOrUsage(const HelpRequested *help, const UsageError *usage, CliContext &cli,
                                     const char *command)
{
    if (help) {
        cli.out << help->text.toStdString();
        return endOutput(cli, command, kExitDone);
    }
    if (usage) {
        tell(cli, command, usage->message.toStdString());
        cli.err << "merolan-cli " << command << " --help lists the options.\n";
        return kExitUsage;
    }
    return std::nullopt;
}

UsageError expected(const char *option, const QString &given, const char *what)
{
    return {QStringLiteral("--%1: expects %2, not \"%3\"").arg(QLatin1String(option), QLatin1String(what), given)};
}

std::optional<double> typedNumber(const QString &text)
{
    return readLocaleNumber(text.toStdString(), '.');
}

std::optional<UsageError> readDuration(const QCommandLineParser &parser, const char *name, double unitMs,
                                       double minimumMs, bool whole, const char *what,
                                       std::optional<std::chrono::milliseconds> &into)
{
    if (!parser.isSet(QLatin1String(name)))
        return std::nullopt;
    const QString text = parser.value(QLatin1String(name));
    const std::optional<double> value = typedNumber(text);
    if (!value || !(*value * unitMs >= minimumMs) || *value * unitMs > 86'400'000.0 * 365 ||
        (whole && std::floor(*value) != *value))
        return expected(name, text, what);
    into = std::chrono::milliseconds(std::llround(*value * unitMs));
    return std::nullopt;
}

std::optional<UsageError> readMeterOptions(const QCommandLineParser &parser, MeterOptions &options)
{
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
    if (parser.isSet(QStringLiteral("attenuator"))) {
        const QString text = parser.value(QStringLiteral("attenuator"));
        options.attenuatorDb = usableAttenuatorDb(text.toStdString(), '.');
        if (!options.attenuatorDb)
            return expected("attenuator", text, "a number of dB from about -3000 to 3000");
    }
    if (parser.isSet(QStringLiteral("average"))) {
        bool ok = false;
        const QString text = parser.value(QStringLiteral("average"));
        const int count = text.toInt(&ok);
        if (!ok || count < 1 || count > kMaxAverageCount)
            return expected("average", text, "a whole number from 1 to 1024");
        options.averageCount = count;
    }
    if (parser.isSet(QStringLiteral("frequency"))) {
        const QString text = parser.value(QStringLiteral("frequency"));
        options.frequencyHz = parseFrequency(text.toStdString());
        if (!options.frequencyHz)
            return expected("frequency", text, "a frequency in Hz above 0, k, M or G allowed, such as 433.92M");
    }
    if (parser.isSet(QStringLiteral("correction"))) {
        const QString text = parser.value(QStringLiteral("correction"));
        if (text.isEmpty())
            return expected("correction", text, "the name of a correction table file");
        options.correctionFile = std::filesystem::path(text.toStdString());
    }
    std::optional<std::chrono::milliseconds> timeout;
    if (auto error = readDuration(parser, "timeout", 1000, 1, false, "a positive number of seconds", timeout))
        return *error;
    options.timeout = timeout.value_or(options.timeout);
    return std::nullopt;
}

} // namespace merolan
