#include "core/history/statistics_period.hpp"

#include "core/history/reading_statistics.hpp"
#include "core/reading/conversion.hpp"
#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <tuple>

using namespace merolan;
using merolan::testing::recordAt;
using merolan::testing::RecordedRun;

TEST(StatisticsPeriod, PeakHoldOutlivesPushedOutRecordsUntilReset)
{
    RecordedRun run(2);
    for (const double level : {5.0, -20.0, -30.0})
        run.append(recordAt(0, level));
    EXPECT_EQ(run.period.peak({}), 5.0);
    EXPECT_EQ(run.period.peak({TrendUnit::RelativeDb, -4.0}), 9.0);
    EXPECT_EQ(run.period.peak({TrendUnit::Volt}), rmsVoltFromWatt(wattFromDbm(5.0)));

    run.period.reset(run.history);
    EXPECT_FALSE(run.period.peak({}));
    run.append(recordAt(0, -40.0));
    EXPECT_EQ(run.period.peak({}), -40.0);
    // Stamped as the reading before the reset, and still the only one after it.
    EXPECT_EQ(run.period.firstIndex(run.history), 1u);
}

TEST(StatisticsPeriod, CountsReadingsPushedOutAndRestartsAtReset)
{
    RecordedRun run(2);
    for (auto [t, level] :
         std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{{0, 5.0}, {1000, {}}, {2000, -30.0}})
        run.append(recordAt(t, level));
    TrendStatistics s = summarizePeriod(run.history, run.period, {});
    EXPECT_EQ(s.sinceMs, 0);
    EXPECT_EQ(s.count, 2u);
    EXPECT_EQ(s.unusable, 1u);
    EXPECT_EQ(s.maximum, 5.0); // pushed out of the history, still in the period
    EXPECT_EQ(s.readingsPerSecond, 1.0);
    EXPECT_EQ(run.period.firstIndex(run.history), 0u);

    run.period.reset(run.history);
    EXPECT_EQ(run.period.firstIndex(run.history), 2u);
    EXPECT_EQ(run.period.resetMs(), 2000);
    EXPECT_EQ(summarizePeriod(run.history, run.period, {}).count, 0u);
    EXPECT_FALSE(summarizePeriod(run.history, run.period, {}).current);
    run.append(recordAt(3000, -20.0));
    s = summarizePeriod(run.history, run.period, {});
    EXPECT_EQ(run.period.firstIndex(run.history), 1u);
    const auto expected = std::tuple(3000, 1u, -20.0, -20.0);
    EXPECT_EQ(std::tuple(s.sinceMs, s.count, s.minimum, s.peak), expected);
}
