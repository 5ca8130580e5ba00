#pragma once

#include "core/settings/meter_settings.hpp"

#include <array>
#include <optional>
#include <string_view>

// The rules of the calibration and settings window that need no window: which box a capture
// fills, how far the panel meter references may step, and the panel meter switch.
namespace merolan {

struct CalibrationPoint {
    std::string_view name; // the field's name, for fieldLabel()
    SettingValue MeterSettings::*field;
};

// The six calibration points in capture-slot order (slot n fills element n - 1), which is also
// range order: the -10 dBm and the -50 dBm point of Low, then of Mid, then of High.
inline constexpr std::array<CalibrationPoint, 6> kCalibrationPoints{{
    {"calLowMinus10", &MeterSettings::calLowMinus10},
    {"calLowMinus50", &MeterSettings::calLowMinus50},
    {"calMidMinus10", &MeterSettings::calMidMinus10},
    {"calMidMinus50", &MeterSettings::calMidMinus50},
    {"calHighMinus10", &MeterSettings::calHighMinus10},
    {"calHighMinus50", &MeterSettings::calHighMinus50},
}};

// Slots 1..6 capture; 0 captures nothing.
constexpr bool isCaptureSlot(int slot)
{
    return slot >= 1 && slot <= static_cast<int>(kCalibrationPoints.size());
}

enum class ReferenceStep { Down1, Down10, Up10, Up1 };

// The reference after one arrow click, or nothing when the step would leave 0..1023: a coarse
// step at the end is refused, not cut short, and then nothing is sent.
std::optional<int> stepReference(int value, ReferenceStep step);

// Whether the stored flag switches the meter's own panel meter on: -1 does, any other value
// leaves it off (and is kept as stored until the switch is used).
constexpr bool externalMeterIsOn(const MeterSettings &settings)
{
    return settings.externalMeterOn == -1;
}

// "Activate External Gauge Meter" used: the flag that is saved, and so the mode every frame carries.
void applyExternalMeterSwitch(MeterSettings &settings, bool checked);

// The mode byte of every frame (`commandMode`): it follows the stored flag, so a load, an import
// or a factory reset of the settings switches the panel meter with them.
std::int16_t commandMode(const MeterSettings &settings);

} // namespace merolan
