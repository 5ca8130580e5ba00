#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The moving average of the latest readings, taken in linear power: the mean of their watts,
// never of their dB, so a level that flickers between two values averages to the power it
// delivers.
namespace merolan {

inline constexpr int kMaxAverageCount = 1024;

// What the readings being averaged were measured with; a change restarts the average, since
// readings under another range, attenuator, frequency, correction or relative mode do not mix.
struct AverageContext {
    double rangeValue = 0;
    double attenuatorDb = 0;
    double frequencyHz = 0;
    double correctionDb = 0;
    bool relativeMode = false;
    bool operator==(const AverageContext &) const = default;
};

class PowerAverage
{
public:
    // 1 averages nothing; values outside 1..kMaxAverageCount are brought inside. Restarts.
    void setCount(int count);
    int count() const { return count_; }

    // Takes one reading's power in watts (finite, above 0) measured in `context`; gives the mean
    // power of the readings held, the latest `count` of them. A new context restarts it first.
    double add(double watt, const AverageContext &context);
    // After a reading without a level: what follows must not be mixed with what came before.
    void restart();
    // Readings the mean stands on, up to count().
    std::size_t filled() const { return filled_; }

private:
    int count_ = 1;
    std::vector<double> watts_; // a ring of count_ places
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
    std::optional<AverageContext> context_;
};

} // namespace merolan
