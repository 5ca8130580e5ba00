#include "core/reading/wire_protocol.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace merolan {

FrameBytes encodeCommandFrame(std::int16_t mode, int pwm)
{
    const int value = std::clamp(pwm, 0, kMaxPwm);
    return {static_cast<std::uint8_t>(mode & 0xFF), static_cast<std::uint8_t>(value % 4),
            static_cast<std::uint8_t>(value / 4)};
}

std::int16_t positionToPwm(double scalePosition, std::int16_t lowRefPwm, std::int16_t highRefPwm)
{
    const double span = static_cast<double>(highRefPwm) - lowRefPwm;
    const double exact = lowRefPwm + span * scalePosition / 10.0;
    if (!std::isfinite(exact))
        return lowRefPwm;
    // Default rounding mode: an exact half goes to the even neighbour.
    const double rounded = std::nearbyint(exact);
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(std::clamp(rounded, lowest, static_cast<double>(kMaxPwm)));
}

std::optional<DecodedReading> decodeReadingFrame(std::span<const std::uint8_t> read)
{
    if (read.size() != 3)
        return std::nullopt;
    const std::uint32_t code = (std::uint32_t{read[0]} << 16) | (std::uint32_t{read[1]} << 8) | read[2];
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string trace;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0)
            trace.push_back(':');
        trace.push_back(kHex[read[i] >> 4]);
        trace.push_back(kHex[read[i] & 0x0F]);
    }
    return DecodedReading{code * 5.0 / 16777216.0, std::move(trace)};
}

} // namespace merolan
