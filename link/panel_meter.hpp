#pragma once

#include "core/app_state.hpp"

#include <QString>

#include <optional>

// The meter's own panel meter: its two reference values and the switch that drives it.
namespace merolan {

enum class ReferenceStep { Down1, Down10, Up10, Up1 };

// The reference after one arrow click, or nothing when the step would leave 0..1023: a coarse
// step at the end is refused, not cut short, and then nothing is sent.
std::optional<int> stepReference(int value, ReferenceStep step);

// The number a reference label shows; a label that is no number gives none.
std::optional<double> referenceLabelValue(const QString &labelText);

// "Activate External Gauge Meter": the flag that is saved and the mode every frame carries.
// Start-up applies the stored flag the same way, with checked = (externalMeterOn == -1).
void applyExternalMeterSwitch(AppState &state, bool checked);

} // namespace merolan
