#pragma once

#include "core/base/failure.hpp"
#include "core/settings/meter_settings.hpp"

#include <filesystem>
#include <istream>
#include <optional>

namespace merolan {

// None of these throws: a failure comes back naming the file and the cause.

// Reads record 1 from an open stream and replaces every field only when it decodes; on a
// failure `settings` keeps its values.
std::optional<Failure> readSettingsRecord(std::istream &in, MeterSettings &settings);

// Opens the settings file, creating it (and its folder) empty when missing, and reads record 1.
std::optional<Failure> loadSettings(const std::filesystem::path &file, MeterSettings &settings);

// Reads record 1 of a calibration file the user picked; the file must exist.
std::optional<Failure> importSettingsFile(const std::filesystem::path &file, MeterSettings &settings);

// Writes `settings` as record 1. The new content goes to a fresh file beside it that then
// replaces the old one, so an interrupted save never leaves a torn record, and any failure
// leaves the old file as it was. The old padding, a link in the file's place and the
// permission bits are kept.
std::optional<Failure> saveSettings(const std::filesystem::path &file, const MeterSettings &settings,
                                    char decimalSeparator);

} // namespace merolan
