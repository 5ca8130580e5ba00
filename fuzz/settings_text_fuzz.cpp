#include "core/reading/scale_range.hpp"
#include "core/base/text_format.hpp"

#include <cmath>
#include <cstdlib>
#include <string_view>

using namespace merolan;

// A text typed into a box or stored in a settings file: whatever its bytes, reading it never
// gives a number that is not finite, and a number it gives survives being shown and read back
// with either decimal mark.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    for (const char mark : {'.', ','}) {
        if (const std::optional<double> value = readLocaleNumber(text, mark)) {
            if (!std::isfinite(*value))
                std::abort();
            const std::optional<double> back = readLocaleNumber(localeNumberText(*value, mark), mark);
            if (!back || std::abs(*back - *value) > 1e-14 * std::abs(*value))
                std::abort();
        }
        const LeadingNumber leading = readLeadingNumber(text, mark);
        if (leading.length > size || (leading.value && !std::isfinite(*leading.value)))
            std::abort();
    }
    if (!std::isfinite(parseLeadingNumber(text)))
        std::abort();
    for (const GaugeUnit unit : {GaugeUnit::Dbm, GaugeUnit::Watt, GaugeUnit::Volt}) {
        if (!std::isfinite(scaleLimitValue(unit, text)))
            std::abort();
        const std::optional<std::string> problem = scaleLimitProblem(unit, text, true);
        if (problem && problem->empty())
            std::abort();
    }
    return 0;
}
