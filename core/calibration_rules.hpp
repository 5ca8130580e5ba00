#pragma once

#include "core/app_state.hpp"

#include <array>
#include <optional>

// The rules of the calibration and settings window that need no window: which box a capture
// fills, how far the panel meter references may step, and the panel meter switch.
namespace merolan {

// The six calibration points in capture-slot order: slot n fills element n - 1.
inline constexpr std::array<SettingValue MeterSettings::*, 6> kCalibrationPoints{
    &MeterSettings::calLowMinus10, &MeterSettings::calLowMinus50,  &MeterSettings::calMidMinus10,
    &MeterSettings::calMidMinus50, &MeterSettings::calHighMinus10, &MeterSettings::calHighMinus50,
};

// Slots 1..6 capture; 0 captures nothing.
constexpr bool isCaptureSlot(int slot)
{
    return slot >= 1 && slot <= static_cast<int>(kCalibrationPoints.size());
}

enum class ReferenceStep { Down1, Down10, Up10, Up1 };

// The reference after one arrow click, or nothing when the step would leave 0..1023: a coarse
// step at the end is refused, not cut short, and then nothing is sent.
std::optional<int> stepReference(int value, ReferenceStep step);

// "Activate External Gauge Meter": the flag that is saved and the mode every frame carries.
// Start-up applies the stored flag the same way, with checked = (externalMeterOn == -1).
void applyExternalMeterSwitch(AppState &state, bool checked);

} // namespace merolan
