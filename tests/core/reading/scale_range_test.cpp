#include "core/reading/scale_range.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace merolan;

TEST(ScaleLimitValue, WattAndVoltTakeAnSiPrefixAndTheirUnit)
{
    const std::tuple<GaugeUnit, const char *, double> cases[] = {
        {GaugeUnit::Watt, "10u", 1e-5},
        {GaugeUnit::Watt, "10 uW", 1e-5},
        {GaugeUnit::Watt, "10\u00b5W", 1e-5}, // micro sign
        {GaugeUnit::Watt, "10\u03bc", 1e-5},  // Greek mu
        {GaugeUnit::Watt, " 3 W ", 3},
        {GaugeUnit::Watt, "5mw", 0.005},
        {GaugeUnit::Watt, "3p", 3e-12},
        {GaugeUnit::Watt, "2 nW", 2e-9},
        {GaugeUnit::Watt, "1.5k", 1500},
        {GaugeUnit::Watt, "1.0", 1},
        {GaugeUnit::Watt, "0", 0},
        {GaugeUnit::Watt, "", 0},
        {GaugeUnit::Volt, "2.5mV", 0.0025},
        {GaugeUnit::Volt, "900 uv", 9e-4},
        // Texts not understood keep their leading number, as before.
        {GaugeUnit::Watt, "10x", 10},
        {GaugeUnit::Watt, "10 mV", 10},
        {GaugeUnit::Watt, "1,5", 1},
        {GaugeUnit::Volt, "abc", 0},
        {GaugeUnit::Watt, "1e308k", 1e308},
        // dBm has no prefix: "10m" is 10 dBm.
        {GaugeUnit::Dbm, "10m", 10},
        {GaugeUnit::Dbm, "-50.5dBm", -50.5},
    };
    for (auto [unit, text, value] : cases)
        EXPECT_DOUBLE_EQ(scaleLimitValue(unit, text), value) << unitName(unit) << " \"" << text << '"';
}

TEST(ScaleLimitProblem, NamesTheLimitAndTheTextWhenTheBoxCannotReadIt)
{
    const std::tuple<GaugeUnit, const char *, bool> cases[] = {
        {GaugeUnit::Watt, "", false},      {GaugeUnit::Watt, "  ", false},   {GaugeUnit::Watt, "10 uW ", false},
        {GaugeUnit::Volt, "2.5mV", false}, {GaugeUnit::Dbm, "10x", false},   {GaugeUnit::Dbm, "abc", false},
        {GaugeUnit::Watt, "10x", true},    {GaugeUnit::Volt, "abc", true},   {GaugeUnit::Watt, "10 mV", true},
        {GaugeUnit::Watt, "1,5", true},    {GaugeUnit::Volt, "10 M", true},  {GaugeUnit::Watt, "W", true},
        {GaugeUnit::Watt, "10 m W", true}, {GaugeUnit::Watt, "1e999", true}, {GaugeUnit::Volt, "1e308k", true},
    };
    for (auto [unit, text, problem] : cases)
        EXPECT_EQ(scaleLimitProblem(unit, text, true).has_value(), problem) << unitName(unit) << " \"" << text << '"';

    EXPECT_EQ(scaleLimitProblem(GaugeUnit::Watt, "10x", true),
              "The Watt maximum \"10x\" is not understood: type watts, optionally with p, n, u, \u00b5, m or k "
              "(10m, 2.5 uW).");
    // A long text is cut whole characters at a time, so the two lines of the status area hold it.
    EXPECT_EQ(scaleLimitProblem(GaugeUnit::Volt, "\u00b5\u00b5\u00b5\u00b5\u00b5\u00b5 volts here", false),
              "The Volt minimum \"\u00b5\u00b5\u00b5\u00b5\u00b5\u00b5 volts\u2026\" is not understood: type volts, "
              "optionally with p, n, u, \u00b5, m or k (10m, 2.5 uV).");
}

