#include "core/reading_statistics.hpp"

#include "core/conversion.hpp"

#include <algorithm>
#include <cmath>

namespace merolan {

void RunningStatistics::add(std::optional<double> source)
{
    if (!source) {
        ++unusable_;
        return;
    }
    // The value and the power behind it: the ratio for dB, watts for the absolute units.
    double x = *source, power = 0;
    if (unit_ == TrendUnit::RelativeDb) {
        power = std::pow(10.0, x / 10.0);
    } else {
        power = wattFromDbm(x);
        x = unit_ == TrendUnit::Watt ? power : unit_ == TrendUnit::Volt ? rmsVoltFromWatt(power) : x;
    }
    if (!std::isfinite(x) || !std::isfinite(power)) {
        ++unusable_;
        return;
    }
    ++count_;
    // Running means (Welford) rather than sums: a day of readings neither loses the small ones
    // to rounding nor overflows on large powers.
    const auto n = static_cast<double>(count_);
    minimum_ = count_ == 1 ? x : std::min(minimum_, x);
    maximum_ = count_ == 1 ? x : std::max(maximum_, x);
    const double delta = x - mean_;
    mean_ += delta / n;
    squares_ += delta * (x - mean_);
    meanPower_ += (power - meanPower_) / n;
}

TrendStatistics RunningStatistics::result() const
{
    TrendStatistics stats;
    stats.count = count_;
    stats.unusable = unusable_;
    if (count_ > 0) {
        stats.minimum = minimum_;
        stats.maximum = maximum_;
        // A mean power that underflows to nothing has no level: it is left out rather than
        // shown as minus infinity.
        if (meanPower_ > 0) {
            switch (unit_) {
            case TrendUnit::Dbm:
                stats.mean = finiteOrNone(10.0 * std::log10(meanPower_ * 1000.0));
                break;
            case TrendUnit::RelativeDb:
                stats.mean = finiteOrNone(10.0 * std::log10(meanPower_));
                break;
            case TrendUnit::Watt:
                stats.mean = finiteOrNone(meanPower_);
                break;
            case TrendUnit::Volt:
                stats.mean = finiteOrNone(rmsVoltFromWatt(meanPower_));
                break;
            }
        }
    }
    if (count_ >= 2)
        stats.standardDeviation = finiteOrNone(std::sqrt(squares_ / static_cast<double>(count_ - 1)));
    return stats;
}

TrendStatistics summarize(const ReadingHistory &history, TrendUnit unit, std::size_t fromIndex)
{
    const std::size_t end = history.size();
    if (fromIndex >= end) {
        TrendStatistics stats;
        stats.peak = history.peak(unit);
        return stats;
    }
    RunningStatistics running(unit);
    const TrendUnit source = storedUnitOf(unit);
    for (std::size_t i = fromIndex; i < end; ++i)
        running.add(history.valueAt(i, source));
    TrendStatistics stats = running.result();
    stats.peak = history.peak(unit);
    stats.current = history.valueAt(end - 1, unit);

    const std::size_t records = end - fromIndex;
    const std::int64_t spanMs = history.timeAt(end - 1) - history.timeAt(fromIndex);
    if (records >= 2 && spanMs > 0)
        stats.readingsPerSecond =
            finiteOrNone(static_cast<double>(records - 1) / (static_cast<double>(spanMs) / 1000.0));
    return stats;
}

} // namespace merolan
