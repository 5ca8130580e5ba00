#include "core/reading/power_average.hpp"

#include <algorithm>
#include <numeric>

namespace merolan {

void PowerAverage::setCount(int count)
{
    count_ = std::clamp(count, 1, kMaxAverageCount);
    restart();
}

void PowerAverage::restart()
{
    watts_.assign(static_cast<std::size_t>(count_), 0.0);
    next_ = 0;
    filled_ = 0;
    context_.reset();
}

double PowerAverage::add(double watt, const AverageContext &context)
{
    if (context_ != context) {
        restart();
        context_ = context;
    }
    watts_[next_] = watt;
    next_ = (next_ + 1) % watts_.size();
    filled_ = std::min(filled_ + 1, watts_.size());
    // Summed afresh each time: a running sum would carry the rounding of every power that has
    // left the window, and 1024 additions cost well under a microsecond.
    const double sum = std::accumulate(watts_.begin(), watts_.begin() + static_cast<std::ptrdiff_t>(filled_), 0.0);
    return sum / static_cast<double>(filled_);
}

} // namespace merolan
