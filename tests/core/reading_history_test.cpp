#include "core/reading_history.hpp"

#include "core/conversion.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace merolan;

namespace {

ReadingRecord recordAt(std::int64_t timeMs, std::optional<double> levelDbm = {}, std::optional<double> relativeDb = {},
                       std::string note = {})
{
    ReadingRecord r;
    r.timeUtcMs = timeMs;
    r.levelDbm = levelDbm;
    r.relativeDb = relativeDb;
    r.note = std::move(note);
    return r;
}

} // namespace

TEST(ReadingHistory, RecordsComeBackWithPowerAndVoltageRebuiltFromTheLevel)
{
    ReadingRecord in = recordAt(1'800'000'000'123, -16.748512, 3.25);
    in.elapsedS = 12.3456;
    in.voltageV = 1.52486;
    in.range = 2;
    in.attenuatorDb = 20;
    in.lampLit = true;
    ReadingHistory history(4);
    history.append(in);
    in.levelDbm = std::numeric_limits<double>::quiet_NaN();
    in.range = 7;
    history.append(in);

    const ReadingRecord out = history.at(0);
    EXPECT_EQ(out.timeUtcMs, in.timeUtcMs);
    EXPECT_EQ(out.elapsedS, 12.346); // kept to the millisecond
    EXPECT_EQ(out.voltageV, in.voltageV);
    EXPECT_EQ(out.relativeDb, 3.25);
    EXPECT_EQ(out.powerW, wattFromDbm(-16.748512));
    EXPECT_EQ(out.rmsV, rmsVoltFromWatt(wattFromDbm(-16.748512)));
    EXPECT_EQ(out.range, 2);
    EXPECT_EQ(out.attenuatorDb, 20);
    EXPECT_TRUE(out.lampLit);
    const ReadingRecord odd = history.at(1);
    EXPECT_FALSE(odd.levelDbm || odd.powerW || odd.rmsV);
    EXPECT_EQ(odd.range, 0);
}

TEST(ReadingHistory, RingKeepsTheNewestInTimeOrderWithoutGrowing)
{
    ReadingHistory history(4);
    const std::size_t reserved = history.memoryBytes();
    for (std::int64_t t : {1, 2, 10, 5, 20, 30}) // 5 comes late and is kept at 10
        history.append(recordAt(t));
    EXPECT_EQ(history.size(), 4u);
    EXPECT_EQ(history.memoryBytes(), reserved);
    const std::pair<std::int64_t, std::size_t> cases[] = {
        {0, 0}, {10, 0}, {11, 2}, {20, 2}, {21, 3}, {30, 3}, {31, 4},
    };
    for (auto [time, index] : cases)
        EXPECT_EQ(history.firstAtOrAfter(time), index) << time;
    EXPECT_EQ(history.timeAt(1), 10);
}

TEST(ReadingHistory, NotesAreKeptUntilTooManyDifferentOnesArrive)
{
    ReadingHistory history(5000);
    history.append(recordAt(0, {}, {}, "Dämpfung \"x\" ist keine Zahl"));
    for (int i = 1; i < 5000; ++i)
        history.append(recordAt(i, {}, {}, "note " + std::to_string(i)));
    EXPECT_EQ(history.at(0).note, "Dämpfung \"x\" ist keine Zahl");
    EXPECT_EQ(history.at(1).note, "note 1");
    const std::string late = history.at(4999).note;
    EXPECT_NE(late, "note 4999");
    EXPECT_EQ(history.at(4998).note, late);
    history.append(recordAt(5000, {}, {}, "note 1"));
    EXPECT_EQ(history.at(4999).note, "note 1");

    ReadingHistory copy(1);
    {
        ReadingHistory source(2);
        source.append(recordAt(0, {}, {}, "kept"));
        copy = source;
    }
    copy.append(recordAt(1, {}, {}, "new"));
    EXPECT_EQ(copy.at(0).note, "kept");
    EXPECT_EQ(copy.at(1).note, "new");
}

TEST(ReadingHistory, PeakHoldOutlivesPushedOutRecordsUntilReset)
{
    ReadingHistory history(2);
    for (auto [level, relative] : {std::pair{5.0, -1.0}, {-20.0, 4.0}, {-30.0, 0.0}})
        history.append(recordAt(0, level, relative));
    EXPECT_EQ(history.peak(TrendUnit::Dbm), 5.0);
    EXPECT_EQ(history.peak(TrendUnit::RelativeDb), 4.0);
    EXPECT_EQ(history.peak(TrendUnit::Volt), rmsVoltFromWatt(wattFromDbm(5.0)));

    history.resetPeak();
    history.append(recordAt(0, -40.0));
    EXPECT_EQ(history.peak(TrendUnit::Dbm), -40.0);
    EXPECT_FALSE(history.peak(TrendUnit::RelativeDb));
    history.clear();
    EXPECT_FALSE(history.peak(TrendUnit::Dbm));
}

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

TEST(TrendDecimation, ColumnsHoldTheExtremesAndMarkGaps)
{
    ReadingHistory history;
    for (auto [t, level] : std::initializer_list<std::pair<std::int64_t, std::optional<double>>>{
             {-5, 9.0}, {0, -1.0}, {5, -3.0}, {15, -2.0}, {35, {}}, {45, -4.0}, {99, -5.0}, {100, 9.0}})
        history.append(recordAt(t, level));

    std::vector<std::tuple<int, double, double, bool>> columns;
    for (const TrendColumn &c : decimate(history, TrendUnit::Watt, 0, 100, 10))
        columns.emplace_back(c.column, c.minimum, c.maximum, c.afterGap);
    const std::vector<std::tuple<int, double, double, bool>> expected = {
        {0, wattFromDbm(-3), wattFromDbm(-1), false},
        {1, wattFromDbm(-2), wattFromDbm(-2), false},
        {4, wattFromDbm(-4), wattFromDbm(-4), true},
        {9, wattFromDbm(-5), wattFromDbm(-5), false},
    };
    EXPECT_EQ(columns, expected);
    EXPECT_TRUE(decimate(history, TrendUnit::RelativeDb, 0, 100, 10).empty());
    EXPECT_TRUE(decimate(history, TrendUnit::Dbm, 0, 100, 0).empty());
    EXPECT_TRUE(decimate(history, TrendUnit::Dbm, 100, 100, 10).empty());
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
        const auto columns = decimate(history, TrendUnit::Dbm, from, to, count);
        ASSERT_EQ(columns.size(), 1u) << t;
        EXPECT_EQ(columns[0].column, column) << t;
    }
}
