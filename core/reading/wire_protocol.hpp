#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace merolan {

// Bits of a command frame's mode byte.
constexpr std::int16_t kPollFlag = 128;         // the frame asks for a reading
constexpr std::int16_t kExternalMeterFlag = 64; // the meter's own panel meter is driven

constexpr int kMaxPwm = 1023;

// The mode rule in one place: update frames carry the external-meter bit while the meter's own
// panel meter is driven, and a poll adds the poll bit for its one frame.
constexpr std::int16_t commandModeFor(bool externalMeterActive)
{
    return externalMeterActive ? kExternalMeterFlag : 0;
}
constexpr std::int16_t pollMode(std::int16_t commandMode)
{
    return static_cast<std::int16_t>(commandMode | kPollFlag);
}

// PC to meter: mode byte, then the PWM value split into its two low and eight high bits.
struct CommandFrame {
    std::uint8_t mode = 0;
    std::uint8_t pwmLow = 0;
    std::uint8_t pwmHigh = 0;
};

// Meter to PC: the 24-bit converter code, most significant byte first.
struct ReadingFrame {
    std::uint8_t codeHigh = 0;
    std::uint8_t codeMid = 0;
    std::uint8_t codeLow = 0;
};

using FrameBytes = std::array<std::uint8_t, 3>;

// A PWM value outside 0..1023 (only an imported record holds one) is clamped, never wrapped.
FrameBytes encodeCommandFrame(std::int16_t mode, int pwm);

// The PWM value between the two references for a scale position, half to even, capped at 1023.
std::int16_t positionToPwm(double scalePosition, std::int16_t lowRefPwm, std::int16_t highRefPwm);

struct DecodedReading {
    double detectorVoltage = 0;
    std::string trace; // "1A:00:FF"
};

// A read of exactly three bytes is a reading; anything else is dropped.
std::optional<DecodedReading> decodeReadingFrame(std::span<const std::uint8_t> read);

} // namespace merolan
