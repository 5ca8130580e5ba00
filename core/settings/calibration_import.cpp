#include "core/settings/calibration_import.hpp"

#include "core/settings/atomic_file.hpp"
#include "core/settings/calibration_rules.hpp"
#include "core/settings/settings_file.hpp"
#include "core/settings/settings_record.hpp"
#include "core/reading/wire_protocol.hpp"

#include <string>
#include <system_error>
#include <utility>

namespace merolan {
namespace {

std::optional<std::string> implausibility(const MeterSettings &s, char decimalSeparator)
{
    const std::pair<std::string_view, std::int16_t> references[] = {{"lowRefPwm", s.lowRefPwm},
                                                                    {"highRefPwm", s.highRefPwm}};
    for (const auto &[name, value] : references)
        if (value < 0 || value > kMaxPwm)
            return "its " + std::string(fieldLabel(name)) + " is " + std::to_string(value) + ", outside 0 to " +
                   std::to_string(kMaxPwm) + ".";
    for (const auto &[name, field] : kCalibrationPoints)
        if (std::holds_alternative<std::monostate>(s.*field) || !numericValue(s.*field, decimalSeparator))
            return "its " + std::string(fieldLabel(name)) + " holds no number.";
    return std::nullopt;
}

} // namespace

std::optional<Failure> importCalibrationFile(const std::filesystem::path &file, MeterSettings &settings,
                                             char decimalSeparator)
{
    const auto notACalibration = [&](const std::string &why) {
        return Failure{"The file \"" + displayName(file) + "\" is not a calibration file: " + why};
    };
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size < kRecordLength)
        return notACalibration("it holds " + std::to_string(size) + (size == 1 ? " byte" : " bytes") +
                               ", and a calibration record takes " + std::to_string(kRecordLength) + ".");
    MeterSettings imported = settings;
    if (std::optional<Failure> failure = importSettingsFile(file, imported))
        return failure;
    if (std::optional<std::string> why = implausibility(imported, decimalSeparator))
        return notACalibration(*why);
    settings = std::move(imported);
    return std::nullopt;
}

} // namespace merolan
