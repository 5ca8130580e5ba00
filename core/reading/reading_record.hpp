#pragma once

#include "core/instrument/instrument_setup.hpp"
#include "core/reading/reading_chain.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace merolan {

// One reading as the log and the trend keep it: what the meter said, what it meant and under
// which settings. A reading that gave no level is a record too, with the reason in `note`, so
// the gap shows in the log and on the chart.
struct ReadingRecord {
    std::int64_t timeUtcMs = 0;       // milliseconds since 1970-01-01 00:00 UTC
    double elapsedS = 0;              // seconds since measuring started
    double voltageV = 0;              // the detector voltage of the reply
    std::optional<double> levelDbm;   // absolute level, attenuator included
    std::optional<double> relativeDb; // level minus the zero reference, in relative mode only
    std::optional<double> powerW;
    std::optional<double> rmsV; // across 50 ohms
    int range = 0;              // 1 Low, 2 Mid, 3 High; 0 when none is selected
    std::optional<double> attenuatorDb;
    bool lampLit = false; // the high-power lamp after this reading
    std::string note;     // why there is no level; empty when there is one
    int averageCount = 1; // the readings the level is the mean of, at most (1: none)
    std::optional<double> frequencyHz;
    std::optional<double> correctionDb; // from the table at frequencyHz
};

// The record of a reading that `processReading` has just handled.
ReadingRecord recordOf(const InstrumentSetup &setup, const ChainState &chain, double voltage,
                       const ReadingOutcome &outcome, std::int64_t timeUtcMs, double elapsedS);

} // namespace merolan
