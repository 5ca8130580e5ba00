#include "core/history/axis_ticks.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace merolan;

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;
// 2026-12-09 23:06:23.5 in a zone one hour east of UTC.
constexpr std::int64_t kEvening = 1'796'853'983'500;
constexpr int kPlusOne = 3600;

std::vector<std::string> labels(const TimeTicks &ticks, std::size_t count)
{
    std::vector<std::string> first;
    for (std::size_t i = 0; i < ticks.ticks.size() && i < count; ++i)
        first.push_back(ticks.ticks[i].label);
    return first;
}

} // namespace

TEST(AxisTicks, TimeTicksFallOnRoundLocalTimes)
{
    const struct {
        std::int64_t from;
        std::int64_t span;
        std::int64_t step;
        std::vector<std::string> first;
    } cases[] = {
        {kEvening, 10 * kSecond, 2 * kSecond, {"23:06:24", "23:06:26"}},
        {kEvening, kMinute, 10 * kSecond, {"23:06:30", "23:06:40"}},
        {kEvening, 10 * kMinute, 2 * kMinute, {"23:08", "23:10"}},
        {kEvening - 20 * kMinute, kHour, 10 * kMinute, {"22:50", "23:00"}},
        // Across midnight the first tick and the first of the new day carry the date.
        {kEvening + 43 * kMinute, 30 * kMinute, 5 * kMinute, {"Dec 9 23:50", "23:55", "Dec 10 00:00", "00:05"}},
        {kEvening, 24 * kHour, 6 * kHour, {"Dec 10 00:00", "Dec 10 06:00"}},
        {kEvening, 10 * 24 * kHour, 2 * 24 * kHour, {"Dec 11 00:00", "Dec 13 00:00"}},
    };
    for (const auto &c : cases) {
        const TimeTicks ticks = timeTicks(c.from, c.from + c.span, kPlusOne, 7);
        EXPECT_EQ(ticks.stepMs, c.step) << c.span;
        EXPECT_EQ(labels(ticks, c.first.size()), c.first) << c.span;
        EXPECT_LE(ticks.ticks.size(), 7u) << c.span;
        for (std::size_t i = 1; i < ticks.ticks.size(); ++i)
            EXPECT_EQ(ticks.ticks[i].utcMs - ticks.ticks[i - 1].utcMs, c.step) << c.span;
    }
    EXPECT_EQ(localTimeTitle(kPlusOne), "Local time (UTC+01:00)");
    EXPECT_EQ(localTimeTitle(-9 * 3600 - 1800), "Local time (UTC-09:30)");
}

TEST(AxisTicks, LevelTicksAreRoundAndAtLeastFour)
{
    const struct {
        double min, max, step;
    } cases[] = {
        {-50, -3, 10}, {-60, 0, 20}, {-10.2, -9.9, 0.1}, {0, 1e-3, 2e-4}, {-2, 2, 1}, {5, 5, 1},
    };
    for (const auto &c : cases) {
        EXPECT_DOUBLE_EQ(levelTickStep(c.min, c.max), c.step) << c.min << ' ' << c.max;
        if (c.max > c.min) {
            const double ticks = std::floor(c.max / c.step + 1e-9) - std::ceil(c.min / c.step - 1e-9) + 1;
            EXPECT_GE(ticks, 4) << c.min << ' ' << c.max;
        }
    }
}
