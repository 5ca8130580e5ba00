#include "core/reading/reading_chain.hpp"

#include "tests/support/chain_under_test.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace merolan;

namespace {

ReadingInputs dbmInputs(const char *max = "-10", const char *min = "-50", bool relative = false)
{
    ReadingInputs in;
    in.relativeMode = relative;
    in.limitsOf(GaugeUnit::Dbm) = {max, min};
    in.limitsOf(GaugeUnit::Watt) = in.limitsOf(GaugeUnit::Volt) = {"1.0", "0"};
    return in;
}

// The detector voltage that the factory Low line turns into `dbm` (attenuator 0).
double voltsFor(double dbm)
{
    return 1.52486 + (dbm + 10) * (1.52486 - 0.73998) / 40;
}

} // namespace

TEST(ReadingChain, AbsoluteReadingFillsEveryReadoutAndAsksForFrameAndRedraw)
{
    ChainUnderTest state = factoryState();
    const ReadingOutcome out = processReading(state, state, 1.13242, dbmInputs());
    EXPECT_EQ(out.voltageText, "1.13242");
    EXPECT_EQ(out.dbmText, "-30 dBm");
    EXPECT_TRUE(out.wattText);
    EXPECT_EQ(out.voltText, " 7.07 mV");
    EXPECT_EQ(out.slopeText, "50.9632045663031");
    EXPECT_EQ(out.interceptText, "-87.711752114973");
    EXPECT_EQ(out.lamp, LampAction::Hide);
    EXPECT_NEAR(state.scalePosition, 5, 1e-9);
    EXPECT_TRUE(out.sendUpdateFrame);
    EXPECT_TRUE(out.redrawGauge);
    EXPECT_FALSE(out.capture);
    EXPECT_FALSE(out.measurementText);
}

TEST(ReadingChain, RelativeReadingsShowTheDifferenceToTheZeroReference)
{
    ChainUnderTest state = factoryState();
    processReading(state, state, voltsFor(-20), dbmInputs());
    state.zeroReferenceDbm = state.levelDbm; // "Zero Reference"
    EXPECT_NEAR(state.zeroReferenceDbm, -20, 1e-9);

    const ReadingInputs relative = dbmInputs("20", "0", true);
    ReadingOutcome out = processReading(state, state, voltsFor(-23.456), relative);
    EXPECT_EQ(out.measurementText, "-23.46 dBm");
    EXPECT_EQ(out.dbmText, "-3.46 dB");
    EXPECT_FALSE(out.wattText);
    EXPECT_EQ(state.scalePosition, 0);

    out = processReading(state, state, voltsFor(-10), relative);
    EXPECT_EQ(out.dbmText, " 10 dB");
    EXPECT_NEAR(state.scalePosition, 5, 1e-9);
    EXPECT_TRUE(out.sendUpdateFrame);
}

TEST(ReadingChain, RelativeModeUsesTheDbmScaleWhateverTheUnit)
{
    ChainUnderTest state = factoryState();
    state.settings.gaugeUnit = std::int16_t{2};
    processReading(state, state, voltsFor(6), dbmInputs("20", "0", true));
    EXPECT_NEAR(state.scalePosition, 3, 1e-9); // 6 dB on the 0..20 dB scale, not 4 mW on 0..1 W
}

TEST(ReadingChain, CaptureFollowsTheArmedSlotOnlyInAbsoluteMode)
{
    ChainUnderTest state = factoryState();
    state.decimalSeparator = ',';
    state.calCaptureSlot = 4;
    ReadingOutcome out = processReading(state, state, 0.778934, dbmInputs());
    ASSERT_TRUE(out.capture);
    EXPECT_EQ(out.capture->slot, 4);
    EXPECT_EQ(out.capture->text, "0,77893");
    EXPECT_EQ(state.calCaptureSlot, 4);

    out = processReading(state, state, 0.778934, dbmInputs("20", "0", true));
    EXPECT_FALSE(out.capture);
}

