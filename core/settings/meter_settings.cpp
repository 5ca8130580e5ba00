#include "core/settings/meter_settings.hpp"

#include <array>
#include <utility>

namespace merolan {

MeterSettings factorySettings()
{
    MeterSettings s;
    s.lowRefPwm = 0;
    s.highRefPwm = 1023;
    s.externalMeterOn = 0;
    s.attenuatorDbm = std::int16_t{0};
    s.dbmScaleMax = std::int16_t{-10};
    s.dbmScaleMin = std::int16_t{-50};
    s.frequencyRange = std::int16_t{1};
    s.wattScaleMax = std::string("1.0");
    s.voltScaleMax = std::string("1.0");
    s.wattScaleMin = std::string("0");
    s.voltScaleMin = std::string("0");
    s.gaugeUnit = std::int16_t{1};
    s.warningLevelDbm = std::string("-5");
    s.calLowMinus10 = 1.52486;
    s.calLowMinus50 = 0.73998;
    s.calMidMinus10 = 1.54132;
    s.calMidMinus50 = 0.77893;
    s.calHighMinus10 = 1.53451;
    s.calHighMinus50 = 0.83877;
    return s;
}

std::string_view fieldLabel(std::string_view fieldName)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 19> labels{{
        {"lowRefPwm", "panel meter low reference"},
        {"highRefPwm", "panel meter high reference"},
        {"externalMeterOn", "external gauge meter switch"},
        {"attenuatorDbm", "attenuator"},
        {"dbmScaleMax", "dBm scale maximum"},
        {"dbmScaleMin", "dBm scale minimum"},
        {"frequencyRange", "frequency range"},
        {"wattScaleMax", "Watt scale maximum"},
        {"voltScaleMax", "Volt scale maximum"},
        {"wattScaleMin", "Watt scale minimum"},
        {"voltScaleMin", "Volt scale minimum"},
        {"gaugeUnit", "gauge unit"},
        {"warningLevelDbm", "warning level"},
        {"calLowMinus10", "Low -10 dBm calibration point"},
        {"calLowMinus50", "Low -50 dBm calibration point"},
        {"calMidMinus10", "Mid -10 dBm calibration point"},
        {"calMidMinus50", "Mid -50 dBm calibration point"},
        {"calHighMinus10", "High -10 dBm calibration point"},
        {"calHighMinus50", "High -50 dBm calibration point"},
    }};
    for (const auto &[name, label] : labels)
        if (name == fieldName)
            return label;
    return fieldName;
}

} // namespace merolan
