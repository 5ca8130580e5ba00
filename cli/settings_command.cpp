// merolan-cli settings: the settings file without the windows, under the windows' rules.
#include "cli/cli_context.hpp"
#include "cli/command_output.hpp"
#include "cli/typed_values.hpp"

#include "core/settings/atomic_file.hpp"
#include "core/settings/calibration_import.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/reading/conversion.hpp"
#include "core/logs/csv_log.hpp"
#include "core/logs/reading_lines.hpp"
#include "core/reading/scale_range.hpp"
#include "core/settings/settings_fields.hpp"
#include "core/settings/settings_file.hpp"
#include "core/settings/settings_record.hpp"
#include "core/base/text_format.hpp"

#include <QCommandLineParser>
#include <QFile>

#include <optional>
#include <string>
#include <system_error>
#include <variant>

namespace merolan {
namespace {
namespace fs = std::filesystem;

// One action's command line beyond --file and --help.
struct Action {
    const char *name;
    const char *arguments = ""; // as the usage line names them
    qsizetype argumentCount = 0;
    bool takesJson = false; // and --raw: show's two other views
    bool takesYes = false;
    // Options before FIELD only, so that a VALUE such as -10 is not read as an option.
    bool optionsFirst = false;
    const char *about = "";
    const char *exitStatus = "";
};

// The longest field name, externalMeterOn, and two blanks.
constexpr std::size_t kNameColumn = 17;

struct ActionLine {
    fs::path file;
    bool json = false;
    bool raw = false;
    bool yes = false;
    QStringList arguments;
};

constexpr Action kShow{
    .name = "show",
    .takesJson = true,
    .about = R"(Prints the settings as the windows show them: each under its window's caption, with its
unit, the frequency range and gauge unit by name. --raw lists the nineteen fields of the
record instead, in record order, each with the kind it is stored as (empty, integer, double
or text) and its value; texts are in quotes, so an empty text and blanks stay visible. The
file is only read.)",
    .exitStatus = R"(Exit status: 0 shown; 1 there is no such file, it cannot be read, or standard output cannot be
written; 2 a wrong option.)",
};

constexpr Action kDefault{
    .name = "default",
    .takesYes = true,
    .about = R"(Writes the factory settings, as "Create default calibration" does. A file that exists
is replaced only with --yes. A missing folder is created.)",
    .exitStatus = R"(Exit status: 0 written; 1 the file exists and --yes is missing, or it cannot be written;
2 a wrong option.)",
};

constexpr Action kImport{
    .name = "import",
    .arguments = "SRC",
    .argumentCount = 1,
    .takesYes = true,
    .about = R"(Replaces the settings with those of the calibration file SRC, which must hold a whole
128-byte record, panel meter references within 0..1023 and six calibration points that are
numbers. As after "Load Calibration File" in the windows, the frequency range becomes Low,
the gauge unit dBm, and the external gauge meter switch is on only when SRC says -1. A
settings file that exists is replaced only with --yes.)",
    .exitStatus = R"(Exit status: 0 imported; 1 SRC is no calibration file, or the settings file exists and
--yes is missing, or it cannot be written; 2 a wrong option.)",
};

constexpr Action kExport{
    .name = "export",
    .arguments = "DST",
    .argumentCount = 1,
    .takesYes = true,
    .about = R"(Writes the settings to DST, from where "Load Calibration File" or "settings import"
takes them back. A DST that exists is replaced only with --yes.)",
    .exitStatus = R"(Exit status: 0 written; 1 there are no settings, or DST exists and --yes is missing, or DST
cannot be written; 2 a wrong option.)",
};

constexpr Action kSet{
    .name = "set",
    .arguments = "FIELD VALUE",
    .argumentCount = 2,
    .optionsFirst = true,
    .about = R"(Stores VALUE in FIELD with the kind the windows give it, once FIELD can use it: a text
field keeps the text as typed. Options go before FIELD, so that a VALUE such as -10 is not
taken for an option. Without a settings file the change starts from the empty settings, as
the windows do. The record must still fit its 128 bytes, and texts must be Windows-1252.)",
    .exitStatus = R"(Exit status: 0 written; 1 the file cannot be read or written; 2 a wrong option, field or
value.)",
};

constexpr const char *kSettingsHelp = R"(Usage: merolan-cli settings ACTION [OPTIONS]

