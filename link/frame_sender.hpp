#pragma once

#include "core/settings/meter_settings.hpp"

namespace merolan {

class SerialLink;

// Each returns whether a frame was written: with no port open nothing is. The settings give the
// panel meter's references and the mode byte.

// The frame for a needle position, between the panel meter's two references.
bool sendScalePosition(SerialLink &link, const MeterSettings &settings, double scalePosition);

// A poll: the frame for position 0 with the poll flag in its mode byte.
bool sendPoll(SerialLink &link, const MeterSettings &settings);

// A raw PWM value, rounded half to even; the frame clamps it to 0..1023.
bool sendPanelPwm(SerialLink &link, const MeterSettings &settings, double value);

} // namespace merolan
