#include "core/scpi/scpi_values.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <utility>
#include <variant>

using namespace merolan::scpi;

namespace {

Parameter number(double value, const char *suffix = "")
{
    return {ParameterKind::Number, value, suffix, ""};
}
Parameter word(const char *text)
{
    return {ParameterKind::Word, 0, "", text};
}
Parameter string(const char *text)
{
    return {ParameterKind::String, 0, "", text};
}

} // namespace

TEST(ScpiValues, BooleansAreOnOffOrNumbers)
{
    const std::pair<Parameter, std::variant<bool, Error>> cases[] = {
        {word("ON"), true},
        {word("OFF"), false},
        {number(1), true},
        {number(0), false},
        {number(-0.0), false},
        {number(0.2), true},
        {number(-3), true},
        {word("TRUE"), Error::IllegalParameterValue},
        {number(1, "DB"), Error::IllegalParameterValue},
        {string("ON"), Error::DataType},
    };
    for (const auto &[parameter, expected] : cases)
        EXPECT_EQ(toBoolean(parameter), expected) << parameter.number << parameter.text;
}

TEST(ScpiValues, NumbersTakeOnlyTheUnitsGiven)
{
    EXPECT_EQ(toNumber(number(-3.5)), (std::variant<double, Error>(-3.5)));
    EXPECT_EQ(toNumber(number(-30, "DBM"), {"DBM", "W"}), (std::variant<double, Error>(-30.0)));
    EXPECT_EQ(toNumber(number(-30, "DBM")), (std::variant<double, Error>(Error::IllegalParameterValue)));
    EXPECT_EQ(toNumber(number(3, "DB"), {"DBM", "W"}), (std::variant<double, Error>(Error::IllegalParameterValue)));
    EXPECT_EQ(toNumber(word("MAX")), (std::variant<double, Error>(Error::DataType)));
    EXPECT_EQ(toNumber(string("5")), (std::variant<double, Error>(Error::DataType)));
}

TEST(ScpiValues, RealAnswersArePrintfExponentFormAndNotANumberIsTheStandardValue)
{
    const std::pair<double, const char *> cases[] = {
        {-29.9, "-2.990000E+01"},    {0, "0.000000E+00"},
        {1234567.5, "1.234568E+06"}, {1e-3, "1.000000E-03"},
        {1e100, "1.000000E+100"},    {5e-324, "4.940656E-324"},
        {9.91e37, "9.910000E+37"},   {std::numeric_limits<double>::quiet_NaN(), "9.910000E+37"},
        {INFINITY, "9.910000E+37"},  {-INFINITY, "9.910000E+37"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(nr3Text(value), text) << value;
}

TEST(ScpiValues, WholeNumbersBooleansAndQuotedStrings)
{
    EXPECT_EQ(nr1Text(32), "32");
    EXPECT_EQ(nr1Text(-113), "-113");
    EXPECT_EQ(nr1Text(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(booleanText(true), "1");
    EXPECT_EQ(booleanText(false), "0");
    EXPECT_EQ(quotedText("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(quotedText(""), "\"\"");
    EXPECT_EQ(quotedText(std::string_view("a\nb\0\xC3\xA9'", 7)), "\"a?b?\?\?'\"");
}
