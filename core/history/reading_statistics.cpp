#include "core/history/reading_statistics.hpp"

namespace merolan {
namespace {

TrendStatistics withNewestAndPeak(TrendStatistics stats, const ReadingHistory &history, TrendScale scale)
{
    if (!history.empty() && stats.count + stats.unusable > 0)
        stats.current = history.valueAt(history.size() - 1, scale);
    stats.peak = history.peak(scale);
    return stats;
}

} // namespace

TrendStatistics summarize(const ReadingHistory &history, TrendScale scale, std::size_t fromIndex)
{
    RunningStatistics running;
    for (std::size_t i = fromIndex; i < history.size(); ++i)
        running.add(history.timeAt(i), history.levelAt(i));
    return withNewestAndPeak(running.in(scale), history, scale);
}

TrendStatistics summarizePeriod(const ReadingHistory &history, TrendScale scale)
{
    return withNewestAndPeak(history.period().in(scale), history, scale);
}

} // namespace merolan
