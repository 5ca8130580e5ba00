#pragma once

#include "core/reading/correction_table.hpp"
#include "core/settings/meter_settings.hpp"
#include "core/reading/power_average.hpp"

#include <cstdint>
#include <optional>

namespace merolan {

// The dBm scale limits as the user set them.
struct DbmScaleLimits {
    SettingValue max;
    SettingValue min;
};

// What makes a reading more accurate than one sample at one calibration: the averaging count
// (1 averages nothing), the measurement frequency and the correction table over frequency.
struct AccuracySetup {
    int averageCount = 1;
    std::optional<double> frequencyHz;
    std::optional<CorrectionTable> table;
    std::string tableName; // the file it came from, for the log and the user
    std::string tableHash; // of that file's bytes, so a later change is noticed
};

// The run-time state the windows and the measuring session share: owned by the application,
// passed by reference. Each field names who writes it; everyone else only reads.
struct AppState {
    // Start-up, the main window's boxes (each edit), the calibration window's saves, factory
    // reset and import.
    MeterSettings settings;
    // followStoredExternalMeter only (the panel meter switch goes through it): 0, or 64 while the
    // meter's own panel meter is driven. Polls derive their mode from it and never change it.
    std::int16_t commandMode = 0;
    // The reading chain: the needle position on the printed 0..10 scale, kept in 0..10.5.
    double scalePosition = 0;
    // The calibration window: 1..6 while a "Measure" button has a box armed, else 0.
    std::int16_t calCaptureSlot = 0;
    // The calibration window's "Measure" sets how many readings a capture takes (the averaging
    // count, at least 4); the reading chain sums their voltages until it has them all.
    struct CaptureAverage {
        int wanted = 1;
        int taken = 0;
        double voltageSum = 0;
    } captureAverage;
    // The reading chain: the current calibration line, dBm per volt and dBm at 0 V.
    double calSlope = 0;
    double calIntercept = 0;
    // The reading chain: the latest absolute level, attenuator included.
    double levelDbm = 0;
    // The reading chain, and start-up (to 0): consecutive readings above the warning level.
    std::int16_t warningCount = 0;
    // The reading chain: whether the high-power lamp is lit.
    bool lampLit = false;
    // "Zero Reference": the level relative readings are measured against.
    double zeroReferenceDbm = 0;
    // The main window's "Relative Measurement" box.
    bool relativeMode = false;
    // The main window's relative mode: while it lends the dBm boxes to its dB scale, the user's
    // own dBm limits wait here; saves store these, and switching relative mode off puts them back.
    std::optional<DbmScaleLimits> heldDbmScale;
    // main (from the user's locale), for the texts the user edits.
    char decimalSeparator = '.';
    // The accuracy setup: merolan-cli's options and the remote commands.
    AccuracySetup accuracy;
    // The reading chain: the moving average of the latest readings.
    PowerAverage average;
};

} // namespace merolan
