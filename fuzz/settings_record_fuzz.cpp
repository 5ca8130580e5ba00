#include "core/settings/settings_record.hpp"

#include <cstdlib>

using namespace merolan;

// Any bytes either decode or fail with a message; what decodes encodes back to the same fields.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto decoded = decodeSettingsRecord(std::span<const std::uint8_t>(data, size));
    const auto *settings = std::get_if<MeterSettings>(&decoded);
    if (!settings)
        return 0;
    const auto encoded = encodeSettingsRecord(*settings, '.');
    if (const auto *record = std::get_if<SettingsRecord>(&encoded)) {
        const auto again = decodeSettingsRecord(*record);
        const auto *back = std::get_if<MeterSettings>(&again);
        // Bare text fields come back as text, so compare with the text form applied.
        MeterSettings expected = *settings;
        expected.wattScaleMax = textForm(expected.wattScaleMax, '.');
        expected.voltScaleMax = textForm(expected.voltScaleMax, '.');
        if (!back || !(*back == expected))
            std::abort();
    }
    return 0;
}
