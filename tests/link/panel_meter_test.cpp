#include "link/frame_sender.hpp"
#include "link/panel_meter.hpp"
#include "tests/link/meter_line.hpp"

#include <tuple>

using namespace merolan;
using namespace merolan::testing;

TEST(PanelMeter, ArrowStepsAreRefusedRatherThanLeave0To1023)
{
    using enum ReferenceStep;
    const std::tuple<int, ReferenceStep, std::optional<int>> cases[] = {
        {0, Down1, std::nullopt},  {1, Down1, 0},       {9, Down10, std::nullopt},
        {7, Down10, std::nullopt}, {10, Down10, 0},     {1014, Up10, std::nullopt},
        {1013, Up10, 1023},        {1023, Up1, std::nullopt}, {1022, Up1, 1023},
    };
    for (auto [value, step, result] : cases)
        EXPECT_EQ(stepReference(value, step), result) << value << ' ' << static_cast<int>(step);
}

using PanelMeterLine = MeterLine;

TEST_F(PanelMeterLine, TheTopStepSendsTheFullPwm)
{
    AppState state;
    ASSERT_TRUE(sendPanelPwm(link, state, *referenceLabelValue("1023")));
    EXPECT_EQ(nextFrame().toHex(' '), bytes({0, 3, 255}).toHex(' '));
    EXPECT_FALSE(referenceLabelValue("abc"));
}

TEST_F(PanelMeterLine, TheSwitchSetsTheModeOfTheFramesThatFollow)
{
    AppState state;
    state.settings.highRefPwm = 1023;
    applyExternalMeterSwitch(state, true);
    EXPECT_EQ(state.settings.externalMeterOn, -1);
    ASSERT_TRUE(sendPoll(link, state));
    EXPECT_EQ(nextFrame().toHex(' '), bytes({192, 0, 0}).toHex(' '));
    ASSERT_TRUE(sendScalePosition(link, state, 10));
    EXPECT_EQ(nextFrame().toHex(' '), bytes({64, 3, 255}).toHex(' '));

    applyExternalMeterSwitch(state, false);
    EXPECT_EQ(state.settings.externalMeterOn, 0);
    ASSERT_TRUE(sendPoll(link, state));
    EXPECT_EQ(nextFrame().toHex(' '), bytes({128, 0, 0}).toHex(' '));
}
