#include "core/reading/frequency_range.hpp"

#include "core/base/ascii.hpp"

namespace merolan {

std::string_view rangeTitle(FrequencyRange range)
{
    switch (range) {
    case FrequencyRange::Low:
        return "Low";
    case FrequencyRange::Mid:
        return "Mid";
    case FrequencyRange::High:
        return "High";
    }
    return "Low";
}

std::string rangeWord(FrequencyRange range)
{
    return asciiLowerCased(rangeTitle(range));
}

std::optional<FrequencyRange> rangeNamed(std::string_view name)
{
    for (const FrequencyRange range : kFrequencyRanges)
        if (asciiLowerCased(name) == rangeWord(range))
            return range;
    return std::nullopt;
}

std::optional<FrequencyRange> rangeNumbered(int number)
{
    if (number < 1 || number > static_cast<int>(kFrequencyRanges.size()))
        return std::nullopt;
    return static_cast<FrequencyRange>(number);
}

} // namespace merolan
