#pragma once

#include "core/history/reading_history.hpp"
#include "core/history/running_statistics.hpp"

#include <cstddef>

namespace merolan {

// Statistics of the records from one index to the newest, with the newest value and the peak
// hold. The work grows with the records counted.
TrendStatistics summarize(const ReadingHistory &history, TrendScale scale, std::size_t fromIndex);

// The same of the whole statistics' period, records pushed out of the history included, in
// constant time however long the period.
TrendStatistics summarizePeriod(const ReadingHistory &history, TrendScale scale);

} // namespace merolan
