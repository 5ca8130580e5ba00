#include "core/history/reading_statistics.hpp"

#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace merolan;
using merolan::testing::recordAt;
using merolan::testing::RecordedRun;

TEST(TrendStatistics, MeanIsTheMeanPowerInEachUnit)
{
    RecordedRun run;
    run.append(recordAt(0, 0.0, 0.0));
    run.append(recordAt(500, -20.0, -20.0));
    const ReadingHistory &history = run.history;
    const std::pair<TrendScale, double> cases[] = {
        {{TrendUnit::Dbm}, -2.967086218813386},
        {{TrendUnit::RelativeDb, -10.0}, 7.032913781186614},
        {{TrendUnit::Watt}, 0.000505},
        {{TrendUnit::Volt}, std::sqrt(50 * 0.000505)},
    };
    for (auto [scale, mean] : cases) {
        // Counted over the records and kept by the period alike.
        for (const TrendStatistics &s :
             {summarizePeriodFrom(history, run.period, scale, 0), summarizePeriod(history, run.period, scale)}) {
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
    RecordedRun run;
    for (auto [t, level] : std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{
             {0, -5.0}, {1000, -10.0}, {2000, -30.0}, {3000, {}}, {5000, -4000.0}}) // the last has no power
        run.append(recordAt(t, level));

    TrendStatistics s = summarizePeriodFrom(run.history, run.period, {}, 1);
    EXPECT_EQ(s.sinceMs, 1000);
    EXPECT_EQ(s.count, 3u);
    EXPECT_EQ(s.unusable, 1u);
    EXPECT_EQ(s.minimum, -4000.0);
    EXPECT_EQ(s.maximum, -10.0);
    EXPECT_EQ(s.readingsPerSecond, 0.75);
    EXPECT_NEAR(s.mean.value_or(0), 10 * std::log10((0.1 + 0.001) / 3), 1e-12);
    EXPECT_EQ(s.peak, -5.0); // the peak hold, whatever the range

    s = summarize(run.history, {}, 4);
    EXPECT_FALSE(s.mean || s.standardDeviation || s.readingsPerSecond);
}
