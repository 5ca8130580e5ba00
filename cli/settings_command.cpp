// merolan-cli settings: the settings file without the windows, under the windows' rules.
#include "cli/cli_context.hpp"

#include "core/atomic_file.hpp"
#include "core/calibration_import.hpp"
#include "core/csv_log.hpp"
#include "core/reading_lines.hpp"
#include "core/settings_fields.hpp"
#include "core/settings_file.hpp"
#include "core/settings_record.hpp"

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
    bool takesJson = false;
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
    bool yes = false;
    QStringList arguments;
};

constexpr Action kShow{
    .name = "show",
    .takesJson = true,
    .about = R"(Prints the nineteen fields of the settings record in record order, each with the kind it
is stored as (empty, integer, double or text) and its value as the windows show it. Texts
are in quotes, so an empty text and blanks stay visible. The file is only read.)",
    .exitStatus = R"(Exit status: 0 shown; 1 there is no such file or it cannot be read; 2 a wrong option.)",
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
    .about = R"(Replaces the settings with those of the calibration file SRC, which must hold a whole
128-byte record, panel meter references within 0..1023 and six calibration points that are
numbers. As after "Load Calibration File" in the windows, the frequency range becomes Low,
the gauge unit dBm, and the external gauge meter switch is on only when SRC says -1.)",
    .exitStatus = R"(Exit status: 0 imported; 1 SRC is no calibration file or the settings cannot be written;
2 a wrong option.)",
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
    .about = R"(Stores VALUE in FIELD with the kind the windows give it. Options go before FIELD, so that
a VALUE such as -10 is not taken for an option. Without a settings file the change starts
from the empty settings, as the windows do. The record must still fit its 128 bytes, and
texts must be Windows-1252.)",
    .exitStatus = R"(Exit status: 0 written; 1 the file cannot be read or written; 2 a wrong option, field or
value.)",
};

constexpr const char *kSettingsHelp = R"(Usage: merolan-cli settings ACTION [OPTIONS]

Actions:
  show     print every field with its kind and value (--json for one JSON object)
  default  write the factory settings (--yes to replace a file)
  import   take the settings from a calibration file
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
        line += " [--json]";
    return line;
}

std::string helpText(const Action &action, const CliContext &cli)
{
    std::string text = "Usage: " + usageLine(action) + "\n\n" + action.about + "\n\nOptions:\n";
    text += "  --file FILE  the settings file (default: " + displayName(cli.settingsFile) + ")\n";
    if (action.takesJson)
        text += "  --json       one JSON object: each field as {\"kind\": ..., \"value\": ...}, value null when\n"
                "               empty, numbers with \".\" and every digit needed to read them back exactly\n";
    if (action.takesYes)
        text += "  --yes        replace a file that exists\n";
    text += "  -h, --help   this text\n";
    if (&action == &kSet) {
        text += "\nFields and what they take:\n";
        for (const SettingField &field : kSettingFields)
            text += "  " + std::string(field.name) + std::string(kNameColumn - field.name.size(), ' ') +
                    std::string(acceptedValues(field.entry)) + "\n";
    }
    return text + "\n" + action.exitStatus + "\n";
}

