#pragma once

#include "core/instrument/app_state.hpp"

namespace merolan {

class SerialLink;

// Each returns whether a frame was written: with no port open nothing is.

// The frame for a needle position, between the panel meter's two references.
bool sendScalePosition(SerialLink &link, const AppState &state, double scalePosition);

// A poll: the frame for position 0 with the poll flag in its mode byte.
bool sendPoll(SerialLink &link, const AppState &state);

// A raw PWM value, rounded half to even; the frame clamps it to 0..1023.
bool sendPanelPwm(SerialLink &link, const AppState &state, double value);

} // namespace merolan
