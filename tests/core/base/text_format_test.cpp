#include "core/base/text_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

using namespace merolan;

TEST(RoundHalfEven, ExactHalvesGoToTheEvenNeighbour)
{
    const std::pair<std::pair<double, int>, double> cases[] = {
        {{0.125, 2}, 0.12}, {{0.375, 2}, 0.38},   {{2.5, 0}, 2.0}, {{3.5, 0}, 4.0},
        {{-2.5, 0}, -2.0},  {{-0.125, 2}, -0.12}, {{0.5, 0}, 0.0}, {{1.52486, 5}, 1.52486},
    };
    for (auto [in, expected] : cases)
        EXPECT_EQ(roundHalfEven(in.first, in.second), expected) << in.first << " to " << in.second;
}

TEST(RoundHalfEven, ValuesThatOnlyLookLikeHalvesRoundByTheirExactValue)
{
    const std::pair<double, double> cases[] = {
        {2.675, 2.67},       // stored just below the half
        {1.005, 1.0},        // likewise
        {2.345, 2.35},       // stored just above the half
        {1408.915, 1408.91}, // the product with 100 rounds onto a half from below
        {8885.985, 8885.99}, // ... and from above
    };
    for (auto [in, expected] : cases)
        EXPECT_EQ(roundHalfEven(in, 2), expected) << in;
}

TEST(ParseLeadingNumber, TakesTheLongestNumberAtTheStart)
{
    const std::pair<const char *, double> cases[] = {
        {"-10", -10}, {"  -50.5dBm", -50.5}, {"1,5", 1},     {"abc", 0},     {"", 0},
        {"-", 0},     {".5", 0.5},           {"1e3x", 1000}, {"1e", 1},      {"1E-2", 0.01},
        {"+7", 7},    {"1e999", 0},          {"\t3", 3},     {"0.5.6", 0.5},
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(parseLeadingNumber(text), expected) << '"' << text << '"';
}

TEST(NumberText, FollowsTheClassicBasicForm)
{
    const std::pair<double, const char *> cases[] = {
        {0, " 0"},
        {5, " 5"},
        {-10, "-10"},
        {0.5, " .5"},
        {-0.25, "-.25"},
        {0.0001, " .0001"},
        {0.00001, " 1E-05"},
        {-0.000015, "-1.5E-05"},
        {1.52486, " 1.52486"},
        {123456789012345, " 123456789012345"},
        {1e15, " 1E+15"},
        {0.1 + 0.2, " .3"},
        {2.0 / 3.0, " .666666666666667"},
        {-0.0, " 0"},
        {std::numeric_limits<double>::quiet_NaN(), "-"},
        {INFINITY, "-"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(numberText(value), text) << value;
}

TEST(LocaleNumberText, UsesTheSeparatorAndAZeroBeforeThePoint)
{
    EXPECT_EQ(localeNumberText(1.52486, '.'), "1.52486");
    EXPECT_EQ(localeNumberText(1.52486, ','), "1,52486");
    EXPECT_EQ(localeNumberText(-0.5, ','), "-0,5");
    EXPECT_EQ(localeNumberText(50.96320456630312, '.'), "50.9632045663031");
    EXPECT_EQ(localeNumberText(-87.71175211497298, ','), "-87,711752114973");
    EXPECT_EQ(localeNumberText(0, ','), "0");
    EXPECT_EQ(localeNumberText(0.00001, ','), "1E-05");
}

TEST(ReadLocaleNumber, AcceptsEitherPointButNeverAGroupSeparator)
{
    EXPECT_EQ(readLocaleNumber("1.52486", '.'), 1.52486);
    EXPECT_EQ(readLocaleNumber("1,52486", ','), 1.52486);
    EXPECT_EQ(readLocaleNumber("1.52486", ','), 1.52486);
    EXPECT_EQ(readLocaleNumber(" -20 ", '.'), -20);
    EXPECT_EQ(readLocaleNumber("1E-05", ','), 0.00001);
    EXPECT_EQ(readLocaleNumber("-1,5E-01", '.'), -0.15);
    for (const char separator : {'.', ','}) {
        EXPECT_EQ(readLocaleNumber("1,52486", separator), 1.52486) << separator;
        for (const char *grouped : {"1,524,000", "1.524.000", "1.234,5", "1,234.5", ",", "1,,5"})
            EXPECT_FALSE(readLocaleNumber(grouped, separator)) << grouped << " with " << separator;
    }
    EXPECT_FALSE(readLocaleNumber("", '.'));
    EXPECT_FALSE(readLocaleNumber("abc", '.'));
    EXPECT_FALSE(readLocaleNumber("12abc", '.'));
    EXPECT_FALSE(readLocaleNumber("-", '.'));
    EXPECT_FALSE(readLocaleNumber("1e999", '.'));
}

TEST(ReadLocaleNumber, ReadsBackEveryCapturedVoltage)
{
    for (const char separator : {'.', ','})
        for (double v = 0; v < 5; v += 0.0123457) {
            const double rounded = roundHalfEven(v, 5);
            EXPECT_EQ(readLocaleNumber(localeNumberText(rounded, separator), separator), rounded) << v;
        }
}
