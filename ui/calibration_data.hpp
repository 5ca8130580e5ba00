#pragma once

#include "core/settings/meter_settings.hpp"

#include <QString>

#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace merolan {

struct AppContext;

// What the calibration window needs from the main window after it replaced the settings.
struct CalibrationHooks {
    std::function<void()> showSettingsInWindows;
    // Checks or clears "Activate External Gauge Meter"; the box's own reaction sets the flag.
    std::function<void(bool)> setExternalMeterChecked;
};

// The number a reference label shows; a label that is no number gives none.
std::optional<double> referenceLabelValue(const QString &labelText);

// What the window holds when the user saves: its seven boxes and its two reference labels.
struct CalibrationEdits {
    std::array<QString, 6> points; // in slot order
    QString warningLevel;
    QString lowReference;
    QString highReference;
};

// The settings with the edits applied: the boxes as texts, exactly as typed, and the labels
// as 16-bit integers rounded half to even. A label that is no number keeps the stored value.
MeterSettings withEdits(const MeterSettings &settings, const CalibrationEdits &edits);

// Saves the settings with the edits; only a save that succeeds changes the setup. On a
// refusal the text for the user, which says what to shorten or retype.
std::optional<QString> saveEdits(AppContext &context, const CalibrationEdits &edits);

// "Create default calibration" and "Load Calibration File": each asks the user, replaces every
// setting at once and brings the main window in line. True when the settings were replaced,
// which ends the calibration window's work; false when the user declined or it failed (then
// the user has been told and nothing changed).
bool createDefaultCalibration(AppContext &context, const CalibrationHooks &hooks, QWidget *parent);
bool loadCalibrationFile(AppContext &context, const CalibrationHooks &hooks, QWidget *parent);

} // namespace merolan
