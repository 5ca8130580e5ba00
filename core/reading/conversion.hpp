#pragma once

#include "core/instrument/instrument_setup.hpp"
#include "core/reading/chain_state.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace merolan {

// Why a reading cannot become a level: the field that cannot be used, and words for the user.
struct Unusable {
    std::string_view field;
    std::string message;
};

// The frequency range the settings select, 1..3; 0 when they hold none.
int selectedRange(const MeterSettings &settings, char decimalSeparator);
// The gauge unit the settings select; none when they hold no known unit.
std::optional<GaugeUnit> selectedGaugeUnit(const MeterSettings &settings, char decimalSeparator);

// The one step that makes measuring possible, for a record that has no frequency range, no gauge
// unit or no calibration point (a first start, with no settings file or an empty one); nothing
// once the record can measure.
std::optional<std::string> setupHint(const MeterSettings &settings, char decimalSeparator);

// Sets calSlope and calIntercept from the two points of the selected range; for a range other
// than 1..3 the previous line stays. Unusable when a point is no number or the two are equal.
std::optional<Unusable> computeCalibrationLine(ChainState &chain, const InstrumentSetup &setup);

struct Levels {
    double detectorDbm = 0; // at the detector, attenuator not included
    double levelDbm = 0;
    double levelWatt = 0;
    double levelVolt = 0; // across 50 ohms
};

// The power of a level, and the RMS voltage of a power across 50 ohms.
double wattFromDbm(double dbm);
double rmsVoltFromWatt(double watt);
// Whether a level moved by this attenuator still has a power and a voltage to show: past about
// +3000 dB the power overflows a double, below about -3000 dB it is 0 W.
bool attenuatorIsShowable(double db);

// Converts a detector voltage on the current line and stores levelDbm. Unusable (and levelDbm
// untouched) when the attenuator applies but is no number, or the result is not a finite level.
std::variant<Levels, Unusable> computeLevels(ChainState &chain, const InstrumentSetup &setup, double voltage);

enum class LampAction { Show, Hide, LeaveUnchanged };

// The lamp comes on at the fourth consecutive reading above the warning level.
LampAction evaluateWarning(ChainState &chain, const InstrumentSetup &setup, double detectorDbm);

} // namespace merolan
