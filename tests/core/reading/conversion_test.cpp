#include "core/reading/conversion.hpp"

#include "core/settings/calibration_rules.hpp"

#include "tests/support/chain_under_test.hpp"

#include <gtest/gtest.h>

using namespace merolan;

namespace {

Levels levelsAt(ChainUnderTest &state, double volts)
{
    EXPECT_FALSE(computeCalibrationLine(state, state));
    auto result = computeLevels(state, state, volts);
    EXPECT_TRUE(std::holds_alternative<Levels>(result));
    return std::get<Levels>(result);
}

} // namespace

TEST(Conversion, FactoryLowLinePassesThroughBothPoints)
{
    ChainUnderTest state = factoryState();
    EXPECT_DOUBLE_EQ(levelsAt(state, 1.52486).levelDbm, -10);
    EXPECT_DOUBLE_EQ(state.calSlope, 50.96320456630312);
    EXPECT_DOUBLE_EQ(state.calIntercept, -87.71175211497298);
    EXPECT_NEAR(levelsAt(state, 0.73998).levelDbm, -50, 1e-12);
    EXPECT_NEAR(levelsAt(state, 1.13242).levelDbm, -30, 1e-12);
    EXPECT_DOUBLE_EQ(state.levelDbm, levelsAt(state, 1.13242).levelDbm);
}

TEST(Conversion, AttenuatorIsAddedButNotToTheDetectorLevel)
{
    ChainUnderTest state = factoryState();
    state.settings.attenuatorDbm = std::string("20");
    const Levels levels = levelsAt(state, 1.0);
    EXPECT_NEAR(levels.levelDbm, -16.7485, 1e-4);
    EXPECT_NEAR(levels.detectorDbm, -36.7485, 1e-4);
    EXPECT_NEAR(levels.levelWatt, 21.14e-6, 1e-8);
    EXPECT_NEAR(levels.levelVolt, 32.51e-3, 1e-5);
}

TEST(Conversion, LocaleTextPointsReadWithTheUsersSeparator)
{
    ChainUnderTest state = factoryState();
    state.decimalSeparator = ',';
    state.settings.frequencyRange = std::int16_t{2};
    state.settings.calMidMinus10 = std::string("1,54132");
    state.settings.calMidMinus50 = std::string("0,77893");
    EXPECT_NEAR(levelsAt(state, 1.54132).levelDbm, -10, 1e-12);
}

TEST(Conversion, UnknownRangeKeepsThePreviousLine)
{
    ChainUnderTest state = factoryState();
    state.settings.frequencyRange = std::int16_t{4};
    EXPECT_NEAR(levelsAt(state, 1.0).levelDbm, 0, 0); // zero line: the attenuator value
    state.settings.frequencyRange = std::int16_t{1};
    levelsAt(state, 1.0);
    state.settings.frequencyRange = std::monostate{};
    EXPECT_NEAR(levelsAt(state, 1.52486).levelDbm, -10, 1e-12);
}

TEST(Conversion, UnusableFieldsAreNamedInsteadOfProducingALevel)
{
    ChainUnderTest state = factoryState();
    state.settings.calLowMinus50 = std::string("abc");
    auto line = computeCalibrationLine(state, state);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->field, "calLowMinus50");

    state = factoryState();
    state.settings.calLowMinus50 = 1.52486;
    line = computeCalibrationLine(state, state);
    ASSERT_TRUE(line);
    EXPECT_NE(line->message.find("equal"), std::string::npos);

    state = factoryState();
    state.settings.attenuatorDbm = std::string();
    state.levelDbm = -42;
    ASSERT_FALSE(computeCalibrationLine(state, state));
    const auto levels = computeLevels(state, state, 1.0);
    ASSERT_TRUE(std::holds_alternative<Unusable>(levels));
    EXPECT_EQ(std::get<Unusable>(levels).field, "attenuatorDbm");
    EXPECT_EQ(state.levelDbm, -42);
}

TEST(Conversion, LevelsBeyondADoubleAreRefused)
{
    ChainUnderTest state = factoryState();
    state.settings.calLowMinus10 = 1e-300;
    state.settings.calLowMinus50 = 0.0;
    const auto line = computeCalibrationLine(state, state);
    if (!line) {
        const auto levels = computeLevels(state, state, 4.9);
        EXPECT_TRUE(std::holds_alternative<Unusable>(levels));
    }
    state = factoryState();
    state.settings.attenuatorDbm = 1e300;
    ASSERT_FALSE(computeCalibrationLine(state, state));
    EXPECT_TRUE(std::holds_alternative<Unusable>(computeLevels(state, state, 1.0)));
}

TEST(Warning, LampLightsOnTheFourthReadingAboveTheLevel)
{
    ChainUnderTest state = factoryState();
    const LampAction expected[] = {LampAction::LeaveUnchanged, LampAction::LeaveUnchanged, LampAction::LeaveUnchanged,
                                   LampAction::Show, LampAction::Show};
    for (LampAction action : expected)
        EXPECT_EQ(evaluateWarning(state, state, -4), action);
    EXPECT_EQ(evaluateWarning(state, state, -5), LampAction::Hide); // not strictly above
    EXPECT_EQ(state.warningCount, 0);
    EXPECT_EQ(evaluateWarning(state, state, -4), LampAction::LeaveUnchanged);
}

TEST(Warning, LevelIsTheLeadingNumberOfItsTextWithEitherPoint)
{
    ChainUnderTest state = factoryState();
    const std::pair<SettingValue, double> cases[] = {
        {-4.5, -4.5},
        {std::string("-4,5"), -4.5},
        {std::string("-4.5"), -4.5},
        {std::string("-3dBm"), -3},
        {std::string("-3,5 dBm"), -3.5},
    };
    for (const char separator : {'.', ','}) {
        state.decimalSeparator = separator;
        for (const auto &[stored, level] : cases) {
            state.settings.warningLevelDbm = stored;
            state.warningCount = 3;
            EXPECT_EQ(evaluateWarning(state, state, level + 0.01), LampAction::Show) << level << " with " << separator;
            state.warningCount = 3;
            EXPECT_EQ(evaluateWarning(state, state, level), LampAction::Hide) << level << " with " << separator;
        }
    }
}

TEST(Conversion, AFirstStartIsToldTheOneStepThatMakesMeasuringPossible)
{
    MeterSettings noRange = factorySettings();
    noRange.frequencyRange = {};
    MeterSettings noUnit = factorySettings();
    noUnit.gaugeUnit = std::int16_t{4};
    MeterSettings noPoints = factorySettings();
    for (const CalibrationPoint &point : kCalibrationPoints)
        noPoints.*point.field = std::string();
    MeterSettings typedPoints = factorySettings(); // points that are no number are the reading's to name
    typedPoints.calLowMinus10 = std::string("abc");

    const std::pair<MeterSettings, bool> cases[] = {
        {MeterSettings{}, true}, {noRange, true},      {noUnit, true},
        {noPoints, true},        {typedPoints, false}, {factorySettings(), false},
    };
    for (const auto &[settings, hinted] : cases) {
        const std::optional<std::string> hint = setupHint(settings, '.');
        EXPECT_EQ(hint.has_value(), hinted);
        if (hint) {
            EXPECT_NE(hint->find("\"Create default calibration\""), std::string::npos);
        }
    }
}