TEST(ReadingChain, AReadingWithoutALevelBlanksItsReadoutsAndSaysWhy)
{
    struct Case {
        const char *field;
        SettingValue MeterSettings::*setting;
        SettingValue value;
        const char *why;
    };
    const Case cases[] = {
        {"point", &MeterSettings::calLowMinus10, std::string("1.5x"), "Low -10 dBm calibration point \"1.5x\""},
        {"equal", &MeterSettings::calLowMinus50, 1.52486, "Low range are equal"},
        {"attenuator", &MeterSettings::attenuatorDbm, std::string("abc"), "\"Attenuator (dBm) :\" box"},
        {"overflow", &MeterSettings::attenuatorDbm, std::string("1e308"), "beyond any number"},
    };
    for (const Case &c : cases) {
        for (const bool relative : {false, true}) {
            ChainUnderTest state = factoryState();
            state.calCaptureSlot = 1;
            state.scalePosition = 3;
            state.settings.*c.setting = c.value;
            const ReadingOutcome out = processReading(state, state, 1.0, dbmInputs("20", "0", relative));
            EXPECT_EQ(out.voltageText, "1") << c.field;
            EXPECT_EQ(out.capture.has_value(), !relative) << c.field; // broken points can be measured again
            ASSERT_TRUE(out.problem) << c.field;
            EXPECT_NE(out.problem->find(c.why), std::string::npos) << *out.problem;
            EXPECT_EQ(out.dbmText, "-") << c.field;
            EXPECT_EQ(out.wattText, relative ? std::nullopt : std::optional<std::string>("-")) << c.field;
            EXPECT_EQ(out.measurementText, relative ? std::optional<std::string>("-") : std::nullopt) << c.field;
            EXPECT_TRUE(out.clearNeedle) << c.field;
            EXPECT_FALSE(out.sendUpdateFrame || out.redrawGauge || out.positionText) << c.field;
            EXPECT_EQ(state.scalePosition, 3) << c.field;
        }
    }

    // An absurd but finite attenuator is the user's to set: shown as it is, no clamping.
    ChainUnderTest state = factoryState();
    state.settings.attenuatorDbm = std::string("400");
    const ReadingOutcome out = processReading(state, state, voltsFor(-10), dbmInputs());
    EXPECT_EQ(out.dbmText, " 390 dBm");
    EXPECT_FALSE(out.problem);
    EXPECT_DOUBLE_EQ(state.scalePosition, 10.5);
}

TEST(ReadingChain, LimitsWithoutSpanKeepThePositionAndSendNothing)
{
    ChainUnderTest state = factoryState();
    state.scalePosition = 2;
    const ReadingOutcome out = processReading(state, state, 1.0, dbmInputs("-10", "-10"));
    EXPECT_TRUE(out.dbmText);
    EXPECT_FALSE(out.sendUpdateFrame);
    EXPECT_FALSE(out.redrawGauge);
    EXPECT_TRUE(out.clearNeedle);
    ASSERT_TRUE(out.problem);
    EXPECT_NE(out.problem->find("dBm scale has no span"), std::string::npos);
    EXPECT_EQ(state.scalePosition, 2);
}

TEST(ReadingChain, UnknownUnitKeepsThePreviousPosition)
{
    ChainUnderTest state = factoryState();
    state.scalePosition = 7;
    state.settings.gaugeUnit = std::monostate{};
    const ReadingOutcome out = processReading(state, state, 1.0, dbmInputs());
    EXPECT_EQ(state.scalePosition, 7);
    EXPECT_TRUE(out.sendUpdateFrame);
}

TEST(ReadingChain, TestVoltageRunsTheAbsoluteChainWithoutAFrame)
{
    ChainUnderTest state = factoryState();
    state.decimalSeparator = ',';
    ReadingOutcome out = processTestVoltage(state, state, "1,52486", dbmInputs("20", "0", true));
    EXPECT_EQ(out.dbmText, "-10 dBm");
    EXPECT_TRUE(out.redrawGauge);
    EXPECT_FALSE(out.sendUpdateFrame);

    state.decimalSeparator = '.';
    EXPECT_EQ(processTestVoltage(state, state, "1,52486", dbmInputs("20", "0", true)).dbmText, "-10 dBm");
    out = processTestVoltage(state, state, "0,9,1", dbmInputs());
    EXPECT_FALSE(out.voltageText);
    EXPECT_FALSE(out.redrawGauge);
    ASSERT_TRUE(out.problem);
    EXPECT_NE(out.problem->find("0,9,1"), std::string::npos);
}