TEST(ScalePosition, MapsTheLimitsOntoTheScaleAndClamps)
{
    const std::tuple<double, GaugeUnit, const char *, const char *, double> cases[] = {
        {-30, GaugeUnit::Dbm, "-10", "-50", 5},   {-60, GaugeUnit::Dbm, "-10", "-50", 0},
        {0, GaugeUnit::Dbm, "-10", "-50", 10.5},  {-51, GaugeUnit::Dbm, "-10", "-50.5", 0},
        {0.25, GaugeUnit::Watt, "1.0", "0", 2.5}, {0.5, GaugeUnit::Volt, "1", "0abc", 5},
        {10, GaugeUnit::Dbm, "20", "0", 5},       {-3.456, GaugeUnit::Dbm, "20", "0", 0},
        {0.005, GaugeUnit::Watt, "10m", "0", 5},
    };
    for (auto [level, unit, max, min, position] : cases) {
        const auto p = computeScalePosition(level, unit, {max, min});
        ASSERT_TRUE(p) << level;
        EXPECT_DOUBLE_EQ(*p, position) << level << ' ' << max << ' ' << min;
    }
}

TEST(ScalePosition, NoScaleGivesNoPosition)
{
    EXPECT_FALSE(computeScalePosition(1, GaugeUnit::Watt, {"1", "1"}));
    EXPECT_FALSE(computeScalePosition(-10, GaugeUnit::Dbm, {"-11", "-10.5"})); // floored min -11
    EXPECT_FALSE(computeScalePosition(1, GaugeUnit::Volt, {"abc", ""}));
}

TEST(ScaleLimitCaptions, FollowTheUnitAndCutToEightCharacters)
{
    const std::tuple<GaugeUnit, const char *, const char *, bool, const char *, const char *> cases[] = {
        {GaugeUnit::Dbm, "-10", "-50", false, "-10dBm", "-50dBm"},
        {GaugeUnit::Dbm, "3", "-50.5", false, " 3dBm", "-51dBm"},
        {GaugeUnit::Dbm, "-0.5", "0.5", false, "-0.5dBm", " 0dBm"},
        {GaugeUnit::Dbm, "0.5", "-60", false, "0.5dBm", "-60dBm"},
        {GaugeUnit::Dbm, "20", "0", true, " 20dB", " 0dB"},
        {GaugeUnit::Watt, "1.0", "0", false, " 1 W", " 0 W"},
        {GaugeUnit::Watt, "0.25", "abc", false, "0.25 W", " 0 W"},
        {GaugeUnit::Watt, "10m", "0", false, "0.01 W", " 0 W"},
        {GaugeUnit::Volt, "0.123456789", "0", false, "0.1234567", " 0 V"},
    };
    for (auto [unit, max, min, relative, maxCaption, minCaption] : cases) {
        const LimitCaptions c = scaleLimitCaptions(unit, {max, min}, relative);
        EXPECT_EQ(c.max, maxCaption) << max;
        EXPECT_EQ(c.min, minCaption) << min;
    }
}

TEST(ScaleRanges, EveryFailingUnitIsReportedInOrder)
{
    EXPECT_EQ(invalidScaleRanges({"-10", "-50"}, {"1", "1"}, {"1", "2"}),
              (std::vector<GaugeUnit>{GaugeUnit::Watt, GaugeUnit::Volt}));
    EXPECT_TRUE(invalidScaleRanges({"-10", "-10.5"}, {"1", "0"}, {"1", "0"}).empty());
    EXPECT_EQ(invalidScaleRanges({"", ""}, {"1", "0"}, {"1", "0"}), std::vector<GaugeUnit>{GaugeUnit::Dbm});
    EXPECT_TRUE(invalidScaleRanges({"-10", "-50"}, {"1m", "10u"}, {"2.5 mV", "900 uV"}).empty());
    EXPECT_EQ(scaleRangeErrorTitle(GaugeUnit::Watt), "Screen Gauge Meter Watt-ERROR");
}