// The line of one action, or the exit status when nothing is left to do: the help was shown,
// or the user was told what is wrong with the line.
std::variant<ActionLine, int> parseLine(const Action &action, const QStringList &arguments, CliContext &cli)
{
    const auto usageError = [&](const std::string &problem) {
        cli.err << "merolan-cli settings " << action.name << ": " << problem << "\nUsage: " << usageLine(action)
                << "\n";
        return kExitUsage;
    };
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption file(QStringLiteral("file"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    parser.addOption(help);
    parser.addOption(file);
    if (action.takesJson)
        parser.addOption(json);
    if (action.takesYes)
        parser.addOption(yes);
    if (action.optionsFirst)
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QStringList{QStringLiteral("merolan-cli")} + arguments))
        return usageError(utf8(parser.errorText()));
    if (parser.isSet(help)) {
        cli.out << helpText(action, cli);
        return kExitDone;
    }

    ActionLine line;
    line.file = cli.settingsFile;
    if (parser.isSet(file)) {
        if (parser.value(file).isEmpty())
            return usageError("--file expects the name of a file.");
        line.file = pathOf(parser.value(file));
    }
    line.json = action.takesJson && parser.isSet(json);
    line.yes = action.takesYes && parser.isSet(yes);
    line.arguments = parser.positionalArguments();
    if (line.arguments.size() != action.argumentCount) {
        if (action.argumentCount == 0)
            return usageError("takes no argument \"" + utf8(line.arguments.constFirst()) + "\".");
        std::string problem = std::string("expects ") + action.arguments + ".";
        if (action.optionsFirst && line.arguments.size() > action.argumentCount)
            problem += " Options go before FIELD.";
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

int failed(const Action &action, CliContext &cli, const std::string &message)
{
    cli.err << "merolan-cli settings " << action.name << ": " << message << "\n";
    return kExitFailed;
}

int refuseToReplace(const Action &action, CliContext &cli, const fs::path &file, const char *what)
{
    return failed(action, cli, quoted(file) + " exists; add --yes to replace it with " + what + ".");
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
    if (settings.externalMeterOn != -1 && switchWasOn)
        settings.externalMeterOn = 0;
    return settings;
}

// The settings an action works from, or its exit status when there are none to read.
std::variant<MeterSettings, int> requiredSettings(const Action &action, const fs::path &file, CliContext &cli)
{
    auto read = readExisting(file);
    if (const auto *failure = std::get_if<Failure>(&read))
        return failed(action, cli, failure->message);
    if (const std::optional<MeterSettings> &settings = std::get<std::optional<MeterSettings>>(read))
        return *settings;
    return failed(action, cli, "no settings file at " + quoted(file) + ".");
}

int show(const ActionLine &line, CliContext &cli)
{
    const auto settings = requiredSettings(kShow, line.file, cli);
    if (const int *status = std::get_if<int>(&settings))
        return *status;
    const MeterSettings &shown = std::get<MeterSettings>(settings);
    cli.out << (line.json ? settingsJson(shown) : settingsTable(shown, cli.decimalSeparator));
    return kExitDone;
}

int writeDefault(const ActionLine &line, CliContext &cli)
{
    if (!line.yes && entryExists(line.file))
        return refuseToReplace(kDefault, cli, line.file, "the factory settings");
    if (std::optional<Failure> failure = saveSettings(line.file, factorySettings(), cli.decimalSeparator))
        return failed(kDefault, cli, failure->message);
    cli.out << "Wrote the factory settings to " << quoted(line.file) << ".\n";
    return kExitDone;
}

int importFrom(const ActionLine &line, CliContext &cli)
{
    const fs::path source = pathOf(line.arguments.constFirst());
    MeterSettings imported;
    if (std::optional<Failure> failure = importCalibrationFile(source, imported, cli.decimalSeparator))
        return failed(kImport, cli, failure->message);
    const auto previous = readExisting(line.file);
    const auto *before = std::get_if<std::optional<MeterSettings>>(&previous);
    const bool switchWasOn = before && *before && (*before)->externalMeterOn == -1;
    if (std::optional<Failure> failure =
            saveSettings(line.file, asTheWindowsLeaveAnImport(imported, switchWasOn), cli.decimalSeparator))
        return failed(kImport, cli, failure->message);
    cli.out << "Wrote the calibration of " << quoted(source) << " to " << quoted(line.file)
            << " (frequency range Low, gauge unit dBm).\n";
    return kExitDone;
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
        return failed(kExport, cli, failure->message);
    cli.out << "Wrote the settings of " << quoted(line.file) << " to " << quoted(target) << ".\n";
    return kExitDone;
}

int setField(const ActionLine &line, CliContext &cli)
{
    const auto usageError = [&](const std::string &problem) {
        cli.err << "merolan-cli settings set: " << problem << "\n";
        return kExitUsage;
    };
    const std::string name = utf8(line.arguments.at(0));
    const SettingField *field = findSettingField(name);
    if (!field) {
        std::string names;
        for (const SettingField &known : kSettingFields)
            names += (names.empty() ? "" : ", ") + std::string(known.name);
        return usageError("there is no field \"" + name + "\"; the fields are " + names + ".");
    }
    auto read = readExisting(line.file);
    if (const auto *failure = std::get_if<Failure>(&read))
        return failed(kSet, cli, failure->message);
    // As loadSettings would give it, but the file is only created by a save that succeeds.
    const MeterSettings current = std::get<std::optional<MeterSettings>>(read).value_or(MeterSettings{});

    auto changed = withTypedValue(current, *field, utf8(line.arguments.at(1)));
    if (const auto *failure = std::get_if<Failure>(&changed))
        return usageError(failure->message);
    const MeterSettings &settings = std::get<MeterSettings>(changed);
    // Checked before the save, so that a value the record cannot hold is the user's to retype
    // and not a failed file.
    const auto encoded = encodeSettingsRecord(settings, cli.decimalSeparator);
    if (const auto *failure = std::get_if<Failure>(&encoded))
        return usageError(std::string(field->name) + " was not changed. " + failure->message);
    if (std::optional<Failure> failure = saveSettings(line.file, settings, cli.decimalSeparator))
        return failed(kSet, cli, failure->message);
    const SettingValue stored = fieldValue(settings, *field);
    cli.out << "Wrote " << field->name << " = " << shownValue(stored, cli.decimalSeparator) << " (" << kindName(stored)
            << ") to " << quoted(line.file) << ".\n";
    return kExitDone;
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
        return kExitDone;
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
    cli.err << "merolan-cli settings: unknown action \"" << utf8(name) << "\"\n\n" << help;
    return kExitUsage;
}

} // namespace merolan
