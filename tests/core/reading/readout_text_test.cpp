#include "core/reading/readout_text.hpp"

#include <gtest/gtest.h>

#include <utility>

using namespace merolan;

TEST(ReadoutText, DbmCutsSmallLevelsAndRoundsTheRest)
{
    const std::pair<double, const char *> cases[] = {
        {-36.75182, "-36.75 dBm"}, {14.2096, " 14.21 dBm"}, {0, " 0 dBm"},    {30, " 30 dBm"},
        {0.4567, "0.45 dBm"},      {-0.4567, "-0.45 dBm"},  {0.5, "0.5 dBm"}, {-0.000001, " 0 dBm"},
        {-10.125, "-10.12 dBm"},   {-10.005, "-10.01 dBm"}, // a true half, and a value stored above its half
    };
    for (auto [level, text] : cases)
        EXPECT_EQ(formatDbmText(level), text) << level;
}

TEST(ReadoutText, RelativeDbRoundsFirst)
{
    const std::pair<double, const char *> cases[] = {
        {-0.456, "-0.46 dB"}, {0.5, "0.5 dB"}, {-3.456, "-3.46 dB"}, {10, " 10 dB"}, {0, " 0 dB"},
    };
    for (auto [db, text] : cases)
        EXPECT_EQ(formatDbText(db), text) << db;
}

TEST(ReadoutText, WattRangesPickTheirUnit)
{
    const std::pair<double, const char *> cases[] = {
        {1, " 1 W"},           {2.5, " 2.5 W"},         {0.02639, " 26.39 mW"},    {0.001, " 1 mW"},
        {0.2236, " 223.6 mW"}, {21.14e-6, " 21.14 uW"}, {211.42e-9, " 211.42 nW"}, {316.2278e-12, " 316.23 pW"},
        {0, " 0 pW"},          {0.5e-12, " .5 pW"},
    };
    for (auto [watt, text] : cases)
        EXPECT_EQ(formatWattText(watt), text) << watt;
}

TEST(ReadoutText, VoltRangesPickTheirUnit)
{
    const std::pair<double, const char *> cases[] = {
        {7.0711, " 7.07 V"},    {1.1487, " 1.15 V"},       {0.22361, " 223.6 mV"}, {0.0032513, " 3.25 mV"},
        {0.03251, " 32.51 mV"}, {125.74e-6, " 125.74 uV"}, {5e-7, " 500 nV"},      {0, " 0 nV"},
    };
    for (auto [volt, text] : cases)
        EXPECT_EQ(formatVoltText(volt), text) << volt;
}
