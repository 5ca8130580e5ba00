#include "core/history/reading_history.hpp"

#include "core/reading/conversion.hpp"
#include "tests/support/reading_records.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <tuple>

using namespace merolan;
using merolan::testing::recordAt;

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

TEST(ReadingHistory, TheCursorTakesTheNearestReadingOrNamesTheGap)
{
    ReadingHistory history;
    for (const std::int64_t t : {1000, 2000, 3000, 9000})
        history.append(recordAt(t, -30.0));
    const struct {
        std::int64_t pointer;
        std::optional<std::size_t> reading, before, after;
    } cases[] = {
        {1000, 0, {}, {}}, {1400, 0, {}, {}}, {1600, 1, {}, {}}, {2500, 1, {}, {}}, // a tie takes the earlier
        {500, 0, {}, {}},  {6000, {}, 2, 3},  {8600, 3, {}, {}}, {20000, {}, 3, {}}, {-5000, {}, {}, 0},
    };
    for (const auto &c : cases) {
        const CursorPoint point = cursorAt(history, c.pointer, 500);
        EXPECT_EQ(point.reading, c.reading) << c.pointer;
        EXPECT_EQ(point.before, c.before) << c.pointer;
        EXPECT_EQ(point.after, c.after) << c.pointer;
    }
    EXPECT_FALSE(cursorAt(ReadingHistory(), 0, 500).reading);
}

TEST(ReadingHistory, LevelSummariesOfAnyRunMatchTheRecordsOneByOne)
{
    // A capacity that is no multiple of any block, filled part way and then wrapped past it, so
    // runs cross the ring's end and the block being overwritten.
    constexpr std::size_t kCapacity = 5000;
    ReadingHistory history(kCapacity);
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> index(0, kCapacity);
    const auto levelOf = [](std::size_t n) {
        return n % 7 == 3 ? std::nullopt : std::optional(-60.0 + static_cast<double>(n * 37 % 101));
    };
    std::size_t appended = 0;
    for (const std::size_t fill : {std::size_t{3000}, std::size_t{2000}, std::size_t{3123}}) {
        for (std::size_t end = appended + fill; appended < end; ++appended)
            history.append(recordAt(static_cast<std::int64_t>(appended), levelOf(appended)));
        for (int trial = 0; trial < 2000; ++trial) {
            const std::size_t a = std::min(index(random), history.size());
            const std::size_t b = std::min(index(random), history.size());
            const std::size_t first = std::min(a, b), end = std::max(a, b);
            LevelSummary expected;
            for (std::size_t i = first; i < end; ++i)
                expected.add(history.levelAt(i));
            const LevelSummary got = history.levelsBetween(first, end);
            ASSERT_EQ(std::tuple(got.empty, got.hasLevel, got.lowestDbm, got.highestDbm, got.gapBefore, got.gapAfter),
                      std::tuple(expected.empty, expected.hasLevel, expected.lowestDbm, expected.highestDbm,
                                 expected.gapBefore, expected.gapAfter))
                << appended << ": " << first << ".." << end;
        }
    }
}
