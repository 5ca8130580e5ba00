#pragma once

#include "core/reading/frequency_range.hpp"
#include "core/settings/setting_value.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace merolan {

// Every persisted setting, in the order of the settings record. A default-constructed record
// is what an empty settings file decodes to; factorySettings() gives the factory values.
struct MeterSettings {
    std::int16_t lowRefPwm = 0;       // PWM that puts the panel meter's needle on 0
    std::int16_t highRefPwm = 0;      // PWM for full scale (10)
    std::int16_t externalMeterOn = 0; // -1 on, 0 off
    SettingValue attenuatorDbm;
    SettingValue dbmScaleMax;
    SettingValue dbmScaleMin;
    SettingValue frequencyRange;               // 1 Low, 2 Mid, 3 High
    SettingValue wattScaleMax = std::string(); // stored as a bare text field
    SettingValue voltScaleMax = std::string(); // stored as a bare text field
    SettingValue wattScaleMin;
    SettingValue voltScaleMin;
    SettingValue gaugeUnit; // 1 dBm, 2 Watt, 3 Volt
    SettingValue warningLevelDbm;
    SettingValue calLowMinus10; // detector volts at -10 dBm, Low range
    SettingValue calLowMinus50;
    SettingValue calMidMinus10;
    SettingValue calMidMinus50;
    SettingValue calHighMinus10;
    SettingValue calHighMinus50;

    bool operator==(const MeterSettings &) const = default;
};

enum class GaugeUnit : std::int16_t { Dbm = 1, Watt = 2, Volt = 3 };

// The values "Create default calibration" restores, each with its factory kind.
MeterSettings factorySettings();

// Words for a field in messages to the user ("Mid -50 dBm calibration point").
std::string_view fieldLabel(std::string_view fieldName);

} // namespace merolan
