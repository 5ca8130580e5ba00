#include "link/frame_sender.hpp"

#include "core/reading/wire_protocol.hpp"
#include "link/serial_link.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace merolan {

bool sendScalePosition(SerialLink &link, const AppState &state, double scalePosition)
{
    const std::int16_t pwm = positionToPwm(scalePosition, state.settings.lowRefPwm, state.settings.highRefPwm);
    return link.write(encodeCommandFrame(state.commandMode, pwm));
}

bool sendPoll(SerialLink &link, const AppState &state)
{
    const std::int16_t pwm = positionToPwm(0.0, state.settings.lowRefPwm, state.settings.highRefPwm);
    return link.write(encodeCommandFrame(pollMode(state.commandMode), pwm));
}

bool sendPanelPwm(SerialLink &link, const AppState &state, double value)
{
    if (std::isnan(value))
        return false;
    // Default rounding mode: an exact half goes to the even neighbour. The value is a 16-bit
    // integer first, as the references are; the frame then clamps it to the PWM range.
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    const auto pwm = static_cast<std::int16_t>(std::clamp(std::nearbyint(value), lowest, highest));
    return link.write(encodeCommandFrame(state.commandMode, pwm));
}

} // namespace merolan