Actions:
  show     print the settings as the windows show them (--raw: the record's fields, --json)
  default  write the factory settings (--yes to replace a file)
  import   take the settings from a calibration file (--yes to replace a file)
  export   copy the settings to another file (--yes to replace it)
  set      change one field

Every action works on --file FILE, by default the program's own settings file:
)";

std::string utf8(const QString &text)
{
    return text.toStdString();
}

fs::path pathOf(const QString &name)
{
    return fs::path(QFile::encodeName(name).toStdString());
}

std::string quoted(const fs::path &file)
{
    return "\"" + displayName(file) + "\"";
}

std::string usageLine(const Action &action)
{
    std::string line = std::string("merolan-cli settings ") + action.name;
    const std::string arguments = *action.arguments ? std::string(" ") + action.arguments : std::string();
    if (action.optionsFirst)
        return line + " [--file FILE]" + arguments;
    line += arguments + " [--file FILE]";
    if (action.takesYes)
        line += " [--yes]";
    if (action.takesJson)
        line += " [--raw | --json]";
    return line;
}

std::string helpText(const Action &action, const CliContext &cli)
{
    std::string text = "Usage: " + usageLine(action) + "\n\n" + action.about + "\n\nOptions:\n";
    text += "  --file FILE  the settings file (default: " + displayName(cli.settingsFile) + ")\n";
    if (action.takesJson)
        text += "  --raw        the record's fields with their stored kinds and values\n"
                "  --json       one JSON object: each field as {\"kind\": ..., \"value\": ...}, value null when\n"
                "               empty, numbers with \".\" and every digit needed to read them back exactly\n";
    if (action.takesYes)
        text += "  --yes        replace a file that exists\n";
    text += "  -h, --help   this text\n";
    if (&action == &kSet) {
        text += "\nFields and what they take:\n";
        for (const SettingField &field : kSettingFields)
            text += "  " + std::string(field.name) + std::string(kNameColumn - field.name.size(), ' ') +
                    whatFieldTakes(field) + "\n";
    }
    return text + "\n" + action.exitStatus + "\n";
}

