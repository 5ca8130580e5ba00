#include "core/history/running_statistics.hpp"

#include "core/reading/conversion.hpp"

#include <algorithm>
#include <cmath>

namespace merolan {

void RunningStatistics::Moments::add(double x, double count)
{
    const double delta = x - mean;
    mean += delta / count;
    squares += delta * (x - mean);
}

void RunningStatistics::add(std::int64_t timeMs, std::optional<double> levelDbm)
{
    if (count_ + unusable_ == 0)
        firstMs_ = timeMs;
    lastMs_ = timeMs;
    const double power = levelDbm ? wattFromDbm(*levelDbm) : 0;
    if (!levelDbm || !std::isfinite(*levelDbm) || !std::isfinite(power)) {
        ++unusable_;
        return;
    }
    ++count_;
    const double level = *levelDbm;
    lowestDbm_ = count_ == 1 ? level : std::min(lowestDbm_, level);
    highestDbm_ = count_ == 1 ? level : std::max(highestDbm_, level);
    const auto n = static_cast<double>(count_);
    dbm_.add(level, n);
    watt_.add(power, n);
    volt_.add(rmsVoltFromWatt(power), n);
}

TrendStatistics RunningStatistics::in(TrendScale scale) const
{
    TrendStatistics stats;
    stats.count = count_;
    stats.unusable = unusable_;
    const std::size_t readings = count_ + unusable_;
    if (readings > 0)
        stats.sinceMs = firstMs_;
    if (readings >= 2 && lastMs_ > firstMs_)
        stats.readingsPerSecond =
            finiteOrNone(static_cast<double>(readings - 1) / (static_cast<double>(lastMs_ - firstMs_) / 1000.0));
    if (count_ == 0)
        return stats;

    // Watts and volts rise with the level, so the extremes are those of the levels.
    stats.minimum = levelIn(lowestDbm_, scale);
    stats.maximum = levelIn(highestDbm_, scale);
    // A mean power that underflows to nothing has no level: it is left out rather than shown as
    // minus infinity.
    const double meanPower = watt_.mean;
    if (meanPower > 0) {
        const double meanDbm = 10.0 * std::log10(meanPower * 1000.0);
        stats.mean = scale.unit == TrendUnit::Watt   ? finiteOrNone(meanPower)
                     : scale.unit == TrendUnit::Volt ? finiteOrNone(rmsVoltFromWatt(meanPower))
                                                     : levelIn(meanDbm, scale);
    }
    if (count_ >= 2) {
        const Moments &moments = scale.unit == TrendUnit::Watt ? watt_ : scale.unit == TrendUnit::Volt ? volt_ : dbm_;
        stats.standardDeviation = finiteOrNone(std::sqrt(moments.squares / static_cast<double>(count_ - 1)));
    }
    return stats;
}

} // namespace merolan
