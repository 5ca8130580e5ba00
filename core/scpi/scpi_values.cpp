#include "core/scpi/scpi_values.hpp"

#include <array>
#include <charconv>
#include <cmath>

namespace merolan::scpi {

namespace {

constexpr Choice<bool> kSwitch[] = {{"ON", true}, {"OFF", false}};

} // namespace

std::variant<bool, Error> toBoolean(const Parameter &parameter)
{
    if (parameter.kind != ParameterKind::Number)
        return toChoice(parameter, kSwitch);
    if (!parameter.suffix.empty())
        return Error::IllegalParameterValue;
    return parameter.number != 0;
}

std::variant<double, Error> toNumber(const Parameter &parameter, std::span<const Choice<double>> units)
{
    if (parameter.kind != ParameterKind::Number)
        return Error::DataType;
    if (parameter.suffix.empty())
        return parameter.number;
    for (const Choice<double> &unit : units) {
        if (parameter.suffix != unit.word)
            continue;
        const double scaled = parameter.number * unit.value;
        if (!std::isfinite(scaled))
            return Error::DataOutOfRange;
        return scaled;
    }
    return Error::IllegalParameterValue;
}

std::string nr3Text(double value)
{
    if (!std::isfinite(value))
        value = kNotANumber;
    // std::to_chars ignores the C locale, which Qt sets from the user's; printf would not.
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 6);
    std::string text(buffer.data(), result.ptr);
    for (char &c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

std::string nr1Text(long long value)
{
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string quotedText(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    out.push_back('"');
    return out;
}

} // namespace merolan::scpi
