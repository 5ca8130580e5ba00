#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace merolan {

// A stored setting keeps the kind its last writer gave it: text boxes store text, check boxes
// integers, the factory calibration doubles. The kind decides the bytes in the settings file.
// Text is held as UTF-8 and stored as Windows-1252.
using SettingValue = std::variant<std::monostate, std::int16_t, double, std::string>;

// What a text box shows for the value: "" when empty, the digits of a number with the
// locale's decimal separator, a text as it is.
std::string textForm(const SettingValue &value, char decimalSeparator);

// The value as it enters arithmetic: empty reads as 0, a text through the locale number
// reading. A text that is no number has no value.
std::optional<double> numericValue(const SettingValue &value, char decimalSeparator);

// Whether a choice setting (range, unit) holds the number n; an empty value holds none.
bool holdsNumber(const SettingValue &value, int n, char decimalSeparator);

} // namespace merolan
