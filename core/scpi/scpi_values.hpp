#pragma once

#include "core/scpi/scpi_errors.hpp"
#include "core/scpi/scpi_parser.hpp"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// What the command handlers need on either side of a command: the values its parameters mean,
// and the texts of its answer.
namespace merolan::scpi {

// The value SCPI answers for a number that is not one ("9.91E37").
inline constexpr double kNotANumber = 9.91e37;

// A word a command takes, and what it stands for: a choice of words ("DBM", "W") is a small table
// of these, read both ways, so the words a command takes and those it answers cannot part.
template <typename T>
struct Choice {
    std::string_view word; // upper case, as the parser gives words
    T value;
};

// The value of the word a parameter names among `choices`. A string is -104; another word, or a
// number, is -224: a value the command does not take.
template <typename T, std::size_t N>
std::variant<T, Error> toChoice(const Parameter &parameter, const Choice<T> (&choices)[N])
{
    if (parameter.kind == ParameterKind::String)
        return Error::DataType;
    if (parameter.kind == ParameterKind::Word)
        for (const Choice<T> &choice : choices)
            if (parameter.text == choice.word)
                return choice.value;
    return Error::IllegalParameterValue;
}

// The word that answers for `value`; the first of the choices where none does.
template <typename T, std::size_t N>
std::string_view choiceWord(const Choice<T> (&choices)[N], const T &value)
{
    for (const Choice<T> &choice : choices)
        if (choice.value == value)
            return choice.word;
    return choices[0].word;
}

// ON or OFF, or a number: 0 is off, any other value on. Another word or a number with a unit
// suffix is -224, a string -104.
std::variant<bool, Error> toBoolean(const Parameter &parameter);

// A number's value. A unit suffix is taken when it is one of `units`, whose value scales the
// number ({"MHZ", 1e6} makes "200 MHZ" 2E8); another suffix is -224, and a scaled value past what
// a double holds -222. Words (MIN, MAX, DEF ...) and strings are -104: a handler that takes such
// words looks at them before.
std::variant<double, Error> toNumber(const Parameter &parameter, std::span<const Choice<double>> units = {});

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
