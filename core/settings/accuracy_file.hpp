#pragma once

#include "core/instrument/instrument_setup.hpp"
#include "core/reading/power_average.hpp"
#include "core/base/failure.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The accuracy setup kept between runs. The 128-byte settings record has no room for it and
// must stay as it is, so it lives in a small text file of its own beside it, one "name=value" a
// line: average_count, frequency_hz, correction_table (a path) and correction_table_hash.
namespace merolan {

// Where the accuracy setup of a settings file lives: "merolan-accuracy.txt" beside it.
std::filesystem::path accuracyFileBeside(const std::filesystem::path &settingsFile);

struct StoredAccuracy {
    int averageCount = 1;
    std::optional<double> frequencyHz;
    std::string tablePath; // empty: no table
    std::string tableHash; // of the table's bytes when it was chosen
    bool operator==(const StoredAccuracy &) const = default;
};

std::string accuracyText(const StoredAccuracy &stored);
// Lines it does not know are skipped, so a later version's file still reads; a known line with
// a value it cannot use is a failure that names it.
std::variant<StoredAccuracy, Failure> parseAccuracyText(std::string_view text);

// The stored setup brought into force: the table is loaded again, and one that is missing or
// changed since it was chosen is left out, with the reason among the returned notes. A missing
// file is the setup of a first run.
std::vector<std::string> restoreAccuracy(const std::filesystem::path &settingsFile, AccuracySetup &accuracy);

// Saves the setup beside the settings file.
std::optional<Failure> storeAccuracy(const std::filesystem::path &settingsFile, const AccuracySetup &accuracy);

} // namespace merolan
