#include "core/history/reading_statistics.hpp"

#include <algorithm>

namespace merolan {
namespace {

TrendStatistics withNewest(TrendStatistics stats, const ReadingHistory &history, TrendScale scale)
{
    if (!history.empty() && stats.count + stats.unusable > 0)
        stats.current = history.valueAt(history.size() - 1, scale);
    return stats;
}

} // namespace

TrendStatistics summarize(const ReadingHistory &history, TrendScale scale, std::size_t fromIndex)
{
    RunningStatistics running;
    for (std::size_t i = fromIndex; i < history.size(); ++i)
        running.add(history.timeAt(i), history.levelAt(i));
    return withNewest(running.in(scale), history, scale);
}

TrendStatistics summarizePeriodFrom(const ReadingHistory &history, const StatisticsPeriod &period, TrendScale scale,
                                    std::size_t fromIndex)
{
    TrendStatistics stats = summarize(history, scale, std::max(fromIndex, period.firstIndex(history)));
    stats.peak = period.peak(scale);
    return stats;
}

TrendStatistics summarizePeriod(const ReadingHistory &history, const StatisticsPeriod &period, TrendScale scale)
{
    TrendStatistics stats = withNewest(period.statistics().in(scale), history, scale);
    stats.peak = period.peak(scale);
    return stats;
}

} // namespace merolan
