#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <variant>

// What the commands that talk to the meter share in reading their options.
namespace merolan {

struct OptionSpec {
    const char *name;
    const char *valueName; // nullptr for a switch
    const char *help;
};

struct HelpRequested {
    QString text;
};
struct UsageError {
    QString message; // "--OPTION: what it expects, not what was given"
};

// Which meter a command talks to and with which settings.
struct MeterOptions {
    QString device;
    std::optional<std::filesystem::path> settingsFile; // the program's own when absent
    std::optional<int> range;                          // 1 Low, 2 Mid, 3 High
    std::optional<double> attenuatorDb;
    std::chrono::milliseconds timeout{2000};
    // Over the accuracy setup kept beside the settings file.
    std::optional<int> averageCount;
    std::optional<double> frequencyHz;
    std::optional<std::filesystem::path> correctionFile;
};

// The options MeterOptions reads, for a command's table; `timeoutHelp` says what the time-out does.
inline constexpr OptionSpec kPortOption{"port", "DEVICE", "Serial device of the meter, e.g. /dev/ttyUSB0 (required)."};
inline constexpr OptionSpec kSettingsOption{"settings", "FILE",
                                            "Settings file with the calibration (default: the program's own)."};
inline constexpr OptionSpec kRangeOption{"range", "low|mid|high", "Frequency range (default: the settings file's)."};
inline constexpr OptionSpec kAttenuatorOption{"attenuator", "DB",
                                              "Attenuator in dB added to the level (default: the settings file's)."};
inline constexpr OptionSpec kAverageOption{"average", "N",
                                           "Show the moving average of N readings, in linear power (1 to 1024)."};
inline constexpr OptionSpec kFrequencyOption{"frequency", "HZ", "Measurement frequency, k, M or G allowed (2.4G)."};
inline constexpr OptionSpec kCorrectionOption{"correction", "FILE",
                                              "Correction table over frequency (CSV: frequency_hz,correction_db)."};

// Parses `arguments` (those after the command's name) into `parser` with `options` and a help
// switch. Gives the help text ("Usage: " + `usage`, the options, `exitStatus`) when asked for, a
// usage error when the arguments do not parse or hold positional words, else nothing.
std::optional<std::variant<HelpRequested, UsageError>>
parseCommandLine(QCommandLineParser &parser, const QStringList &arguments, std::span<const OptionSpec> options,
                 const QString &command, const QString &usage, const QString &exitStatus);

// The help or the usage error as the result of a command's option reading.
template <class Options>
std::variant<Options, HelpRequested, UsageError> endedWith(const std::variant<HelpRequested, UsageError> &ended)
{
    return std::visit([](const auto &end) -> std::variant<Options, HelpRequested, UsageError> { return end; }, ended);
}

UsageError expected(const char *option, const QString &given, const char *what);
// A number as the user typed it, "." or "," as the point.
std::optional<double> typedNumber(const QString &text);
// Milliseconds from a positive number of `unitMs`, at least `minimumMs`, within a year; `whole`
// asks for a whole number as typed. Leaves `into` alone when the option is not given.
std::optional<UsageError> readDuration(const QCommandLineParser &parser, const char *name, double unitMs,
                                       double minimumMs, bool whole, const char *what,
                                       std::optional<std::chrono::milliseconds> &into);
// The options of kPortOption, kSettingsOption, kRangeOption, kAttenuatorOption, the accuracy
// options and "timeout".
std::optional<UsageError> readMeterOptions(const QCommandLineParser &parser, MeterOptions &options);

struct CliContext;

// Prints the help or tells the usage error of `command`; the exit status to end with, or none
// when the options were read and the command goes on.
std::optional<int> endForHelpOrUsage(const HelpRequested *help, const UsageError *usage, CliContext &cli,
                                     const char *command);

template <class Options>
std::optional<int> endForHelpOrUsage(const std::variant<Options, HelpRequested, UsageError> &parsed, CliContext &cli,
                                     const char *command)
{
    return endForHelpOrUsage(std::get_if<HelpRequested>(&parsed), std::get_if<UsageError>(&parsed), cli, command);
}

} // namespace merolan
