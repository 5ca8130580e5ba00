#pragma once

#include "core/settings/settings_fields.hpp"

#include <optional>
#include <string>
#include <string_view>

// What the tool takes where a setting is typed on its command line: only values the program can
// use, so that a slip of the keyboard is refused at once instead of turning up later as readings
// without a level or a lamp that never lights.
namespace merolan {

// An attenuator in dB whose levels the readouts can show: a number ("." or "," as the point) that
// leaves a level moved by it a power and a voltage, which is about -3000 to 3000 dB; none otherwise.
std::optional<double> usableAttenuatorDb(std::string_view typed, char decimalSeparator);

// What a field takes, in words for the help and for messages.
std::string whatFieldTakes(const SettingField &field);

// What "settings set" stores for the field: the text as typed when the field can use it, and the
// number of a range or unit given by name ("mid" gives "2"); none when the field cannot use it.
// Whole numbers are checked by withTypedValue.
std::optional<std::string> usableFieldText(const SettingField &field, std::string_view typed, char decimalSeparator);

} // namespace merolan
