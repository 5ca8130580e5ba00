#pragma once

#include "cli/command_options.hpp"
#include "link/meter_session.hpp"

#include <QString>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <optional>
#include <variant>

namespace merolan {

enum class OutputFormat { Text, Csv, Jsonl };

// What "merolan-cli measure" was asked to do.
struct MeasureOptions : MeterOptions {
    std::optional<double> relativeToDbm;
    std::chrono::milliseconds interval = kPollInterval;
    bool paced = false;
    std::optional<long long> count;
    std::optional<std::chrono::milliseconds> duration;
    std::optional<OutputFormat> format; // text for a terminal, CSV otherwise, when absent
    std::optional<std::filesystem::path> outputFile;
    bool panelMeter = false;
    bool quiet = false; // no summary at the end
};

// Reads the arguments after "measure"; numbers are read with "." or "," as the point. An
// attenuator is taken only where a level moved by it can be shown (usableAttenuatorDb).
std::variant<MeasureOptions, HelpRequested, UsageError> parseMeasureOptions(const QStringList &arguments);

} // namespace merolan
