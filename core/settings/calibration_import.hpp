#pragma once

#include "core/base/failure.hpp"
#include "core/settings/meter_settings.hpp"

#include <filesystem>
#include <optional>

namespace merolan {

// Reads a calibration file the user picked, which replaces every setting, so it must plausibly
// be one: a whole 128-byte record that decodes, panel meter references within 0..1023 and six
// calibration points that hold numbers. Otherwise `settings` keeps its values and the failure
// names the file and what is wrong with it.
std::optional<Failure> importCalibrationFile(const std::filesystem::path &file, MeterSettings &settings,
                                             char decimalSeparator);

} // namespace merolan
