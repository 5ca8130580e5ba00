#include "core/history/statistics_period.hpp"

#include <algorithm>

namespace merolan {

void StatisticsPeriod::add(const ReadingHistory &history)
{
    if (history.empty())
        return;
    const std::size_t newest = history.size() - 1;
    statistics_.add(history.timeAt(newest), history.levelAt(newest));
}

void StatisticsPeriod::reset(const ReadingHistory &history)
{
    statistics_ = {};
    start_ = history.appendedCount();
    if (!history.empty())
        resetMs_ = history.timeAt(history.size() - 1);
}

std::optional<double> StatisticsPeriod::peak(TrendScale scale) const
{
    return statistics_.in(scale).maximum;
}

std::size_t StatisticsPeriod::firstIndex(const ReadingHistory &history) const
{
    const std::uint64_t pushedOut = history.appendedCount() - history.size();
    return start_ > pushedOut ? static_cast<std::size_t>(std::min<std::uint64_t>(start_ - pushedOut, history.size()))
                              : 0;
}

} // namespace merolan
