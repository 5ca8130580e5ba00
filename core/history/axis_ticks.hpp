#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where the trend's axes put their ticks: on round times and round levels, so a reader can
// count between them.
namespace merolan {

struct TimeTick {
    std::int64_t utcMs = 0;
    std::string label;
};

struct TimeTicks {
    std::int64_t stepMs = 0;
    std::vector<TimeTick> ticks; // within the span, oldest first
};

// Ticks for [fromMs, toMs] on the smallest round step (1, 2, 5, 10, 15, 30 s; 1, 2, 5, 10, 15,
// 30 min; 1, 2, 3, 6, 12 h; then whole days) that puts at most `maxTicks` of them in the span,
// at round local times. Labels carry seconds when the step needs them, and the date ("Dec 10")
// on the first tick of each day when the span crosses midnight, on every tick when it is a day
// or longer.
TimeTicks timeTicks(std::int64_t fromMs, std::int64_t toMs, int utcOffsetSeconds, int maxTicks);

// "Local time (UTC+01:00)".
std::string localTimeTitle(int utcOffsetSeconds);

// The step between level ticks: 1, 2 or 5 times a power of ten, the largest that still puts at
// least four ticks in [min, max]. 1 for a span that is none.
double levelTickStep(double min, double max);

} // namespace merolan
