#pragma once

#include "core/history/reading_history.hpp"
#include "core/history/running_statistics.hpp"
#include "core/history/trend_scale.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace merolan {

// The trend's statistics period: the readings from the last reset (or the start) to the newest,
// those the history has since pushed out included, with the highest level among them, the peak
// hold. It follows one history and is told of every record appended to it; the reset is kept as
// a count of records rather than a time, so readings stamped in the same millisecond as the
// newest one at the reset still fall on the right side of it.
class StatisticsPeriod
{
public:
    // Counts the record just appended to `history` as the history keeps it: stamped no earlier
    // than its predecessor, and without a level when its level is not a number.
    void add(const ReadingHistory &history);
    // Starts the period afresh with the next record appended to `history`.
    void reset(const ReadingHistory &history);

    const RunningStatistics &statistics() const { return statistics_; }
    std::optional<double> peak(TrendScale scale) const;
    // The index in `history` of the period's oldest record still kept; size() before it has any.
    std::size_t firstIndex(const ReadingHistory &history) const;
    // The newest record's time when the period was started by a reset; none before a reset.
    std::optional<std::int64_t> resetMs() const { return resetMs_; }

private:
    RunningStatistics statistics_;
    std::uint64_t start_ = 0; // the history's count of records appended at the reset
    std::optional<std::int64_t> resetMs_;
};

} // namespace merolan
