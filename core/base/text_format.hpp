#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The program's number texts. Readouts, limit labels and the help scale use the fixed
// "number text" form whatever the user's locale; boxes the user edits use the locale form.
namespace merolan {

// Rounds to n decimals; an exact half (judged on the double's exact binary value, not on
// its product with 10^n) goes to the even neighbour.
double roundHalfEven(double value, int decimals);

// Reads the longest leading decimal number ("." or `point` as the point, optional sign and
// exponent) after leading blanks; a text without one, or whose number overflows a double, reads
// as 0.
double parseLeadingNumber(std::string_view text, char point = '.');

// The number parseLeadingNumber reads, and where it ends: `length` counts the blanks before it
// and is 0 when the text does not start with a number; `value` is empty then, and when the number
// overflows a double. For readers that also need what follows the number.
struct LeadingNumber {
    std::optional<double> value;
    std::size_t length = 0;
};
LeadingNumber readLeadingNumber(std::string_view text, char point = '.');

// 15 significant digits, trailing zeros dropped, "." as the point, a leading blank for values
// of 0 and above, no zero before the point below 1 (" .5", "-.25"), and exponent form outside
// 1E-04 .. 1E+15 (" 1E-05"). A value that is not finite gives "-".
std::string numberText(double value);

// The text a box shows for a number: like numberText but with the locale's decimal separator,
// no leading blank and a zero before the point ("0,5").
std::string localeNumberText(double value, char decimalSeparator);

// Reads a whole text as a number: blanks around it, optional sign, one "." or "," (or the
// locale's decimal separator) as the point whatever the locale, optional exponent. Group
// separators are never skipped: "1,52486" is 1.52486 everywhere, and "1,524,000" or "1.234,5"
// has no value. An empty, partial or overflowing text has no value.
std::optional<double> readLocaleNumber(std::string_view text, char decimalSeparator);

} // namespace merolan
