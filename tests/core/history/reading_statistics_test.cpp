#include "core/history/reading_statistics.hpp"

#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace merolan;
using merolan::testing::recordAt;

TEST(TrendStatistics, MeanIsTheMeanPowerInEachUnit)
{
    ReadingHistory history;
    history.append(recordAt(0, 0.0, 0.0));
    history.append(recordAt(500, -20.0, -20.0));
    const std::pair<TrendScale, double> cases[] = {
        {{TrendUnit::Dbm}, -2.967086218813386},
        {{TrendUnit::RelativeDb, -10.0}, 7.032913781186614},
        {{TrendUnit::Watt}, 0.000505},
        {{TrendUnit::Volt}, std::sqrt(50 * 0.000505)},
    };
    for (auto [scale, mean] : cases) {
        // Counted over the records and kept by the history's period alike.
        for (const TrendStatistics &s : {summarize(history, scale, 0), summarizePeriod(history, scale)}) {
            EXPECT_NEAR(s.mean.value_or(0), mean, std::abs(mean) * 1e-12) << static_cast<int>(scale.unit);
            EXPECT_EQ(s.current, history.valueAt(1, scale));
            EXPECT_EQ(s.maximum, s.peak);
        }
    }
    EXPECT_NEAR(*summarize(history, {}, 0).standardDeviation, std::sqrt(200.0), 1e-12);
    EXPECT_NEAR(*summarize(history, {TrendUnit::Watt}, 0).standardDeviation, std::sqrt(2) * 0.000495, 1e-15);
}

TEST(TrendStatistics, CountsGapsAndRateOverTheChosenRecords)
{
    ReadingHistory history;
    for (auto [t, level] : std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{
             {0, -5.0}, {1000, -10.0}, {2000, -30.0}, {3000, {}}, {5000, -4000.0}}) // the last has no power
        history.append(recordAt(t, level));

    TrendStatistics s = summarize(history, {}, 1);
    EXPECT_EQ(s.sinceMs, 1000);
    EXPECT_EQ(s.count, 3u);
    EXPECT_EQ(s.unusable, 1u);
    EXPECT_EQ(s.minimum, -4000.0);
    EXPECT_EQ(s.maximum, -10.0);
    EXPECT_EQ(s.readingsPerSecond, 0.75);
    EXPECT_NEAR(s.mean.value_or(0), 10 * std::log10((0.1 + 0.001) / 3), 1e-12);
    EXPECT_EQ(s.peak, -5.0); // the peak hold, whatever the range

    s = summarize(history, {}, 4);
    EXPECT_FALSE(s.mean || s.standardDeviation || s.readingsPerSecond);
}

TEST(TrendStatistics, ThePeriodCountsReadingsPushedOutAndRestartsAtReset)
{
    ReadingHistory history(2);
    for (auto [t, level] :
         std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{{0, 5.0}, {1000, {}}, {2000, -30.0}})
        history.append(recordAt(t, level));
    TrendStatistics s = summarizePeriod(history, {});
    EXPECT_EQ(s.sinceMs, 0);
    EXPECT_EQ(s.count, 2u);
    EXPECT_EQ(s.unusable, 1u);
    EXPECT_EQ(s.maximum, 5.0); // pushed out of the history, still in the period
    EXPECT_EQ(s.readingsPerSecond, 1.0);
    EXPECT_EQ(history.firstOfPeriod(), 0u);

    history.resetStatistics();
    EXPECT_EQ(history.firstOfPeriod(), 2u);
    EXPECT_EQ(history.periodResetMs(), 2000);
    EXPECT_EQ(summarizePeriod(history, {}).count, 0u);
    EXPECT_FALSE(summarizePeriod(history, {}).current);
    history.append(recordAt(3000, -20.0));
    s = summarizePeriod(history, {});
    EXPECT_EQ(history.firstOfPeriod(), 1u);
    const auto expected = std::tuple(3000, 1u, -20.0, -20.0);
    EXPECT_EQ(std::tuple(s.sinceMs, s.count, s.minimum, s.peak), expected);
}
