#pragma once

#include "core/reading/power_average.hpp"

#include <cstdint>

namespace merolan {

// What the reading chain carries from one reading to the next. The measuring session owns it;
// windows only read it (the needle's place, the lamp) and arm captures through the session.
struct ChainState {
    // The needle position on the printed 0..10 scale, kept in 0..10.5.
    double scalePosition = 0;
    // 1..6 while the calibration window's "Measure" has a box armed, else 0.
    std::int16_t calCaptureSlot = 0;
    // How many readings a capture takes (the averaging count, at least 4); the chain sums their
    // voltages until it has them all.
    struct CaptureAverage {
        int wanted = 1;
        int taken = 0;
        double voltageSum = 0;
    } captureAverage;
    // The current calibration line, dBm per volt and dBm at 0 V.
    double calSlope = 0;
    double calIntercept = 0;
    // The latest absolute level, attenuator included.
    double levelDbm = 0;
    // Consecutive readings above the warning level.
    std::int16_t warningCount = 0;
    bool lampLit = false;
    // The moving average of the latest readings.
    PowerAverage average;
};

} // namespace merolan
