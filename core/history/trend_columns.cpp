#include "core/history/trend_columns.hpp"

namespace merolan {

std::vector<TrendColumn> decimate(const ReadingHistory &history, TrendScale scale, std::int64_t fromMs,
                                  std::int64_t toMs, int columns)
{
    std::vector<TrendColumn> out;
    if (columns <= 0 || toMs <= fromMs)
        return out;

    // Column c starts at the first millisecond t with (t - from) * columns / span >= c. Split as
    // c * q + c * r / columns, no product outgrows 64 bits whatever the span; the sums wrap
    // back into range as two's complement.
    const std::uint64_t span = static_cast<std::uint64_t>(toMs) - static_cast<std::uint64_t>(fromMs);
    const auto count = static_cast<std::uint64_t>(columns);
    const std::uint64_t q = span / count, r = span % count;
    const auto columnStart = [&](std::uint64_t c) {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(fromMs) + c * q + (c * r + count - 1) / count);
    };

    // Readings without a level before a column's first level open a gap before it; those at the
    // very start of the span too, so the line does not seem to run in from before them. A gap
    // inside one column is narrower than a pixel and does not show.
    bool pendingGap = false;
    std::size_t first = history.firstAtOrAfter(fromMs);
    const std::size_t end = history.firstAtOrAfter(toMs, first);
    for (std::uint64_t column = 0; column < count && first < end; ++column) {
        const std::size_t next = column + 1 == count ? end : history.firstAtOrAfter(columnStart(column + 1), first);
        const LevelSummary levels = history.levelsBetween(first, next);
        first = next;
        if (levels.empty)
            continue;
        // Watts and volts rise with the level, so the extremes convert once per column.
        const auto low = levels.hasLevel ? levelIn(levels.lowestDbm, scale) : std::nullopt;
        const auto high = levels.hasLevel ? levelIn(levels.highestDbm, scale) : std::nullopt;
        if (!low || !high) {
            pendingGap = true;
            continue;
        }
        out.push_back({static_cast<int>(column), *low, *high, pendingGap || levels.gapBefore});
        pendingGap = levels.gapAfter;
    }
    return out;
}

} // namespace merolan
