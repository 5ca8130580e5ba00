#include "gauge/scale_range.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace merolan;

TEST(ScalePosition, MapsTheLimitsOntoTheScaleAndClamps)
{
    const std::tuple<double, GaugeUnit, const char *, const char *, double> cases[] = {
        {-30, GaugeUnit::Dbm, "-10", "-50", 5},   {-60, GaugeUnit::Dbm, "-10", "-50", 0},
        {0, GaugeUnit::Dbm, "-10", "-50", 10.5},  {-51, GaugeUnit::Dbm, "-10", "-50.5", 0},
        {0.25, GaugeUnit::Watt, "1.0", "0", 2.5}, {0.5, GaugeUnit::Volt, "1", "0abc", 5},
        {10, GaugeUnit::Dbm, "20", "0", 5},       {-3.456, GaugeUnit::Dbm, "20", "0", 0},
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
    EXPECT_EQ(scaleRangeErrorTitle(GaugeUnit::Watt), "Screen Gauge Meter Watt-ERROR");
}
