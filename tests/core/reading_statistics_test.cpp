#include "core/reading_statistics.hpp"

#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace merolan;
using merolan::testing::recordAt;

TEST(TrendStatistics, MeanIsTheMeanPowerInEachUnit)
{
    ReadingHistory history;
    history.append(recordAt(0, 0.0, 0.0));
    history.append(recordAt(500, -20.0, -20.0));
    const std::pair<TrendUnit, double> cases[] = {
        {TrendUnit::Dbm, -2.967086218813386},
        {TrendUnit::RelativeDb, -2.967086218813386},
        {TrendUnit::Watt, 0.000505},
        {TrendUnit::Volt, std::sqrt(50 * 0.000505)},
    };
    for (auto [unit, mean] : cases) {
        const TrendStatistics s = summarize(history, unit, 0);
        EXPECT_NEAR(s.mean.value_or(0), mean, std::abs(mean) * 1e-12) << static_cast<int>(unit);
        EXPECT_EQ(s.current, history.valueAt(1, unit));
    }
    EXPECT_NEAR(*summarize(history, TrendUnit::Dbm, 0).standardDeviation, std::sqrt(200.0), 1e-12);
}

TEST(TrendStatistics, CountsGapsAndRateOverTheChosenRecords)
{
    ReadingHistory history;
    for (auto [t, level] : std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{
             {0, -5.0}, {1000, -10.0}, {2000, -30.0}, {3000, {}}, {5000, -4000.0}}) // the last has no power
        history.append(recordAt(t, level));

    TrendStatistics s = summarize(history, TrendUnit::Dbm, 1);
    EXPECT_EQ(s.count, 3u);
    EXPECT_EQ(s.unusable, 1u);
    EXPECT_EQ(s.minimum, -4000.0);
    EXPECT_EQ(s.maximum, -10.0);
    EXPECT_EQ(s.readingsPerSecond, 0.75);
    EXPECT_NEAR(s.mean.value_or(0), 10 * std::log10((0.1 + 0.001) / 3), 1e-12);
    EXPECT_EQ(s.peak, -5.0); // the peak hold, whatever the range

    s = summarize(history, TrendUnit::Dbm, 4);
    EXPECT_FALSE(s.mean || s.standardDeviation || s.readingsPerSecond);
    s = summarize(history, TrendUnit::RelativeDb, 0); // outside relative mode no reading counts
    EXPECT_EQ(s.unusable, 5u);
    EXPECT_FALSE(s.current || s.minimum || s.mean);
}
