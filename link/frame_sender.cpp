#include "link/frame_sender.hpp"

#include "core/reading/wire_protocol.hpp"
#include "core/settings/calibration_rules.hpp"
#include "link/serial_link.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace merolan {

bool sendScalePosition(SerialLink &link, const MeterSettings &settings, double scalePosition)
{
    const std::int16_t pwm = positionToPwm(scalePosition, settings.lowRefPwm, settings.highRefPwm);
    return link.write(encodeCommandFrame(commandMode(settings), pwm));
}

bool sendPoll(SerialLink &link, const MeterSettings &settings)
{
    const std::int16_t pwm = positionToPwm(0.0, settings.lowRefPwm, settings.highRefPwm);
    return link.write(encodeCommandFrame(pollMode(commandMode(settings)), pwm));
}

bool sendPanelPwm(SerialLink &link, const MeterSettings &settings, double value)
{
    if (std::isnan(value))
        return false;
    // Default rounding mode: an exact half goes to the even neighbour. The value is a 16-bit
    // integer first, as the references are; the frame then clamps it to the PWM range.
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    const auto pwm = static_cast<std::int16_t>(std::clamp(std::nearbyint(value), lowest, highest));
    return link.write(encodeCommandFrame(commandMode(settings), pwm));
}

} // namespace merolan
