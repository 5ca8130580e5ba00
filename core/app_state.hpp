#pragma once

#include "core/meter_settings.hpp"

#include <cstdint>
#include <optional>

namespace merolan {

// The dBm scale limits as the user set them.
struct DbmScaleLimits {
    SettingValue max;
    SettingValue min;
};

// The run-time state the windows share: owned by the application, passed by reference.
struct AppState {
    MeterSettings settings;
    std::int16_t commandMode = 0;      // mode byte of every command frame (0 or 64)
    double scalePosition = 0;          // needle position on the printed 0..10 scale, kept in 0..10.5
    std::int16_t calCaptureSlot = 0;   // 1..6: calibration box that readings are written into
    double calSlope = 0;               // dBm per volt of the current calibration line
    double calIntercept = 0;           // dBm at 0 V
    double levelDbm = 0;               // latest absolute level, attenuator included
    std::int16_t warningCount = 0;     // consecutive readings above the warning level, up to 3
    double zeroReferenceDbm = 0;       // level stored by "Zero Reference"
    // While relative mode lends the dBm boxes to its dB scale, the user's own dBm limits wait
    // here: saves store these, and switching relative mode off puts them back.
    std::optional<DbmScaleLimits> heldDbmScale;
    char decimalSeparator = '.';       // the user's locale, for texts the user edits
};

} // namespace merolan
