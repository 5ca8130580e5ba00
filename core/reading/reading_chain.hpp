#pragma once

#include "core/instrument/instrument_setup.hpp"
#include "core/reading/chain_state.hpp"
#include "core/reading/conversion.hpp"
#include "core/reading/scale_range.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace merolan {

// What a reading depends on besides the setup: the relative-mode switch and the six limit boxes.
struct ReadingInputs {
    bool relativeMode = false;
    std::array<ScaleLimitStrings, kGaugeUnits.size()> limits; // in the order of kGaugeUnits

    ScaleLimitStrings &limitsOf(GaugeUnit unit) { return limits[static_cast<std::size_t>(unit) - 1]; }
    ScaleLimitTexts limitTexts(GaugeUnit unit) const { return limits[static_cast<std::size_t>(unit) - 1].texts(); }
};

// The inputs as the setup holds them: every edit of a limit box is copied into its setting, so
// the settings' texts are the boxes' texts.
ReadingInputs readingInputsOf(const InstrumentSetup &setup);

struct CaptureText {
    int slot = 0; // 1..6
    std::string text;
};

// How many readings a calibration capture takes: the averaging count, and never fewer than four,
// so that a calibration point is not one noisy sample.
int captureReadingCount(const AccuracySetup &accuracy);

// Everything a reading changes on screen and on the wire; the window applies it as it stands.
// An absent text leaves its label as it was. A reading that cannot be shown in full says why in
// `problem`, and the readouts or the needle it could not compute are blanked rather than left
// standing as if they were live.
struct ReadingOutcome {
    std::optional<std::string> traceText;       // the frame's bytes, "1A:00:FF"
    std::optional<std::string> voltageText;     // "AD Voltage"
    std::optional<CaptureText> capture;         // into the calibration window's armed box
    std::optional<CaptureText> captureProgress; // "2/16": the capture needs more readings
    std::optional<std::string> slopeText;       // diagnostic line of the calibration
    std::optional<std::string> interceptText;
    std::optional<std::string> dbmText; // large readout: dBm, or dB in relative mode
    std::optional<std::string> wattText;
    std::optional<std::string> voltText;
    std::optional<std::string> measurementText; // absolute level beside "Measurement :"
    LampAction lamp = LampAction::LeaveUnchanged;
    std::optional<std::string> positionText; // the scale position
    std::optional<std::string> problem;      // why a readout or the needle is not live
    std::optional<std::string> notice;       // what the user should know of a live reading
    std::optional<std::string> averageText;  // "avg 3/16" while averaging
    std::optional<double> correctionDb;      // the table's, at the measurement frequency
    std::optional<Levels> levels;            // the numbers behind the readouts, for the log
    std::optional<double> relativeDb;        // in relative mode
    bool clearNeedle = false;                // the needle would show an old reading
    bool sendUpdateFrame = false;
    bool redrawGauge = false;
};

// One accepted reading frame. When the conversion cannot give a level, the outcome shows the
// voltage, blanks the level readouts and the needle and says why; nothing is sent.
ReadingOutcome processReading(ChainState &chain, const InstrumentSetup &setup, double voltage,
                              const ReadingInputs &inputs);

// The test button: the absolute chain for a typed voltage, whatever the relative mode, with a
// redraw but no frame.
ReadingOutcome processTestVoltage(ChainState &chain, const InstrumentSetup &setup, std::string_view typedVoltage,
                                  const ReadingInputs &inputs);

} // namespace merolan
