#pragma once

#include "core/scpi/scpi_errors.hpp"
#include "core/scpi/scpi_parser.hpp"

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// What the command handlers need on either side of a command: the values its parameters mean,
// and the texts of its answer.
namespace merolan::scpi {

// The value SCPI answers for a number that is not one ("9.91E37").
inline constexpr double kNotANumber = 9.91e37;

// ON or OFF, or a number: 0 is off, any other value on. Another word or a number with a unit
// suffix is -224, a string -104.
std::variant<bool, Error> toBoolean(const Parameter &parameter);

// A number's value. A unit suffix is accepted when it is one of `units` (given in upper case;
// the caller then reads parameter.suffix to scale), otherwise -224. Words (MIN, MAX, DEF ...) and
// strings are -104: a handler that takes such words looks at them before.
std::variant<double, Error> toNumber(const Parameter &parameter, std::initializer_list<std::string_view> units = {});

// Real numbers answer as printf("%E") writes them, whatever the locale: "-2.990000E+01". A value
// that is not finite answers as kNotANumber.
std::string nr3Text(double value);

// Whole numbers: "32", "-113".
std::string nr1Text(long long value);

inline std::string booleanText(bool on)
{
    return on ? "1" : "0";
}

// A string answer: in double quotes, a quote inside doubled. Bytes that are not printable ASCII
// become '?', so the answer line stays one line of ASCII.
std::string quotedText(std::string_view text);

} // namespace merolan::scpi
