#pragma once

#include "core/history/trend_scale.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace merolan {

// What the trend says of a stretch of readings, in one scale. Minimum, maximum and the standard
// deviation (of a sample) are taken of the values in the unit. The mean is the mean power shown
// in the unit: the mean of 0 dBm and -20 dBm is 0.505 mW, that is -2.97 dBm, not -10 dBm.
struct TrendStatistics {
    std::size_t count = 0;               // readings with a level
    std::size_t unusable = 0;            // readings without one
    std::optional<std::int64_t> sinceMs; // when the first of them was taken
    std::optional<double> current, minimum, maximum, mean, standardDeviation, peak;
    std::optional<double> readingsPerSecond; // all readings, over the time they span
};

// The statistics taken one reading at a time, in constant memory and constant work however long
// the run, for every scale at once: the trend's unit can change without counting again. Current
// and peak are left to the caller.
class RunningStatistics
{
public:
    // A reading and its level in dBm; absent, or with no finite power, it counts as one without.
    void add(std::int64_t timeMs, std::optional<double> levelDbm);
    TrendStatistics in(TrendScale scale) const;

private:
    // Running mean and sum of squared deviations (Welford) rather than sums: a day of readings
    // neither loses the small ones to rounding nor overflows on large powers.
    struct Moments {
        double mean = 0, squares = 0;
        void add(double x, double count);
    };

    std::size_t count_ = 0, unusable_ = 0;
    std::int64_t firstMs_ = 0, lastMs_ = 0;
    double lowestDbm_ = 0, highestDbm_ = 0;
    Moments dbm_, watt_, volt_;
};

} // namespace merolan
