#pragma once

#include "core/base/failure.hpp"
#include "core/settings/meter_settings.hpp"

#include <array>
#include <cstdint>
#include <string_view>
#include <variant>

// The settings fields by name, for tools that show or change one field at a time.
namespace merolan {

// The control each field belongs to in the windows, which decides what it takes and the kind
// it is stored with.
enum class FieldEntry {
    Text,      // a text box: the text as typed
    Reference, // a panel meter reference label: a whole number from 0 to 1023
    Switch,    // the external gauge meter box: -1 checked, 0 clear
    Range,     // the frequency range boxes: 1 Low, 2 Mid, 3 High
    Unit,      // the gauge unit boxes: 1 dBm, 2 Watt, 3 Volt
};

struct SettingField {
    std::string_view name; // the name in MeterSettings, also for fieldLabel()
    FieldEntry entry;
    // The first three fields are bare integers in the record; the rest keep a kind.
    std::variant<std::int16_t MeterSettings::*, SettingValue MeterSettings::*> member;
};

// The nineteen fields in record order.
inline constexpr std::array<SettingField, 19> kSettingFields{{
    {"lowRefPwm", FieldEntry::Reference, &MeterSettings::lowRefPwm},
    {"highRefPwm", FieldEntry::Reference, &MeterSettings::highRefPwm},
    {"externalMeterOn", FieldEntry::Switch, &MeterSettings::externalMeterOn},
    {"attenuatorDbm", FieldEntry::Text, &MeterSettings::attenuatorDbm},
    {"dbmScaleMax", FieldEntry::Text, &MeterSettings::dbmScaleMax},
    {"dbmScaleMin", FieldEntry::Text, &MeterSettings::dbmScaleMin},
    {"frequencyRange", FieldEntry::Range, &MeterSettings::frequencyRange},
    {"wattScaleMax", FieldEntry::Text, &MeterSettings::wattScaleMax},
    {"voltScaleMax", FieldEntry::Text, &MeterSettings::voltScaleMax},
    {"wattScaleMin", FieldEntry::Text, &MeterSettings::wattScaleMin},
    {"voltScaleMin", FieldEntry::Text, &MeterSettings::voltScaleMin},
    {"gaugeUnit", FieldEntry::Unit, &MeterSettings::gaugeUnit},
    {"warningLevelDbm", FieldEntry::Text, &MeterSettings::warningLevelDbm},
    {"calLowMinus10", FieldEntry::Text, &MeterSettings::calLowMinus10},
    {"calLowMinus50", FieldEntry::Text, &MeterSettings::calLowMinus50},
    {"calMidMinus10", FieldEntry::Text, &MeterSettings::calMidMinus10},
    {"calMidMinus50", FieldEntry::Text, &MeterSettings::calMidMinus50},
    {"calHighMinus10", FieldEntry::Text, &MeterSettings::calHighMinus10},
    {"calHighMinus50", FieldEntry::Text, &MeterSettings::calHighMinus50},
}};

// The field of that exact name, or none.
const SettingField *findSettingField(std::string_view name);

// The stored value; a bare integer field reads as an integer.
SettingValue fieldValue(const MeterSettings &settings, const SettingField &field);

// What a field takes, in words for help and messages ("1 (Low), 2 (Mid) or 3 (High)").
std::string_view acceptedValues(FieldEntry entry);

// The settings with `typed` put into the field as its window stores it. A value the field does
// not take gives a failure naming the field and what it takes. Whether the record still fits,
// and whether a text can be stored, is the encoder's to say.
std::variant<MeterSettings, Failure> withTypedValue(const MeterSettings &settings, const SettingField &field,
                                                    std::string_view typed);

} // namespace merolan
