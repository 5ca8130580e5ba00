#include "core/scpi/scpi_commands.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

using namespace merolan::scpi;

TEST(ScpiCommandTable, RefusesPatternsOutsideTheNotation)
{
    const char *bad[] = {
        "",          "?",           "meas?",    "MEAS:",      ":MEAS",     "MEAS::POW", "MEAS[:POW",
        "MEAS[POW]", "[:SENS]CORR", "[SENSe:]", "MEASure[2]", "MEAS POW",  "MEAS??",    "*idn?",
        "*IDN:X",    "*IDeNtify",   "*ESE2",    "*ESE[1]",    "MEAS:*IDN", "MeAS",      "A:B:C:D:E:F:G:H:I:J:K:L:M",
    };
    CommandTable table;
    for (const char *pattern : bad)
        EXPECT_FALSE(table.add(pattern, 1)) << pattern;
    const std::string_view anything[] = {"A"};
    EXPECT_FALSE(table.find(anything, false));
    EXPECT_TRUE(table.add("A:B:C:D:E:F:G:H:I:J:K:L", 1));
}

TEST(ScpiCommandTable, OptionalNodesAreTriedBothWaysAndTheFirstMatchWins)
{
    CommandTable table;
    ASSERT_TRUE(table.add("ALPHa[:BETa]:BETa", 1));
    ASSERT_TRUE(table.add("[GAMma:]ALPHa:GAMma[1]", 2));
    ASSERT_TRUE(table.add("ALPHa:GAMMa", 3));
    const std::pair<std::vector<std::string_view>, std::optional<int>> cases[] = {
        {{"ALPH", "BET"}, 1},
        {{"alpha", "beta", "BETA"}, 1},
        {{"ALPH"}, std::nullopt},
        {{"ALPH", "BET", "BET", "BET"}, std::nullopt},
        {{"GAM", "ALPH", "GAM1"}, 2},
        {{"ALPH", "GAMMA"}, 2},
        {{"ALPH", "GAMMA2"}, std::nullopt},
    };
    for (const auto &[header, id] : cases) {
        EXPECT_EQ(table.find(header, false), id) << header.size() << ' ' << header.back();
        EXPECT_FALSE(table.find(header, true));
    }
}
