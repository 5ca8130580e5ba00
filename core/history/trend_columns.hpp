#pragma once

#include "core/history/reading_history.hpp"

#include <cstdint>
#include <vector>

namespace merolan {

// One pixel column of a trend: the lowest and highest value of the readings that fall into it.
struct TrendColumn {
    int column = 0;
    double minimum = 0;
    double maximum = 0;
    bool afterGap = false; // readings without a level lie between the previous column and this one
};

// The columns with values of the span [fromMs, toMs) cut into `columns` equal slices, in order.
// Each column is found by time and summarized from the history's level summaries, so the work
// grows with the columns, not with the readings the span holds.
std::vector<TrendColumn> decimate(const ReadingHistory &history, TrendScale scale, std::int64_t fromMs,
                                  std::int64_t toMs, int columns);

} // namespace merolan