// The correction at the measurement frequency moves the level by exactly the interpolated
// amount; averaging shows the mean power of the latest readings, and the lamp still sees each.
TEST(ReadingChain, CorrectionAndAveragingShapeTheLevelButNotTheLamp)
{
    ChainUnderTest state = factoryState();
    state.accuracy.setTable(SelectedTable{CorrectionTable{{{1e8, 1.0}, {3e8, 3.0}}}, "table.csv", ""});
    for (const auto &[frequencyHz, db] : {std::pair{1e8, 1.0}, {2e8, 2.0}, {2.5e8, 2.5}, {1e9, 3.0}}) {
        state.accuracy.frequencyHz = frequencyHz;
        const ReadingOutcome out = processReading(state, state, voltsFor(-30), dbmInputs());
        ASSERT_TRUE(out.levels) << frequencyHz;
        EXPECT_NEAR(out.levels->levelDbm, -30 + db, 1e-9) << frequencyHz;
        EXPECT_EQ(out.notice.has_value(), frequencyHz > 3e8) << frequencyHz;
    }

    state.accuracy = {};
    state.accuracy.setAveraging(4);
    state.settings.warningLevelDbm = std::string("-25");
    ReadingOutcome out;
    for (int i = 0; i < 6; ++i)
        out = processReading(state, state, voltsFor(i % 2 == 0 ? -30 : -20), dbmInputs());
    ASSERT_TRUE(out.levels);
    EXPECT_NEAR(out.levels->levelDbm, 10 * std::log10((1e-3 + 1e-2) / 2), 1e-9); // not -25 dB
    EXPECT_EQ(out.averageText, "avg 4/4");
    EXPECT_EQ(out.lamp, LampAction::LeaveUnchanged); // the -20 dBm readings count towards the lamp

    // A new attenuator starts again; the test button's value is shown as it is.
    state.settings.attenuatorDbm = 10.0;
    out = processReading(state, state, voltsFor(-30), dbmInputs());
    EXPECT_EQ(out.averageText, "avg 1/4");
    out = processTestVoltage(state, state, "1.13242", dbmInputs());
    EXPECT_EQ(out.dbmText, "-20 dBm");
    EXPECT_FALSE(out.averageText);
}

// A calibration capture is the mean voltage of several readings, never one noisy sample; a
// typed test voltage is taken as it is.
TEST(ReadingChain, ACaptureTakesTheMeanVoltageOfItsReadings)
{
    ChainUnderTest state = factoryState();
    state.accuracy.setAveraging(2);
    EXPECT_EQ(captureReadingCount(state.accuracy), 4);
    state.calCaptureSlot = 3;
    state.captureAverage = {captureReadingCount(state.accuracy), 0, 0};
    const double volts[] = {1.0, 1.1, 1.2, 1.3};
    for (int i = 0; i < 3; ++i) {
        const ReadingOutcome out = processReading(state, state, volts[i], dbmInputs());
        EXPECT_FALSE(out.capture) << i;
        ASSERT_TRUE(out.captureProgress) << i;
        EXPECT_EQ(out.captureProgress->text, std::to_string(i + 1) + "/4");
    }
    ReadingOutcome out = processReading(state, state, volts[3], dbmInputs());
    ASSERT_TRUE(out.capture);
    EXPECT_EQ(out.capture->slot, 3);
    EXPECT_EQ(out.capture->text, "1.15");
    out = processTestVoltage(state, state, "0.9", dbmInputs());
    ASSERT_TRUE(out.capture);
    EXPECT_EQ(out.capture->text, "0.9");
}
