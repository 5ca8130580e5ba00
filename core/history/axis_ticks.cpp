#include "core/history/axis_ticks.hpp"

#include "core/logs/csv_log.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace merolan {
namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kMinuteMs = 60 * kSecondMs;
constexpr std::int64_t kHourMs = 60 * kMinuteMs;
constexpr std::int64_t kDayMs = 24 * kHourMs;

constexpr std::array<std::int64_t, 17> kSteps{
    kSecondMs, 2 * kSecondMs, 5 * kSecondMs, 10 * kSecondMs, 15 * kSecondMs, 30 * kSecondMs,
    kMinuteMs, 2 * kMinuteMs, 5 * kMinuteMs, 10 * kMinuteMs, 15 * kMinuteMs, 30 * kMinuteMs,
    kHourMs,   2 * kHourMs,   3 * kHourMs,   6 * kHourMs,    12 * kHourMs,
};

constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The smallest multiple of `step` at or after `value`, for negative values too.
std::int64_t ceilTo(std::int64_t value, std::int64_t step)
{
    const std::int64_t below = value / step * step;
    return below >= value ? below : below + (value > 0 ? step : 0);
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

std::string labelOf(std::int64_t localMs, bool seconds, bool withDate)
{
    const std::int64_t days = floorDiv(localMs, kDayMs);
    const std::int64_t ofDay = localMs - days * kDayMs;
    char text[32];
    const int hour = static_cast<int>(ofDay / kHourMs);
    const int minute = static_cast<int>(ofDay % kHourMs / kMinuteMs);
    const int second = static_cast<int>(ofDay % kMinuteMs / kSecondMs);
    if (seconds)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    if (!withDate)
        return text;
    const CivilDate date = civilFromDays(days);
    char dateText[16];
    std::snprintf(dateText, sizeof dateText, "%s %d ", kMonths[date.month - 1], date.day);
    return dateText + std::string(text);
}

} // namespace

TimeTicks timeTicks(std::int64_t fromMs, std::int64_t toMs, int utcOffsetSeconds, int maxTicks)
{
    TimeTicks result;
    if (toMs <= fromMs || maxTicks < 1)
        return result;
    const std::int64_t offsetMs = static_cast<std::int64_t>(utcOffsetSeconds) * kSecondMs;
    const std::int64_t span = toMs - fromMs;
    std::int64_t step = 0;
    for (const std::int64_t candidate : kSteps) {
        if (span / candidate + 1 <= maxTicks) {
            step = candidate;
            break;
        }
    }
    if (step == 0) // days, as many as it takes
        step = kDayMs * ((span / kDayMs) / maxTicks + 1);
    result.stepMs = step;
    const bool seconds = step < kMinuteMs;
    const bool crossesMidnight = floorDiv(fromMs + offsetMs, kDayMs) != floorDiv(toMs + offsetMs, kDayMs);
    std::int64_t previousDay = 0;
    for (std::int64_t local = ceilTo(fromMs + offsetMs, step); local <= toMs + offsetMs; local += step) {
        const std::int64_t day = floorDiv(local, kDayMs);
        const bool withDate = span >= kDayMs || (crossesMidnight && (result.ticks.empty() || day != previousDay));
        result.ticks.push_back({local - offsetMs, labelOf(local, seconds, withDate)});
        previousDay = day;
    }
    return result;
}

std::string localTimeTitle(int utcOffsetSeconds)
{
    const int minutes = std::abs(utcOffsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "Local time (UTC%c%02d:%02d)", utcOffsetSeconds < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

double levelTickStep(double min, double max)
{
    const double span = max - min;
    if (!std::isfinite(span) || span <= 0)
        return 1;
    // A limit a hair off a multiple of the step (-9.9 is -99.00000000000001 tenths) still has it.
    constexpr double kSlack = 1e-9;
    const auto ticksWith = [&](double step) {
        return std::floor(max / step + kSlack) - std::ceil(min / step - kSlack) + 1;
    };
    double decade = std::pow(10.0, std::floor(std::log10(span)));
    // From a step near the whole span down, the first that gives four ticks.
    for (int i = 0; i < 4; ++i, decade /= 10) {
        for (const double factor : {5.0, 2.0, 1.0}) {
            if (ticksWith(factor * decade) >= 4)
                return factor * decade;
        }
    }
    return decade;
}

} // namespace merolan
