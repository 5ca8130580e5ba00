#pragma once

#include "core/reading_history.hpp"

#include <cstddef>
#include <optional>

namespace merolan {

// Statistics of the records from one index to the newest. Minimum, maximum and the standard
// deviation (of a sample) are taken of the values in the unit. The mean is the mean power shown
// in the unit: the mean of 0 dBm and -20 dBm is 0.505 mW, that is -2.97 dBm, not -10 dBm.
struct TrendStatistics {
    std::size_t count = 0;    // readings with a level
    std::size_t unusable = 0; // readings without one
    std::optional<double> current, minimum, maximum, mean, standardDeviation, peak;
    std::optional<double> readingsPerSecond; // all readings, over the time they span
};

TrendStatistics summarize(const ReadingHistory &history, TrendUnit unit, std::size_t fromIndex);

// The same statistics taken one reading at a time in constant memory, however long the run:
// count, unusable, minimum, maximum, mean and standard deviation (current, peak and rate are
// left to the caller).
class RunningStatistics
{
public:
    explicit RunningStatistics(TrendUnit unit) : unit_(unit) {}

    // One reading, given as the level its value comes from: dB against the zero reference for
    // RelativeDb, dBm for the other units. Absent counts as a reading without a level.
    void add(std::optional<double> level);
    TrendStatistics result() const;

private:
    TrendUnit unit_;
    std::size_t count_ = 0, unusable_ = 0;
    double mean_ = 0, squares_ = 0, meanPower_ = 0, minimum_ = 0, maximum_ = 0;
};

} // namespace merolan
