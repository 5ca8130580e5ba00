#include "core/base/text_format.hpp"

#include "core/base/ascii.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace merolan {
namespace {

constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A finite double as its 15 significant decimal digits (trailing zeros dropped) and the decimal
// exponent of the first digit. std::to_chars ignores the C locale, which Qt sets from the user's.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

DecimalDigits decompose(double value)
{
    std::array<char, 40> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                                         std::chars_format::scientific, 14);
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    DecimalDigits out;
    out.negative = value < 0;
    const std::size_t e = text.find('e');
    out.digits.push_back(text[0]);
    out.digits.append(text.substr(2, e - 2));
    while (out.digits.size() > 1 && out.digits.back() == '0')
        out.digits.pop_back();
    out.exponent = std::atoi(text.data() + e + 1);
    return out;
}

bool usesExponentForm(int exponent)
{
    return exponent < -4 || exponent >= 15;
}

std::string exponentForm(const DecimalDigits &d, char point)
{
    std::string out(1, d.digits[0]);
    if (d.digits.size() > 1) {
        out.push_back(point);
        out.append(d.digits, 1);
    }
    out.push_back('E');
    out.push_back(d.exponent < 0 ? '-' : '+');
    const int magnitude = std::abs(d.exponent);
    if (magnitude < 10)
        out.push_back('0');
    out.append(std::to_string(magnitude));
    return out;
}

// Plain positional digits; `leadingZero` decides between "0.5" and ".5".
std::string positionalForm(const DecimalDigits &d, char point, bool leadingZero)
{
    std::string out;
    if (d.exponent < 0) {
        if (leadingZero)
            out.push_back('0');
        out.push_back(point);
        out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        out.append(d.digits);
        return out;
    }
    const auto wholeDigits = static_cast<std::size_t>(d.exponent) + 1;
    if (d.digits.size() <= wholeDigits) {
        out = d.digits;
        out.append(wholeDigits - d.digits.size(), '0');
        return out;
    }
    out = d.digits.substr(0, wholeDigits);
    out.push_back(point);
    out.append(d.digits, wholeDigits);
    return out;
}

std::string magnitudeText(const DecimalDigits &d, char point, bool leadingZero)
{
    return usesExponentForm(d.exponent) ? exponentForm(d, point) : positionalForm(d, point, leadingZero);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Length of the decimal number at the start of `text` ("." or `point` as the decimal point),
// or 0 when it does not start with one. Accepts a leading sign and an exponent that has digits.
std::size_t numberPrefixLength(std::string_view text, char point)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == point)) {
        ++i;
        while (i < text.size() && isAsciiDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isAsciiDigit(text[j])) {
            while (j < text.size() && isAsciiDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// Converts a validated number text; std::from_chars ignores the C locale and takes no "+".
std::optional<double> convertNumber(std::string_view number, char point)
{
    std::string plain(number.substr(number.front() == '+' ? 1 : 0));
    for (char &c : plain)
        if (c == point)
            c = '.';
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

double roundHalfEven(double value, int decimals)
{
    if (!std::isfinite(value) || decimals < 0 || decimals >= static_cast<int>(kPowersOfTen.size()))
        return value;
    const double scale = kPowersOfTen[static_cast<std::size_t>(decimals)];
    const double scaled = value * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 0x1p52)
        return value;
    // The product may have been rounded onto (or off) a half; fma gives its exact error, which
    // tells a true half from a value that only looks like one after the multiplication.
    const double error = std::fma(value, scale, -scaled);
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    // Half to even applies to a true half only; a product rounded down onto a half lay above it.
    const bool half = fraction == 0.5;
    const bool up = fraction > 0.5 || (half && error > 0) || (half && error == 0 && std::fmod(whole, 2.0) != 0);
    return (up ? whole + 1 : whole) / scale;
}

double parseLeadingNumber(std::string_view text, char point)
{
    return readLeadingNumber(text, point).value.value_or(0);
}

LeadingNumber readLeadingNumber(std::string_view text, char point)
{
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const std::string_view rest = text.substr(start);
    const std::size_t length = numberPrefixLength(rest, point);
    if (length == 0)
        return {};
    return {convertNumber(rest.substr(0, length), point), start + length};
}

std::string numberText(double value)
{
    if (!std::isfinite(value))
        return "-";
    if (value == 0)
        return " 0";
    const DecimalDigits d = decompose(value);
    return (d.negative ? "-" : " ") + magnitudeText(d, '.', false);
}

std::string localeNumberText(double value, char decimalSeparator)
{
    if (!std::isfinite(value))
        return "-";
    if (value == 0)
        return "0";
    const DecimalDigits d = decompose(value);
    return (d.negative ? "-" : "") + magnitudeText(d, decimalSeparator, true);
}

std::optional<double> readLocaleNumber(std::string_view text, char decimalSeparator)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    // A file saved where the decimal point is a comma reads the same everywhere, and the other
    // way round: either mark is the point. A second mark is left over by the number grammar, so
    // group separators ("1,524,000") and mixed marks ("1.234,5") still give no value.
    const char point = text.find(',') != std::string_view::npos ? ',' : decimalSeparator;
    if (text.empty() || numberPrefixLength(text, point) != text.size())
        return std::nullopt;
    return convertNumber(text, point);
}

} // namespace merolan
