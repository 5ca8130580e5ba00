#include "core/history/trend_columns.hpp"

#include "core/reading/conversion.hpp"
#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

using namespace merolan;
using merolan::testing::recordAt;

TEST(TrendDecimation, ColumnsHoldTheExtremesAndMarkGaps)
{
    ReadingHistory history;
    for (auto [t, level] : std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{
             {-5, 9.0}, {0, -1.0}, {5, -3.0}, {15, -2.0}, {35, {}}, {45, -4.0}, {99, -5.0}, {100, 9.0}})
        history.append(recordAt(t, level));

    std::vector<std::tuple<int, double, double, bool>> columns;
    for (const TrendColumn &c : decimate(history, {TrendUnit::Watt}, 0, 100, 10))
        columns.emplace_back(c.column, c.minimum, c.maximum, c.afterGap);
    const std::vector<std::tuple<int, double, double, bool>> expected = {
        {0, wattFromDbm(-3), wattFromDbm(-1), false},
        {1, wattFromDbm(-2), wattFromDbm(-2), false},
        {4, wattFromDbm(-4), wattFromDbm(-4), true},
        {9, wattFromDbm(-5), wattFromDbm(-5), false},
    };
    EXPECT_EQ(columns, expected);
    EXPECT_EQ(decimate(history, {TrendUnit::RelativeDb, -1.0}, 0, 100, 10).front().maximum, 0.0);
    EXPECT_TRUE(decimate(history, {}, 0, 100, 0).empty());
    EXPECT_TRUE(decimate(history, {}, 100, 100, 10).empty());
}

TEST(TrendDecimation, UnevenSlicesStartAtTheRoundedUpMillisecond)
{
    constexpr auto min = std::numeric_limits<std::int64_t>::min(), max = std::numeric_limits<std::int64_t>::max();
    // 10 ms in 3 columns start at 0, 4 and 7; the whole int64 range in 2 splits at 0.
    const std::tuple<std::int64_t, std::int64_t, std::int64_t, int, int> cases[] = {
        {3, 0, 10, 3, 0}, {4, 0, 10, 3, 1},     {6, 0, 10, 3, 1},
        {7, 0, 10, 3, 2}, {-1, min, max, 2, 0}, {0, min, max, 2, 1},
    };
    for (auto [t, from, to, count, column] : cases) {
        ReadingHistory history(1);
        history.append(recordAt(t, 0.0));
        const auto columns = decimate(history, {}, from, to, count);
        ASSERT_EQ(columns.size(), 1u) << t;
        EXPECT_EQ(columns[0].column, column) << t;
    }
}
