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

TEST(ScpiValues, NumbersTakeOnlyTheUnitsGivenAndAreScaledByThem)
{
    constexpr Choice<double> hertz[] = {{"HZ", 1}, {"MHZ", 1e6}};
    const std::pair<std::variant<double, Error>, std::variant<double, Error>> cases[] = {
        {toNumber(number(-3.5)), -3.5},
        {toNumber(number(200, "MHZ"), hertz), 2e8},
        {toNumber(number(200, "HZ"), hertz), 200.0},
        {toNumber(number(200, "MHZ")), Error::IllegalParameterValue},
        {toNumber(number(3, "DB"), hertz), Error::IllegalParameterValue},
        {toNumber(number(1e303, "MHZ"), hertz), Error::DataOutOfRange},
        {toNumber(word("MAX")), Error::DataType},
        {toNumber(string("5")), Error::DataType},
    };
    for (const auto &[got, expected] : cases)
        EXPECT_EQ(got, expected);
}

TEST(ScpiValues, ChoicesAreReadAndAnsweredFromOneTable)
{
    enum class Unit { Dbm, Watts };
    constexpr Choice<Unit> units[] = {{"DBM", Unit::Dbm}, {"W", Unit::Watts}};
    const std::pair<Parameter, std::variant<Unit, Error>> cases[] = {
        {word("W"), Unit::Watts},
        {word("DBM"), Unit::Dbm},
        {word("KW"), Error::IllegalParameterValue},
        {number(1), Error::IllegalParameterValue},
        {string("W"), Error::DataType},
    };
    for (const auto &[parameter, expected] : cases)
        EXPECT_EQ(toChoice(parameter, units), expected) << parameter.text;
    EXPECT_EQ(choiceWord(units, Unit::Watts), "W");
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
