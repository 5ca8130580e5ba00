#include "core/reading/wire_protocol.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

using namespace merolan;

TEST(CommandFrame, SplitsThePwmIntoLowAndHighBits)
{
    const std::tuple<std::int16_t, int, FrameBytes> cases[] = {
        {0, 1023, {0, 3, 255}}, {0, 512, {0, 0, 128}},  {0, 0, {0, 0, 0}},          {0, 5, {0, 1, 1}},
        {192, 0, {192, 0, 0}},  {64, 300, {64, 0, 75}}, {128, 2000, {128, 3, 255}}, {0, -7, {0, 0, 0}},
    };
    for (auto [mode, pwm, bytes] : cases)
        EXPECT_EQ(encodeCommandFrame(mode, pwm), bytes) << mode << ' ' << pwm;
}

TEST(CommandFrame, PositionMapsBetweenTheReferences)
{
    const std::tuple<double, std::int16_t, std::int16_t, std::int16_t> cases[] = {
        {5, 0, 1023, 512}, // 511.5: half to even
        {2.5, 0, 1023, 256},      {10.5, 0, 1023, 1023}, {0, 0, 1023, 0},
        {2.5, 100, 900, 300},     {0, 700, 100, 700},    {10, 1000, 1023, 1023},
        {10.5, 1000, 1023, 1023}, {10.5, 2000, 0, -100}, {10.5, -32768, 32767, 1023},
    };
    for (auto [position, low, high, pwm] : cases)
        EXPECT_EQ(positionToPwm(position, low, high), pwm) << position << ' ' << low << ' ' << high;
}

TEST(ReadingFrame, ExactlyThreeBytesGiveAVoltageAndATrace)
{
    const std::tuple<std::vector<std::uint8_t>, double, const char *> cases[] = {
        {{0x00, 0x00, 0x00}, 0.0, "00:00:00"},
        {{0xFF, 0xFF, 0xFF}, 16777215 * 5.0 / 16777216, "FF:FF:FF"},
        {{0x80, 0x00, 0x00}, 2.5, "80:00:00"},
        {{0x00, 0xAB, 0x09}, 0xAB09 * 5.0 / 16777216, "00:AB:09"},
    };
    for (const auto &[bytes, volts, trace] : cases) {
        const auto reading = decodeReadingFrame(bytes);
        ASSERT_TRUE(reading);
        EXPECT_EQ(reading->detectorVoltage, volts);
        EXPECT_EQ(reading->trace, trace);
    }
    EXPECT_NEAR(decodeReadingFrame(std::vector<std::uint8_t>{0x4E, 0x12, 0xA5})->detectorVoltage, 1.52486, 5e-6);
}

TEST(ReadingFrame, AnyOtherLengthIsDropped)
{
    const std::size_t lengths[] = {0, 1, 2, 4, 6};
    for (std::size_t n : lengths)
        EXPECT_FALSE(decodeReadingFrame(std::vector<std::uint8_t>(n, 0x11))) << n;
}
