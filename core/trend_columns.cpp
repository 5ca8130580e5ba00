#include "core/trend_columns.hpp"

#include <algorithm>

namespace merolan {

std::vector<TrendColumn> decimate(const ReadingHistory &history, TrendUnit unit, std::int64_t fromMs, std::int64_t toMs,
                                  int columns)
{
    std::vector<TrendColumn> out;
    if (columns <= 0 || toMs <= fromMs)
        return out;

    // Column c starts at the first millisecond t with (t - from) * columns / span >= c. Split as
    // c * q + c * r / columns, no product outgrows 64 bits whatever the span.
    const std::uint64_t span = static_cast<std::uint64_t>(toMs) - static_cast<std::uint64_t>(fromMs);
    const auto count = static_cast<std::uint64_t>(columns);
    const std::uint64_t q = span / count, r = span % count;
    const auto columnStart = [&](std::uint64_t c) { return c * q + (c * r + count - 1) / count; };

    // Minimum and maximum are taken of the stored levels and converted once per column: watts
    // and volts rise with the level, so the extremes are the same readings.
    const TrendUnit source = storedUnitOf(unit);
    std::uint64_t column = 0;
    std::uint64_t nextStart = columnStart(1);
    // Readings without a value at the start of the span mark the first column too: the line
    // must not seem to run in from before them.
    bool hasValue = false, pendingGap = false;
    TrendColumn current;
    const auto emit = [&] {
        if (!hasValue)
            return;
        const auto low = storedValueIn(current.minimum, unit), high = storedValueIn(current.maximum, unit);
        if (low && high) {
            current.minimum = *low;
            current.maximum = *high;
            out.push_back(current);
        } else {
            pendingGap = true;
        }
        hasValue = false;
    };

    const std::size_t end = history.firstAtOrAfter(toMs);
    for (std::size_t i = history.firstAtOrAfter(fromMs); i < end; ++i) {
        const std::uint64_t offset = static_cast<std::uint64_t>(history.timeAt(i)) - static_cast<std::uint64_t>(fromMs);
        if (offset >= nextStart) {
            emit();
            while (offset >= nextStart)
                nextStart = columnStart(++column + 1);
        }
        const auto value = history.valueAt(i, source);
        if (!value) {
            pendingGap = true;
            continue;
        }
        if (!hasValue) {
            current = {static_cast<int>(column), *value, *value, pendingGap};
            hasValue = true;
        } else {
            current.minimum = std::min(current.minimum, *value);
            current.maximum = std::max(current.maximum, *value);
        }
        // A gap inside one column is narrower than a pixel; only gaps between columns show.
        pendingGap = false;
    }
    emit();
    return out;
}

} // namespace merolan
