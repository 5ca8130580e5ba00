#include "core/settings/calibration_rules.hpp"

#include "core/reading/wire_protocol.hpp"

namespace merolan {

std::optional<int> stepReference(int value, ReferenceStep step)
{
    switch (step) {
    case ReferenceStep::Down1:
        return value >= 1 ? std::optional(value - 1) : std::nullopt;
    case ReferenceStep::Down10:
        return value >= 10 ? std::optional(value - 10) : std::nullopt;
    case ReferenceStep::Up10:
        return value <= kMaxPwm - 10 ? std::optional(value + 10) : std::nullopt;
    case ReferenceStep::Up1:
        return value <= kMaxPwm - 1 ? std::optional(value + 1) : std::nullopt;
    }
    return std::nullopt;
}

void applyExternalMeterSwitch(MeterSettings &settings, bool checked)
{
    settings.externalMeterOn = checked ? -1 : 0;
}

std::int16_t commandMode(const MeterSettings &settings)
{
    return commandModeFor(externalMeterIsOn(settings));
}

} // namespace merolan