// The line of one action, or the exit status when nothing is left to do: the help was shown,
// or the user was told what is wrong with the line.
std::variant<ActionLine, int> parseLine(const Action &action, const QStringList &arguments, CliContext &cli)
{
    const std::string command = std::string("settings ") + action.name;
    const auto usageError = [&](const std::string &problem) {
        tell(cli, command, problem);
        cli.err << "Usage: " << usageLine(action) << "\n";
        return kExitUsage;
    };
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption file(QStringLiteral("file"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption raw(QStringLiteral("raw"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    parser.addOption(help);
    parser.addOption(file);
    if (action.takesJson) {
        parser.addOption(json);
        parser.addOption(raw);
    }
    if (action.takesYes)
        parser.addOption(yes);
    if (action.optionsFirst)
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QStringList{QStringLiteral("merolan-cli")} + arguments))
        return usageError(parserProblem(parser));
    if (parser.isSet(help)) {
        cli.out << helpText(action, cli);
        return endOutput(cli, command, kExitDone);
    }

    ActionLine line;
    line.file = cli.settingsFile;
    if (parser.isSet(file)) {
        if (parser.value(file).isEmpty())
            return usageError("--file: expects the name of a file");
        line.file = pathOf(parser.value(file));
    }
    line.json = action.takesJson && parser.isSet(json);
    line.raw = action.takesJson && parser.isSet(raw);
    if (line.json && line.raw)
        return usageError("--raw and --json: they exclude each other; choose one");
    line.yes = action.takesYes && parser.isSet(yes);
    line.arguments = parser.positionalArguments();
    if (line.arguments.size() != action.argumentCount) {
        if (action.argumentCount == 0)
            return usageError("\"" + utf8(line.arguments.constFirst()) + "\": " + command + " takes no argument");
        std::string problem = std::string("wrong arguments: ") + command + " expects " + action.arguments;
        if (action.optionsFirst && line.arguments.size() > action.argumentCount)
            problem += "; options go before FIELD";
        return usageError(problem);
    }
    return line;
}

bool entryExists(const fs::path &path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// The settings in `file`, or none when there is no file; never creates it.
std::variant<std::optional<MeterSettings>, Failure> readExisting(const fs::path &file)
{
    const auto read = readFileBytes(file, kRecordLength);
    if (const auto *failure = std::get_if<Failure>(&read))
        return Failure{"The file " + quoted(file) + " was not loaded: " + failure->message};
    if (!std::get<FileBytes>(read).exists)
        return std::optional<MeterSettings>();
    MeterSettings settings;
    if (std::optional<Failure> failure = importSettingsFile(file, settings))
        return *failure;
    return std::optional(settings);
}

std::string commandOf(const Action &action)
{
    return std::string("settings ") + action.name;
}

int failed(const Action &action, CliContext &cli, const std::string &message)
{
    tell(cli, commandOf(action), message);
    return kExitFailed;
}

int failed(const Action &action, CliContext &cli, std::string_view what, const Failure &failure)
{
    tell(cli, commandOf(action), what, failure);
    return kExitFailed;
}

int refuseToReplace(const Action &action, CliContext &cli, const fs::path &file, const std::string &what)
{
    return failed(action, cli, "cannot replace " + quoted(file) + ": it exists; add --yes to replace it with " + what);
}

// What the action printed, checked: a failed write to standard output fails the action.
int done(const Action &action, CliContext &cli)
{
    return endOutput(cli, commandOf(action), kExitDone);
}

const char *kindName(const SettingValue &value)
{
    constexpr const char *names[] = {"empty", "integer", "double", "text"};
    return names[value.index()];
}

std::string shownValue(const SettingValue &value, char decimalSeparator)
{
    if (const auto *text = std::get_if<std::string>(&value))
        return jsonString(*text);
    return textForm(value, decimalSeparator);
}

std::string jsonValue(const SettingValue &value)
{
    if (std::holds_alternative<std::monostate>(value))
        return "null";
    if (const auto *text = std::get_if<std::string>(&value))
        return jsonString(*text);
    if (const auto *n = std::get_if<std::int16_t>(&value))
        return std::to_string(*n);
    // A decoded double is always finite, so its shortest round-trip text is a valid JSON number.
    return csvNumber(std::get<double>(value));
}

std::string settingsTable(const MeterSettings &settings, char decimalSeparator)
{
    std::string text;
    for (const SettingField &field : kSettingFields) {
        const SettingValue value = fieldValue(settings, field);
        const std::string kind = kindName(value);
        std::string line = std::string(field.name) + std::string(kNameColumn - field.name.size(), ' ') + kind +
                           std::string(9 - kind.size(), ' ') + shownValue(value, decimalSeparator);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

// A value as its box shows it, with its unit when it is a plain number. A text the box holds in
// another form ("10 mW", or one the program cannot read) stays as typed, in quotes.
std::string withUnit(const SettingValue &value, std::string_view unit, char decimalSeparator)
{
    const std::string text = textForm(value, decimalSeparator);
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "(empty)";
    if (readLocaleNumber(text, decimalSeparator))
        return text.substr(first, text.find_last_not_of(" \t") + 1 - first) + " " + std::string(unit);
    return jsonString(text);
}

// The longest caption, "Activate External Gauge Meter", and two blanks.
constexpr std::size_t kCaptionColumn = 31;

std::string captionLine(std::string_view caption, const std::string &value)
{
    const std::size_t gap = caption.size() < kCaptionColumn ? kCaptionColumn - caption.size() : 1;
    return "  " + std::string(caption) + std::string(gap, ' ') + value + "\n";
}

// The settings as a user meets them: under the window that shows each, by its caption there,
// in the unit it is in, and choices by name.
std::string settingsAsShown(const MeterSettings &s, char sep)
{
    constexpr std::string_view rangeNames[] = {"none", "Low", "Mid", "High"};
    const std::optional<GaugeUnit> unit = selectedGaugeUnit(s, sep);
    const std::string scale[] = {
        withUnit(s.dbmScaleMax, "dBm", sep) + ", " + withUnit(s.wattScaleMax, "W", sep) + ", " +
            withUnit(s.voltScaleMax, "V", sep),
        withUnit(s.dbmScaleMin, "dBm", sep) + ", " + withUnit(s.wattScaleMin, "W", sep) + ", " +
            withUnit(s.voltScaleMin, "V", sep),
    };
    std::string text = "Main window\n";
    text += captionLine("Attenuator", withUnit(s.attenuatorDbm, "dB", sep));
    text += captionLine("Max Scale", scale[0]);
    text += captionLine("Min Scale", scale[1]);
    text += captionLine("Frequency range", std::string(rangeNames[selectedRange(s, sep)]));
    text += captionLine("Gauge unit", unit ? std::string(unitName(*unit)) : std::string("none"));
    text += captionLine("Activate External Gauge Meter", externalMeterIsOn(s) ? "on" : "off");
    text += "Calibration and Settings\n";
    text += captionLine("Gauge meter low reference", std::to_string(s.lowRefPwm));
    text += captionLine("Gauge meter high reference", std::to_string(s.highRefPwm));
    for (const CalibrationPoint &point : kCalibrationPoints) {
        // "Low -10 dBm calibration point": the frame's caption and the row's.
        const std::string_view label = fieldLabel(point.name);
        text += captionLine(label.substr(0, label.find(" calibration")), withUnit(s.*point.field, "V", sep));
    }
    text += captionLine("Log Detector Warning Level", withUnit(s.warningLevelDbm, "dBm", sep));
    return text;
}

std::string settingsJson(const MeterSettings &settings)
{
    std::string text = "{\n";
    for (const SettingField &field : kSettingFields) {
        const SettingValue value = fieldValue(settings, field);
        text += "  \"" + std::string(field.name) + "\": {\"kind\": \"" + kindName(value) +
                "\", \"value\": " + jsonValue(value) + "}" + (&field == &kSettingFields.back() ? "\n" : ",\n");
    }
    return text + "}\n";
}

// "Load Calibration File" ends by showing the settings in the main window, whose range and
// unit boxes then select Low and dBm and whose switch follows the stored flag; a save from the
// windows stores those, so the file gets them here too. The switch's own reaction writes its
// flag only when the box changes: clearing a box that was checked (the old file's flag was -1)
// stores 0, while a box that stays clear leaves the imported flag as it was.
MeterSettings asTheWindowsLeaveAnImport(MeterSettings settings, bool switchWasOn)
{
    settings.frequencyRange = static_cast<std::int16_t>(FrequencyRange::Low);
    settings.gaugeUnit = static_cast<std::int16_t>(GaugeUnit::Dbm);
    if (!externalMeterIsOn(settings) && switchWasOn)
        settings.externalMeterOn = 0;
    return settings;
}

// The settings an action works from, or its exit status when there are none to read.
std::variant<MeterSettings, int> requiredSettings(const Action &action, const fs::path &file, CliContext &cli)
{
    auto read = readExisting(file);
    if (const auto *failure = std::get_if<Failure>(&read))
        return failed(action, cli, "cannot read the settings", *failure);
    if (const std::optional<MeterSettings> &settings = std::get<std::optional<MeterSettings>>(read))
        return *settings;
    return failed(action, cli, "cannot read the settings: there is no file " + quoted(file));
}

int show(const ActionLine &line, CliContext &cli)
{
    const auto settings = requiredSettings(kShow, line.file, cli);
    if (const int *status = std::get_if<int>(&settings))
        return *status;
    const MeterSettings &shown = std::get<MeterSettings>(settings);
    cli.out << (line.json  ? settingsJson(shown)
                : line.raw ? settingsTable(shown, cli.decimalSeparator)
                           : settingsAsShown(shown, cli.decimalSeparator));
    return done(kShow, cli);
}

int writeDefault(const ActionLine &line, CliContext &cli)
{
    if (!line.yes && entryExists(line.file))
        return refuseToReplace(kDefault, cli, line.file, "the factory settings");
    if (std::optional<Failure> failure = saveSettings(line.file, factorySettings(), cli.decimalSeparator))
        return failed(kDefault, cli, "cannot write the factory settings", *failure);
    cli.out << "Wrote the factory settings to " << quoted(line.file) << ".\n";
    return done(kDefault, cli);
}

int importFrom(const ActionLine &line, CliContext &cli)
{
    const fs::path source = pathOf(line.arguments.constFirst());
    MeterSettings imported;
    if (std::optional<Failure> failure = importCalibrationFile(source, imported, cli.decimalSeparator))
        return failed(kImport, cli, "cannot import the calibration", *failure);
    if (!line.yes && entryExists(line.file))
        return refuseToReplace(kImport, cli, line.file, "the calibration of " + quoted(source));
    const auto previous = readExisting(line.file);
    const auto *before = std::get_if<std::optional<MeterSettings>>(&previous);
    const bool switchWasOn = before && *before && externalMeterIsOn(**before);
    if (std::optional<Failure> failure =
            saveSettings(line.file, asTheWindowsLeaveAnImport(imported, switchWasOn), cli.decimalSeparator))
        return failed(kImport, cli, "cannot write the settings", *failure);
    cli.out << "Wrote the calibration of " << quoted(source) << " to " << quoted(line.file)
            << " (frequency range Low, gauge unit dBm).\n";
    return done(kImport, cli);
}

int exportTo(const ActionLine &line, CliContext &cli)
{
    const fs::path target = pathOf(line.arguments.constFirst());
    const auto settings = requiredSettings(kExport, line.file, cli);
    if (const int *status = std::get_if<int>(&settings))
        return *status;
    if (!line.yes && entryExists(target))
        return refuseToReplace(kExport, cli, target, "the settings");
    if (std::optional<Failure> failure = saveSettings(target, std::get<MeterSettings>(settings), cli.decimalSeparator))
        return failed(kExport, cli, "cannot export the settings", *failure);
    cli.out << "Wrote the settings of " << quoted(line.file) << " to " << quoted(target) << ".\n";
    return done(kExport, cli);
}

int setField(const ActionLine &line, CliContext &cli)
{
    const auto usageError = [&](const std::string &problem) {
        tell(cli, commandOf(kSet), problem);
        return kExitUsage;
    };
    const std::string name = utf8(line.arguments.at(0));
    const SettingField *field = findSettingField(name);
    if (!field) {
        std::string names;
        for (const SettingField &known : kSettingFields)
            names += (names.empty() ? "" : ", ") + std::string(known.name);
        return usageError("\"" + name + "\": there is no such field; the fields are " + names);
    }
    auto read = readExisting(line.file);
    if (const auto *failure = std::get_if<Failure>(&read))
        return failed(kSet, cli, "cannot read the settings", *failure);
    // As loadSettings would give it, but the file is only created by a save that succeeds.
    const MeterSettings current = std::get<std::optional<MeterSettings>>(read).value_or(MeterSettings{});

    const std::string typed = utf8(line.arguments.at(1));
    const std::optional<std::string> usable = usableFieldText(*field, typed, cli.decimalSeparator);
    const std::variant<MeterSettings, Failure> changed =
        usable ? withTypedValue(current, *field, *usable) : std::variant<MeterSettings, Failure>(Failure{});
    if (std::holds_alternative<Failure>(changed))
        return usageError(std::string(field->name) + ": takes " + whatFieldTakes(*field) + ", not " +
                          jsonString(typed));
    const MeterSettings &settings = std::get<MeterSettings>(changed);
    // Checked before the save, so that a value the record cannot hold is the user's to retype
    // and not a failed file.
    const auto encoded = encodeSettingsRecord(settings, cli.decimalSeparator);
    if (const auto *failure = std::get_if<Failure>(&encoded)) {
        std::string cause = failure->message;
        if (cause.starts_with("The "))
            cause[0] = 't';
        return usageError(std::string(field->name) + ": not changed: " + cause);
    }
    if (std::optional<Failure> failure = saveSettings(line.file, settings, cli.decimalSeparator))
        return failed(kSet, cli, "cannot write the settings", *failure);
    const SettingValue stored = fieldValue(settings, *field);
    cli.out << "Wrote " << field->name << " = " << shownValue(stored, cli.decimalSeparator) << " (" << kindName(stored)
            << ") to " << quoted(line.file) << ".\n";
    return done(kSet, cli);
}

} // namespace

int runSettingsCommand(const QStringList &arguments, CliContext &cli)
{
    const std::string help = kSettingsHelp + displayName(cli.settingsFile) +
                             "\n\nmerolan-cli settings ACTION --help tells more about each.\n";
    if (arguments.isEmpty()) {
        cli.err << help;
        return kExitUsage;
    }
    const QString name = arguments.constFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        cli.out << help;
        return endOutput(cli, "settings", kExitDone);
    }
    const std::pair<const Action *, int (*)(const ActionLine &, CliContext &)> actions[] = {
        {&kShow, show}, {&kDefault, writeDefault}, {&kImport, importFrom}, {&kExport, exportTo}, {&kSet, setField},
    };
    for (const auto &[action, run] : actions) {
        if (name != QLatin1String(action->name))
            continue;
        auto line = parseLine(*action, arguments.mid(1), cli);
        if (const int *status = std::get_if<int>(&line))
            return *status;
        return run(std::get<ActionLine>(line), cli);
    }
    tell(cli, "settings", "\"" + utf8(name) + "\": there is no such action");
    cli.err << '\n' << help;
    return kExitUsage;
}

} // namespace merolan
