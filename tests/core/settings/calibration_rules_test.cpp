#include "core/settings/calibration_rules.hpp"
#include "core/reading/wire_protocol.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace merolan;

TEST(CalibrationRules, ArrowStepsAreRefusedRatherThanLeave0To1023)
{
    using enum ReferenceStep;
    const std::tuple<int, ReferenceStep, std::optional<int>> cases[] = {
        {0, Down1, std::nullopt},  {1, Down1, 0},
        {9, Down10, std::nullopt}, {7, Down10, std::nullopt},
        {10, Down10, 0},           {1014, Up10, std::nullopt},
        {1013, Up10, 1023},        {1023, Up1, std::nullopt},
        {1022, Up1, 1023},
    };
    for (auto [value, step, result] : cases)
        EXPECT_EQ(stepReference(value, step), result) << value << ' ' << static_cast<int>(step);
}

TEST(CalibrationRules, TheSwitchSetsTheStoredFlagAndTheModeOfTheFramesThatFollow)
{
    MeterSettings settings;
    applyExternalMeterSwitch(settings, true);
    EXPECT_EQ(settings.externalMeterOn, -1);
    EXPECT_EQ(commandMode(settings), 64);
    EXPECT_EQ(pollMode(commandMode(settings)), 192);
    applyExternalMeterSwitch(settings, false);
    EXPECT_EQ(settings.externalMeterOn, 0);
    EXPECT_EQ(commandMode(settings), 0);
    EXPECT_EQ(pollMode(commandMode(settings)), 128);
}

// Only -1 means on; any other stored value leaves the panel meter off.
TEST(CalibrationRules, TheModeFollowsTheStoredFlag)
{
    const std::pair<std::int16_t, std::int16_t> cases[] = {{-1, 64}, {0, 0}, {1, 0}, {64, 0}, {-32768, 0}};
    for (const auto &[stored, mode] : cases) {
        MeterSettings settings;
        settings.externalMeterOn = stored;
        EXPECT_EQ(commandMode(settings), mode) << stored;
    }
}
