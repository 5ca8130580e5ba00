#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace merolan {

// The three frequency ranges, each with a calibration of its own; the numbers are those the
// settings record stores.
enum class FrequencyRange { Low = 1, Mid = 2, High = 3 };

inline constexpr std::array<FrequencyRange, 3> kFrequencyRanges{FrequencyRange::Low, FrequencyRange::Mid,
                                                                 FrequencyRange::High};

// The range's name as the windows write it: "Low", "Mid", "High". Logs and the tool write it in
// lower case, SCPI in upper case; every spelling comes from this one.
std::string_view rangeTitle(FrequencyRange range);
// "low", "mid", "high".
std::string rangeWord(FrequencyRange range);
// The range of a name in any case ("mid", "MID", "Mid"); none for anything else.
std::optional<FrequencyRange> rangeNamed(std::string_view name);
// The range a stored number stands for; none outside 1..3.
std::optional<FrequencyRange> rangeNumbered(int number);

} // namespace merolan
