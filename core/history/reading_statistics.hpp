#pragma once

#include "core/history/reading_history.hpp"
#include "core/history/running_statistics.hpp"
#include "core/history/statistics_period.hpp"

#include <cstddef>

namespace merolan {

// Statistics of the records from one index to the newest, with the newest value. The work grows
// with the records counted.
TrendStatistics summarize(const ReadingHistory &history, TrendScale scale, std::size_t fromIndex);

// The same of the period's records from one index on, those before the period began left out,
// with the period's peak hold.
TrendStatistics summarizePeriodFrom(const ReadingHistory &history, const StatisticsPeriod &period, TrendScale scale,
                                    std::size_t fromIndex);

// The same of the whole period, records pushed out of the history included, in constant time
// however long the period.
TrendStatistics summarizePeriod(const ReadingHistory &history, const StatisticsPeriod &period, TrendScale scale);

} // namespace merolan
